#include "config/ini_file.h"

#include "config/codec.h"
#include "config/safe_file.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>
#include <vector>

namespace kelp {
namespace {

struct Line {
    qsizetype begin = 0; // first byte of the line
    qsizetype end = 0;   // one past the last byte, line terminator excluded
    qsizetype next = 0;  // first byte of the following line
};

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

std::vector<Line> splitLines(const QByteArray &data)
{
    std::vector<Line> lines;
    // A UTF-8 byte-order mark belongs to no line; rewrites keep it.
    qsizetype pos = data.startsWith(kUtf8Mark) ? 3 : 0;
    const qsizetype size = data.size();
    while (pos < size) {
        qsizetype lf = data.indexOf('\n', pos);
        Line line;
        line.begin = pos;
        if (lf < 0) {
            // A bare CR at the very end still ends the line.
            line.end = (size > pos && data[size - 1] == '\r') ? size - 1 : size;
            line.next = size;
        } else {
            line.end = (lf > pos && data[lf - 1] == '\r') ? lf - 1 : lf;
            line.next = lf + 1;
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Trims blanks from [b, e) of data.
void trim(const QByteArray &data, qsizetype &b, qsizetype &e)
{
    while (b < e && isBlank(data[b]))
        ++b;
    while (e > b && isBlank(data[e - 1]))
        --e;
}

bool sameName(const QByteArray &nameBytes, codec::Encoding enc, const QString &name)
{
    return codec::decode(nameBytes, enc).compare(name.trimmed(), Qt::CaseInsensitive) == 0;
}

// Where a section header names a section: returns the name's bytes, or a null
// array when the line is not a header.
QByteArray sectionName(const QByteArray &data, const Line &line)
{
    qsizetype b = line.begin, e = line.end;
    trim(data, b, e);
    if (b >= e || data[b] != '[')
        return QByteArray();
    qsizetype close = data.indexOf(']', b + 1);
    if (close < 0 || close >= e)
        return QByteArray();
    qsizetype nb = b + 1, ne = close;
    trim(data, nb, ne);
    return data.mid(nb, ne - nb).isNull() ? QByteArray("") : data.mid(nb, ne - nb);
}

struct KeyLine {
    bool isKey = false;
    QByteArray name;
    qsizetype equals = -1; // position of '='
};

KeyLine keyLine(const QByteArray &data, const Line &line)
{
    KeyLine k;
    qsizetype b = line.begin, e = line.end;
    trim(data, b, e);
    if (b >= e || data[b] == ';')
        return k;
    qsizetype eq = data.indexOf('=', b);
    if (eq < 0 || eq >= e)
        return k;
    qsizetype nb = b, ne = eq;
    trim(data, nb, ne);
    k.isKey = true;
    k.name = data.mid(nb, ne - nb);
    k.equals = eq;
    return k;
}

struct Location {
    int sectionLine = -1; // index of the header line, -1 when missing
    int sectionEnd = -1;  // index one past the last line of the section
    int lastContent = -1; // last non-blank line of the section (the header at least)
    int keyLine = -1;     // index of the key line, -1 when missing
    qsizetype equals = -1;
};

Location locate(const QByteArray &data, const std::vector<Line> &lines, codec::Encoding enc, const QString &section,
                const QString &key)
{
    Location loc;
    const int n = static_cast<int>(lines.size());
    for (int i = 0; i < n; ++i) {
        QByteArray name = sectionName(data, lines[i]);
        if (!name.isNull() && sameName(name, enc, section)) {
            loc.sectionLine = i;
            break;
        }
    }
    if (loc.sectionLine < 0)
        return loc;
    loc.lastContent = loc.sectionLine;
    int i = loc.sectionLine + 1;
    for (; i < n; ++i) {
        if (!sectionName(data, lines[i]).isNull())
            break;
        qsizetype b = lines[i].begin, e = lines[i].end;
        trim(data, b, e);
        if (b < e)
            loc.lastContent = i;
        if (loc.keyLine < 0) {
            KeyLine k = keyLine(data, lines[i]);
            if (k.isKey && sameName(k.name, enc, key)) {
                loc.keyLine = i;
                loc.equals = k.equals;
            }
        }
    }
    loc.sectionEnd = i;
    return loc;
}

codec::Encoding fileEncoding(const QByteArray &data)
{
    // Decided once for the whole file, so every value is read and written
    // alike. A file of plain ASCII is written in the Windows code page.
    for (char c : data) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return codec::detect(data);
    }
    return codec::Encoding::Gb18030;
}

// A UTF-16 file is worked on as marked UTF-8 and written back as UTF-16.
QByteArray workingBytes(const QByteArray &raw)
{
    if (const auto utf16 = codec::utf16Of(raw)) {
        QStringDecoder decoder(*utf16);
        return QByteArray(kUtf8Mark) + QString(decoder.decode(raw.mid(2))).toUtf8();
    }
    return raw;
}

QByteArray fileBytes(const QByteArray &working, const QByteArray &raw)
{
    if (const auto utf16 = codec::utf16Of(raw)) {
        QStringEncoder encoder(*utf16);
        return raw.left(2) + QByteArray(encoder.encode(QString::fromUtf8(working.mid(3))));
    }
    return working;
}

// Makes the line that ends at `at` (the end of `out`) a whole line: a bare
// CR there only needs its LF.
void endLine(QByteArray &out, qsizetype at)
{
    if (at == 0 || out[at - 1] == '\n')
        return;
    out.append(out[at - 1] == '\r' ? QByteArray("\n") : QByteArray("\r\n"));
}

QString sanitizeValue(const QString &value)
{
    // A line break inside a value would split the line and corrupt the file.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return v;
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

bool IniFile::exists() const
{
    return QFileInfo(path_).isFile();
}

std::optional<QString> IniFile::lookup(const QByteArray &contents, const QString &section, const QString &key)
{
    const codec::Encoding enc = fileEncoding(contents);
    const std::vector<Line> lines = splitLines(contents);
    const Location loc = locate(contents, lines, enc, section, key);
    if (loc.keyLine < 0)
        return std::nullopt;
    const Line &line = lines[static_cast<size_t>(loc.keyLine)];
    qsizetype b = loc.equals + 1, e = line.end;
    trim(contents, b, e);
    // Like Windows, a value enclosed in matching quotes loses them.
    if (e - b >= 2 && (contents[b] == '"' || contents[b] == '\'') && contents[e - 1] == contents[b]) {
        ++b;
        --e;
    }
    QString value = codec::decode(contents.mid(b, e - b), enc);
    if (value.isNull())
        value = QString("");
    return value;
}

QByteArray IniFile::withValue(const QByteArray &contents, const QString &section, const QString &key,
                              const QString &value)
{
    const codec::Encoding enc = fileEncoding(contents);
    const std::vector<Line> lines = splitLines(contents);
    const Location loc = locate(contents, lines, enc, section, key);
    const QByteArray valueBytes = codec::encode(sanitizeValue(value), enc);
    const QByteArray crlf("\r\n");

    QByteArray out;
    out.reserve(contents.size() + valueBytes.size() + section.size() + key.size() + 16);
    if (loc.keyLine >= 0) {
        const Line &line = lines[static_cast<size_t>(loc.keyLine)];
        out.append(contents.constData(), loc.equals + 1);
        out.append(valueBytes);
        out.append(contents.constData() + line.end, contents.size() - line.end);
        return out;
    }

    const QByteArray keyLineBytes = codec::encode(key.trimmed(), enc) + '=' + valueBytes;
    if (loc.sectionLine >= 0) {
        const Line &after = lines[static_cast<size_t>(loc.lastContent)];
        out.append(contents.constData(), after.next);
        endLine(out, after.next);
        out.append(keyLineBytes);
        out.append(crlf);
        out.append(contents.constData() + after.next, contents.size() - after.next);
        return out;
    }

    out = contents;
    if (!out.isEmpty()) {
        endLine(out, out.size());
        // Keep sections apart with one empty line, unless the file already ends with one.
        const std::vector<Line> outLines = splitLines(out);
        const Line &last = outLines.back();
        qsizetype b = last.begin, e = last.end;
        trim(out, b, e);
        if (b < e)
            out.append(crlf);
    }
    out.append('[');
    out.append(codec::encode(section.trimmed(), enc));
    out.append(']');
    out.append(crlf);
    out.append(keyLineBytes);
    out.append(crlf);
    return out;
}

const QByteArray *IniFile::contents() const
{
    const QFileInfo info(path_);
    if (!info.isFile())
        return nullptr;
    const qint64 time = info.lastModified().toMSecsSinceEpoch();
    if (info.size() != cacheSize_ || time != cacheTime_) {
        FileRead read = readRegularFile(path_, kMaxIniBytes);
        if (!read.ok())
            return nullptr;
        cache_ = workingBytes(read.data);
        cacheSize_ = cache_.size();
        cacheTime_ = time;
    }
    return &cache_;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    const QByteArray *data = contents();
    if (!data)
        return def;
    return lookup(*data, section, key).value_or(def);
}

std::optional<long long> parseProfileInt(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    const qsizetype digitsStart = i;
    long long value = 0;
    constexpr long long cap = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    while (i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) {
        if (value < cap)
            value = value * 10 + (t[i].unicode() - '0');
        ++i;
    }
    if (i == digitsStart)
        return std::nullopt;
    if (value > cap)
        value = cap;
    return negative ? -value : value;
}

int IniFile::readInt(const QString &section, const QString &key, int def) const
{
    const QByteArray *data = contents();
    if (!data)
        return def;
    const auto text = lookup(*data, section, key);
    if (!text)
        return def;
    const auto v = parseProfileInt(*text);
    if (!v)
        return def;
    if (*v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (*v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(*v);
}

int IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    error_.clear();
    QByteArray raw;
    QByteArray contents;
    const bool exists = QFileInfo::exists(path_);
    if (exists) {
        FileRead read = readRegularFile(path_, kMaxIniBytes);
        if (!read.ok()) {
            error_ = read.error;
            return -1;
        }
        raw = std::move(read.data);
        contents = workingBytes(raw);
    }
    const QByteArray updated = withValue(contents, section, key, value);
    if (updated == contents && exists)
        return 1;
    // Readers see either the old or the new file, never a part of one.
    if (!replaceFileContents(path_, fileBytes(updated, raw), &error_))
        return -1;
    cache_ = updated;
    cacheSize_ = -1; // the next read checks the file again
    return 1;
}

} // namespace kelp

#include "import/line_reader.h"

#include <QCoreApplication>

namespace kelp::import {

namespace {
constexpr qint64 kMaxUtf16Bytes = 64 * 1024 * 1024;
constexpr qint64 kPiece = 1 << 20;
} // namespace

std::optional<QString> LineReader::open(const QString &path)
{
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly))
        return file_.errorString();
    size_ = file_.size();
    const QByteArray head = file_.peek(4);
    if (codec::utf16Of(head)) {
        if (size_ > kMaxUtf16Bytes)
            return QCoreApplication::translate("kelp::import", "a UTF-16 file over 64 MB");
        text_ = codec::decodeFile(file_.readAll());
        inMemory_ = true;
        return std::nullopt;
    }
    // The whole file first: its later lines may decide its encoding.
    codec::EncodingSniffer sniffer;
    qint64 total = 0;
    // Read, not mapped: a file cut short under a mapping would kill the
    // program. Through a descriptor of its own, unbuffered: the lines are
    // read afterwards through a buffer a whole-file pass would bloat.
    {
        QFile whole(file_.fileName());
        if (!whole.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return whole.errorString();
        QByteArray piece(kPiece, Qt::Uninitialized);
        for (qint64 n; (n = whole.read(piece.data(), piece.size())) > 0;) {
            total += n;
            sniffer.feed(piece.constData(), n);
        }
    }
    if (total != size_ || file_.size() != size_)
        return QCoreApplication::translate("kelp::import", "the file changed while it was read");
    verdict_ = sniffer.verdict();
    encoding_ = verdict_.encoding;
    if (!verdict_.clear)
        return QCoreApplication::translate(
                   "kelp::import",
                   "neither UTF-8 nor GB18030 text: bytes that are no character in either from line %1 on")
            .arg(verdict_.badLines.value(0));
    if (!file_.seek(0))
        return file_.errorString();
    if (encoding_ == codec::Encoding::Utf8 && head.startsWith("\xEF\xBB\xBF"))
        file_.read(3);
    read_ = file_.pos();
    return std::nullopt;
}

QString LineReader::strayBytes() const
{
    if (verdict_.badBytes == 0)
        return QString();
    QStringList lines;
    for (const qint64 l : verdict_.badLines)
        lines << QString::number(l);
    return QCoreApplication::translate("kelp::import", "%1 stray bytes replaced (line %2)")
        .arg(verdict_.badBytes)
        .arg(lines.join(QStringLiteral(", ")));
}

bool LineReader::fail(const QString &why)
{
    error_ = why;
    return false;
}

bool LineReader::next(QString &line)
{
    if (holding_) {
        line = held_;
        holding_ = false;
        return true;
    }
    if (error_)
        return false;
    if (inMemory_) {
        if (pos_ >= text_.size())
            return false;
        qsizetype lf = text_.indexOf(QLatin1Char('\n'), pos_);
        if (lf < 0)
            lf = text_.size();
        if (lf - pos_ > kMaxLineBytes)
            return fail(QCoreApplication::translate("kelp::import", "line %1 is over 1 MB long").arg(lineNumber_ + 1));
        line = text_.mid(pos_, lf - pos_);
        pos_ = lf + 1;
    } else {
        if (read_ >= size_) {
            if (file_.size() != size_ || !file_.atEnd())
                return fail(
                    QCoreApplication::translate("kelp::import", "the file changed while it was read (at line %1)")
                        .arg(lineNumber_ + 1));
            return false;
        }
        // Read through a buffer kept between lines: a fresh maximum-sized
        // array for every line costs more than the line itself.
        QByteArray bytes;
        for (;;) {
            buffer_.resize(64 * 1024);
            const qint64 n = file_.readLine(buffer_.data(), buffer_.size());
            if (n <= 0)
                break;
            bytes.append(buffer_.constData(), n);
            if (bytes.endsWith('\n'))
                break;
            if (bytes.size() > kMaxLineBytes)
                break;
        }
        if (bytes.size() > kMaxLineBytes + 2) // CR LF
            return fail(QCoreApplication::translate("kelp::import", "line %1 is over 1 MB long").arg(lineNumber_ + 1));
        read_ += bytes.size();
        if (bytes.isEmpty() || read_ > size_)
            return fail(QCoreApplication::translate("kelp::import", "the file changed while it was read (at line %1)")
                            .arg(lineNumber_ + 1));
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        line = encoding_ == codec::Encoding::Utf8 ? QString::fromUtf8(bytes) : codec::decode(bytes, encoding_);
    }
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    ++lineNumber_;
    return true;
}

namespace {

// One line's share of a record (RFC 4180): fields end at the delimiter
// outside quotes; a doubled quote inside quotes is one quote. `quoted` says,
// after it, that a quoted field goes on past the line's end.
void scanFields(QStringView line, QChar delimiter, QStringList &fields, QString &field, bool &quoted)
{
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        if (quoted) {
            const qsizetype q = line.indexOf(QLatin1Char('"'), i);
            if (q < 0) {
                field += line.sliced(i);
                return;
            }
            field += line.sliced(i, q - i);
            if (q + 1 < n && line[q + 1] == QLatin1Char('"')) {
                field += QLatin1Char('"');
                i = q + 2;
            } else {
                quoted = false;
                i = q + 1;
            }
            continue;
        }
        qsizetype j = i;
        while (j < n && line[j] != delimiter && line[j] != QLatin1Char('"'))
            ++j;
        if (j == n) {
            field += line.sliced(i);
            return;
        }
        if (line[j] == delimiter) {
            if (field.isEmpty()) {
                fields << line.sliced(i, j - i).toString(); // most fields: one copy
            } else {
                field += line.sliced(i, j - i);
                fields << field;
                field.clear();
            }
        } else {
            field += line.sliced(i, j - i);
            if (field.trimmed().isEmpty()) {
                quoted = true;
                field.clear();
            } else {
                field += QLatin1Char('"');
            }
        }
        i = j + 1;
    }
}

} // namespace

bool nextRecord(LineReader &lines, QChar delimiter, QStringList &fields, QString &error)
{
    fields.clear();
    QString line;
    if (!lines.next(line)) {
        error = lines.error().value_or(QString());
        return false;
    }
    const qint64 first = lines.lineNumber();
    QString field;
    bool quoted = false;
    for (;;) {
        scanFields(line, delimiter, fields, field, quoted);
        if (!quoted)
            break;
        if (field.size() > kMaxFieldChars)
            break;
        if (!lines.next(line)) {
            error = lines.error().value_or(
                QCoreApplication::translate("kelp::import", "a quote opened on line %1 is never closed").arg(first));
            return false;
        }
        field += QLatin1Char('\n');
    }
    fields << field;
    for (const QString &f : std::as_const(fields)) {
        if (f.size() > kMaxFieldChars) {
            error = QCoreApplication::translate("kelp::import", "line %1 has a field over 64 KB").arg(first);
            return false;
        }
    }
    return true;
}

QStringList splitRecord(const QString &line, QChar delimiter)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    scanFields(line, delimiter, fields, field, quoted);
    fields << field;
    return fields;
}

} // namespace kelp::import

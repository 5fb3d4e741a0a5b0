#include "import/line_reader.h"

namespace kelp::import {

namespace {
constexpr qint64 kSniffBytes = 64 * 1024;
constexpr qint64 kMaxUtf16Bytes = 64 * 1024 * 1024;

// The bytes up to the last whole UTF-8 sequence, so a cut sample still validates.
QByteArray wholeCharacters(const QByteArray &bytes)
{
    qsizetype end = bytes.size();
    for (qsizetype i = end - 1; i >= 0 && i >= end - 4; --i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c & 0xC0) != 0x80) {
            end = c < 0x80 ? end : i;
            break;
        }
    }
    return bytes.left(end);
}
} // namespace

std::optional<QString> LineReader::open(const QString &path)
{
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly))
        return file_.errorString();
    const QByteArray head = file_.peek(kSniffBytes);
    if (codec::utf16Of(head)) {
        if (file_.size() > kMaxUtf16Bytes)
            return QStringLiteral("a UTF-16 file over 64 MB");
        text_ = codec::decodeFile(file_.readAll());
        inMemory_ = true;
        return std::nullopt;
    }
    const QByteArray sample = head.size() < kSniffBytes ? head : wholeCharacters(head);
    encoding_ = codec::detect(sample);
    return std::nullopt;
}

bool LineReader::next(QString &line)
{
    if (holding_) {
        line = held_;
        holding_ = false;
        return true;
    }
    if (inMemory_) {
        if (pos_ >= text_.size())
            return false;
        qsizetype lf = text_.indexOf(QLatin1Char('\n'), pos_);
        if (lf < 0)
            lf = text_.size();
        line = text_.mid(pos_, lf - pos_);
        pos_ = lf + 1;
    } else {
        if (file_.atEnd())
            return false;
        // Read through a buffer kept between lines: a fresh maximum-sized
        // array for every line costs more than the line itself.
        QByteArray bytes;
        for (;;) {
            buffer_.resize(64 * 1024);
            const qint64 n = file_.readLine(buffer_.data(), buffer_.size());
            if (n <= 0)
                break;
            bytes.append(buffer_.constData(), n);
            if (bytes.endsWith('\n') || bytes.size() > kMaxRecordChars * 4)
                break;
        }
        if (first_ && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        line = encoding_ == codec::Encoding::Utf8 ? QString::fromUtf8(bytes) : codec::decode(bytes, encoding_);
    }
    first_ = false;
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
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == delimiter) {
            fields << field;
            field.clear();
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            quoted = true;
            field.clear();
        } else {
            field += c;
        }
    }
}

} // namespace

bool nextRecord(LineReader &lines, QChar delimiter, QStringList &fields, QString &error)
{
    fields.clear();
    QString line;
    if (!lines.next(line))
        return false;
    QString field;
    bool quoted = false;
    qsizetype recordChars = 0;
    for (;;) {
        scanFields(line, delimiter, fields, field, quoted);
        if (!quoted)
            break;
        recordChars += line.size();
        if (recordChars > kMaxRecordChars) {
            error = QStringLiteral("a quoted field over 1 MB from line %1 on").arg(lines.lineNumber());
            return false;
        }
        if (!lines.next(line)) {
            error = QStringLiteral("a quote that is never closed");
            return false;
        }
        field += QLatin1Char('\n');
    }
    fields << field;
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

#include "config/codec.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace kelp::codec {
namespace {

// One conversion through iconv. When `lossy` is set, an invalid input byte is
// replaced by `replacement` and skipped; otherwise conversion stops there.
QByteArray convert(const char *to, const char *from, const QByteArray &in, const QByteArray &replacement)
{
    if (in.isEmpty())
        return QByteArray("");
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QByteArray();

    QByteArray out;
    out.reserve(in.size() * 2 + 16);
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ (invalid byte) or EINVAL (truncated sequence at the end).
        out.append(replacement);
        ++inPtr;
        --inLeft;
    }
    // Flush any shift state.
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
    iconv_close(cd);
    return out;
}

// ASCII is one byte a character, the same bytes, in every encoding involved.
bool isAsciiBytes(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

QString fromGb18030(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return bytes.isNull() ? QString() : QString("");
    // ASCII reads alike in GB18030: no converter to load for it (a settings
    // file mostly is).
    if (isAsciiBytes(bytes))
        return QString::fromLatin1(bytes);
    const QByteArray utf8 = convert("UTF-8", "GB18030", bytes, QByteArray("\xEF\xBF\xBD"));
    return QString::fromUtf8(utf8);
}

QByteArray toGb18030(const QString &text)
{
    if (text.isEmpty())
        return QByteArray("");
    if (isAscii(text))
        return text.toLatin1();
    // Every Unicode scalar value has a GB18030 form; "?" only guards against
    // an iconv without the table.
    return convert("GB18030", "UTF-8", text.toUtf8(), QByteArray("?"));
}

QString decode(const QByteArray &bytes, Encoding encoding)
{
    return encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : fromGb18030(bytes);
}

QByteArray encode(const QString &text, Encoding encoding)
{
    return encoding == Encoding::Utf8 ? text.toUtf8() : toGb18030(text);
}

QByteArrayView byteOrderMark(Encoding encoding)
{
    return encoding == Encoding::Utf8 ? QByteArrayView("\xEF\xBB\xBF") : QByteArrayView("\x84\x31\x95\x33");
}

std::optional<QStringConverter::Encoding> utf16Of(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringConverter::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

QString decodeFile(const QByteArray &bytes)
{
    if (const auto utf16 = utf16Of(bytes)) {
        QStringDecoder decoder(*utf16);
        return decoder.decode(bytes.mid(2));
    }
    if (detect(bytes) == Encoding::Utf8)
        return QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    return fromGb18030(bytes);
}

int gbkLength(const QString &text)
{
    // A meaning is mostly ASCII, common hanzi and full-width punctuation,
    // whose lengths are known: the converter is loaded only for the rest.
    const auto twoBytes = [](char16_t c) {
        return (c >= 0x4E00 && c <= 0x9FA5) || (c >= 0xFF01 && c <= 0xFF5E) || (c >= 0x3000 && c <= 0x3003) ||
               (c >= 0x3005 && c <= 0x3011) || c == 0x2014 || c == 0x2018 || c == 0x2019 || c == 0x201C ||
               c == 0x201D || c == 0x2026 || c == 0x00B7;
    };
    qsizetype length = 0;
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            ++length;
        else if (twoBytes(c.unicode()))
            length += 2;
        else
            return static_cast<int>(toGb18030(text).size());
    }
    return static_cast<int>(length);
}

QStringView trimmed(QStringView text)
{
    const auto blank = [](QChar c) { return c.isSpace() || c == QChar(0xFEFF); };
    while (!text.isEmpty() && blank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

} // namespace kelp::codec

namespace kelp {

QString trimSpaces(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == QLatin1Char(' '))
        ++b;
    while (e > b && text[e - 1] == QLatin1Char(' '))
        --e;
    return text.mid(b, e - b);
}

} // namespace kelp

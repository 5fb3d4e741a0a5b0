#include "config/codec.h"

#include <QList>
#include <QStringDecoder>

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

} // namespace

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

namespace {

bool isCjk(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFF00 && c <= 0xFFEF);
}

// Valid UTF-8 whose every non-ASCII sequence is two bytes long can just as
// well be GBK: 学习 is D1 A7 CF B0 there, and Cyrillic "ѧϰ" in UTF-8. Such
// bytes are taken as GBK when that reads as Chinese throughout while UTF-8
// reads as letters beyond Latin and the phonetic alphabet, which the files
// of an English trainer for Chinese learners do not hold.
bool readsAsChineseGbk(const QByteArray &bytes)
{
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0xE0)
            return false; // a three- or four-byte UTF-8 sequence: UTF-8 it is
    }
    bool foreignLetters = false;
    for (char32_t c : QString::fromUtf8(bytes).toUcs4())
        foreignLetters = foreignLetters || c >= 0x370;
    if (!foreignLetters)
        return false;
    const QString text = fromGb18030(bytes);
    bool chinese = false;
    for (char32_t c : text.toUcs4()) {
        if (c < 0x80)
            continue;
        if (!isCjk(c))
            return false;
        chinese = true;
    }
    return chinese;
}

} // namespace

Encoding detect(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    if (!isValidUtf8(bytes) || readsAsChineseGbk(bytes))
        return Encoding::Gb18030;
    return Encoding::Utf8;
}

QString fromGb18030(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return bytes.isNull() ? QString() : QString("");
    const QByteArray utf8 = convert("UTF-8", "GB18030", bytes, QByteArray("\xEF\xBF\xBD"));
    return QString::fromUtf8(utf8);
}

QByteArray toGb18030(const QString &text)
{
    if (text.isEmpty())
        return QByteArray("");
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
    // Fast path: ASCII is one byte a character in every encoding involved.
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return static_cast<int>(text.size());
    return static_cast<int>(toGb18030(text).size());
}

} // namespace kelp::codec

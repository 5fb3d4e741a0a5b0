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

} // namespace

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

void EncodingSniffer::Reading::fault(qint64 line)
{
    ++bad;
    if (badLines.size() < 10 && (badLines.isEmpty() || badLines.last() != line))
        badLines << line;
}

namespace {
bool isAsciiLetter(unsigned char c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
} // namespace

void EncodingSniffer::utf8Character()
{
    const bool invalid = (seqLength_ == 3 && code_ < 0x800) || (seqLength_ == 4 && code_ < 0x10000) ||
                         (code_ >= 0xD800 && code_ <= 0xDFFF) || code_ > 0x10FFFF;
    if (invalid) {
        utf8_.fault(line_);
        return;
    }
    ++utf8_.multibyte;
    longUtf8_ = longUtf8_ || seqLength_ > 2;
    // Phonetic letters, and Latin letters inside words, are what a word list
    // in UTF-8 holds besides Chinese.
    if ((code_ >= 0x250 && code_ <= 0x2FF) || (code_ >= 0x1D00 && code_ <= 0x1DBF)) {
        ++utf8_.evidence;
    } else if (code_ >= 0xC0 && code_ <= 0x24F && code_ != 0xD7 && code_ != 0xF7) {
        if (letterBefore_)
            ++utf8_.evidence;
        else
            latinPending_ = true;
    }
}

void EncodingSniffer::utf8Byte(unsigned char c)
{
    if (due_ > 0) {
        if ((c & 0xC0) == 0x80) {
            code_ = (code_ << 6) | (c & 0x3F);
            if (--due_ == 0)
                utf8Character();
            return;
        }
        utf8_.fault(line_); // a sequence cut short: this byte starts afresh
        due_ = 0;
    }
    const bool pending = latinPending_;
    latinPending_ = false;
    if (c < 0x80) {
        if (pending && isAsciiLetter(c))
            ++utf8_.evidence;
        prevAsciiLetter_ = isAsciiLetter(c);
        return;
    }
    letterBefore_ = prevAsciiLetter_;
    prevAsciiLetter_ = false;
    if (c >= 0xC2 && c <= 0xDF) {
        due_ = 1, code_ = c & 0x1F, seqLength_ = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        due_ = 2, code_ = c & 0x0F, seqLength_ = 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
        due_ = 3, code_ = c & 0x07, seqLength_ = 4;
    } else {
        utf8_.fault(line_);
    }
}

void EncodingSniffer::gbByte(unsigned char c)
{
    // One byte 00-7F; two bytes 81-FE then 40-7E or 80-FE; four bytes
    // 81-FE 30-39 81-FE 30-39.
    switch (gbState_) {
    case 0:
        if (c >= 0x81 && c <= 0xFE) {
            gbState_ = 1;
            gbLead_ = c;
        } else if (c >= 0x80) {
            gb_.fault(line_);
        }
        return;
    case 1:
        gbState_ = 0;
        if ((c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE)) {
            ++gb_.multibyte;
            // The hanzi of GB2312: what Chinese meanings are made of.
            if (gbLead_ >= 0xB0 && gbLead_ <= 0xF7 && c >= 0xA1)
                ++gb_.evidence;
        } else if (c >= 0x30 && c <= 0x39) {
            gbState_ = 2;
        } else {
            gb_.fault(line_);
        }
        return;
    case 2:
        gbState_ = c >= 0x81 && c <= 0xFE ? 3 : 0;
        if (gbState_ == 0)
            gb_.fault(line_);
        return;
    default:
        gbState_ = 0;
        if (c >= 0x30 && c <= 0x39)
            ++gb_.multibyte;
        else
            gb_.fault(line_);
        return;
    }
}

void EncodingSniffer::feed(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i, ++offset_) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (offset_ < 3)
            markBytes_ += c == static_cast<unsigned char>("\xEF\xBB\xBF"[offset_]);
        if (c < 0x80 && due_ == 0 && gbState_ == 0 && !latinPending_ && offset_ >= 3) {
            // Plain ASCII between characters, most of a word list: nothing to
            // decide but the line count, taken a run at a time.
            qsizetype end = i + 1;
            while (end < size && static_cast<unsigned char>(data[end]) < 0x80)
                ++end;
            line_ += std::count(data + i, data + end, '\n');
            prevAsciiLetter_ = isAsciiLetter(static_cast<unsigned char>(data[end - 1]));
            offset_ += end - 1 - i;
            i = end - 1;
            continue;
        }
        utf8Byte(c);
        gbByte(c);
        if (c == '\n')
            ++line_;
    }
}

EncodingSniffer::Verdict EncodingSniffer::verdict() const
{
    Reading utf8 = utf8_, gb = gb_;
    if (due_ > 0)
        utf8.fault(line_); // cut off at the end
    if (gbState_ != 0)
        gb.fault(line_);
    const auto of = [&utf8](Encoding e, const Reading &r, bool clear) {
        Verdict v;
        v.firstBadUtf8Line = utf8.badLines.value(0);
        v.encoding = e;
        v.clear = clear;
        v.badBytes = r.bad;
        v.badLines = r.badLines;
        return v;
    };
    // A few stray bytes among many good characters: still that encoding.
    const auto mostlyClean = [](const Reading &r) { return r.bad <= 16 && r.bad * 10 <= r.multibyte; };
    if (markBytes_ == 3)
        return of(Encoding::Utf8, utf8, utf8.bad == 0 || mostlyClean(utf8));
    if (utf8.bad == 0) {
        if (!longUtf8_ && gb.bad == 0 && gb.evidence > utf8.evidence)
            return of(Encoding::Gb18030, gb, true);
        return of(Encoding::Utf8, utf8, true);
    }
    if (longUtf8_ && mostlyClean(utf8))
        return of(Encoding::Utf8, utf8, true);
    if (gb.bad == 0 || mostlyClean(gb))
        return of(Encoding::Gb18030, gb, true);
    if (mostlyClean(utf8))
        return of(Encoding::Utf8, utf8, true);
    return gb.bad <= utf8.bad ? of(Encoding::Gb18030, gb, false) : of(Encoding::Utf8, utf8, false);
}

Encoding detect(const QByteArray &bytes)
{
    EncodingSniffer sniffer;
    sniffer.feed(bytes);
    return sniffer.verdict().encoding;
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

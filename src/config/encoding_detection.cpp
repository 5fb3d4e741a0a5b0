// Deciding a file's encoding from all of its bytes: the sniffer that reads
// both UTF-8 and GB18030 a byte at a time, and the quicker reading of a file
// split into lines that leaves to it only what it cannot tell.
#include "config/codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelp::codec {

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

namespace {

bool inRange(unsigned c, unsigned low, unsigned high)
{
    return c - low <= high - low;
}

// The first byte at or after `i` above ASCII, or `size`.
qsizetype skipAscii(const unsigned char *d, qsizetype i, qsizetype size)
{
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, d + i, 8);
        if (const quint64 high = word & 0x8080808080808080ULL) {
            const int bit =
                std::endian::native == std::endian::little ? std::countr_zero(high) : std::countl_zero(high);
            return i + bit / 8;
        }
    }
    while (i < size && d[i] < 0x80)
        ++i;
    return i;
}

struct Utf8Count {
    qint64 bad = 0;
    qint64 multibyte = 0;
    bool longSequence = false; // a character of three or four bytes
};

// The UTF-8 reading as EncodingSniffer counts it, given up after `limit` bad bytes.
Utf8Count countUtf8(const QByteArray &bytes, qint64 limit)
{
    const auto *d = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    Utf8Count r;
    for (qsizetype i = skipAscii(d, 0, size); i < size && r.bad <= limit; i = skipAscii(d, i, size)) {
        const unsigned c = d[i++];
        int due = 0;
        char32_t code = 0;
        if (inRange(c, 0xC2, 0xDF))
            due = 1, code = c & 0x1F;
        else if (inRange(c, 0xE0, 0xEF))
            due = 2, code = c & 0x0F;
        else if (inRange(c, 0xF0, 0xF4))
            due = 3, code = c & 0x07;
        else {
            ++r.bad;
            continue;
        }
        const int length = due + 1;
        for (; due > 0 && i < size && (d[i] & 0xC0) == 0x80; --due)
            code = (code << 6) | (d[i++] & 0x3F);
        if (due > 0) { // cut short: the byte that cut it starts afresh
            ++r.bad;
            continue;
        }
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || (code >= 0xD800 && code <= 0xDFFF) ||
            code > 0x10FFFF) {
            ++r.bad;
            continue;
        }
        ++r.multibyte;
        r.longSequence = r.longSequence || length > 2;
    }
    return r;
}

// GB18030 without a bad byte over [i, end), from the start of a character:
// one byte 00-7F; two bytes 81-FE then 40-7E or 80-FE; four bytes 81-FE 30-39
// 81-FE 30-39.
bool cleanGb18030(const unsigned char *d, qsizetype i, qsizetype end)
{
    while (i < end) {
        const unsigned c = d[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (!inRange(c, 0x81, 0xFE) || i + 1 >= end)
            return false;
        const unsigned c2 = d[i + 1];
        if (inRange(c2, 0x40, 0x7E) || inRange(c2, 0x80, 0xFE)) {
            i += 2;
            continue;
        }
        if (!inRange(c2, 0x30, 0x39) || i + 3 >= end || !inRange(d[i + 2], 0x81, 0xFE) ||
            !inRange(d[i + 3], 0x30, 0x39))
            return false;
        i += 4;
    }
    return true;
}

#if defined(__SSE2__)
// 64 bytes as four vectors; bit k of a mask stands for byte k.
struct Block {
    __m128i v[4];
    explicit Block(const unsigned char *p)
    {
        for (int k = 0; k < 4; ++k)
            v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
    }
    static quint64 mask(__m128i a, __m128i b, __m128i c, __m128i d)
    {
        const auto bits = [](__m128i x) { return static_cast<quint64>(static_cast<unsigned>(_mm_movemask_epi8(x))); };
        return bits(a) | bits(b) << 16 | bits(c) << 32 | bits(d) << 48;
    }
    quint64 aboveAscii() const { return mask(v[0], v[1], v[2], v[3]); }
    // The bytes in [low, high] as signed bytes (low above -128, high below 127).
    quint64 between(signed char low, signed char high) const
    {
        const __m128i below = _mm_set1_epi8(static_cast<char>(low - 1));
        const __m128i above = _mm_set1_epi8(static_cast<char>(high + 1));
        const auto in = [&](__m128i x) { return _mm_and_si128(_mm_cmpgt_epi8(x, below), _mm_cmpgt_epi8(above, x)); };
        return mask(in(v[0]), in(v[1]), in(v[2]), in(v[3]));
    }
};

// True when the line of `length` (below 64) bytes at `p`, with 64 bytes
// readable there, is surely clean GB18030; false leaves it to the byte loop.
// With no 80 or FF, a run of bytes above ASCII that starts a character is
// pairs of two-byte characters, and only a run of odd length has a last lead
// byte whose second byte is ASCII: 40-7E ends a two-byte character, 30-39
// makes bytes 1-2 of a four-byte one, whose bytes 3-4 make the same pattern
// once more right after. Such patterns two bytes apart form chains; the first
// of each is a character's start, so a chain is whole four-byte characters
// when its length is even.
bool surelyCleanGb18030(const unsigned char *p, qsizetype length)
{
    const Block block(p);
    const quint64 line = (quint64{1} << length) - 1;
    const quint64 high = block.aboveAscii() & line;
    if (high == 0)
        return true;
    if (high & ~block.between(-127, -2)) // 80 or FF
        return false;
    constexpr quint64 even = 0x5555555555555555ULL;
    const quint64 runStarts = high & ~(high << 1);
    // A carry put in at a run's start comes out just past its end.
    const quint64 afterOddRuns =
        ((high + (runStarts & even)) & ~high & ~even) | ((high + (runStarts & ~even)) & ~high & even);
    if (afterOddRuns == 0)
        return true;
    const quint64 digits = block.between(0x30, 0x39) & line;
    if (afterOddRuns & ~(digits | (block.between(0x40, 0x7E) & line)))
        return false;
    const quint64 halves = (afterOddRuns & digits) >> 1;
    // A chain of n halves filled in is a run of 2n - 1 bits; a carry put in at
    // its start comes out 2n - 1 bits on, 3 more than a multiple of 4 when n is even.
    const quint64 chains = halves | ((halves << 1) & (halves >> 1));
    const quint64 chainStarts = chains & ~(chains << 1);
    constexpr quint64 everyFourth[4] = {0x1111111111111111ULL, 0x2222222222222222ULL, 0x4444444444444444ULL,
                                        0x8888888888888888ULL};
    for (int r = 0; r < 4; ++r) {
        const quint64 ends = (chains + (chainStarts & everyFourth[r])) & ~chains;
        if (ends & ~everyFourth[(r + 3) % 4])
            return false;
    }
    return true;
}
#endif

} // namespace

LineSniffer::LineSniffer(const QByteArray &bytes) : bytes_(bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        decided_ = Encoding::Utf8;
        return;
    }
    // The UTF-8 reading first: on a GB18030 file it gives up within a few
    // lines, and it decides a UTF-8 file alone.
    constexpr qint64 kFewBad = 16;
    const Utf8Count utf8 = countUtf8(bytes, kFewBad);
    const bool mostlyClean = utf8.bad <= kFewBad && utf8.bad * 10 <= utf8.multibyte;
    if (utf8.bad > kFewBad)
        gbPending_ = true;
    else if ((utf8.bad == 0 && (utf8.longSequence || utf8.multibyte == 0)) || (utf8.longSequence && mostlyClean))
        decided_ = Encoding::Utf8;
}

void LineSniffer::line(qsizetype begin, qsizetype next)
{
    if (begin != checked_ || !wantsLines())
        return;
    checked_ = next;
    const auto *d = reinterpret_cast<const unsigned char *>(bytes_.constData());
#if defined(__SSE2__)
    if (next - begin < 64 && begin + 64 <= bytes_.size() && surelyCleanGb18030(d + begin, next - begin))
        return;
#endif
    gbClean_ = cleanGb18030(d, begin, next);
}

Encoding LineSniffer::encoding() const
{
    if (decided_)
        return *decided_;
    if (gbPending_ && gbClean_ && checked_ == bytes_.size())
        return Encoding::Gb18030;
    EncodingSniffer sniffer;
    sniffer.feed(bytes_);
    return sniffer.verdict().encoding;
}

Encoding detect(const QByteArray &bytes)
{
    LineSniffer sniffer(bytes);
    for (qsizetype pos = 0; sniffer.wantsLines() && pos < bytes.size();) {
        const void *lf = std::memchr(bytes.constData() + pos, '\n', static_cast<size_t>(bytes.size() - pos));
        const qsizetype next = lf ? static_cast<const char *>(lf) - bytes.constData() + 1 : bytes.size();
        sniffer.line(pos, next);
        pos = next;
    }
    return sniffer.encoding();
}

} // namespace kelp::codec

#include "study/word_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kelp {

bool isNumber(const QString &text)
{
    // Decimal number with optional sign, fraction and exponent, blanks around.
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto digit = [&](qsizetype k) { return k < n && t[k] >= QLatin1Char('0') && t[k] <= QLatin1Char('9'); };
    if (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))
        ++i;
    qsizetype digits = 0;
    while (digit(i)) {
        ++i;
        ++digits;
    }
    if (i < n && t[i] == QLatin1Char('.')) {
        ++i;
        while (digit(i)) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            ++i;
        if (!digit(i))
            return false;
        while (digit(i))
            ++i;
    }
    return i == n;
}

bool isNumber(const Cell &cell)
{
    return cell && isNumber(*cell);
}

QString trimSpaces(const Cell &cell)
{
    return cell ? trimSpaces(*cell) : QString("");
}

int numberValue(const QString &text)
{
    if (!isNumber(text))
        return 0;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

WordBuffer::RowRef WordBuffer::storedRef()
{
    stored_.emplace_back();
    return RowRef{static_cast<std::uint32_t>(stored_.size() - 1), 0, 0, Kind::Stored};
}

long WordBuffer::appendRow()
{
    rows_.push_back(storedRef());
    return rowCount();
}

long WordBuffer::insertRow(long before)
{
    if (before < 1 || before > rowCount() + 1)
        return 0;
    rows_.insert(rows_.begin() + (before - 1), storedRef());
    return before;
}

void WordBuffer::clear()
{
    rows_.clear();
    stored_.clear();
    text_.clear();
}

void WordBuffer::setText(const QByteArray &text)
{
    // Rows of an earlier text keep their cells.
    for (long r = 1; r <= rowCount(); ++r)
        stored(r);
    text_ = text;
}

void WordBuffer::skipLineStart(long row, qsizetype bytes)
{
    if (!valid(row) || ref(row).kind == Kind::Stored)
        return;
    RowRef &r = rows_[static_cast<size_t>(row - 1)];
    const auto skip = static_cast<std::uint32_t>(std::min<qsizetype>(bytes, r.length));
    r.start += skip;
    r.length -= skip;
}

void WordBuffer::appendLine(qsizetype start, qsizetype length, int group)
{
    rows_.push_back(RowRef{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length), group,
                           group > 0 ? Kind::TitleLine : Kind::WordLine});
}

void WordBuffer::insertGroupHeaders(const QString &title)
{
    // In place, the rows moving back from the end: a long file's rows are
    // never held twice.
    const size_t n = rows_.size();
    const size_t headers = (n + 9) / 10;
    rows_.resize(n + headers);
    for (size_t i = n; i-- > 0;)
        rows_[i + i / 10 + 1] = rows_[i];
    for (size_t k = 0; k < headers; ++k) {
        rows_[11 * k] = storedRef();
        stored_.back() = WordRow{QString::number(static_cast<qulonglong>(k) + 1), title, std::nullopt};
    }
}

WordBuffer::Span WordBuffer::wordSpan(const RowRef &r) const
{
    // A word line has its "#"; spaces around the word do not count.
    const char *line = lineOf(r);
    Span s{0, static_cast<const char *>(std::memchr(line, '#', r.length)) - line};
    while (s.begin < s.end && line[s.begin] == ' ')
        ++s.begin;
    while (s.end > s.begin && line[s.end - 1] == ' ')
        --s.end;
    return s;
}

QString WordBuffer::decoded(const char *bytes, qsizetype length) const
{
    // A line end, "#" and space are never part of a character of more than
    // one byte, in UTF-8 and GB18030 alike: a cell decodes alone just as it
    // does within its file.
    if (std::all_of(bytes, bytes + length, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return length == 0 ? QStringLiteral("") : QString::fromLatin1(bytes, length);
    QString text = codec::decode(QByteArray::fromRawData(bytes, length), encoding_);
    // The decoder drops a U+FEFF that starts its input as a byte-order mark;
    // within a file it is a character like any other.
    if (QByteArrayView(bytes, length).startsWith(codec::byteOrderMark(encoding_)))
        text.prepend(QChar(0xFEFF));
    return text;
}

Cell WordBuffer::cellOf(const RowRef &r, int column) const
{
    if (r.kind == Kind::Stored) {
        const WordRow &w = stored_[r.start];
        return column == kWordColumn ? w.word : column == kMeaningColumn ? w.meaning : w.phonetic;
    }
    const char *line = lineOf(r);
    const qsizetype length = r.length;
    if (r.kind == Kind::TitleLine) {
        if (column == kWordColumn)
            return QString::number(r.group);
        return column == kMeaningColumn ? Cell(decoded(line, length)) : std::nullopt;
    }
    // "word#meaning#transcription"; without a transcription ("word#meaning",
    // or "word##..."), the meaning is all after the first "#".
    if (column == kWordColumn) {
        const Span word = wordSpan(r);
        return decoded(line + word.begin, word.end - word.begin);
    }
    const qsizetype first = static_cast<const char *>(std::memchr(line, '#', r.length)) - line;
    const void *hash = std::memchr(line + first + 1, '#', static_cast<size_t>(length - first - 1));
    const qsizetype second = hash ? static_cast<const char *>(hash) - line : -1;
    if (second < 0 || second - first < 2)
        return column == kMeaningColumn ? Cell(decoded(line + first + 1, length - first - 1)) : std::nullopt;
    if (column == kMeaningColumn)
        return decoded(line + first + 1, second - first - 1);
    if (second + 1 == length)
        return std::nullopt;
    return QStringLiteral("/ ") + decoded(line + second + 1, length - second - 1) + QLatin1Char('/');
}

WordRow &WordBuffer::stored(long row)
{
    RowRef &r = rows_[static_cast<size_t>(row - 1)];
    if (r.kind != Kind::Stored) {
        WordRow cells{cellOf(r, kWordColumn), cellOf(r, kMeaningColumn), cellOf(r, kPhoneticColumn)};
        r = storedRef();
        stored_.back() = std::move(cells);
    }
    return stored_[r.start];
}

WordRow WordBuffer::row(long row) const
{
    const RowRef &r = ref(row);
    return {cellOf(r, kWordColumn), cellOf(r, kMeaningColumn), cellOf(r, kPhoneticColumn)};
}

void WordBuffer::setItem(long row, int column, const QString &text)
{
    if (!valid(row) || column < kWordColumn || column > kPhoneticColumn)
        return;
    WordRow &r = stored(row);
    // A set cell is never null, even for the empty text.
    const QString value = text.isNull() ? QString("") : text;
    switch (column) {
    case kWordColumn: r.word = value; break;
    case kMeaningColumn: r.meaning = value; break;
    default: r.phonetic = value; break;
    }
}

Cell WordBuffer::item(long row, int column) const
{
    if (!valid(row) || column < kWordColumn || column > kPhoneticColumn)
        return std::nullopt;
    return cellOf(ref(row), column);
}

bool WordBuffer::isHeader(long row) const
{
    if (!valid(row))
        return false;
    const RowRef &r = ref(row);
    if (r.kind == Kind::TitleLine)
        return true;
    if (r.kind == Kind::WordLine) {
        // Most words start with a letter, which no number (nor a blank before
        // one) does: no need to decode them.
        const Span word = wordSpan(r);
        const char first = word.begin < word.end ? lineOf(r)[word.begin] : '#';
        if (static_cast<unsigned char>(first) < 0x80 && !std::strchr("\t\n\v\f\r+-.0123456789", first))
            return false;
    }
    return isNumber(cellOf(r, kWordColumn));
}

long WordBuffer::find(const QString &da, long limit) const
{
    const long last = std::min(limit, rowCount());
    // Group numbers are what is looked for: ASCII, compared as the bytes of
    // a line without decoding it.
    const bool ascii = std::all_of(da.cbegin(), da.cend(), [](QChar c) { return c.unicode() < 0x80; });
    const QByteArray bytes = ascii ? da.toLatin1() : QByteArray();
    for (long i = 1; i <= last; ++i) {
        const RowRef &r = ref(i);
        bool equal = false;
        if (r.kind == Kind::WordLine && ascii) {
            const Span word = wordSpan(r);
            equal = word.end - word.begin == bytes.size() &&
                    std::memcmp(lineOf(r) + word.begin, bytes.constData(), static_cast<size_t>(bytes.size())) == 0;
        } else if (r.kind == Kind::TitleLine) {
            equal = ascii && QByteArray::number(r.group) == bytes;
        } else {
            const Cell c = cellOf(r, kWordColumn);
            equal = c && *c == da;
        }
        if (equal)
            return i;
    }
    return 0;
}

} // namespace kelp

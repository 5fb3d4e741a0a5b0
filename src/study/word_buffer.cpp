#include "study/word_buffer.h"

#include <algorithm>
#include <cmath>
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

QString trimSpaces(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == QLatin1Char(' '))
        ++b;
    while (e > b && text[e - 1] == QLatin1Char(' '))
        --e;
    return text.mid(b, e - b);
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

long WordBuffer::appendRow()
{
    rows_.emplace_back();
    return rowCount();
}

long WordBuffer::insertRow(long before)
{
    if (before < 1 || before > rowCount() + 1)
        return 0;
    rows_.insert(rows_.begin() + (before - 1), WordRow{});
    return before;
}

void WordBuffer::setItem(long row, int column, const QString &text)
{
    if (!valid(row))
        return;
    WordRow &r = rows_[static_cast<size_t>(row - 1)];
    // A set cell is never null, even for the empty text.
    const QString value = text.isNull() ? QString("") : text;
    switch (column) {
    case 1: r.word = value; break;
    case 2: r.meaning = value; break;
    case 3: r.phonetic = value; break;
    default: break;
    }
}

Cell WordBuffer::item(long row, int column) const
{
    if (!valid(row))
        return std::nullopt;
    const WordRow &r = rows_[static_cast<size_t>(row - 1)];
    switch (column) {
    case 1: return r.word;
    case 2: return r.meaning;
    case 3: return r.phonetic;
    default: return std::nullopt;
    }
}

bool WordBuffer::isHeader(long row) const
{
    return valid(row) && isNumber(rows_[static_cast<size_t>(row - 1)].word);
}

long WordBuffer::find(const QString &da, long limit) const
{
    const long last = std::min(limit, rowCount());
    for (long i = 1; i <= last; ++i) {
        const Cell &c = rows_[static_cast<size_t>(i - 1)].word;
        if (c && *c == da)
            return i;
    }
    return 0;
}

} // namespace kelp

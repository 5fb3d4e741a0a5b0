#include "study/review_days.h"

#include "study/word_buffer.h"

#include <limits>

namespace kelp {

int textToInt(const QString &text)
{
    const QString t = trimSpaces(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    if (i == t.size())
        return 0;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < QLatin1Char('0') || t[i] > QLatin1Char('9'))
            return 0;
        v = v * 10 + (t[i].unicode() - '0');
        if (v > std::numeric_limits<int>::max())
            return 0; // too large to be any count or group number
    }
    return static_cast<int>(negative ? -v : v);
}

void fxdload(const QString &xxts1, std::array<int, 8> &fxd)
{
    if (!xxts1.isNull()) {
        int tt = 0;
        qsizetype previous = -1; // index of the previous "t"
        for (qsizetype ii = 0; ii < xxts1.size(); ++ii) {
            if (xxts1[ii] != QLatin1Char('t'))
                continue;
            ++tt;
            if (tt <= 7)
                fxd[static_cast<size_t>(tt)] = textToInt(xxts1.mid(previous + 1, ii - previous - 1));
            previous = ii;
        }
    }
    for (size_t k = 1; k <= 7; ++k) {
        if (fxd[k] == 0)
            fxd[k] = kDefaultReviewDays[k];
    }
}

} // namespace kelp

#include "config/review_schedule.h"

#include "config/codec.h"

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

void parseReviewDays(const QString &reviewCycle, std::array<int, 8> &reviewDays)
{
    if (!reviewCycle.isNull()) {
        int stage = 0;
        qsizetype previous = -1; // index of the previous "t"
        for (qsizetype ii = 0; ii < reviewCycle.size(); ++ii) {
            if (reviewCycle[ii] != QLatin1Char('t'))
                continue;
            ++stage;
            if (stage <= 7)
                reviewDays[static_cast<size_t>(stage)] = textToInt(reviewCycle.mid(previous + 1, ii - previous - 1));
            previous = ii;
        }
    }
    for (size_t k = 1; k <= 7; ++k) {
        if (reviewDays[k] == 0)
            reviewDays[k] = kDefaultReviewDays[k];
    }
}

} // namespace kelp

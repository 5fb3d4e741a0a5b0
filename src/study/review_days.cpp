#include "study/review_days.h"

#include <limits>

namespace kelp {

int textToInt(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    const long long v = t.toLongLong(&ok);
    if (!ok)
        return 0;
    // Values beyond the 16-bit range the stored numbers use would wrap on the
    // original platform; keep them inside int instead.
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return 0;
    return static_cast<int>(v);
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

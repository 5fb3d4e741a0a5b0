#include "study/phonetic.h"

namespace kelp {

QString extractPhonetic(const Cell &text)
{
    if (!text)
        return QString("");
    const QString &s = *text;
    const qsizetype firstSlash = s.indexOf(QLatin1Char('/'));
    if (firstSlash >= 0) {
        const qsizetype lastSlash = s.lastIndexOf(QLatin1Char('/'));
        return s.mid(firstSlash, lastSlash - firstSlash + 1);
    }
    const qsizetype open = s.indexOf(QLatin1Char('['));
    if (open >= 0) {
        const qsizetype close = s.indexOf(QLatin1Char(']'));
        // No "]", or one before the "[": no transcription.
        if (close < open)
            return QString("");
        return s.mid(open + 1, close - open - 1);
    }
    return QString("");
}

Cell stripPhonetic(const Cell &text)
{
    if (!text)
        return std::nullopt;
    const QString &s = *text;
    const qsizetype lastSlash = s.lastIndexOf(QLatin1Char('/'));
    if (lastSlash >= 0)
        return s.mid(lastSlash + 1);
    if (s.contains(QLatin1Char('['))) {
        const qsizetype close = s.indexOf(QLatin1Char(']'));
        return close < 0 ? s : s.mid(close + 1);
    }
    return s;
}

} // namespace kelp

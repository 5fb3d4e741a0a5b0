#include "study/phonetic.h"

#include "config/codec.h"

#include <algorithm>

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

QString bareTranscription(QStringView text)
{
    text = codec::trimmed(text);
    while (text.size() >= 2 && ((text.startsWith(QLatin1Char('/')) && text.endsWith(QLatin1Char('/'))) ||
                                (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))))
        text = codec::trimmed(text.sliced(1, text.size() - 2));
    return text == QLatin1String("/") ? QString() : text.toString();
}

namespace {
// `text` with the split's markers as their full-width forms, appended.
// Brackets only matter in the meaning: inside slashes they are never read.
void appendWithoutMarkers(QString &out, QStringView text, bool brackets)
{
    const qsizetype from = out.size();
    out += text;
    std::for_each(out.begin() + from, out.end(), [brackets](QChar &c) {
        if (c == QLatin1Char('/'))
            c = QChar(0xFF0F);
        else if (brackets && c == QLatin1Char('['))
            c = QChar(0xFF3B);
        else if (brackets && c == QLatin1Char(']'))
            c = QChar(0xFF3D);
    });
}
} // namespace

QString storedMeaning(QStringView meaning, QStringView transcription)
{
    meaning = codec::trimmed(meaning);
    const QString t = bareTranscription(transcription);
    QString stored;
    stored.reserve(t.size() + meaning.size() + 3);
    if (!t.isEmpty()) {
        stored += QLatin1Char('/');
        appendWithoutMarkers(stored, t, false);
        stored += QLatin1String("/ ");
    }
    appendWithoutMarkers(stored, meaning, true);
    return stored;
}

SplitMeaning splitStoredMeaning(const QString &stored)
{
    return {bareTranscription(extractPhonetic(stored)),
            codec::trimmed(stripPhonetic(stored).value_or(QString())).toString()};
}

} // namespace kelp

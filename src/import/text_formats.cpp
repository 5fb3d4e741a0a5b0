#include "import/readers.h"

#include <QRegularExpression>

namespace kelp::import {

std::optional<QString> readHashFile(LineReader &lines, StudyWriter &writer)
{
    QString line;
    while (lines.next(line)) {
        const qsizetype first = line.indexOf(QLatin1Char('#'));
        if (first < 0) {
            if (line.trimmed().isEmpty())
                continue;
            writer.beginGroup(line);
            continue;
        }
        Word w;
        w.word = line.left(first);
        const qsizetype second = line.indexOf(QLatin1Char('#'), first + 1);
        if (second < 0) {
            w.meaning = line.mid(first + 1);
        } else {
            w.meaning = line.mid(first + 1, second - first - 1);
            w.transcription = line.mid(second + 1);
        }
        if (!writer.addWord(w))
            return writer.error();
    }
    return std::nullopt;
}

namespace {

enum class Column { Word, Meaning, Transcription, Other };

Column headerColumn(const QString &name)
{
    static const QStringList words{"word", "words", "english", "en",   "term",       "front",     "question",
                                   "单词", "英文",  "英语",    "词汇", "vocabulary", "expression"};
    static const QStringList meanings{"meaning", "meanings", "chinese", "zh",   "translation", "definition", "back",
                                      "answer",  "释义",     "中文",    "意思", "词义",        "解释",       "汉语"};
    static const QStringList transcriptions{"transcription", "phonetic", "phonetics", "pronunciation",
                                            "ipa",           "音标",     "发音"};
    const QString n = name.trimmed().toLower();
    if (words.contains(n))
        return Column::Word;
    if (meanings.contains(n))
        return Column::Meaning;
    if (transcriptions.contains(n))
        return Column::Transcription;
    return Column::Other;
}

bool looksLikeTranscription(const QString &text)
{
    const QString t = text.trimmed();
    return t.size() >= 2 && ((t.startsWith(QLatin1Char('/')) && t.endsWith(QLatin1Char('/'))) ||
                             (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))));
}

} // namespace

std::optional<QString> readDelimited(LineReader &lines, QChar delimiter, StudyWriter &writer)
{
    QStringList fields;
    QString error;
    int wordColumn = 0, meaningColumn = 1, transcriptionColumn = -1;
    bool first = true;
    while (nextRecord(lines, delimiter, fields, error)) {
        if (first) {
            first = false;
            int w = -1, m = -1, t = -1;
            for (int i = 0; i < fields.size(); ++i) {
                switch (headerColumn(fields[i])) {
                case Column::Word: w = w < 0 ? i : w; break;
                case Column::Meaning: m = m < 0 ? i : m; break;
                case Column::Transcription: t = t < 0 ? i : t; break;
                case Column::Other: break;
                }
            }
            if (w >= 0 || m >= 0) {
                wordColumn = w >= 0 ? w : (m == 0 ? 1 : 0);
                meaningColumn = m >= 0 ? m : (wordColumn == 1 ? 0 : 1);
                transcriptionColumn = t;
                continue; // the header row
            }
        }
        if (fields.size() == 1 && fields[0].trimmed().isEmpty())
            continue; // blank line
        Word word;
        word.word = fields.value(wordColumn);
        word.meaning = fields.value(meaningColumn);
        if (transcriptionColumn >= 0) {
            word.transcription = fields.value(transcriptionColumn);
        } else if (fields.size() > 2 && looksLikeTranscription(fields[2])) {
            word.transcription = fields[2];
        }
        if (!writer.addWord(word))
            return writer.error();
    }
    if (!error.isEmpty())
        return error;
    return std::nullopt;
}

QString plainText(const QString &html)
{
    static const QRegularExpression sound(QStringLiteral("\\[sound:[^\\]]*\\]"));
    static const QRegularExpression breaks(QStringLiteral("<\\s*(br|/div|/p|/li)\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression numeric(QStringLiteral("&#(x?)([0-9a-fA-F]+);"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QString t = html;
    t.remove(sound);
    t.replace(breaks, QStringLiteral(" "));
    t.remove(tags);
    QString out;
    qsizetype last = 0;
    for (auto it = numeric.globalMatch(t); it.hasNext();) {
        const auto m = it.next();
        bool ok = false;
        const uint code = m.captured(2).toUInt(&ok, m.captured(1).isEmpty() ? 10 : 16);
        out += QStringView(t).mid(last, m.capturedStart() - last);
        if (ok && code > 0 && code <= 0x10FFFF) {
            const char32_t c = code;
            out += QString::fromUcs4(&c, 1);
        }
        last = m.capturedEnd();
    }
    out += QStringView(t).mid(last);
    out.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    out.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    out.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    out.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    out.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    out.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return out.replace(blanks, QStringLiteral(" ")).trimmed();
}

std::optional<QString> readAnkiText(LineReader &lines, StudyWriter &writer)
{
    static const QRegularExpression sound(QStringLiteral("\\[sound:[^\\]]*\\]"));
    QChar separator = QLatin1Char('\t');
    bool html = false;
    QList<int> excluded; // 0-based columns that are not note fields
    int deckColumn = -1;
    QString line;
    while (lines.next(line)) {
        if (!line.startsWith(QLatin1Char('#'))) {
            lines.pushBack(line); // the first note
            break;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString key = line.mid(1, colon - 1).trimmed().toLower();
        const QString value = line.mid(colon + 1).trimmed();
        if (key == QLatin1String("separator")) {
            const QString v = value.toLower();
            separator = v == QLatin1String("tab")         ? QLatin1Char('\t')
                        : v == QLatin1String("comma")     ? QLatin1Char(',')
                        : v == QLatin1String("semicolon") ? QLatin1Char(';')
                        : v == QLatin1String("space")     ? QLatin1Char(' ')
                        : v == QLatin1String("pipe")      ? QLatin1Char('|')
                        : v == QLatin1String("colon")     ? QLatin1Char(':')
                        : value.isEmpty()                 ? QLatin1Char('\t')
                                                          : value[0];
        } else if (key == QLatin1String("html")) {
            html = value.toLower() == QLatin1String("true");
        } else if (key.endsWith(QLatin1String(" column"))) {
            const int column = value.toInt() - 1;
            if (column >= 0) {
                excluded << column;
                if (key == QLatin1String("deck column"))
                    deckColumn = column;
            }
        }
    }
    // The rest is a delimited file.
    QString deck;
    bool inDeck = false;
    QString error;
    QStringList fields;
    while (nextRecord(lines, separator, fields, error)) {
        if (fields.size() == 1 && fields[0].trimmed().isEmpty())
            continue;
        QStringList noteFields;
        for (int i = 0; i < fields.size(); ++i) {
            if (!excluded.contains(i))
                noteFields << (html ? plainText(fields[i]) : QString(fields[i]).remove(sound));
        }
        if (deckColumn >= 0 && deckColumn < fields.size() && (!inDeck || fields[deckColumn] != deck)) {
            deck = fields[deckColumn];
            inDeck = true;
            writer.beginGroup(deck);
        }
        Word word;
        word.word = noteFields.value(0);
        word.meaning = noteFields.value(1);
        if (!writer.addWord(word))
            return writer.error();
    }
    if (!error.isEmpty())
        return error;
    return std::nullopt;
}

} // namespace kelp::import

#include "export/word_export.h"

#include "config/codec.h"
#include "config/safe_file.h"
#include "study/phonetic.h"
#include "study/text_loader.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <set>
#include <tuple>

namespace kelp::exporting {

PlainWord plainWord(const QString &word, const QString &stored)
{
    SplitMeaning split = splitStoredMeaning(stored);
    return {word, std::move(split.transcription), std::move(split.meaning)};
}

std::vector<ExportGroup> exportGroups(const std::vector<StoredGroup> &groups)
{
    std::vector<ExportGroup> out;
    out.reserve(groups.size());
    for (const StoredGroup &g : groups) {
        ExportGroup e{g.number, g.title, {}};
        e.words.reserve(g.words.size());
        for (const StoredWord &w : g.words)
            e.words.push_back(plainWord(w.word, w.stored));
        out.push_back(std::move(e));
    }
    return out;
}

std::optional<QString> readNotebook(const QString &path, const QString &title, ExportGroup &group)
{
    WordBuffer buffer;
    const TextLoadResult loaded = loadWordFile(path, buffer);
    if (!loaded.ok)
        return QCoreApplication::translate("kelp::export", "the notebook %1 cannot be read: %2")
            .arg(path, loaded.error);
    group = ExportGroup{1, title, {}};
    // Alt+D on the same word twice notes it twice; a card deck wants it once.
    std::set<std::tuple<QString, QString, QString>> seen;
    for (long row = 1; row <= buffer.rowCount(); ++row) {
        if (buffer.isHeader(row))
            continue;
        const WordRow &r = buffer.row(row);
        PlainWord w{trimSpaces(r.word), bareTranscription(r.phonetic.value_or(QString())),
                    r.meaning.value_or(QString()).trimmed()};
        if (w.word.isEmpty() || !seen.emplace(w.word, w.transcription, w.meaning).second)
            continue;
        group.words.push_back(std::move(w));
    }
    if (group.words.empty())
        return QStringLiteral("the notebook %1 holds no words").arg(path);
    return std::nullopt;
}

Format formatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    if (suffix == QLatin1String("txt"))
        return Format::WordText;
    if (suffix == QLatin1String("apkg"))
        return Format::AnkiPackage;
    return Format::Unknown;
}

QString titleOrNumber(const ExportGroup &group)
{
    const QString title = group.title.trimmed();
    return title.isEmpty() ? QStringLiteral("第%1组").arg(group.number) : title;
}

namespace {

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString withSlashes(const QString &transcription)
{
    return transcription.isEmpty() ? QString() : QLatin1Char('/') + transcription + QLatin1Char('/');
}

// One line of a word file: no "#" (it separates the fields) and no line end.
QString hashField(QString text)
{
    text.replace(QLatin1Char('#'), QChar(0xFF03));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

QByteArray csvBytes(const std::vector<ExportGroup> &groups, const AnswerHistory &history)
{
    // The header names are those the import knows; "group" and "title" it
    // leaves alone. A row with the title alone starts each group, and the
    // words' rows carry the group too, so that none of them reads as a title
    // and a spreadsheet can sort and filter them. The mark makes spreadsheets
    // take the file for UTF-8.
    // Then the word's memory (stability in days, difficulty 1-10, the next
    // review) for a spreadsheet, and its answers, from which an import
    // rebuilds the memory.
    QString text = QStringLiteral("group,title,word,phonetic,meaning,stability,difficulty,next_review,reviews\r\n");
    const auto memoryFields = [&history](const QString &word) {
        const auto memory = history.memories.constFind(word);
        const auto answers = history.answers.find(word);
        QString fields;
        if (memory != history.memories.constEnd())
            fields += QStringLiteral(",%1,%2,%3")
                          .arg(QString::number(memory->state.stability, 'f', 2),
                               QString::number(memory->state.difficulty, 'f', 2),
                               QDate::fromJulianDay(memory->due).toString(Qt::ISODate));
        else
            fields += QStringLiteral(",,,");
        fields += QLatin1Char(',');
        if (answers != history.answers.end())
            fields += answerLogText(answers->second);
        return fields;
    };
    for (const ExportGroup &g : groups) {
        const QString title = csvField(titleOrNumber(g));
        text += QLatin1Char(',') + title + QStringLiteral(",,,,,,,\r\n");
        const QString number = QString::number(g.number);
        for (const PlainWord &w : g.words)
            text += number + QLatin1Char(',') + title + QLatin1Char(',') + csvField(w.word) + QLatin1Char(',') +
                    csvField(withSlashes(w.transcription)) + QLatin1Char(',') + csvField(w.meaning) +
                    memoryFields(w.word) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray wordTextBytes(const std::vector<ExportGroup> &groups)
{
    QString text;
    for (const ExportGroup &g : groups) {
        text += hashField(titleOrNumber(g)) + QStringLiteral("\r\n");
        for (const PlainWord &w : g.words) {
            // An empty meaning before a transcription would make the loader
            // take "#transcription" for the meaning.
            QString meaning = hashField(w.meaning);
            if (meaning.isEmpty() && !w.transcription.isEmpty())
                meaning = QStringLiteral(" ");
            text += hashField(w.word) + QLatin1Char('#') + meaning;
            if (!w.transcription.isEmpty())
                text += QLatin1Char('#') + hashField(w.transcription);
            text += QStringLiteral("\r\n");
        }
    }
    return codec::toGb18030(text);
}

std::optional<QString> writeFile(const QString &path, const std::vector<ExportGroup> &groups,
                                 const AnswerHistory &history)
{
    QByteArray bytes;
    switch (formatOf(path)) {
    case Format::Csv: bytes = csvBytes(groups, history); break;
    case Format::WordText: bytes = wordTextBytes(groups); break;
    case Format::AnkiPackage: return writeAnkiPackage(path, groups, history);
    case Format::Unknown: return QStringLiteral("%1: the name must end in .csv, .txt or .apkg").arg(path);
    }
    QString error;
    if (!replaceFileContents(path, bytes, &error))
        return QStringLiteral("cannot write %1: %2").arg(path, error);
    return std::nullopt;
}

} // namespace kelp::exporting

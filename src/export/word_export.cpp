#include "export/word_export.h"

#include "config/codec.h"
#include "config/safe_file.h"
#include "study/phonetic.h"
#include "study/text_loader.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <iterator>
#include <set>
#include <tuple>
#include <utility>

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

// One line of a word file: no "#" (it separates the fields) and no line end.
QString hashField(QString text)
{
    text.replace(QLatin1Char('#'), QChar(0xFF03));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

} // namespace

namespace {

// The header names are those the import knows; "group" and "title" it
// leaves alone. A row with the title alone starts each group, and the
// words' rows carry the group too, so that none of them reads as a title
// and a spreadsheet can sort and filter them. Then the word's memory
// (stability in days, difficulty 1-10, the next review) for a spreadsheet,
// and its answers, from which an import rebuilds the memory. The mark
// makes spreadsheets take the file for UTF-8.
const QByteArray kCsvHeader =
    "\xEF\xBB\xBFgroup,title,word,phonetic,meaning,stability,difficulty,next_review,reviews\r\n";

// Appends `text` as one field: quoted only where it must be.
void appendCsvField(QString &out, QStringView text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r'))) {
        out += text;
        return;
    }
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}

QByteArray csvRows(const std::vector<ExportGroup> &groups, const AnswerHistory &history)
{
    // Appended piece by piece: a million words make no temporaries.
    QString text;
    for (const ExportGroup &g : groups) {
        QString title;
        appendCsvField(title, titleOrNumber(g));
        text += QLatin1Char(',');
        text += title;
        text += QLatin1String(",,,,,,,\r\n");
        const QString number = QString::number(g.number);
        for (const PlainWord &w : g.words) {
            text += number;
            text += QLatin1Char(',');
            text += title;
            text += QLatin1Char(',');
            appendCsvField(text, w.word);
            text += QLatin1Char(',');
            if (!w.transcription.isEmpty()) {
                QString slashed;
                slashed.reserve(w.transcription.size() + 2);
                slashed += QLatin1Char('/');
                slashed += w.transcription;
                slashed += QLatin1Char('/');
                appendCsvField(text, slashed);
            }
            text += QLatin1Char(',');
            appendCsvField(text, w.meaning);
            const auto memory = history.memories.constFind(w.word);
            if (memory != history.memories.constEnd()) {
                text += QLatin1Char(',');
                text += QString::number(memory->state.stability, 'f', 2);
                text += QLatin1Char(',');
                text += QString::number(memory->state.difficulty, 'f', 2);
                text += QLatin1Char(',');
                text += QDate::fromJulianDay(memory->due).toString(Qt::ISODate);
            } else {
                text += QLatin1String(",,,");
            }
            text += QLatin1Char(',');
            if (const auto answers = history.answers.find(w.word); answers != history.answers.end())
                text += answerLogText(answers->second);
            text += QLatin1String("\r\n");
        }
    }
    return text.toUtf8();
}

} // namespace

QByteArray csvBytes(const std::vector<ExportGroup> &groups, const AnswerHistory &history)
{
    return kCsvHeader + csvRows(groups, history);
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

GroupReader readOnce(const std::vector<ExportGroup> &groups)
{
    return [&groups, given = false](std::vector<ExportGroup> &next) mutable -> std::optional<QString> {
        next.clear();
        if (!std::exchange(given, true))
            next = groups;
        return std::nullopt;
    };
}

std::optional<QString> writeFile(const QString &path, const std::vector<ExportGroup> &groups,
                                 const AnswerHistory &history)
{
    return writeFile(path, readOnce(groups), history);
}

std::optional<QString> writeFile(const QString &path, const GroupReader &next, const AnswerHistory &history)
{
    const Format format = formatOf(path);
    if (format == Format::Unknown)
        return QStringLiteral("%1: the name must end in .csv, .txt or .apkg").arg(path);
    if (format == Format::AnkiPackage)
        return writeAnkiPackage(path, next, history);
    std::optional<QString> readError;
    QString error;
    const bool written = replaceFileStreamed(
        path,
        [&](const ContentSink &write) {
            if (format == Format::Csv && !write(kCsvHeader))
                return false;
            std::vector<ExportGroup> groups;
            for (;;) {
                if ((readError = next(groups)))
                    return false;
                if (groups.empty())
                    return true;
                if (!write(format == Format::Csv ? csvRows(groups, history) : wordTextBytes(groups)))
                    return false;
            }
        },
        &error);
    if (readError)
        return readError;
    if (!written)
        return QStringLiteral("cannot write %1: %2").arg(path, error);
    return std::nullopt;
}

} // namespace kelp::exporting

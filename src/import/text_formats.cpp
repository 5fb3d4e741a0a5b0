#include "import/readers.h"

#include "config/codec.h"
#include "import/columns.h"

#include <QCoreApplication>
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
            writer.beginGroup(line.trimmed(), true);
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
        if (w.word.size() > kMaxFieldChars || w.meaning.size() > kMaxFieldChars)
            return QCoreApplication::translate("kelp::import", "line %1 has a field over 64 KB")
                .arg(lines.lineNumber());
        if (!writer.addWord(w))
            return writer.error().text;
    }
    return lines.error();
}

namespace {

// The columns of a delimited file: as the learner said, by the header's
// names, else by the values of the first rows (kept in `rows` for the
// reading). The header row itself is dropped.
std::optional<QString> decideColumns(const QString &option, QList<QStringList> &rows, Columns &columns)
{
    if (!option.isEmpty()) {
        QString error;
        const auto given = columnsFromOption(option, &error);
        if (!given)
            return error;
        columns = *given;
        bool isHeader = false;
        if (!rows.isEmpty() && (columnsByName(rows.first(), &isHeader), isHeader))
            rows.removeFirst();
        return std::nullopt;
    }
    Columns known;
    QStringList names;
    bool isHeader = false;
    if (!rows.isEmpty()) {
        if (const auto named = columnsByName(rows.first(), &isHeader))
            known = *named;
        if (isHeader)
            names = rows.takeFirst();
    }
    QList<QStringList> values;
    for (const QStringList &r : std::as_const(rows)) {
        if (titleOfRow(r).isNull())
            values << r;
    }
    if (known.valid()) {
        columns = known;
        return std::nullopt;
    }
    if (const auto found = columnsByContent(values, known)) {
        columns = *found;
        return std::nullopt;
    }
    QStringList seen;
    for (int i = 0; i < std::max(names.size(), values.value(0).size()); ++i) {
        const QString sample = names.value(i, values.value(0).value(i)).trimmed();
        seen << QStringLiteral("%1 \"%2\"").arg(i + 1).arg(sample.left(20));
    }
    return QCoreApplication::translate("kelp::import",
                                       "the word and meaning columns cannot be told apart (columns %1); "
                                       "say which they are, e.g. --columns word,phonetic,meaning")
        .arg(seen.join(QStringLiteral(", ")));
}

} // namespace

std::optional<QString> readDelimited(LineReader &lines, QChar delimiter, const QString &columnOption,
                                     StudyWriter &writer)
{
    constexpr int kSampleRows = 50;
    QStringList fields;
    QString error;
    QList<QStringList> rows;
    QList<qint64> rowLines; // where each sampled row ends, for a message
    while (rows.size() < kSampleRows && nextRecord(lines, delimiter, fields, error)) {
        if (!(fields.size() == 1 && fields[0].trimmed().isEmpty())) {
            rows << fields;
            rowLines << lines.lineNumber();
        }
    }
    if (!error.isEmpty())
        return error;
    Columns columns;
    const QStringList firstRow = rows.value(0);
    const qsizetype sampled = rows.size();
    if (const auto why = decideColumns(columnOption, rows, columns))
        return why;
    if (rows.size() < sampled)
        rowLines.removeFirst(); // the header
    // Two lists joined into one repeat the header, with the second file's
    // byte order mark before it: that line holds names, not a word.
    const bool hasHeader = rows.size() < sampled;
    const auto repeatsHeader = [&](const QStringList &record) {
        if (!hasHeader || record.size() != firstRow.size())
            return false;
        for (qsizetype i = 0; i < record.size(); ++i) {
            if (codec::trimmed(record[i]) != codec::trimmed(firstRow[i]))
                return false;
        }
        return true;
    };
    QString unreadable;
    const auto add = [&](const QStringList &record, qint64 line) {
        if (repeatsHeader(record)) {
            writer.skip(QCoreApplication::translate("kelp::import", "repeated header lines"));
            return true;
        }
        const QString title = titleOfRow(record, columns);
        if (!title.isNull() && record.size() > 1) {
            writer.beginGroup(title, true);
            return true;
        }
        Word word = wordFromFields(record, columns);
        if (columns.answers >= 0) {
            // A memory misread would bring a word back on the wrong days: the file is refused.
            const auto answers = parseAnswerLogText(record.value(columns.answers));
            if (!answers) {
                unreadable = QCoreApplication::translate("kelp::import", "line %1: the reviews \"%2\" cannot be read")
                                 .arg(line)
                                 .arg(record.value(columns.answers));
                return false;
            }
            word.answers = *answers;
        }
        return writer.addWord(word);
    };
    const auto failure = [&] { return unreadable.isEmpty() ? writer.error().text : unreadable; };
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!add(rows[i], rowLines.value(i)))
            return failure();
    }
    while (nextRecord(lines, delimiter, fields, error)) {
        if (fields.size() == 1 && fields[0].trimmed().isEmpty())
            continue; // blank line
        if (!add(fields, lines.lineNumber()))
            return failure();
    }
    if (!error.isEmpty())
        return error;
    return std::nullopt;
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
    // The rest is a delimited file; the notes' fields are found from the
    // first notes' values, as in a package whose field names say nothing.
    struct Note {
        QString deck;
        QStringList fields;
    };
    constexpr int kSampleNotes = 50;
    QList<Note> sample;
    std::optional<Columns> columns;
    QString deck;
    bool inDeck = false;
    QString error;
    QStringList fields;
    const auto add = [&](const Note &note) {
        if (deckColumn >= 0 && (!inDeck || note.deck != deck)) {
            deck = note.deck;
            inDeck = true;
            writer.beginGroup(deck.trimmed());
        }
        return writer.addWord(wordFromFields(note.fields, *columns));
    };
    const auto decide = [&]() -> std::optional<QString> {
        QList<QStringList> rows;
        for (const Note &n : std::as_const(sample))
            rows << n.fields;
        columns = columnsByContent(rows, {}, false);
        if (!columns)
            return QCoreApplication::translate("kelp::import", "notes without a word and a meaning field");
        for (const Note &n : std::as_const(sample)) {
            if (!add(n))
                return writer.error().text;
        }
        return std::nullopt;
    };
    // As in Anki's own reader, a line starting with "#" is a comment wherever
    // it stands: two exports joined into one repeat their header lines (the
    // second file's byte order mark before them), and none of them is a note.
    const auto isComment = [](const QString &l) {
        return l.startsWith(QLatin1Char('#')) ||
               (l.startsWith(QChar(0xFEFF)) && QStringView(l).sliced(1).startsWith(QLatin1Char('#')));
    };
    for (;;) {
        if (!lines.next(line)) {
            error = lines.error().value_or(QString());
            break;
        }
        if (isComment(line)) {
            writer.skip(QCoreApplication::translate("kelp::import", "comment lines"));
            continue;
        }
        lines.pushBack(line);
        if (!nextRecord(lines, separator, fields, error))
            break;
        if (fields.size() == 1 && fields[0].trimmed().isEmpty())
            continue;
        Note note;
        note.deck = fields.value(deckColumn);
        for (int i = 0; i < fields.size(); ++i) {
            if (!excluded.contains(i))
                note.fields << (html ? plainText(fields[i]) : QString(fields[i]).remove(sound).trimmed());
        }
        if (!columns) {
            sample << note;
            if (sample.size() == kSampleNotes) {
                if (const auto why = decide())
                    return why;
            }
        } else if (!add(note)) {
            return writer.error().text;
        }
    }
    if (!error.isEmpty())
        return error;
    if (!columns && !sample.isEmpty())
        return decide();
    return std::nullopt;
}

} // namespace kelp::import

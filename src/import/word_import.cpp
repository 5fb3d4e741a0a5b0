#include "import/word_import.h"

#include "import/readers.h"
#include "util/vector_state.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <map>

namespace kelp::import {

namespace {
constexpr qint64 kHeadBytes = 16 * 1024;
constexpr int kSampleLines = 20;

// Fields per line for a delimiter, quote-aware within the line.
int fieldCount(const QString &line, QChar delimiter)
{
    return static_cast<int>(splitRecord(line, delimiter).size());
}

// The delimiter most lines agree on, with how many lines agree.
std::pair<QChar, int> sniffDelimiter(const QStringList &lines)
{
    QChar best;
    int bestScore = 0;
    for (const QChar d :
         {QChar(QLatin1Char('\t')), QChar(QLatin1Char(',')), QChar(QLatin1Char(';')), QChar(QLatin1Char('|'))}) {
        std::map<int, int> counts;
        for (const QString &l : lines)
            ++counts[fieldCount(l, d)];
        int score = 0;
        for (const auto &[fields, n] : counts) {
            if (fields > 1 && n > score)
                score = n;
        }
        if (score > bestScore) {
            best = d;
            bestScore = score;
        }
    }
    return {best, bestScore};
}

} // namespace

QString formatName(Format format)
{
    switch (format) {
    case Format::HashWords: return QCoreApplication::translate("kelp::import", "word#meaning list");
    case Format::Csv: return QStringLiteral("CSV");
    case Format::Tsv: return QStringLiteral("TSV");
    case Format::AnkiText: return QCoreApplication::translate("kelp::import", "Anki notes in plain text");
    case Format::AnkiPackage: return QCoreApplication::translate("kelp::import", "Anki package");
    case Format::Kvtml: return QStringLiteral("KVTML");
    case Format::Unknown: break;
    }
    return QCoreApplication::translate("kelp::import", "unknown");
}

namespace {
Format detect(const QString &path, QString *reason, QChar *delimiterOut)
{
    QFile file(path);
    const QFileInfo info(path);
    if (info.isDir()) {
        *reason = QCoreApplication::translate("kelp::import", "a folder");
        return Format::Unknown;
    }
    if (info.exists() && !info.isFile()) {
        *reason = QCoreApplication::translate("kelp::import", "not a regular file");
        return Format::Unknown;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return Format::Unknown;
    }
    const QByteArray head = file.read(kHeadBytes);
    if (head.isEmpty()) {
        *reason = QCoreApplication::translate("kelp::import", "an empty file");
        return Format::Unknown;
    }
    if (head.startsWith("PK\x03\x04"))
        return Format::AnkiPackage; // a zip; the reader says when it holds no collection
    const bool utf16 = codec::utf16Of(head).has_value();
    if (!utf16 && head.contains('\0')) {
        *reason = QCoreApplication::translate("kelp::import", "a binary file, not text");
        return Format::Unknown;
    }
    const QString text = codec::decodeFile(head);
    const QString start = text.trimmed();
    if (start.startsWith(QLatin1Char('<'))) {
        file.seek(0);
        QXmlStreamReader xml(&file);
        if (xml.readNextStartElement() && xml.name() == QLatin1String("kvtml"))
            return Format::Kvtml;
        // A byte of another encoding: the reader says where.
        if (xml.hasError() && head.contains("<kvtml"))
            return Format::Kvtml;
        *reason =
            xml.hasError()
                ? QCoreApplication::translate("kelp::import", "markup that is not KVTML (%1)").arg(xml.errorString())
                : QCoreApplication::translate("kelp::import", "XML that is not KVTML (root element <%1>)")
                      .arg(xml.name().toString());
        return Format::Unknown;
    }
    QStringList lines;
    for (const QString &l : text.split(QLatin1Char('\n'))) {
        if (lines.size() >= kSampleLines)
            break;
        QString line = l;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            lines << line;
    }
    // The last sampled line may be cut off.
    if (head.size() == kHeadBytes && lines.size() > 1)
        lines.removeLast();
    if (!lines.isEmpty() &&
        (lines[0].startsWith(QLatin1String("#separator:")) || lines[0].startsWith(QLatin1String("#html:")) ||
         lines[0].startsWith(QLatin1String("#notetype")) || lines[0].startsWith(QLatin1String("#deck")) ||
         lines[0].startsWith(QLatin1String("#columns:"))))
        return Format::AnkiText;
    int controls = 0;
    for (const QChar c : text)
        controls += c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\r') && c != QLatin1Char('\t');
    if (controls > text.size() / 100 + 1) {
        *reason = QCoreApplication::translate("kelp::import", "a binary file, not text");
        return Format::Unknown;
    }
    int hashLines = 0;
    for (const QString &l : lines)
        hashLines += l.contains(QLatin1Char('#'));
    const auto [delimiter, agreeing] = sniffDelimiter(lines);
    const bool delimited = agreeing * 2 >= lines.size() && agreeing > 0;
    if (hashLines * 2 >= lines.size() && hashLines > 0 && !(delimited && delimiter == QLatin1Char('\t')))
        return Format::HashWords;
    if (delimited) {
        *delimiterOut = delimiter;
        return delimiter == QLatin1Char('\t') ? Format::Tsv : Format::Csv;
    }
    if (hashLines > 0)
        return Format::HashWords;
    *reason =
        QCoreApplication::translate("kelp::import", "neither \"word#meaning\" lines nor columns of words and meanings");
    return Format::Unknown;
}
} // namespace

Format detectFormat(const QString &path, QString *reason)
{
    QChar ignored;
    return detect(path, reason, &ignored);
}

ImportReport importWordFile(const QString &path, const QString &database, const ImportOptions &options)
{
    ImportReport report;
    const QString name = QFileInfo(path).fileName();
    const QString where = options.dataSource.isEmpty() ? database : options.dataSource;
    QString reason;
    QChar delimiter = QLatin1Char(',');
    const Format format = detect(path, &reason, &delimiter);
    report.format = format;
    if (format == Format::Unknown) {
        report.line = QCoreApplication::translate("kelp::import", "%1: nothing added: %2").arg(path, reason);
        return report;
    }
    const bool textFormat = format != Format::AnkiPackage && format != Format::Kvtml;
    if (!options.columns.isEmpty() && format != Format::Csv && format != Format::Tsv) {
        report.line = QCoreApplication::translate("kelp::import",
                                                  "%1: nothing added: --columns is for CSV and TSV files; this is %2")
                          .arg(path, formatName(format));
        return report;
    }
    // Read (and its encoding decided) before the database is touched.
    util::clearUpperVectorState();
    LineReader lines;
    if (textFormat) {
        if (const auto error = lines.open(path)) {
            report.line = QCoreApplication::translate("kelp::import", "%1: nothing added: %2").arg(path, *error);
            return report;
        }
    }
    StudyWriter writer;
    if (options.inMemory)
        writer.keepInMemory();
    else if (const auto error =
                 options.dataSource.isEmpty() ? writer.open(database) : writer.openDataSource(options.dataSource)) {
        report.line = QCoreApplication::translate("kelp::import", "%1: nothing added: %2").arg(path, error->text);
        return report;
    }
    writer.setAutoGroups(QFileInfo(path).completeBaseName(), options.groupSize, options.groupSize > 0);
    writer.setWriteRepeats(options.again);
    writer.setMarkSamples(options.markSamples);
    std::optional<QString> error;
    switch (format) {
    case Format::HashWords: error = readHashFile(lines, writer); break;
    case Format::Csv: error = readDelimited(lines, delimiter, options.columns, writer); break;
    case Format::Tsv: error = readDelimited(lines, QLatin1Char('\t'), options.columns, writer); break;
    case Format::AnkiText: error = readAnkiText(lines, writer); break;
    case Format::AnkiPackage: error = readAnkiPackage(path, writer); break;
    case Format::Kvtml: error = readKvtml(path, writer); break;
    case Format::Unknown: break;
    }
    if (!error && !writer.finish())
        error = writer.error().text;
    if (!error && writer.words() == 0 && writer.groupsAlreadyThere() == 0)
        error = QCoreApplication::translate("kelp::import", "no words in it");
    if (!error) {
        if (const auto failure = writer.commit())
            error = failure->text;
    }
    if (error) {
        writer.rollback();
        report.line = QCoreApplication::translate("kelp::import", "%1: nothing added: %2 (read as %3)")
                          .arg(path, *error, formatName(format));
        return report;
    }
    report.ok = true;
    if (options.inMemory)
        *options.inMemory = writer.kept();
    report.groups = writer.groups();
    report.words = writer.words();
    QString notes;
    if (writer.groupsAlreadyThere() > 0)
        notes += QCoreApplication::translate("kelp::import", "; %1 groups already there (--again adds them anyway)")
                     .arg(writer.groupsAlreadyThere());
    for (const auto &[why, count] : writer.skipped())
        notes += QCoreApplication::translate("kelp::import", "; skipped %1 %2").arg(count).arg(why);
    if (textFormat && !lines.strayBytes().isEmpty())
        notes += QStringLiteral("; ") + lines.strayBytes();
    report.line = QCoreApplication::translate("kelp::import", "%1: %2 words in %3 groups added (%4)%5; into %6")
                      .arg(name)
                      .arg(report.words)
                      .arg(report.groups)
                      .arg(formatName(format), notes, where);
    return report;
}

} // namespace kelp::import

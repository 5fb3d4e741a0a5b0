// kelpword-mkdb: builds a study database from a word text file.
//
//   kelpword-mkdb [options] <words.txt> <kelp.mdb>
//   kelpword-mkdb [options] --dsn NAME <words.txt>
//
// With --dsn the tables are made in that ODBC data source (a database
// server) in one transaction, instead of a local file.
// Every title line of the word file becomes a group (numbered from 1), every
// word line a word of it; the transcription is stored in front of the
// meaning as "/.../". Groups get review stages 1..7 in turn, and a reference
// date that makes the chosen groups due today and the others tomorrow.
#include "config/review_schedule.h"
#include "platform/translations.h"
#include "study/phonetic.h"
#include "study/text_loader.h"
#include "studydb/data_source.h"
#include "studydb/database.h"
#include "studydb/schema.h"
#include "studydb/study_writer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStringList>

#include <cstdio>

namespace {

void usage(FILE *to)
{
    const QString text = QCoreApplication::translate(
        "kelpword-mkdb", "usage: kelpword-mkdb [--today YYYY-MM-DD] [--review-days 1t2t4t7t15t] [--due 1,4,7 | "
                         "--due-every N] [--force] <words.txt> <kelp.mdb>\n"
                         "       kelpword-mkdb [same options] --dsn NAME <words.txt>\n"
                         "  --dsn NAME     make the tables in the ODBC data source NAME (a server)\n"
                         "  --due LIST     groups due for review today (default: every third, starting with 1)\n"
                         "  --due-every N  every Nth group is due today (0: none)\n"
                         "  --force        replace an existing database\n"
                         "  --help, --version\n");
    std::fputs(qPrintable(text), to);
}

// Every title line a group, every word line a word of it, as the file does it.
std::vector<kelp::StudyGroup> groupsOf(const kelp::WordBuffer &words, const std::array<int, 8> &days,
                                       const QSet<int> &due, int dueEvery, const QDate &today)
{
    std::vector<kelp::StudyGroup> groups;
    for (long r = 1; r <= words.rowCount(); ++r) {
        const kelp::WordRow &row = words.row(r);
        if (words.isHeader(r)) {
            const int xh = static_cast<int>(groups.size()) + 1;
            const int cs = (xh - 1) % 7 + 1;
            const bool isDue = dueEvery < 0 ? due.contains(xh) : (dueEvery > 0 && (xh - 1) % dueEvery == 0);
            groups.push_back({xh,
                              row.meaning.value_or(QString()),
                              today.addDays(-days[static_cast<size_t>(cs)] + (isDue ? 0 : 1)),
                              cs,
                              {}});
            continue;
        }
        if (groups.empty())
            continue; // words before the first title belong to no group
        groups.back().words.emplace_back(
            row.word.value_or(QString()),
            kelp::storedMeaning(row.meaning.value_or(QString()), row.phonetic.value_or(QString())));
    }
    return groups;
}

// Writes the groups into a new local file or a server's new tables, in one
// transaction; the old ones stay until the new ones are complete.
int write(const QString &target, bool onServer, const std::vector<kelp::StudyGroup> &groups,
          const std::array<int, 8> &days, const QDate &today, bool force)
{
    if (onServer) {
        auto opened = kelp::StudyDatabase::openDataSource(target);
        if (!opened) {
            std::fprintf(stderr, "kelpword-mkdb: %s\n",
                         qPrintable(QCoreApplication::translate("kelpword-mkdb", "cannot connect to %1: %2")
                                        .arg(target, opened.error().text)));
            return 1;
        }
        const auto &database = *opened;
        if (!force && database->hasStudyTables()) {
            std::fprintf(stderr, "kelpword-mkdb: %s\n",
                         qPrintable(QCoreApplication::translate(
                                        "kelpword-mkdb", "%1 holds study tables already (use --force to replace them)")
                                        .arg(target)));
            return 1;
        }
        if (const auto error = database->writeStudyTables(groups, force)) {
            std::fprintf(
                stderr, "kelpword-mkdb: %s\n",
                qPrintable(QCoreApplication::translate("kelpword-mkdb", "could not write %1 (nothing was changed): %2")
                               .arg(target, error->text)));
            return 1;
        }
    } else {
        kelp::StudyWriter writer;
        kelp::StudyResult error = writer.create(target, force);
        for (const kelp::StudyGroup &g : groups) {
            if (error)
                break;
            if (!writer.writeGroup(g))
                error = writer.error().text;
        }
        if (!error)
            error = writer.commit();
        if (error) {
            std::fprintf(
                stderr, "kelpword-mkdb: %s\n",
                qPrintable(
                    QCoreApplication::translate("kelpword-mkdb", "could not write %1: %2").arg(target, error->text)));
            return 1;
        }
    }
    int wordCount = 0, dueCount = 0;
    for (const auto &g : groups) {
        wordCount += static_cast<int>(g.words.size());
        dueCount += g.referenceDate == today.addDays(-days[static_cast<size_t>(g.stage)]) ? 1 : 0;
    }
    std::printf("%s\n",
                qPrintable(QCoreApplication::translate("kelpword-mkdb", "%1: %2 groups (%3 due on %4), %5 words")
                               .arg(target)
                               .arg(groups.size())
                               .arg(dueCount)
                               .arg(today.toString(QStringLiteral("yyyy-MM-dd")))
                               .arg(wordCount)));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    kelp::platform::installQtTranslations(QLocale::system());
    kelp::platform::installOwnTranslations(QLocale::system());
    QCommandLineParser parser;
    const QCommandLineOption todayOption(QStringLiteral("today"), QString(), QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption daysOption(QStringLiteral("review-days"), QString(), QStringLiteral("DAYS"),
                                        QStringLiteral("1t2t4t7t15t"));
    const QCommandLineOption dueOption(QStringLiteral("due"), QString(), QStringLiteral("LIST"));
    const QCommandLineOption everyOption(QStringLiteral("due-every"), QString(), QStringLiteral("N"));
    const QCommandLineOption dsnOption(QStringLiteral("dsn"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption forceOption(QStringLiteral("force"), QString());
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption versionOption(QStringLiteral("version"), QString());
    parser.addOptions(
        {todayOption, daysOption, dueOption, everyOption, dsnOption, forceOption, helpOption, versionOption});
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "kelpword-mkdb: %s\n", qPrintable(parser.errorText()));
        usage(stderr);
        return 2;
    }
    if (parser.isSet(helpOption)) {
        usage(stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("kelpword-mkdb %s\n", KELP_VERSION);
        return 0;
    }
    const QDate today = parser.isSet(todayOption)
                            ? QDate::fromString(parser.value(todayOption), QStringLiteral("yyyy-MM-dd"))
                            : QDate::currentDate();
    const QString reviewDays = parser.value(daysOption);
    QSet<int> due;
    int dueEvery = 3;
    if (parser.isSet(dueOption)) {
        for (const QString &n : parser.value(dueOption).split(QLatin1Char(','), Qt::SkipEmptyParts))
            due.insert(n.toInt());
        dueEvery = -1;
    } else if (parser.isSet(everyOption)) {
        dueEvery = parser.value(everyOption).toInt();
    }
    const bool force = parser.isSet(forceOption);
    const QString dsn = parser.value(dsnOption);
    const QStringList files = parser.positionalArguments();
    if (files.size() != (dsn.isEmpty() ? 2 : 1) || !today.isValid()) {
        usage(stderr);
        return 2;
    }
    const QString out = dsn.isEmpty() ? files[1] : QString();
    if (dsn.isEmpty() && QFileInfo::exists(out) && !force) {
        std::fprintf(
            stderr, "kelpword-mkdb: %s\n",
            qPrintable(QCoreApplication::translate("kelpword-mkdb", "%1 exists (use --force to replace it)").arg(out)));
        return 1;
    }

    kelp::WordBuffer words;
    const kelp::TextLoadResult loaded = kelp::loadWordFile(files[0], words);
    if (!loaded.ok) {
        std::fprintf(stderr, "kelpword-mkdb: %s\n", qPrintable(loaded.error));
        return 1;
    }
    std::array<int, 8> days{};
    kelp::parseReviewDays(reviewDays, days);
    const std::vector<kelp::StudyGroup> groups = groupsOf(words, days, due, dueEvery, today);
    if (groups.size() > static_cast<size_t>(kelp::kMaxGroupNumber)) {
        // The trainer reads group numbers as 16-bit: group 40,000 would show as another.
        std::fprintf(
            stderr, "kelpword-mkdb: %s\n",
            qPrintable(QCoreApplication::translate("kelpword-mkdb", "%1 holds %2 groups, but group numbers end at %3; "
                                                                    "nothing was written")
                           .arg(files[0])
                           .arg(groups.size())
                           .arg(kelp::kMaxGroupNumber)));
        return 1;
    }
    return write(dsn.isEmpty() ? out : dsn, !dsn.isEmpty(), groups, days, today, force);
}

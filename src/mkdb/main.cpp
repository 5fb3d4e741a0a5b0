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
#include "server/study_tables.h"
#include "study/local_tables.h"
#include "study/review_schedule.h"
#include "study/text_loader.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>

namespace {

void usage(FILE *to)
{
    std::fprintf(to, "usage: kelpword-mkdb [--today YYYY-MM-DD] [--review-days 1t2t4t7t15t] [--due 1,4,7 | "
                     "--due-every N] [--force] <words.txt> <kelp.mdb>\n"
                     "       kelpword-mkdb [same options] --dsn NAME <words.txt>\n"
                     "  --dsn NAME     make the tables in the ODBC data source NAME (a server)\n"
                     "  --due LIST     groups due for review today (default: every third, starting with 1)\n"
                     "  --due-every N  every Nth group is due today (0: none)\n"
                     "  --force        replace an existing database\n"
                     "  --help, --version\n");
}

bool exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "kelpword-mkdb: %s\n", error ? error : "sqlite error");
        sqlite3_free(error);
        return false;
    }
    return true;
}

// "/ x/" as the text loader wraps a transcription, back to "/x/".
QString storedTranscription(const QString &yb)
{
    QString t = yb;
    if (t.startsWith(QStringLiteral("/ ")) && t.endsWith(QLatin1Char('/')))
        t = t.mid(2, t.size() - 3);
    return QLatin1Char('/') + t + QLatin1Char('/');
}

// Every title line a group, every word line a word of it, as the file does it.
std::vector<kelp::server::StudyGroup> groupsOf(const kelp::WordBuffer &words, const std::array<int, 8> &days,
                                               const QSet<int> &due, int dueEvery, const QDate &today)
{
    std::vector<kelp::server::StudyGroup> groups;
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
        QString meaning = row.meaning.value_or(QString());
        if (row.phonetic && !row.phonetic->isEmpty())
            meaning = storedTranscription(*row.phonetic) + QLatin1Char(' ') + meaning;
        groups.back().words.emplace_back(row.word.value_or(QString()), meaning);
    }
    return groups;
}

int writeToServer(const QString &dsn, const kelp::WordBuffer &words, const std::array<int, 8> &days,
                  const QSet<int> &due, int dueEvery, const QDate &today, bool force)
{
    const auto groups = groupsOf(words, days, due, dueEvery, today);
    kelp::platform::OdbcConnection connection;
    if (const auto error = kelp::server::connectDataSource(connection, dsn)) {
        std::fprintf(stderr, "kelpword-mkdb: cannot connect to %s: %s\n", qPrintable(dsn), qPrintable(*error));
        return 1;
    }
    if (!force && kelp::server::hasStudyTables(connection)) {
        std::fprintf(stderr, "kelpword-mkdb: %s holds study tables already (use --force to replace them)\n",
                     qPrintable(dsn));
        return 1;
    }
    if (const auto error = kelp::server::writeStudyTables(connection, groups, force)) {
        std::fprintf(stderr, "kelpword-mkdb: could not write %s (nothing was changed): %s\n", qPrintable(dsn),
                     qPrintable(*error));
        return 1;
    }
    int wordCount = 0, dueCount = 0;
    for (const auto &g : groups) {
        wordCount += static_cast<int>(g.words.size());
        dueCount += g.referenceDate == today.addDays(-days[static_cast<size_t>(g.stage)]) ? 1 : 0;
    }
    std::printf("%s: %d groups (%d due on %s), %d words\n", qPrintable(dsn), static_cast<int>(groups.size()), dueCount,
                qPrintable(today.toString(QStringLiteral("yyyy-MM-dd"))), wordCount);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QDate today = QDate::currentDate();
    QString reviewDays = QStringLiteral("1t2t4t7t15t");
    QSet<int> due;
    int dueEvery = 3;
    bool force = false;
    QString dsn;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--today") && hasValue) {
            today = QDate::fromString(args[++i], QStringLiteral("yyyy-MM-dd"));
        } else if (a == QLatin1String("--review-days") && hasValue) {
            reviewDays = args[++i];
        } else if (a == QLatin1String("--due") && hasValue) {
            for (const QString &n : args[++i].split(QLatin1Char(','), Qt::SkipEmptyParts))
                due.insert(n.toInt());
            dueEvery = -1;
        } else if (a == QLatin1String("--due-every") && hasValue) {
            dueEvery = args[++i].toInt();
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            usage(stdout);
            return 0;
        } else if (a == QLatin1String("--version")) {
            std::printf("kelpword-mkdb %s\n", KELP_VERSION);
            return 0;
        } else if (a == QLatin1String("--dsn") && hasValue) {
            dsn = args[++i];
        } else if (a == QLatin1String("--force")) {
            force = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            usage(stderr);
            return 2;
        } else {
            files << a;
        }
    }
    if (files.size() != (dsn.isEmpty() ? 2 : 1) || !today.isValid()) {
        usage(stderr);
        return 2;
    }
    const QString out = dsn.isEmpty() ? files[1] : QString();
    if (dsn.isEmpty() && QFileInfo::exists(out) && !force) {
        std::fprintf(stderr, "kelpword-mkdb: %s exists (use --force to replace it)\n", qPrintable(out));
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
    if (!dsn.isEmpty())
        return writeToServer(dsn, words, days, due, dueEvery, today, force);

    // Built beside the target and renamed over it once complete.
    const QString temp = out + QStringLiteral(".part");
    QFile::remove(temp);
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(temp).constData(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "kelpword-mkdb: cannot create %s\n", qPrintable(temp));
        sqlite3_close(db);
        return 1;
    }
    bool ok = exec(db, kelp::kLocalStudyTables) && exec(db, "begin;");
    sqlite3_stmt *group = nullptr;
    sqlite3_stmt *word = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "insert into zb (xh, bt, sj, cs) values (?, ?, julianday(?), ?)", -1, &group,
                                  nullptr) == SQLITE_OK;
    ok = ok && sqlite3_prepare_v2(db, "insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)", -1, &word, nullptr) ==
                   SQLITE_OK;
    int xh = 0, xh1 = 0, groups = 0, wordCount = 0, dueCount = 0;
    for (long r = 1; ok && r <= words.rowCount(); ++r) {
        const kelp::WordRow &row = words.row(r);
        if (words.isHeader(r)) {
            ++xh;
            xh1 = 0;
            ++groups;
            const int cs = (xh - 1) % 7 + 1;
            const bool isDue = dueEvery < 0 ? due.contains(xh) : (dueEvery > 0 && (xh - 1) % dueEvery == 0);
            dueCount += isDue ? 1 : 0;
            const QDate sj = today.addDays(-days[static_cast<size_t>(cs)] + (isDue ? 0 : 1));
            const QByteArray title = row.meaning.value_or(QString()).toUtf8();
            const QByteArray date = sj.toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
            sqlite3_bind_int(group, 1, xh);
            sqlite3_bind_text(group, 2, title.constData(), static_cast<int>(title.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(group, 3, date.constData(), static_cast<int>(date.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(group, 4, cs);
            ok = sqlite3_step(group) == SQLITE_DONE;
            sqlite3_reset(group);
            continue;
        }
        if (xh == 0)
            continue; // words before the first title belong to no group
        QString meaning = row.meaning.value_or(QString());
        if (row.phonetic && !row.phonetic->isEmpty())
            meaning = storedTranscription(*row.phonetic) + QLatin1Char(' ') + meaning;
        const QByteArray da = row.word.value_or(QString()).toUtf8();
        const QByteArray meaningBytes = meaning.toUtf8();
        sqlite3_bind_int(word, 1, xh);
        sqlite3_bind_text(word, 2, da.constData(), static_cast<int>(da.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(word, 3, meaningBytes.constData(), static_cast<int>(meaningBytes.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(word, 4, ++xh1);
        ok = sqlite3_step(word) == SQLITE_DONE;
        sqlite3_reset(word);
        ++wordCount;
    }
    sqlite3_finalize(group);
    sqlite3_finalize(word);
    ok = ok && exec(db, "commit;");
    if (!ok)
        std::fprintf(stderr, "kelpword-mkdb: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    if (!ok || (QFileInfo::exists(out) && !QFile::remove(out)) || !QFile::rename(temp, out)) {
        QFile::remove(temp);
        std::fprintf(stderr, "kelpword-mkdb: could not write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s: %d groups (%d due on %s), %d words\n", qPrintable(out), groups, dueCount,
                qPrintable(today.toString(QStringLiteral("yyyy-MM-dd"))), wordCount);
    return 0;
}

// The loaders against a PostgreSQL server of the test's own, compared with the
// same data in a local SQLite file; and the server going away.
#include "import/word_import.h"
#include "platform/odbc.h"
#include "studydb/data_source.h"
#include "studydb/grade_store.h"
#include "studydb/schema.h"
#include "studydb/study_database.h"
#include "studydb/study_load.h"
#include "studydb/study_plan.h"
#include "studydb/study_writer.h"
#include "support/database_fixture.h"
#include "support/files.h"
#include "support/postgres_server.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <thread>

using namespace kelp;

using kelp::test::PostgresServer;

namespace {

const QDate kToday(2026, 12, 7);
const std::array<int, 8> kFxd{0, 1, 2, 4, 7, 15, 30, 60};

// Groups around each stage's review day, with Chinese titles, a transcription
// in the meaning, a long meaning, and words stored out of their order.
std::vector<StudyGroup> sampleGroups()
{
    std::vector<StudyGroup> groups;
    int xh = 1;
    for (int cs = 0; cs <= 8; ++cs) {
        const int days = cs >= 1 && cs <= 7 ? kFxd[static_cast<size_t>(cs)] : 3;
        for (int shift : {-1, 0, 1}) {
            StudyGroup g{xh, QStringLiteral("第%1组 stage %2").arg(xh).arg(cs), kToday.addDays(-days + shift), cs, {}};
            for (int w = 1; w <= 3; ++w)
                g.words.emplace_back(QStringLiteral("word%1-%2").arg(xh).arg(w),
                                     QStringLiteral("/wɜːd%1/ n. 单词%2").arg(w).arg(xh));
            ++xh;
            groups.push_back(g);
        }
    }
    groups[4].words.emplace_back(QStringLiteral("long"), QString(400, QChar(0x957f)));
    groups.push_back({xh, QStringLiteral("没有单词"), kToday.addDays(-1), 1, {}});
    return groups;
}

void dropPlan(platform::OdbcConnection &c)
{
    for (const char *sql : {"drop table if exists kelp_plan", "drop table if exists kelp_plan_day",
                            "drop table if exists kelp_plan_missed", "drop table if exists kelp_schema"}) {
        platform::OdbcQuery q(c);
        ASSERT_EQ(q.open(sql, {}), 0) << qPrintable(q.errorText());
    }
}

void writeSqlite(const QString &path, const std::vector<StudyGroup> &groups)
{
    test::StudyDb db(path);
    for (const StudyGroup &g : groups) {
        db.group(g.number, g.title, g.referenceDate, g.stage);
        int xh1 = 0;
        for (const auto &[word, meaning] : g.words)
            db.word(g.number, word, meaning, ++xh1);
    }
}

struct Loaded {
    std::vector<std::array<Cell, 3>> rows;
    std::vector<int> groups;
    bool fellBack = false;
    bool operator==(const Loaded &) const = default;
};

Loaded load(platform::OdbcConnection &c, SourceMode mode, const QDate &day, const std::array<int, 8> &fxd,
            const QString &range)
{
    Loaded l;
    WordBuffer b;
    const auto error = loadFromDatabase(c, mode, day, fxd, range, l.fellBack, b, l.groups);
    EXPECT_FALSE(error.has_value()) << qPrintable(error ? error->text : QString());
    for (long r = 1; r <= b.rowCount(); ++r)
        l.rows.push_back({b.item(r, kWordColumn), b.item(r, kMeaningColumn), b.item(r, kPhoneticColumn)});
    return l;
}

struct ServerFixture : ::testing::Test {
    static inline PostgresServer *server = nullptr;

    static void SetUpTestSuite()
    {
        server = new PostgresServer;
        ASSERT_TRUE(server->start()) << qPrintable(server->error());
    }
    static void TearDownTestSuite()
    {
        delete server; // stops it
        server = nullptr;
    }
    void SetUp() override
    {
        if (!server || server->folder().isEmpty())
            GTEST_SKIP() << "no server";
        ASSERT_FALSE(connectDataSource(remote, test::kServerDsn).has_value()) << qPrintable(remote.errorText);
    }

    void connectFile(platform::OdbcConnection &c, const QString &path)
    {
        const QString text = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                             QStringLiteral("};Database=") + path + QStringLiteral(";NoCreat=1;JDConv=1;Timeout=2000");
        ASSERT_EQ(c.connect(text, true), 0) << qPrintable(c.errorText);
    }

    // The sample groups on the server and in a local file, `local` connected to it.
    void sameDataOnBoth(platform::OdbcConnection &local)
    {
        const auto groups = sampleGroups();
        ASSERT_FALSE(writeStudyTables(remote, groups, true).has_value());
        writeSqlite(dir.filePath("kelp.mdb"), groups);
        connectFile(local, dir.filePath("kelp.mdb"));
    }

    QTemporaryDir dir;
    platform::OdbcConnection remote;
};

} // namespace

TEST_F(ServerFixture, SameGroupsAsTheLocalFileOnEveryDay)
{
    platform::OdbcConnection local;
    sameDataOnBoth(local);

    // Review days with a negative count too: "date - -3" must not turn into a comment.
    const std::array<int, 8> odd{0, 1, -3, 4, 7, 15, 30, 60};
    int dueDays = 0;
    for (const auto &fxd : {kFxd, odd}) {
        for (int d = -2; d <= 2; ++d) {
            const QDate day = kToday.addDays(d);
            const Loaded file = load(local, SourceMode::Review, day, fxd, "1-40");
            const Loaded onServer = load(remote, SourceMode::Review, day, fxd, "1-40");
            EXPECT_EQ(onServer, file) << qPrintable(day.toString(Qt::ISODate));
            dueDays += file.fellBack ? 0 : 1;
        }
    }
    EXPECT_GE(dueDays, 5); // the comparison covered days with due groups

    // Today's due groups are exactly the "on time" ones of stages 1..7 (and the empty group's number).
    const Loaded today = load(remote, SourceMode::Review, kToday, kFxd, "1-10");
    std::vector<int> due = today.groups;
    std::sort(due.begin(), due.end());
    EXPECT_EQ(due, (std::vector<int>{5, 8, 11, 14, 17, 20, 23, 28}));

    for (const QString &range : {QStringLiteral("1-10"), QStringLiteral(" 4 - 6 "), QStringLiteral("10-1"),
                                 QStringLiteral("0-0"), QStringLiteral("20-32767")}) {
        const Loaded onServer = load(remote, SourceMode::GroupRange, kToday, kFxd, range);
        EXPECT_EQ(onServer, load(local, SourceMode::GroupRange, kToday, kFxd, range)) << qPrintable(range);
    }
    const Loaded range = load(remote, SourceMode::GroupRange, kToday, kFxd, "5-5");
    ASSERT_EQ(range.rows.size(), 5u);
    EXPECT_EQ(range.rows[0][1], QStringLiteral("第5组 stage 1"));
    EXPECT_EQ(range.rows[4][1], QString(400, QChar(0x957f)));
}

TEST_F(ServerFixture, GroupsComeInTheOrderAskedForAsFromTheLocalFile)
{
    // The server answers for all groups at once; the file group by group.
    platform::OdbcConnection local;
    sameDataOnBoth(local);
    const std::vector<int> asked{8, 5, 999, 8, 1};
    WordBuffer fromFile, fromServer;
    ASSERT_FALSE(loadGroups(local, asked, 4, fromFile).has_value()); // the last one not asked for
    ASSERT_FALSE(loadGroups(remote, asked, 4, fromServer).has_value());
    ASSERT_GT(fromFile.rowCount(), 0);
    ASSERT_EQ(fromServer.rowCount(), fromFile.rowCount());
    for (long r = 1; r <= fromFile.rowCount(); ++r)
        for (int column : {kWordColumn, kMeaningColumn, kPhoneticColumn})
            EXPECT_EQ(fromServer.item(r, column), fromFile.item(r, column)) << r << "," << column;
    EXPECT_EQ(fromServer.item(1, kWordColumn), QStringLiteral("8"));
}

TEST_F(ServerFixture, OnlyAServerIsLoadedAheadAndOnlyForTheSettingsItWasMadeWith)
{
    ASSERT_FALSE(writeStudyTables(remote, sampleGroups(), true).has_value());
    const auto folderWith = [&](const QString &name, const QByteArray &ini) {
        QDir(dir.path()).mkpath(name);
        QFile f(dir.filePath(name + QStringLiteral("/wkcfg.ini")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini);
        return dir.filePath(name);
    };
    const auto loadAhead = [](const QString &folder, const std::shared_future<void> &started) {
        const ProgramFolder program{QDir(folder).canonicalPath()};
        return kelp::loadAhead(program, SettingsSnapshot::read(program.settingsFile()), QDate::currentDate(), started);
    };
    const QByteArray server = "[ODBC]\r\nDSN_Name=" + test::kServerDsn.toUtf8() + "\r\n[sjly]\r\ngtfz=1-10\r\n";
    const QString folder = folderWith(QStringLiteral("server"), "[Start]\r\nFirst=false\r\n" + server);
    const LoadAhead ahead = loadAhead(folder, {});
    ASSERT_TRUE(ahead.load.has_value());
    EXPECT_FALSE(ahead.load->problem) << qPrintable(ahead.load->problem->text);
    EXPECT_GT(ahead.load->material.words.rowCount(), 0);
    ProgramFolder program{QDir(folder).canonicalPath()};
    EXPECT_TRUE(ahead.madeFor(program, ahead.today, program.settingsFile()));
    EXPECT_FALSE(ahead.madeFor(program, ahead.today.addDays(1), program.settingsFile()));
    {
        QFile f(program.settingsFile());
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("[timer]\r\njg=5\r\n");
    }
    EXPECT_FALSE(ahead.madeFor(program, ahead.today, program.settingsFile())); // changed since

    // With a study plan: what a load ahead wrote stays only when a start takes it.
    dropPlan(remote);
    const QString planned =
        folderWith(QStringLiteral("planned"), "[Start]\r\nFirst=false\r\n[plan]\r\nnew=2\r\n" + server);
    const auto planDays = [&] {
        platform::OdbcQuery q(remote);
        return q.open("select count(*) from kelp_plan_day", {}) == 0 && q.fetch() == 0 ? q.integer(1).value_or(-1) : 0;
    };
    {
        LoadAhead thrownAway = loadAhead(planned, {});
        ASSERT_TRUE(thrownAway.load.has_value());
        EXPECT_GT(thrownAway.load->material.words.rowCount(), 0);
    }
    EXPECT_EQ(planDays(), 0) << "a load thrown away wrote the plan's step";
    LoadAhead taken = loadAhead(planned, {});
    ASSERT_TRUE(taken.load.has_value());
    EXPECT_FALSE(taken.load->confirm().has_value());
    EXPECT_EQ(planDays(), 1);

    EXPECT_FALSE(loadAhead(folderWith(QStringLiteral("first"), "[Start]\r\nFirst=true\r\n" + server), {}).load);
    EXPECT_FALSE(
        loadAhead(folderWith(QStringLiteral("text"), "[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\n"), {}).load);
    EXPECT_FALSE(loadAhead(dir.filePath(QStringLiteral("missing")), {}).load);
}

TEST_F(ServerFixture, AServerNameDatabaseAndUserAreEnough)
{
    // No driver options in the data source: the program sets what it needs.
    ASSERT_FALSE(writeStudyTables(remote, sampleGroups(), true).has_value());
    platform::OdbcConnection plain;
    ASSERT_FALSE(connectDataSource(plain, QStringLiteral("kelppg-plain")).has_value()) << qPrintable(plain.errorText);
    EXPECT_EQ(load(plain, SourceMode::Review, kToday, kFxd, "1-10"),
              load(remote, SourceMode::Review, kToday, kFxd, "1-10"));
}

TEST_F(ServerFixture, TwoTrainersReadTheSameDueGroups)
{
    ASSERT_FALSE(writeStudyTables(remote, sampleGroups(), true).has_value());
    Loaded seen[2];
    std::thread trainers[2];
    for (int i = 0; i < 2; ++i) {
        trainers[i] = std::thread([&seen, i] {
            platform::OdbcConnection c;
            if (!connectDataSource(c, test::kServerDsn))
                seen[i] = load(c, SourceMode::Review, kToday, kFxd, "1-10");
        });
    }
    for (auto &t : trainers)
        t.join();
    EXPECT_FALSE(seen[0].groups.empty());
    EXPECT_EQ(seen[0], seen[1]);
}

TEST_F(ServerFixture, ReplacingTablesIsAllOrNothing)
{
    ASSERT_FALSE(writeStudyTables(remote, sampleGroups(), true).has_value());
    ASSERT_TRUE(hasStudyTables(remote));
    // Without replace the tables exist already: refused, and the old ones stay whole.
    EXPECT_TRUE(writeStudyTables(remote, {{1, "x", kToday, 1, {{"a", "b"}}}}, false).has_value());
    const Loaded range = load(remote, SourceMode::GroupRange, kToday, kFxd, "1-32767");
    EXPECT_EQ(range.groups.size(), sampleGroups().size() - 1);
}

namespace {

const QDate kDay0(2027, 3, 1);

// Groups the plan will introduce: never studied (no stage, no date).
std::vector<StudyGroup> planGroups(int count)
{
    std::vector<StudyGroup> groups;
    for (int xh = 1; xh <= count; ++xh)
        groups.push_back({xh, QStringLiteral("组 %1").arg(xh), QDate(), 0, {{QStringLiteral("w"), "n. 词"}}});
    return groups;
}

std::set<int> startOn(platform::OdbcConnection &c, const QDate &day, int newPerDay,
                      const std::array<int, 8> &days = kFxd)
{
    const auto error = plan::bringUpToDate(c, day, days, newPerDay);
    EXPECT_FALSE(error.has_value()) << qPrintable(error ? error->text : QString());
    std::vector<int> groups;
    EXPECT_FALSE(findDueGroups(c, day, days, groups).has_value());
    return std::set<int>(groups.begin(), groups.end());
}

} // namespace

TEST_F(ServerFixture, StudyPlanDaysAsWithTheLocalFile)
{
    dropPlan(remote);
    ASSERT_FALSE(writeStudyTables(remote, planGroups(8), true).has_value());
    writeSqlite(dir.filePath("kelp.mdb"), planGroups(8));
    platform::OdbcConnection local;
    connectFile(local, dir.filePath("kelp.mdb"));
    size_t seen = 0;
    // Review days changed between days and again later the same day.
    std::array<int, 8> longer = kFxd, other = kFxd;
    longer[2] = 3;
    other[2] = 5;
    const std::vector<std::pair<int, std::array<int, 8>>> starts{
        {0, kFxd}, {0, kFxd}, {1, kFxd}, {2, longer}, {3, longer}, {3, other}, {4, other}, {5, kFxd},
        {6, kFxd}, {7, kFxd}, {9, kFxd}, {15, kFxd},  {16, kFxd},  {30, kFxd}, {61, kFxd}, {62, kFxd}};
    for (const auto &[d, days] : starts) {
        const auto onServer = startOn(remote, kDay0.addDays(d), 1, days);
        EXPECT_EQ(onServer, startOn(local, kDay0.addDays(d), 1, days)) << "day " << d;
        seen += onServer.size();
    }
    EXPECT_GT(seen, 10u);
    plan::Progress file, onServer;
    ASSERT_FALSE(plan::readProgress(local, kDay0.addDays(63), kFxd, 1, file).has_value());
    ASSERT_FALSE(plan::readProgress(remote, kDay0.addDays(63), kFxd, 1, onServer).has_value());
    EXPECT_TRUE(onServer.planned);
    EXPECT_EQ(plan::progressText(onServer), plan::progressText(file));
}

TEST_F(ServerFixture, TwoPlanStartsAtOnceIntroduceOnce)
{
    dropPlan(remote);
    ASSERT_FALSE(writeStudyTables(remote, planGroups(10), true).has_value());
    for (int round = 0; round < 3; ++round) {
        const QDate day = kDay0.addDays(round);
        int introduced[2] = {0, 0};
        std::thread starts[2];
        for (int i = 0; i < 2; ++i) {
            starts[i] = std::thread([&introduced, day, i] {
                platform::OdbcConnection c;
                if (connectDataSource(c, test::kServerDsn)) {
                    ADD_FAILURE() << "no connection";
                    return;
                }
                plan::StepResult r;
                if (const auto error = plan::bringUpToDate(c, day, kFxd, 2, &r))
                    ADD_FAILURE() << qPrintable(error->text);
                introduced[i] = r.introduced;
            });
        }
        for (auto &t : starts)
            t.join();
        EXPECT_EQ(introduced[0] + introduced[1], 2) << "round " << round;
    }
    plan::Progress progress;
    ASSERT_FALSE(plan::readProgress(remote, kDay0.addDays(2), kFxd, 2, progress).has_value());
    EXPECT_EQ(progress.newGroups, 4);
}

TEST_F(ServerFixture, ImportsAsIntoTheLocalFileAndTwoAtOnceNeverShareAGroup)
{
    dropPlan(remote);
    const QString sheet = QStringLiteral(KELP_IMPORT_DATA "/words-sheet.csv");
    for (const char *sql : {"drop table if exists fb", "drop table if exists zb"}) {
        platform::OdbcQuery q(remote);
        ASSERT_EQ(q.open(sql, {}), 0) << qPrintable(q.errorText());
    }
    // No study tables on the server: said, nothing made.
    const auto refused = import::importWordFile(sheet, QString(), 3, test::kServerDsn);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.line.contains(QLatin1String("kelpword-mkdb --dsn"))) << qPrintable(refused.line);
    EXPECT_FALSE(hasStudyTables(remote));

    ASSERT_FALSE(writeStudyTables(remote, {}, true).has_value());
    const auto onServer = import::importWordFile(sheet, QString(), 3, test::kServerDsn);
    ASSERT_TRUE(onServer.ok) << qPrintable(onServer.line);
    const auto local = import::importWordFile(sheet, dir.filePath("kelp.mdb"), 3);
    ASSERT_TRUE(local.ok) << qPrintable(local.line);
    platform::OdbcConnection file;
    connectFile(file, dir.filePath("kelp.mdb"));
    const Loaded all = load(remote, SourceMode::GroupRange, kToday, kFxd, "1-32767");
    EXPECT_EQ(all, load(file, SourceMode::GroupRange, kToday, kFxd, "1-32767"));
    ASSERT_GT(all.groups.size(), 1u);

    // The same file again adds nothing; two imports at once with --again: each
    // file's groups whole, numbered one after the other.
    const auto repeat = import::importWordFile(sheet, QString(), 3, test::kServerDsn);
    EXPECT_TRUE(repeat.ok && repeat.words == 0) << qPrintable(repeat.line);
    import::ImportOptions again;
    again.groupSize = 3;
    again.again = true;
    again.dataSource = test::kServerDsn;
    import::ImportReport reports[2];
    std::thread imports[2];
    for (int i = 0; i < 2; ++i)
        imports[i] = std::thread(
            [&reports, &sheet, &again, i] { reports[i] = import::importWordFile(sheet, QString(), again); });
    for (auto &t : imports)
        t.join();
    ASSERT_TRUE(reports[0].ok && reports[1].ok) << qPrintable(reports[0].line + reports[1].line);
    const Loaded after = load(remote, SourceMode::GroupRange, kToday, kFxd, "1-32767");
    EXPECT_EQ(after.groups.size(), 3 * all.groups.size());
    EXPECT_EQ(after.rows.size(), 3 * all.rows.size());
}

// A word list with the learner's answers brings them onto the server as into
// the file: the log, the memory replayed from it, and nothing twice.
TEST_F(ServerFixture, AnswersInAWordListComeOntoTheServer)
{
    ASSERT_FALSE(writeStudyTables(remote, {}, true).has_value());
    dropPlan(remote);
    const QString sheet = dir.filePath(QStringLiteral("answered.csv"));
    ASSERT_TRUE(test::writeAll(sheet, "word,meaning,reviews\napple,n. 苹果,2026-03-02:3:1000;2026-03-05:1:500\n"
                                      "pear,n. 梨,\n"));
    for (int round = 0; round < 2; ++round) {
        const auto report = import::importWordFile(sheet, QString(), 0, test::kServerDsn);
        ASSERT_TRUE(report.ok) << qPrintable(report.line);
    }
    AnswerLog log;
    ASSERT_FALSE(readAnswerLog(remote, log).has_value());
    const std::vector<LoggedAnswer> expected{{QDate(2026, 3, 2).toJulianDay(), 1000, memory::Grade::Good},
                                             {QDate(2026, 3, 5).toJulianDay(), 500, memory::Grade::Again}};
    EXPECT_EQ(log, (AnswerLog{{QStringLiteral("apple"), expected}}));
    const auto read = readWordMemory(remote, QStringLiteral("apple"));
    ASSERT_TRUE(read && *read);
    const auto replayed = memoryFromAnswers(expected, memory::Model());
    EXPECT_DOUBLE_EQ((*read)->state.stability, replayed->state.stability);
    EXPECT_EQ((*read)->due, replayed->due);
    EXPECT_EQ((*read)->lapses, 1);
}

TEST_F(ServerFixture, ADatabaseThatIsNotUtf8IsRefused)
{
    QProcess createdb;
    createdb.start(QStringLiteral("runuser"),
                   {QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                    QStringLiteral("/usr/lib/postgresql/15/bin/createdb"), QStringLiteral("-h"), server->folder(),
                    QStringLiteral("-p"), QString::number(test::kServerPort), QStringLiteral("-E"),
                    QStringLiteral("LATIN1"), QStringLiteral("--locale=C"), QStringLiteral("-T"),
                    QStringLiteral("template0"), QStringLiteral("latin")});
    ASSERT_TRUE(createdb.waitForFinished(60000) && createdb.exitCode() == 0) << createdb.readAllStandardError().data();
    platform::OdbcConnection latin;
    ASSERT_EQ(latin.connect(QStringLiteral("DSN=") + test::kServerDsn + QStringLiteral(";Database=latin"), true), 0)
        << qPrintable(latin.errorText);
    const auto error = writeStudyTables(latin, sampleGroups(), true);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->text.contains(QLatin1String("LATIN1"))) << qPrintable(error->text);
    EXPECT_FALSE(hasStudyTables(latin));
}

// Last: it stops the server.
TEST_F(ServerFixture, ZStoppedServerFailsTheQueriesWithoutHanging)
{
    ASSERT_FALSE(writeStudyTables(remote, sampleGroups(), true).has_value());
    std::vector<int> groups;
    ASSERT_FALSE(findDueGroups(remote, kToday, kFxd, groups).has_value());
    ASSERT_FALSE(groups.empty());
    ASSERT_TRUE(server->halt()) << qPrintable(server->error());

    // Stopped between the due groups and their words: the words' query fails.
    WordBuffer b;
    const auto error = loadGroups(remote, groups, static_cast<int>(groups.size()), b);
    ASSERT_TRUE(error.has_value());
    EXPECT_LT(error->status, 0);

    // Down before the start: the connection fails, and so does the first query.
    platform::OdbcConnection again;
    EXPECT_TRUE(connectDataSource(again, test::kServerDsn).has_value());
    bool fellBack = false;
    WordBuffer empty;
    EXPECT_TRUE(loadFromDatabase(again, SourceMode::Review, kToday, kFxd, "1-10", fellBack, empty, groups).has_value());
}

TEST_F(ServerFixture, SchemaVersionOnTheServerAsInTheLocalFile)
{
    ASSERT_FALSE(writeStudyTables(remote, planGroups(3), true).has_value());
    EXPECT_EQ(*schemaVersion(remote), 0);
    ASSERT_FALSE(plan::bringUpToDate(remote, kDay0, kFxd, 1).has_value());
    EXPECT_EQ(*schemaVersion(remote), kSchemaVersion);
    // An answer keeps its word's memory there as in the file, the plan's group moved with it.
    const memory::Model model;
    const QString first = planGroups(3).front().words.front().first;
    ASSERT_FALSE(recordAnswer(remote, {first, kDay0, 5, memory::Grade::Good}, model, kFxd));
    const auto read = readWordMemory(remote, first);
    ASSERT_TRUE(read) << qPrintable(read.error().text);
    const std::optional<WordMemory> &memory = *read;
    ASSERT_TRUE(memory);
    EXPECT_DOUBLE_EQ(memory->state.stability, model.next(std::nullopt, memory::Grade::Good, 0).stability);
    // A newer program's tables: the plan and an import refuse them, nothing written.
    ASSERT_FALSE(platform::execute(remote, "update kelp_schema set version = 99"));
    const auto plan = plan::bringUpToDate(remote, kDay0.addDays(1), kFxd, 1);
    ASSERT_TRUE(plan.has_value());
    EXPECT_EQ(plan->text, newerSchemaMessage(99));
    StudyWriter writer;
    const StudyResult refusedWrite = writer.openDataSource(test::kServerDsn);
    ASSERT_TRUE(refusedWrite.has_value());
    EXPECT_EQ(refusedWrite->code, StudyError::Code::NewerSchema);
    EXPECT_EQ(refusedWrite->text, newerSchemaMessage(99));
    platform::OdbcQuery q(remote);
    ASSERT_EQ(q.open("select count(*) from kelp_plan_day", {}), 0);
    ASSERT_EQ(q.fetch(), 0);
    EXPECT_EQ(q.integer(1).value_or(-1), 1) << "the newer database was written";
}

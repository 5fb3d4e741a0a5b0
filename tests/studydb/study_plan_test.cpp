// The study plan over simulated days: the clock is the `today` handed to each
// start, and the groups due are those the trainer's own due query returns.
#include "studydb/study_plan.h"
#include "studydb/data_source.h"
#include "studydb/study_database.h"
#include "support/database_fixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <thread>

using namespace kelp;
using kelp::test::StudyDb;

namespace {

const QDate kDay0(2027, 3, 1);
const plan::ReviewDays kDays{0, 1, 2, 4, 7, 15, 30, 60};

struct PlanFixture : ::testing::Test {
    QTemporaryDir dir;
    QString dbPath;
    std::unique_ptr<StudyDb> db;

    void SetUp() override
    {
        test::odbcIniPath();
        dbPath = dir.filePath("kelp.mdb");
        db = std::make_unique<StudyDb>(dbPath);
    }

    void addGroups(int count)
    {
        db->exec("begin");
        for (int xh = 1; xh <= count; ++xh) {
            // Not due by themselves: stage 0.
            db->group(xh, QStringLiteral("group %1").arg(xh), kDay0.addDays(-400), 0);
            db->word(xh, QStringLiteral("w%1").arg(xh), QStringLiteral("n. 词"), 1);
        }
        db->exec("commit");
    }

    void connect(platform::OdbcConnection &c, int timeoutMs = 4000)
    {
        const QString text = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                             QStringLiteral("};Database=") + dbPath +
                             QStringLiteral(";NoCreat=1;JDConv=1;Timeout=%1").arg(timeoutMs);
        ASSERT_EQ(c.connect(text, true), 0) << qPrintable(c.errorText);
    }

    // A start of the trainer on `day`: the plan's step, then the due query.
    std::set<int> startOn(const QDate &day, int newPerDay, const plan::ReviewDays &days = kDays)
    {
        platform::OdbcConnection c;
        connect(c);
        const auto error = plan::bringUpToDate(c, day, days, newPerDay);
        EXPECT_FALSE(error.has_value()) << qPrintable(error.value_or(QString()));
        std::vector<int> groups;
        EXPECT_FALSE(findDueGroups(c, day, days, groups).has_value());
        return std::set<int>(groups.begin(), groups.end());
    }
};

using Groups = std::set<int>;

} // namespace

TEST_F(PlanFixture, IntroducesReviewsCatchesUpAndRetires)
{
    addGroups(4);
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1})) << "a second start the same day introduces nothing more";
    EXPECT_EQ(startOn(kDay0.addDays(1), 1), (Groups{1, 2}));
    EXPECT_EQ(startOn(kDay0.addDays(2), 1), (Groups{1, 2, 3}));
    // Day 3 skipped: group 2's second review and group 3's first were due then.
    EXPECT_EQ(startOn(kDay0.addDays(4), 1), (Groups{1, 2, 3, 4}));
    // Later review days keep their own dates: group 2's third review is on day 1 + 4.
    EXPECT_EQ(startOn(kDay0.addDays(5), 1), (Groups{2, 4}));
    EXPECT_EQ(startOn(kDay0.addDays(6), 1), (Groups{3, 4}));
    EXPECT_EQ(startOn(kDay0.addDays(7), 1), (Groups{1}));
    // After its seventh review (day 60) group 1 is never due again.
    EXPECT_EQ(startOn(kDay0.addDays(60), 1).count(1), 1u);
    for (int d = 61; d <= 130; d += 3)
        EXPECT_EQ(startOn(kDay0.addDays(d), 1).count(1), 0u) << "day " << d;
    platform::OdbcConnection c;
    connect(c);
    plan::Progress progress;
    ASSERT_FALSE(plan::readProgress(c, kDay0.addDays(131), kDays, 1, progress).has_value());
    EXPECT_EQ(progress.stages[plan::kRetired], 4);
    EXPECT_EQ(progress.newGroups, 0);
}

TEST_F(PlanFixture, FollowsChangedReviewDays)
{
    addGroups(2);
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    EXPECT_EQ(startOn(kDay0.addDays(1), 1), (Groups{1, 2}));
    // The second review moves from two days to three.
    plan::ReviewDays longer = kDays;
    longer[2] = 3;
    EXPECT_EQ(startOn(kDay0.addDays(2), 0, longer), (Groups{2})) << "group 2's first review; group 1 now on day 3";
    EXPECT_EQ(startOn(kDay0.addDays(3), 0, longer), (Groups{1}));
    // Changed again later the same day: today's groups stay due under the new counts.
    plan::ReviewDays other = longer;
    other[2] = 5;
    EXPECT_EQ(startOn(kDay0.addDays(3), 0, other), (Groups{1}));
}

TEST_F(PlanFixture, ForecastMatchesTheDaysAsTheyCome)
{
    addGroups(5);
    std::vector<int> forecast;
    {
        platform::OdbcConnection c;
        connect(c);
        plan::Progress progress;
        ASSERT_FALSE(plan::readProgress(c, kDay0, kDays, 2, progress).has_value());
        EXPECT_FALSE(progress.planned);
        forecast = progress.coming;
        EXPECT_EQ(progress.todayGroups, (std::vector<int>{1, 2}));
    }
    ASSERT_EQ(forecast.size(), size_t(plan::kForecastDays));
    for (int d = 0; d < plan::kForecastDays; ++d)
        EXPECT_EQ(static_cast<int>(startOn(kDay0.addDays(d), 2).size()), forecast[static_cast<size_t>(d)])
            << "day " << d;
    // Worked by hand for one new group a day out of three.
    EXPECT_EQ(plan::forecast({}, 0, kDays, 1, 3, false, 12), (std::vector<int>{1, 2, 3, 2, 2, 1, 1, 1, 1, 1, 0, 0}));
}

TEST_F(PlanFixture, TwoTrainersStartingAtOnceIntroduceOnce)
{
    addGroups(10);
    for (int round = 0; round < 3; ++round) {
        const QDate day = kDay0.addDays(round);
        std::vector<std::thread> starts;
        for (int i = 0; i < 2; ++i)
            starts.emplace_back([&] {
                platform::OdbcConnection c;
                connect(c);
                const auto error = plan::bringUpToDate(c, day, kDays, 2);
                // The second waits for the first; at worst it gives up, never writes twice.
                if (error)
                    ADD_FAILURE() << qPrintable(*error);
            });
        for (std::thread &t : starts)
            t.join();
    }
    EXPECT_EQ(startOn(kDay0.addDays(2), 2), (Groups{1, 2, 3, 4, 5, 6}));
    platform::OdbcConnection c;
    connect(c);
    plan::Progress progress;
    ASSERT_FALSE(plan::readProgress(c, kDay0.addDays(2), kDays, 2, progress).has_value());
    EXPECT_EQ(progress.newGroups, 4);
}

TEST_F(PlanFixture, WithoutPlanTheDatabaseIsNeverWritten)
{
    addGroups(3);
    db->group(4, QStringLiteral("due"), kDay0.addDays(-1), 1);
    db.reset();
    const auto bytes = [&] {
        QFile f(dbPath);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    const QByteArray before = bytes();
    for (const char *ini : {"[YWQX]\r\nXXTS=1t2t\r\n", "[plan]\r\nnew=0\r\n", "[plan]\r\nnew=abc\r\n"}) {
        const QString iniPath = dir.filePath("wkcfg.ini");
        QFile f(iniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ini);
        f.close();
        SettingsFile file(iniPath);
        const Settings settings = Settings::load(file);
        platform::OdbcConnection c;
        connect(c);
        plan::startReviewDay(file, settings, c, kDay0);
        std::vector<int> groups;
        ASSERT_FALSE(findDueGroups(c, kDay0, plan::reviewDays(settings), groups).has_value());
        EXPECT_EQ(groups, std::vector<int>{4});
    }
    EXPECT_EQ(bytes(), before);
}

TEST_F(PlanFixture, LockedDatabaseKeepsNothingHalfDone)
{
    addGroups(3);
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    const auto snapshot = [&] {
        QFile f(dbPath);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    // Another program writes the database (or holds it whole) for longer than the driver waits.
    for (const char *lock : {"begin immediate", "begin exclusive"}) {
        db->exec(lock);
        const QByteArray before = snapshot();
        {
            platform::OdbcConnection c;
            connect(c, 300);
            EXPECT_TRUE(plan::bringUpToDate(c, kDay0.addDays(1), kDays, 1).has_value()) << lock;
        }
        db->exec("rollback");
        EXPECT_EQ(snapshot(), before) << lock;
    }
    // The day is not lost: the next start brings it up to date.
    EXPECT_EQ(startOn(kDay0.addDays(1), 1), (Groups{1, 2}));
}

TEST_F(PlanFixture, TheLearnersOwnGroupsComeBeforeTheSampleWords)
{
    addGroups(3);
    db->exec("create table kelp_sample (xh integer primary key); insert into kelp_sample values (1), (2), (3)");
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    // Imported later, introduced next: before samples 2 and 3.
    db->group(4, QStringLiteral("mine"), kDay0.addDays(-400), 0);
    db->word(4, QStringLiteral("own"), QStringLiteral("n. 自己的"), 1);
    EXPECT_EQ(startOn(kDay0.addDays(1), 1), (Groups{1, 4}));
    EXPECT_EQ(startOn(kDay0.addDays(2), 1), (Groups{1, 2, 4}));
}

// The study plan over simulated days: the clock is the `today` handed to each
// start, and the groups due are those the trainer's own due query returns.
#include "studydb/data_source.h"
#include "studydb/database.h"
#include "studydb/grade_store.h"
#include "studydb/plan_tables.h"
#include "studydb/schema.h"
#include "studydb/study_database.h"
#include "studydb/study_plan.h"
#include "studydb/study_writer.h"
#include "studydb/word_store.h"
#include "support/database_fixture.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
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
            // Never studied: no stage, no date.
            db->group(xh, QStringLiteral("group %1").arg(xh), QDate(), 0);
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
        EXPECT_FALSE(error.has_value()) << qPrintable(error ? error->text : QString());
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
    // Each next review counts from the day the last was shown: 2 and 3 were
    // shown on day 4 for the reviews they missed on day 3.
    EXPECT_EQ(startOn(kDay0.addDays(5), 1), (Groups{3, 4}));
    EXPECT_EQ(startOn(kDay0.addDays(6), 1), (Groups{2, 4}));
    EXPECT_EQ(startOn(kDay0.addDays(7), 1), (Groups{1, 3}));
    // Every day from day 8 on: group 1's last reviews come 8, 15 and 30 days apart, then it retires.
    std::vector<int> shownOn;
    for (int d = 8; d <= 100; ++d) {
        if (startOn(kDay0.addDays(d), 1).count(1))
            shownOn.push_back(d);
    }
    EXPECT_EQ(shownOn, (std::vector<int>{15, 30, 60}));
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
    EXPECT_EQ(plan::forecast({}, 0, kDays, 1, {1, 2, 3}, false, 12),
              (std::vector<int>{1, 2, 3, 2, 2, 1, 1, 1, 1, 1, 0, 0}));
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
                    ADD_FAILURE() << qPrintable(error->text);
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
        QDate day = kDay0;
        EXPECT_FALSE(plan::startReviewDay(settings, c, day).has_value());
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
    db->group(4, QStringLiteral("mine"), QDate(), 0);
    db->word(4, QStringLiteral("own"), QStringLiteral("n. 自己的"), 1);
    EXPECT_EQ(startOn(kDay0.addDays(1), 1), (Groups{1, 4}));
    EXPECT_EQ(startOn(kDay0.addDays(2), 1), (Groups{1, 2, 4}));
}

TEST_F(PlanFixture, AReviewShownLateCountsFromTheDayItWasShown)
{
    addGroups(1);
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    // Away for twenty days: one review on day 20, the next ones 1, 2, 3 and 8 days after it.
    std::vector<int> shownOn;
    for (int d = 20; d <= 40; ++d) {
        if (startOn(kDay0.addDays(d), 1).count(1))
            shownOn.push_back(d);
    }
    EXPECT_EQ(shownOn, (std::vector<int>{20, 21, 23, 26, 34}));
}

TEST_F(PlanFixture, OnlyWhatTheTrainerLoadsCountsAndTheBacklogWaitsItsTurn)
{
    addGroups(300);
    for (int d = 0; d < 12; ++d)
        startOn(kDay0.addDays(d), 10);
    // Sixteen days away: 120 groups have reviews due, more than a day holds.
    const QDate back = kDay0.addDays(28);
    const Groups first = startOn(back, 10);
    platform::OdbcConnection c;
    connect(c);
    const auto shownOn = [&](const QDate &day) {
        Groups shown;
        platform::OdbcQuery q(c);
        EXPECT_EQ(q.open("select xh from kelp_plan where shown = ?", {platform::SqlParam::of(int(day.toJulianDay()))}),
                  0);
        while (q.fetch() == 0)
            shown.insert(static_cast<int>(q.integer(1).value_or(0)));
        return shown;
    };
    EXPECT_EQ(first.size(), size_t(kMaxDueGroups));
    EXPECT_EQ(shownOn(back), first) << "marked shown exactly what the trainer loads";
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [](int g) { return g <= 120; })) << "no new group today";
    // The next day the twenty that waited come first, before anything new.
    const Groups second = startOn(back.addDays(1), 10);
    EXPECT_LE(second.size(), size_t(kMaxDueGroups));
    EXPECT_EQ(shownOn(back.addDays(1)), second);
    int waited = 0;
    for (int g = 1; g <= 120; ++g)
        waited += !first.count(g) && second.count(g);
    EXPECT_EQ(waited, 20);
}

TEST_F(PlanFixture, GroupsStudiedBeforeThePlanKeepTheirSchedule)
{
    // A database made with its own schedule: group 1 at stage 3, due on day 2;
    // group 2 due today at stage 5; group 3 never studied.
    db->group(1, QStringLiteral("studied"), kDay0.addDays(2 - kDays[3]), 3);
    db->word(1, QStringLiteral("a"), QStringLiteral("一"), 1);
    db->group(2, QStringLiteral("due"), kDay0.addDays(-kDays[5]), 5);
    db->word(2, QStringLiteral("b"), QStringLiteral("二"), 1);
    db->group(3, QStringLiteral("new"), QDate(), 0);
    db->word(3, QStringLiteral("c"), QStringLiteral("三"), 1);
    EXPECT_EQ(startOn(kDay0, 1), (Groups{2, 3}));
    EXPECT_EQ(startOn(kDay0.addDays(1), 1), (Groups{3}));
    // Group 1's own review on day 2; group 2's next one 15 days after day 0.
    EXPECT_EQ(startOn(kDay0.addDays(2), 1), (Groups{1, 3}));
    EXPECT_EQ(startOn(kDay0.addDays(15), 1).count(2), 1u);
}

TEST_F(PlanFixture, AGroupNumberTakenOrGivenBackTakesItsPlanRowAlong)
{
    addGroups(3);
    db->word(1, QStringLiteral("second"), QStringLiteral("n. 第二"), 2);
    EXPECT_EQ(startOn(kDay0, 3), (Groups{1, 2, 3}));
    platform::OdbcConnection c;
    connect(c);
    ASSERT_FALSE(platform::execute(c, "update kelp_plan set stage = 8, due = null where xh = 3")); // retired
    WordStore store(c);
    std::vector<StoredGroup> groups;
    ASSERT_FALSE(store.read(groups));
    const auto planOf = [&c](int xh) {
        platform::OdbcQuery q(c);
        EXPECT_EQ(q.open("select introduced, stage, due, shown, shown_stage from kelp_plan where xh = ?",
                         {platform::SqlParam::of(xh)}),
                  0);
        QStringList row;
        if (q.fetch() == 0) {
            for (int i = 1; i <= 5; ++i)
                row << q.text(i).value_or(QStringLiteral("null"));
        }
        return row;
    };
    // Group 2 deleted and undone: back on its own schedule.
    const QStringList second = planOf(2);
    std::optional<PlanRow> kept;
    ASSERT_FALSE(store.deleteGroup(groups[1], &kept));
    EXPECT_TRUE(planOf(2).isEmpty());
    ASSERT_FALSE(store.insertGroup(groups[1], kept));
    EXPECT_EQ(planOf(2), second);
    // The last group (retired) deleted, then group 1 split on the day it was
    // shown: the new part takes number 3 and group 1's plan, not the retired row.
    ASSERT_FALSE(store.deleteGroup(groups[2]));
    int created = 0;
    ASSERT_FALSE(store.splitGroup(groups[0], 2, QStringLiteral("part"), &created));
    ASSERT_EQ(created, 3);
    EXPECT_EQ(planOf(3), planOf(1));
    for (int d = 1; d <= 40; ++d) {
        const Groups due = startOn(kDay0.addDays(d), 0);
        EXPECT_EQ(due.count(1), due.count(3)) << "day " << d;
    }
}

TEST_F(PlanFixture, AClockSetBackIsStillThePlansDay)
{
    addGroups(6);
    startOn(kDay0, 2);
    const Groups dayOne = startOn(kDay0.addDays(1), 2);
    // The clock goes back a day: the plan stays on its last day, and the
    // trainer loads what that day holds.
    platform::OdbcConnection c;
    connect(c);
    plan::StepResult step;
    ASSERT_FALSE(plan::bringUpToDate(c, kDay0, kDays, 2, &step).has_value());
    EXPECT_EQ(step.day, kDay0.addDays(1));
    EXPECT_TRUE(step.alreadyToday);
    EXPECT_EQ(step.introduced, 0);
    std::vector<int> groups;
    ASSERT_FALSE(findDueGroups(c, step.day, kDays, groups).has_value());
    EXPECT_EQ(Groups(groups.begin(), groups.end()), dayOne);
}

TEST_F(PlanFixture, ForecastOfFullDaysAndACalendarOfMissedDays)
{
    // Forty new groups a day fill the days within a week: the forecast made
    // on the first day (groups never studied taken in the plan's own order
    // among the reviews) is what the trainer then loads each day.
    addGroups(400);
    startOn(kDay0, 40);
    std::vector<int> forecast;
    {
        platform::OdbcConnection c;
        connect(c);
        plan::Progress progress;
        ASSERT_FALSE(plan::readProgress(c, kDay0.addDays(1), kDays, 40, progress).has_value());
        forecast = progress.coming;
    }
    bool full = false;
    for (int d = 0; d < plan::kForecastDays; ++d) {
        const int loaded = static_cast<int>(startOn(kDay0.addDays(d + 1), 40).size());
        EXPECT_EQ(loaded, forecast[static_cast<size_t>(d)]) << "day " << d + 1;
        full = full || loaded == kMaxDueGroups;
    }
    EXPECT_TRUE(full) << "no day was full";
}

TEST_F(PlanFixture, CalendarMarksTheDaysReviewsWereMissed)
{
    addGroups(2);
    startOn(kDay0, 1);
    startOn(kDay0.addDays(1), 1); // both due on day 2
    // Away until day 10: both are shown on the day of return, and day 2 is
    // marked as missed all the same.
    const QDate back = kDay0.addDays(10);
    EXPECT_EQ(startOn(back, 0), (Groups{1, 2}));
    platform::OdbcConnection c;
    connect(c);
    plan::Progress progress;
    ASSERT_FALSE(plan::readProgress(c, back, kDays, 0, progress).has_value());
    const auto missedOn = [&](int day) {
        return progress.calendar[static_cast<size_t>(plan::kCalendarDays - 1 - (10 - day))].missed;
    };
    EXPECT_EQ(missedOn(2), 2);
    EXPECT_EQ(missedOn(3), 0);
    EXPECT_TRUE(progress.calendar.back().ran);
}

TEST_F(PlanFixture, SchemaVersionIsUpgradedWholeOrNotAtAllAndANewerOneIsLeftAlone)
{
    addGroups(2);
    platform::OdbcConnection c;
    connect(c);
    EXPECT_EQ(*schemaVersion(c), 0) << "zb and fb alone, as kelpword-mkdb makes them";
    // An upgrade that fails half-way (a name it needs is an index's) leaves
    // version 0 and none of the tables it had made.
    db->exec("create index kelp_plan_missed on fb (xh)");
    EXPECT_TRUE(plan::bringUpToDate(c, kDay0, kDays, 1).has_value());
    EXPECT_EQ(*schemaVersion(c), 0);
    EXPECT_FALSE(plan::tableExists(c, QStringLiteral("kelp_plan")));
    db->exec("drop index kelp_plan_missed");
    // The plan's first step upgrades it, once.
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    EXPECT_EQ(*schemaVersion(c), kSchemaVersion);
    // A newer program's database: the plan, an import and the words window
    // refuse it, naming both versions, and the file stays as it was.
    db->exec("update kelp_schema set version = 99");
    const QByteArray before = test::readAll(dbPath);
    const auto plan = plan::bringUpToDate(c, kDay0.addDays(1), kDays, 1);
    ASSERT_TRUE(plan.has_value());
    EXPECT_TRUE(plan->text.contains(QLatin1String("version 99")) &&
                plan->text.contains(QStringLiteral("version %1 at most").arg(kSchemaVersion)))
        << qPrintable(plan->text);
    StudyWriter writer;
    const StudyResult refusedWrite = writer.open(dbPath);
    ASSERT_TRUE(refusedWrite.has_value());
    EXPECT_EQ(refusedWrite->code, StudyError::Code::NewerSchema);
    EXPECT_EQ(refusedWrite->text, newerSchemaMessage(99));
    const auto refused = StudyDatabase::openFolder(ProgramFolder{dir.path()}, Settings(), QString());
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().code, StudyError::Code::NewerSchema);
    EXPECT_EQ(refused.error().text, newerSchemaMessage(99));
    EXPECT_EQ(test::readAll(dbPath), before);
}

TEST_F(PlanFixture, AnswersKeepEachWordsMemoryAndASecondAnswerInAShowingReplacesTheFirst)
{
    addGroups(2);
    platform::OdbcConnection c;
    connect(c);
    const memory::Model model;
    // An old database gets the answers' tables with the first answer.
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w1"), kDay0, 1000, memory::Grade::Good}, model, kDays));
    EXPECT_EQ(*schemaVersion(c), kSchemaVersion);
    // The same showing answered again: the last answer counts, once.
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w1"), kDay0, 1000, memory::Grade::Again}, model, kDays));
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w1"), kDay0.addDays(3), 500, memory::Grade::Good}, model, kDays));
    const auto read = readWordMemory(c, QStringLiteral("w1"));
    ASSERT_TRUE(read) << qPrintable(read.error().text);
    const std::optional<WordMemory> &memory = *read;
    ASSERT_TRUE(memory);
    const auto expected = model.replay(
        {{kDay0.toJulianDay(), memory::Grade::Again}, {kDay0.addDays(3).toJulianDay(), memory::Grade::Good}});
    EXPECT_DOUBLE_EQ(memory->state.stability, expected->stability);
    EXPECT_DOUBLE_EQ(memory->state.difficulty, expected->difficulty);
    EXPECT_EQ(memory->lapses, 1);
    EXPECT_EQ(memory->due, kDay0.addDays(3).toJulianDay() + model.intervalDays(expected->stability));
    EXPECT_FALSE(*readWordMemory(c, QStringLiteral("w2"))); // never answered
    // Progress: one word graded, answered "认识" when it came back on a later day.
    plan::Progress progress;
    ASSERT_FALSE(plan::readProgress(c, kDay0.addDays(3), kDays, 0, progress));
    EXPECT_EQ(progress.answers.wordsGraded, 1);
    EXPECT_EQ(progress.answers.knownLater, 1);
    EXPECT_EQ(progress.answers.laterAnswers, 1);
    EXPECT_EQ(progress.answers.strongWords, 1); // answered today
    EXPECT_EQ(progress.answers.wordsDue[static_cast<size_t>(memory->due - kDay0.addDays(3).toJulianDay())], 1);
    EXPECT_TRUE(plan::progressText(progress).contains(QStringLiteral("known when due again: 1 of 1 (100%)")));

    // No word (a heading's row) is refused with nothing written.
    EXPECT_TRUE(recordAnswer(c, {QStringLiteral("  "), kDay0, 7, memory::Grade::Again}, model, kDays));
    platform::OdbcQuery q(c);
    ASSERT_EQ(q.open("select count(*) from kelp_review", {}), 0);
    ASSERT_EQ(q.fetch(), 0);
    EXPECT_EQ(q.integer(1), 2);
}

TEST_F(PlanFixture, AGroupMovesByItsGradedWordsAndAnUngradedOneKeepsTheFixedDays)
{
    // The rule: the weakest word's day, no later than the fixed day when a
    // word was forgotten, no earlier when all were known.
    EXPECT_EQ(plan::dueByWords(10, {}), 10);
    EXPECT_EQ(plan::dueByWords(10, {{15, false}, {30, false}}), 15);
    EXPECT_EQ(plan::dueByWords(10, {{5, false}}), 10);
    EXPECT_EQ(plan::dueByWords(10, {{30, false}, {12, true}}), 10);
    EXPECT_EQ(plan::dueByWords(10, {{30, false}, {7, true}}), 7);

    addGroups(3);
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    platform::OdbcConnection c;
    connect(c);
    // Group 1's only word known on its first day: it holds two days, so the
    // group skips the fixed review of the next day.
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w1"), kDay0, 1, memory::Grade::Good}, memory::Model(), kDays));
    c.disconnect();
    EXPECT_EQ(startOn(kDay0.addDays(1), 1), (Groups{2}));
    EXPECT_EQ(startOn(kDay0.addDays(2), 1), (Groups{1, 2, 3}));

    // Retired by the fixed days, a group whose word is answered stays in the plan.
    connect(c);
    ASSERT_FALSE(platform::execute(c, "update kelp_plan set stage = 8, due = null where xh = 1"));
    ASSERT_FALSE(
        recordAnswer(c, {QStringLiteral("w1"), kDay0.addDays(2), 1, memory::Grade::Again}, memory::Model(), kDays));
    platform::OdbcQuery q(c);
    ASSERT_EQ(q.open("select stage, due from kelp_plan where xh = 1", {}), 0);
    ASSERT_EQ(q.fetch(), 0);
    EXPECT_EQ(q.integer(1), 7);
    EXPECT_EQ(q.integer(2), kDay0.addDays(3).toJulianDay()); // the lapse: the next day
}

TEST_F(PlanFixture, HardWordsComeFirstWhileDueUntilKnownOnALaterDay)
{
    addGroups(4);
    EXPECT_EQ(startOn(kDay0, 1), (Groups{1}));
    platform::OdbcConnection c;
    connect(c);
    const memory::Model model;
    const auto hardOn = [&c](const QDate &day) {
        WordBuffer b;
        EXPECT_FALSE(loadHardWords(c, day, b).has_value());
        QStringList rows;
        for (long r = 1; r <= b.rowCount(); ++r)
            rows << b.item(r, kWordColumn).value_or(QString()) + QLatin1Char('|') +
                        b.item(r, kMeaningColumn).value_or(QString());
        return rows;
    };
    EXPECT_TRUE(hardOn(kDay0).isEmpty()) << "nothing answered yet";
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w1"), kDay0, 10, memory::Grade::Again}, model, kDays));
    // Known again the same day: still hard, and not due before its memory is.
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w1"), kDay0, 20, memory::Grade::Good}, model, kDays));
    EXPECT_TRUE(hardOn(kDay0).isEmpty());
    const QDate next = kDay0.addDays(1);
    ASSERT_FALSE(recordNoted(c, QStringLiteral("w3"), next)); // Alt+D
    EXPECT_EQ(hardOn(next), (QStringList{"0|生词本", "w1|n. 词", "w3|n. 词"}));
    // Known on a later day: it leaves the group.
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w1"), next, 30, memory::Grade::Good}, model, kDays));
    EXPECT_EQ(hardOn(next), (QStringList{"0|生词本", "w3|n. 词"}));
    ASSERT_FALSE(recordAnswer(c, {QStringLiteral("w3"), next.addDays(1), 5, memory::Grade::Good}, model, kDays));
    EXPECT_TRUE(hardOn(next.addDays(1)).isEmpty());
}

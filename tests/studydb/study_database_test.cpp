// The loaders against the real driver manager and the SQLite ODBC driver.
#include "platform/odbc.h"
#include "studydb/data_source.h"
#include "studydb/study_database.h"
#include "support/database_fixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace kelp;
using kelp::test::StudyDb;

namespace {

const QDate kToday(2026, 12, 7);
const std::array<int, 8> kFxd{0, 1, 2, 4, 7, 15, 30, 60};

struct DbFixture : ::testing::Test {
    QTemporaryDir dir;
    QString dbPath;
    platform::OdbcConnection connection;

    void SetUp() override
    {
        test::odbcIniPath();
        dbPath = dir.filePath("kelp.mdb");
    }

    // Connects without a data source, so each test stands alone.
    void connect(const QString &path)
    {
        const QString text = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                             QStringLiteral("};Database=") + path + QStringLiteral(";NoCreat=1;JDConv=1;Timeout=2000");
        ASSERT_EQ(connection.connect(text, true), 0) << qPrintable(connection.errorText);
    }
};

std::set<int> asSet(const std::vector<int> &v)
{
    return std::set<int>(v.begin(), v.end());
}

} // namespace

TEST_F(DbFixture, DueGroupsForEveryStage)
{
    {
        StudyDb db(dbPath);
        std::set<int> expected;
        int xh = 1;
        for (int k = 1; k <= 7; ++k) {
            const int days = kFxd[static_cast<size_t>(k)];
            db.group(xh, "exact", kToday.addDays(-days), k);
            expected.insert(xh++);
            db.group(xh++, "a day early", kToday.addDays(-days + 1), k);
            db.group(xh++, "a day late", kToday.addDays(-days - 1), k);
        }
        for (int cs : {0, 8, -1}) {
            for (int days : {0, 1, 2, 4})
                db.group(xh++, "never", kToday.addDays(-days), cs);
        }
        connect(dbPath);
        std::vector<int> groups;
        ASSERT_FALSE(findDueGroups(connection, kToday, kFxd, groups).has_value());
        EXPECT_EQ(asSet(groups), expected);
        EXPECT_EQ(groups.size(), expected.size());
    }
}

TEST_F(DbFixture, AtMostAHundredDueGroupsInDatabaseOrder)
{
    StudyDb db(dbPath);
    db.exec("begin");
    for (int xh = 1; xh <= 150; ++xh)
        db.group(xh, "g", kToday.addDays(-4), 3);
    db.exec("commit");
    connect(dbPath);
    std::vector<int> groups;
    ASSERT_FALSE(findDueGroups(connection, kToday, kFxd, groups).has_value());
    ASSERT_EQ(groups.size(), 100u);
    EXPECT_EQ(groups.front(), 1);
    EXPECT_EQ(groups.back(), 100);
}

TEST_F(DbFixture, DueGroupsLoadAsHeaderAndWordsInWordOrder)
{
    StudyDb db(dbPath);
    db.group(5, "Fruit", kToday.addDays(-1), 1);
    db.group(2, "Empty", kToday.addDays(-1), 1);
    db.word(5, "pear", "[peə] n. 梨", 2);
    db.word(5, "apple", "/'æpl/ n. 苹果", 1);
    connect(dbPath);

    std::vector<int> groups;
    bool fellBack = false;
    WordBuffer b;
    ASSERT_FALSE(
        loadFromDatabase(connection, SourceMode::Review, kToday, kFxd, "1-10", fellBack, b, groups).has_value());
    EXPECT_FALSE(fellBack);
    EXPECT_EQ(asSet(groups), (std::set<int>{2, 5})); // a due group without words stays listed
    ASSERT_EQ(b.rowCount(), 3);
    EXPECT_EQ(b.item(1, 1), QString("5"));
    EXPECT_EQ(b.item(1, 2), QString("Fruit"));
    EXPECT_EQ(b.item(1, 3), std::nullopt);
    EXPECT_EQ(b.item(2, 1), QString("apple"));
    EXPECT_EQ(b.item(2, 2), QStringLiteral(" n. 苹果"));
    EXPECT_EQ(b.item(2, 3), QString("/'æpl/"));
    EXPECT_EQ(b.item(3, 3), QString("peə"));
}

TEST_F(DbFixture, NothingDueFallsBackToTheRange)
{
    StudyDb db(dbPath);
    for (int xh = 1; xh <= 12; ++xh) {
        db.group(xh, QStringLiteral("Group %1").arg(xh), kToday.addDays(-30), 1);
        if (xh != 4)
            db.word(xh, QStringLiteral("w%1").arg(xh), "x", 1);
    }
    connect(dbPath);
    std::vector<int> groups;
    bool fellBack = false;
    WordBuffer b;
    ASSERT_FALSE(
        loadFromDatabase(connection, SourceMode::Review, kToday, kFxd, "1-10", fellBack, b, groups).has_value());
    EXPECT_TRUE(fellBack);
    EXPECT_EQ(groups, (std::vector<int>{1, 2, 3, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(b.rowCount(), 18);
    EXPECT_EQ(b.item(7, 1), QString("5"));
}

TEST_F(DbFixture, RangeEdgeCases)
{
    StudyDb db(dbPath);
    for (int xh = 1; xh <= 5; ++xh) {
        db.group(xh, "g", kToday, 1);
        db.word(xh, "b", "x", 2);
        db.word(xh, "a", "y", 1);
    }
    connect(dbPath);
    const auto load = [&](const QString &groupRange) {
        std::vector<int> groups;
        WordBuffer b;
        EXPECT_FALSE(loadGroupRange(connection, groupRange, b, groups).has_value());
        return groups;
    };
    EXPECT_EQ(load("2-3"), (std::vector<int>{2, 3}));
    EXPECT_EQ(load(" 2 - 3 "), (std::vector<int>{2, 3}));
    EXPECT_EQ(load("3-2"), std::vector<int>{});
    EXPECT_EQ(load("0-0"), std::vector<int>{1});
    EXPECT_EQ(load("x-y"), std::vector<int>{1});
    EXPECT_EQ(load("-2"), (std::vector<int>{1, 2}));
    EXPECT_EQ(load("4"), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(load("\t2-3"), (std::vector<int>{1, 2, 3})); // tabs are not trimmed: the first part reads 0

    std::vector<int> groups;
    WordBuffer b;
    ASSERT_FALSE(loadGroupRange(connection, "1-2", b, groups).has_value());
    ASSERT_EQ(b.rowCount(), 6);
    EXPECT_EQ(b.item(2, 1), QString("a")); // word order inside a group
    EXPECT_EQ(b.item(4, 1), QString("2"));
}

TEST_F(DbFixture, TextsLongerThanTheDeclaredWidthsStayWhole)
{
    StudyDb db(dbPath);
    db.group(1, "g", kToday, 1);
    const QString meaning = QStringLiteral("n. ") + QString(3000, QChar(0x6D77)); // 海 × 3000
    db.word(1, QString(200, QLatin1Char('w')), meaning, 1);
    connect(dbPath);
    std::vector<int> groups;
    WordBuffer b;
    ASSERT_FALSE(loadGroupRange(connection, "1-1", b, groups).has_value());
    EXPECT_EQ(b.item(2, 1)->size(), 200);
    EXPECT_EQ(b.item(2, 2), meaning);
}

TEST_F(DbFixture, BrokenDatabasesFailTheQueryWithStatusAndCause)
{
    // Not a database at all.
    {
        QFile f(dbPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    connect(dbPath);
    std::vector<int> groups;
    WordBuffer b;
    auto error = loadGroupRange(connection, "1-10", b, groups);
    ASSERT_TRUE(error.has_value());
    EXPECT_LT(error->status, 0);
    EXPECT_TRUE(error->text.contains("not a database")) << qPrintable(error->text);
    connection.disconnect();

    // A database without the tables.
    const QString empty = dir.filePath("empty.mdb");
    {
        StudyDb db(empty);
        db.exec("drop table fb; drop table zb;");
    }
    connect(empty);
    error = findDueGroups(connection, kToday, kFxd, groups);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->text.contains("no such table")) << qPrintable(error->text);
    EXPECT_EQ(b.rowCount(), 0);
}

TEST_F(DbFixture, MissingFileIsNeverCreated)
{
    const QString missing = dir.filePath("missing.mdb");
    const QString text = QStringLiteral("Driver={") + platform::registeredDriverPath(kDriverName) +
                         QStringLiteral("};Database=") + missing + QStringLiteral(";NoCreat=1");
    EXPECT_NE(connection.connect(text, true), 0);
    EXPECT_FALSE(QFile::exists(missing));
    std::vector<int> groups;
    WordBuffer b;
    const auto error = loadGroupRange(connection, "1-10", b, groups);
    ASSERT_TRUE(error.has_value());
    EXPECT_LT(error->status, 0);
}

TEST(GroupRange, Parsing)
{
    EXPECT_EQ(parseGroupRange("1-10").first, 1);
    EXPECT_EQ(parseGroupRange("1-10").last, 10);
    EXPECT_EQ(parseGroupRange(" 7 - 9 ").first, 7);
    EXPECT_EQ(parseGroupRange(" 7 - 9 ").last, 9);
    EXPECT_EQ(parseGroupRange("-5").first, 1);
    EXPECT_EQ(parseGroupRange("12").last, 12);
    EXPECT_EQ(parseGroupRange("99999-99999").last, 32767);
    // Too large for any number: still the largest group, as 32768 is.
    EXPECT_EQ(parseGroupRange("1-32768").last, 32767);
    EXPECT_EQ(parseGroupRange("1-99999999999").last, 32767);
    EXPECT_EQ(parseGroupRange("99999999999-99999999999").first, 32767);
    EXPECT_EQ(parseGroupRange("1-x").last, 1);
}

TEST_F(DbFixture, LockedDatabaseFailsAfterTheWaitInsteadOfHanging)
{
    StudyDb db(dbPath);
    db.group(1, "g", kToday, 1);
    db.word(1, "a", "x", 1);
    connect(dbPath);
    db.exec("begin exclusive; insert into zb values (2, 'h', 0, 1);");
    std::vector<int> groups;
    WordBuffer b;
    const auto error = loadGroupRange(connection, "1-10", b, groups);
    db.exec("rollback;");
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->text.contains("locked")) << qPrintable(error->text);
}

// The words window's book on a PostgreSQL server of the test's own: the same
// changes and undo as on the local file, dates kept as the server's dates,
// and another trainer's change meanwhile never overwritten.
#include "platform/odbc.h"
#include "studydb/data_source.h"
#include "studydb/study_writer.h"
#include "studydb/word_store.h"
#include "support/postgres_server.h"
#include "wordbook/stored_lines.h"
#include "wordbook/word_book.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

const std::array<int, 8> kDays{0, 1, 2, 4, 7, 15, 30, 60};
const QDate kDay(2026, 5, 4);

struct WordBookServerFixture : ::testing::Test {
    static inline test::PostgresServer *server = nullptr;
    platform::OdbcConnection remote; // the test's own look at the tables
    std::unique_ptr<StudyDatabase> database;
    std::unique_ptr<WordBook> book;

    static void SetUpTestSuite()
    {
        server = new test::PostgresServer;
        ASSERT_TRUE(server->start()) << qPrintable(server->error());
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!server || server->folder().isEmpty())
            GTEST_SKIP() << "no server";
        ASSERT_FALSE(connectDataSource(remote, test::kServerDsn).has_value()) << qPrintable(remote.errorText);
        const std::vector<StudyGroup> groups{{1,
                                              QStringLiteral("水果"),
                                              kDay,
                                              3,
                                              {{"apple", "/ˈæpl/ n. 苹果"}, {"pear", "n. 梨"}, {"grape", "n. 葡萄"}}},
                                             {2, QStringLiteral("动物"), QDate(), 0, {{"cat", "n. 猫"}}}};
        ASSERT_FALSE(writeStudyTables(remote, groups, true).has_value());
        auto opened = StudyDatabase::openDataSource(test::kServerDsn);
        ASSERT_TRUE(opened) << qPrintable(opened.error().text);
        database = std::move(*opened);
        book = std::make_unique<WordBook>(*database, kDays, kDay);
        ASSERT_FALSE(book->load().has_value());
    }

    QStringList stored() { return test::storedLines(remote); }
};

TEST_F(WordBookServerFixture, ChangesUndoOnTheServer)
{
    const QStringList before = stored();
    ASSERT_TRUE(book->editWord(0, WordTableModel::Meaning, QStringLiteral("n. 苹果树")));
    ASSERT_TRUE(book->moveWords({2}, 2));
    ASSERT_TRUE(book->splitGroup(1)); // pear
    ASSERT_TRUE(book->deleteGroup(1));
    EXPECT_EQ(stored(), (QStringList{"#2 动物  0", "2 1 cat|n. 猫", "2 2 grape|n. 葡萄", "#3 水果 (2) 2026-05-04 3",
                                     "3 2 pear|n. 梨"}));
    while (book->undoStack().canUndo())
        book->undoStack().undo();
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(before[0], QStringLiteral("#1 水果 2026-05-04 3"));
}

TEST_F(WordBookServerFixture, AnotherTrainersChangeIsKept)
{
    platform::OdbcConnection other;
    ASSERT_FALSE(connectDataSource(other, test::kServerDsn).has_value());
    ASSERT_FALSE(platform::execute(other, "update fb set lx2 = 'n. 梨子' where da = 'pear'").has_value());
    QSignalSpy problems(book.get(), &WordBook::problem);
    EXPECT_FALSE(book->deleteWords({1}));
    EXPECT_EQ(problems.count(), 1);
    EXPECT_TRUE(stored().contains(QStringLiteral("1 2 pear|n. 梨子")));
    EXPECT_EQ(book->wordList()[1].meaning, QStringLiteral("n. 梨子")); // read anew
}

} // namespace

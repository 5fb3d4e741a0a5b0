// The words window's book on a local study database: search, edits, deletes,
// moves and splits reach the file in place, each undone and redone; a row
// another trainer changed meanwhile is never overwritten.
#include "studydb/grade_store.h"
#include "studydb/study_database.h"
#include "studydb/study_plan.h"
#include "studydb/word_store.h"
#include "support/database_fixture.h"
#include "support/files.h"
#include "wordbook/print_groups.h"
#include "wordbook/stored_lines.h"
#include "wordbook/word_book.h"
#include "wordbook/word_book_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

using namespace kelp;

namespace {

const std::array<int, 8> kDays{0, 1, 2, 4, 7, 15, 30, 60};
const QDate kDay(2026, 5, 4);

struct WordBookFixture : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<test::StudyDb> db;
    platform::OdbcConnection connection; // the test's own look at the tables
    std::unique_ptr<StudyDatabase> database;
    std::unique_ptr<WordBook> book;

    void SetUp() override
    {
        test::odbcIniPath();
        db = std::make_unique<test::StudyDb>(dir.filePath("kelp.mdb"));
        db->group(1, QStringLiteral("Fruit"), kDay, 2);
        db->word(1, QStringLiteral("apple"), QStringLiteral("/ˈæpl/ n. 苹果"), 1);
        db->word(1, QStringLiteral("pear"), QStringLiteral("[peə] n. 梨"), 2);
        db->word(1, QStringLiteral("Pineapple"), QStringLiteral("n. 菠萝"), 3);
        db->word(1, QStringLiteral("grape"), QStringLiteral("n. 葡萄"), 4);
        db->group(2, QStringLiteral("Animals"), kDay, 0);
        db->word(2, QStringLiteral("cat"), QStringLiteral("/kæt/ n. 猫"), 1);
        ASSERT_FALSE(connectDatabaseFile(connection, dir.filePath("kelp.mdb")).has_value());
        auto opened = StudyDatabase::openFile(dir.filePath("kelp.mdb"));
        ASSERT_TRUE(opened) << qPrintable(opened.error().text);
        database = std::move(*opened);
        book = std::make_unique<WordBook>(*database, kDays, kDay);
        ASSERT_FALSE(book->load().has_value());
    }

    QStringList stored() { return test::storedLines(connection); }

    int indexOf(const QString &word)
    {
        for (size_t i = 0; i < book->wordList().size(); ++i)
            if (book->wordList()[i].stored.word == word)
                return static_cast<int>(i);
        return -1;
    }

    QStringList shownWords()
    {
        QStringList out;
        for (int row = 0; row < book->words().rowCount(); ++row)
            out << book->words().index(row, WordTableModel::Word).data().toString();
        return out;
    }

    // Undo, redo, undo: the file each time as it should be.
    void expectUndoable(const QStringList &before, const QStringList &after)
    {
        EXPECT_EQ(stored(), after);
        book->undoStack().undo();
        EXPECT_EQ(stored(), before);
        book->undoStack().redo();
        EXPECT_EQ(stored(), after);
        book->undoStack().undo();
        EXPECT_EQ(stored(), before);
    }
};

TEST_F(WordBookFixture, TablesShowGroupsAndSplitWords)
{
    EXPECT_EQ(book->groups().rowCount(), 2);
    EXPECT_EQ(book->groups().index(0, GroupTableModel::Words).data().toInt(), 4);
    EXPECT_EQ(book->groups().index(0, GroupTableModel::NextReview).data().toString(), QStringLiteral("2026-05-06"));
    EXPECT_EQ(book->groups().index(1, GroupTableModel::NextReview).data().toString(), QStringLiteral("—"));
    EXPECT_EQ(shownWords(), (QStringList{"apple", "pear", "Pineapple", "grape"}));
    EXPECT_EQ(book->words().index(1, WordTableModel::Transcription).data().toString(), QStringLiteral("peə"));
    EXPECT_EQ(book->words().index(1, WordTableModel::Meaning).data().toString(), QStringLiteral("n. 梨"));
}

TEST_F(WordBookFixture, SearchFindsWordsAndMeaningsInAnyCase)
{
    book->setSearch(QStringLiteral("APPLE"));
    EXPECT_EQ(shownWords(), (QStringList{"apple", "Pineapple"}));
    book->setSearch(QStringLiteral("猫"));
    EXPECT_EQ(shownWords(), (QStringList{"cat"}));
    book->setSearch(QStringLiteral("n. "));
    EXPECT_EQ(book->words().rowCount(), 5);
    // An edit is found at once.
    book->setSearch(QStringLiteral("狸"));
    EXPECT_EQ(book->words().rowCount(), 0);
    ASSERT_TRUE(book->editWord(indexOf("cat"), WordTableModel::Meaning, QStringLiteral("n. 狸猫")));
    book->setSearch(QStringLiteral("狸"));
    EXPECT_EQ(shownWords(), (QStringList{"cat"}));
}

TEST_F(WordBookFixture, EditsKeepTheTranscriptionAndUndo)
{
    const QStringList before = stored();
    ASSERT_TRUE(
        book->words().setData(book->words().index(0, WordTableModel::Meaning), QStringLiteral("n. 苹果；苹果树")));
    QStringList after = before;
    after[1] = QStringLiteral("1 1 apple|/ˈæpl/ n. 苹果；苹果树");
    expectUndoable(before, after);
    EXPECT_EQ(book->words().index(0, WordTableModel::Meaning).data().toString(), QStringLiteral("n. 苹果"));

    ASSERT_TRUE(book->editWord(indexOf("pear"), WordTableModel::Transcription, QStringLiteral("/peər/")));
    after = before;
    after[2] = QStringLiteral("1 2 pear|/peər/ n. 梨");
    expectUndoable(before, after);

    ASSERT_TRUE(book->groups().setData(book->groups().index(1, GroupTableModel::Title), QStringLiteral("动物")));
    after = before;
    after[5] = QStringLiteral("#2 动物 2026-05-04 0");
    expectUndoable(before, after);
}

TEST_F(WordBookFixture, ChangeMadeElsewhereIsNotOverwritten)
{
    QSignalSpy problems(book.get(), &WordBook::problem);
    db->exec("update fb set lx2 = 'n. 苹果（另一台）' where da = 'apple'");
    EXPECT_FALSE(book->editWord(indexOf("apple"), WordTableModel::Meaning, QStringLiteral("n. 苹果树")));
    EXPECT_EQ(problems.count(), 1);
    EXPECT_TRUE(stored().contains(QStringLiteral("1 1 apple|n. 苹果（另一台）")));
    EXPECT_EQ(book->wordList()[static_cast<size_t>(indexOf("apple"))].meaning, QStringLiteral("n. 苹果（另一台）"));
    EXPECT_FALSE(book->undoStack().canUndo());

    // An undo that would overwrite is refused too.
    ASSERT_TRUE(book->renameGroup(2, QStringLiteral("Pets")));
    db->exec("update zb set bt = 'Zoo' where xh = 2");
    book->undoStack().undo();
    EXPECT_EQ(problems.count(), 2);
    EXPECT_TRUE(stored().contains(QStringLiteral("#2 Zoo 2026-05-04 0")));
}

TEST_F(WordBookFixture, AChangeWaitsForALockWithoutStoppingTheWindow)
{
    // Another program holds the file locked; it lets go from a timer of this
    // thread, which only runs while the change waits off it.
    db->exec("begin exclusive");
    db->exec("update zb set bt = bt where xh = 1");
    bool released = false;
    QTimer::singleShot(100, [&] {
        db->exec("commit");
        released = true;
    });
    EXPECT_TRUE(book->editWord(indexOf("apple"), WordTableModel::Meaning, QStringLiteral("n. 苹果树")));
    EXPECT_TRUE(released);
    EXPECT_TRUE(stored().contains(QStringLiteral("1 1 apple|/ˈæpl/ n. 苹果树")));
}

TEST_F(WordBookFixture, AddsAWordAfterTheLastOfItsGroupAndUndoes)
{
    ASSERT_TRUE(book->addWord(2, QStringLiteral(" dog "), QStringLiteral("n. 狗 [动]")));
    const QString line = QStringLiteral("2 2 dog|n. 狗 ［动］"); // a label never read as a transcription
    EXPECT_TRUE(stored().contains(line)) << qPrintable(stored().join('\n'));
    EXPECT_EQ(book->groupList()[1].words, 2);
    book->undoStack().undo();
    EXPECT_FALSE(stored().contains(line));
    book->undoStack().redo();
    EXPECT_TRUE(stored().contains(line));
    EXPECT_FALSE(book->addWord(2, QStringLiteral("  "), QStringLiteral("空")));

    // A new group after the last, empty until its first word; undone, it is gone from the file too.
    const auto groupsInFile = [this] {
        platform::OdbcQuery q(connection);
        EXPECT_EQ(q.open("select count(*) || ':' || coalesce(max(bt), '') from zb where xh = 3", {}), 0);
        EXPECT_EQ(q.fetch(), 0);
        return q.text(1).value_or(QString());
    };
    ASSERT_TRUE(book->addGroup(QStringLiteral(" 第三课 ")));
    EXPECT_EQ(groupsInFile(), QStringLiteral("1:第三课"));
    ASSERT_TRUE(book->addWord(3, QStringLiteral("cow"), QStringLiteral("n. 奶牛")));
    EXPECT_TRUE(stored().contains(QStringLiteral("3 1 cow|n. 奶牛")));
    book->undoStack().undo();
    book->undoStack().undo();
    EXPECT_EQ(groupsInFile(), QStringLiteral("0:"));
    EXPECT_EQ(book->groupList().size(), 2U);
}

TEST_F(WordBookFixture, DeletesUndo)
{
    const QStringList before = stored();
    ASSERT_TRUE(book->deleteWords({indexOf("pear"), indexOf("cat")}));
    QStringList after = before;
    after.removeAt(6);
    after.removeAt(2);
    expectUndoable(before, after);

    ASSERT_TRUE(book->deleteGroup(1));
    EXPECT_EQ(book->groups().rowCount(), 1);
    expectUndoable(before, before.mid(5));
}

TEST_F(WordBookFixture, MovesAndSplitsUndo)
{
    const QStringList before = stored();
    ASSERT_TRUE(book->moveWords({indexOf("pear"), indexOf("grape")}, 2));
    EXPECT_EQ(book->groups().index(1, GroupTableModel::Words).data().toInt(), 3);
    QStringList after{before[0],
                      before[1],
                      before[3],
                      before[5],
                      before[6],
                      QStringLiteral("2 2 pear|[peə] n. 梨"),
                      QStringLiteral("2 3 grape|n. 葡萄")};
    expectUndoable(before, after);

    ASSERT_TRUE(book->splitGroup(indexOf("Pineapple")));
    // The new part after the last group, on the same schedule.
    after = QStringList{before[0],
                        before[1],
                        before[2],
                        before[5],
                        before[6],
                        QStringLiteral("#3 Fruit (2) 2026-05-04 2"),
                        QStringLiteral("3 3 Pineapple|n. 菠萝"),
                        QStringLiteral("3 4 grape|n. 葡萄")};
    expectUndoable(before, after);
    EXPECT_FALSE(book->splitGroup(indexOf("apple"))); // nothing would stay behind
}

TEST_F(WordBookFixture, WindowSearchesAsYouTypeAndShowsTheChosenGroup)
{
    auto own = StudyDatabase::openFile(dir.filePath("kelp.mdb"));
    ASSERT_TRUE(own) << qPrintable(own.error().text);
    WordBookWindow window(std::move(*own), kDays);
    ASSERT_FALSE(window.book().load().has_value());
    QAbstractItemModel *words = window.wordView()->model();
    EXPECT_EQ(words->rowCount(), 4);
    window.searchBox()->setText(QStringLiteral("apple"));
    EXPECT_EQ(words->rowCount(), 2); // apple, Pineapple
    window.groupView()->setCurrentIndex(window.groupView()->model()->index(1, 0));
    EXPECT_TRUE(window.searchBox()->text().isEmpty());
    ASSERT_EQ(words->rowCount(), 1);
    EXPECT_EQ(words->index(0, WordTableModel::Word).data().toString(), QStringLiteral("cat"));
}

TEST_F(WordBookFixture, AHeaderOrdersTheWordsAndTheCurrentWordFollows)
{
    auto own = StudyDatabase::openFile(dir.filePath("kelp.mdb"));
    ASSERT_TRUE(own) << qPrintable(own.error().text);
    WordBookWindow window(std::move(*own), kDays);
    ASSERT_FALSE(window.book().load().has_value());
    QTableView *view = window.wordView();
    QAbstractItemModel *words = view->model();
    const auto column = [words](int c) {
        QStringList texts;
        for (int r = 0; r < words->rowCount(); ++r)
            texts << words->index(r, c).data().toString();
        return texts;
    };
    view->setCurrentIndex(words->index(1, WordTableModel::Word)); // pear
    view->sortByColumn(WordTableModel::Word, Qt::AscendingOrder);
    EXPECT_EQ(column(WordTableModel::Word), (QStringList{"apple", "grape", "pear", "Pineapple"}));
    EXPECT_EQ(view->currentIndex().data().toString(), QStringLiteral("pear"));
    // Chinese by its pinyin: 菠萝 bōluó, 梨 lí, 苹果 píngguǒ, 葡萄 pútao.
    view->sortByColumn(WordTableModel::Meaning, Qt::AscendingOrder);
    EXPECT_EQ(column(WordTableModel::Word), (QStringList{"Pineapple", "pear", "apple", "grape"}));
    view->sortByColumn(WordTableModel::Meaning, Qt::DescendingOrder);
    EXPECT_EQ(column(WordTableModel::Word), (QStringList{"grape", "apple", "pear", "Pineapple"}));
    // An answered word shows its memory; the others nothing, and they order last.
    ASSERT_FALSE(
        recordAnswer(connection, {QStringLiteral("grape"), kDay, 1, memory::Grade::Good}, memory::Model(), kDays));
    ASSERT_FALSE(window.book().load().has_value());
    view->sortByColumn(WordTableModel::NextDay, Qt::AscendingOrder);
    EXPECT_EQ(column(WordTableModel::Word).constFirst(), QStringLiteral("grape"));
    EXPECT_EQ(column(WordTableModel::Stability), (QStringList{"2.3", "", "", ""}));
    EXPECT_EQ(column(WordTableModel::NextDay).constFirst(), kDay.addDays(2).toString(Qt::ISODate));
    // Back in the book's order; the database's places never changed.
    const QStringList before = stored();
    view->sortByColumn(WordTableModel::Group, Qt::AscendingOrder);
    EXPECT_EQ(column(WordTableModel::Word), (QStringList{"apple", "pear", "Pineapple", "grape"}));
    EXPECT_EQ(stored(), before);
}

TEST(WordBookWindow, NextReviewIsTheDayTheDueQueryFindsAGroup)
{
    test::odbcIniPath();
    QTemporaryDir dir;
    const QDate today = QDate::currentDate(); // the window's own day
    const std::array<int, 8> days{0, 2, 3, 5, 8, 16, 31, 61};
    {
        test::StudyDb db(dir.filePath("kelp.mdb"));
        // Two groups at each stage: one due today, one due the day after.
        for (int stage = 1; stage <= 7; ++stage) {
            for (int later = 0; later <= 1; ++later) {
                const int xh = stage * 2 - 1 + later;
                db.group(xh, QStringLiteral("g%1").arg(xh), today.addDays(later - days[static_cast<size_t>(stage)]),
                         stage);
                db.word(xh, QStringLiteral("w%1").arg(xh), QStringLiteral("词"), 1);
            }
        }
        db.group(15, QStringLiteral("new"), QDate(), 0);
        db.word(15, QStringLiteral("w15"), QStringLiteral("词"), 1);
    }
    ASSERT_TRUE(test::writeAll(dir.filePath("wkcfg.ini"), "[YWQX]\r\nXXTS=2t3t5t8t16t31t61t\r\n"));
    const auto compare = [&](const char *when) {
        platform::OdbcConnection c;
        ASSERT_FALSE(connectDatabaseFile(c, dir.filePath("kelp.mdb")).has_value());
        std::vector<int> due;
        ASSERT_FALSE(findDueGroups(c, today, days, due).has_value());
        openWordBook(dir.path());
        WordBookWindow *window = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            window = window ? window : dynamic_cast<WordBookWindow *>(w);
        ASSERT_NE(window, nullptr);
        const QAbstractItemModel *groups = window->groupView()->model();
        int shownDue = 0;
        for (int row = 0; row < groups->rowCount(); ++row) {
            const int xh = groups->index(row, GroupTableModel::Number).data().toInt();
            const QString next = groups->index(row, GroupTableModel::NextReview).data().toString();
            const bool isDue = std::count(due.begin(), due.end(), xh) > 0;
            EXPECT_EQ(next == today.toString(QStringLiteral("yyyy-MM-dd")), isDue) << when << " group " << xh;
            shownDue += isDue;
        }
        EXPECT_GT(shownDue, 0) << when;
        delete window;
    };
    compare("without a plan");
    {
        platform::OdbcConnection c;
        ASSERT_FALSE(connectDatabaseFile(c, dir.filePath("kelp.mdb")).has_value());
        ASSERT_FALSE(plan::bringUpToDate(c, today, days, 1).has_value());
    }
    compare("with a plan");
}

} // namespace

TEST(WordBookPrint, TheLearnersTextsArePrintedAsTextNeverAsMarkup)
{
    exporting::ExportGroup group{7, QStringLiteral("第<b>七</b>课 & more"), {}};
    group.words.push_back({QStringLiteral("<script>"), QStringLiteral("ˈskrɪpt"), QStringLiteral("n. 脚本 <i>")});
    const QString html = printableHtml({group});
    EXPECT_TRUE(html.contains(QStringLiteral("第7组 第&lt;b&gt;七&lt;/b&gt;课 &amp; more")));
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;script&gt;")));
    EXPECT_TRUE(html.contains(QStringLiteral("/ˈskrɪpt/")));
    EXPECT_FALSE(html.contains(QStringLiteral("<i>")));
    // Saved as a PDF, as the print dialog's "print to file" does.
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("words.pdf")));
    printGroups(printer, {group});
    QFile pdf(dir.filePath(QStringLiteral("words.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));
}

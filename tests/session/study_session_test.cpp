// The study session as the hot keys and the menu drive it: timer state,
// hiding, group walks over a loaded group list, and the notebook.
#include "config/codec.h"
#include "session/study_session.h"
#include "support/files.h"
#include "support/words.h"

#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace kelp;

namespace {

const QString kTwoGroups = QStringLiteral("Unit 1\na#甲#ei\nb#乙\nUnit 2\nc#丙\n");

} // namespace

TEST(StudySession, PauseHideAndDragDecideTheTimer)
{
    StudySession s(test::wordsFrom(kTwoGroups), {}, false);
    s.setInterval(0); // taken as one second, never as "off"
    s.start(2);
    EXPECT_TRUE(s.isTimerRunning());
    EXPECT_EQ(s.presentation().wordLabel.text, "a");

    s.togglePause();
    EXPECT_FALSE(s.isTimerRunning());
    EXPECT_TRUE(s.presentation().paused);
    // Letting go of a drag restarts the timer even while paused; its ticks then do nothing.
    s.holdTimer();
    s.releaseTimer();
    EXPECT_TRUE(s.isTimerRunning());
    s.togglePause();
    EXPECT_FALSE(s.presentation().paused);

    QSignalSpy hidden(&s, &StudySession::hiddenChanged);
    s.toggleHidden();
    EXPECT_TRUE(s.isHidden());
    EXPECT_FALSE(s.isTimerRunning());
    s.toggleHidden();
    EXPECT_FALSE(s.isHidden());
    EXPECT_TRUE(s.isTimerRunning());
    ASSERT_EQ(hidden.count(), 2);
    EXPECT_TRUE(hidden.at(0).at(0).toBool());
    EXPECT_FALSE(hidden.at(1).at(0).toBool());

    // After the close nothing restarts the cycle.
    s.stop();
    s.releaseTimer();
    EXPECT_FALSE(s.isTimerRunning());
}

TEST(StudySession, EmptyMaterialShowsNoDataAndLeavesTheTimerOff)
{
    StudySession s(WordBuffer{}, {}, false);
    s.start(1);
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("无数据"));
    EXPECT_FALSE(s.isTimerRunning());
    s.nextItem();
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("无数据"));
}

TEST(StudySession, CommandsStepAndReportChanges)
{
    StudySession s(test::wordsFrom(kTwoGroups), {}, false);
    QStringList spoken;
    s.setPronouncer([&](const QString &w) {
        spoken << w;
        return false;
    });
    QSignalSpy changed(&s, &StudySession::changed);
    s.start(2);
    s.togglePause();
    s.nextItem(); // the start row's word step is on display: next is row 3's word
    EXPECT_EQ(s.presentation().wordLabel.text, "b");
    s.nextGroup(); // no heading shown yet: group 1, then group 2
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("第1组"));
    s.nextGroup();
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("第2组"));
    s.toggleMute();
    s.previousItem();
    EXPECT_EQ(spoken, (QStringList{"a", "b"})); // headings are not said, nor anything while muted
    EXPECT_EQ(changed.count(), 5);
}

TEST(StudySession, TheCycleWaitsForTheWordButCommandsDoNot)
{
    StudySession s(test::wordsFrom(QStringLiteral("a#甲\nb#乙\nc#丙\n")), {}, false);
    QStringList spoken;
    s.setPronouncer([&](const QString &w) {
        spoken << w;
        return true; // said on another thread: speechFinished() follows
    });
    s.start(1);
    ASSERT_TRUE(s.isWaitingForSpeech());
    // Ticks that fall due while "a" is said are taken as one when it ends.
    s.tick();
    s.tick();
    EXPECT_FALSE(s.presentation().meaningLabel.visible);
    s.speechFinished();
    EXPECT_TRUE(s.presentation().meaningLabel.visible);
    EXPECT_EQ(spoken, (QStringList{"a", "a"}));
    s.speechFinished();
    EXPECT_EQ(s.presentation().currentRow, 2) << "a folded tick was taken twice";
    // A command is served at once and forgets the step the cycle owed.
    s.tick(); // "b", being said
    s.tick(); // owed
    s.nextItem();
    EXPECT_EQ(s.presentation().wordLabel.text, "c");
    const long row = s.presentation().currentRow;
    s.speechFinished();
    EXPECT_EQ(s.presentation().currentRow, row);
    EXPECT_EQ(spoken.last(), "c");
}

TEST(StudySession, GroupCommandsWalkTheLoadedGroupList)
{
    // Groups 7 and 3 as the database delivered them, in that order.
    WordBuffer words = test::wordsFrom(QString());
    for (const auto &[da, meaning] : {std::pair{"7", "seven"}, {"x", "x"}, {"3", "three"}, {"y", "y"}}) {
        const long row = words.appendRow();
        words.setItem(row, 1, da);
        words.setItem(row, 2, meaning);
    }
    StudySession s(std::move(words), {7, 3}, true);
    s.start(1);
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("第7组"));
    s.nextGroup();
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("第3组"));
    s.nextGroup(); // the last group stays
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("第3组"));
    s.previousGroup();
    EXPECT_EQ(s.presentation().wordLabel.text, QStringLiteral("第7组"));
}

TEST(StudySession, NotebookTakesTheWordOnDisplayAndReportsFailures)
{
    test::ProgramFolder folder;
    StudySession s(test::wordsFrom(kTwoGroups), {}, false);
    QSignalSpy failed(&s, &StudySession::notebookFailed);
    s.setNotebookPath(folder.filePath(QStringLiteral("data/生词本.txt")));
    s.start(1);
    s.addToNotebook(); // a heading: nothing written
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("data/生词本.txt"))));
    s.togglePause();
    s.nextItem();
    s.addToNotebook();
    EXPECT_EQ(test::readAll(folder.filePath(QStringLiteral("data/生词本.txt"))),
              codec::toGb18030(QStringLiteral("a#甲#/ ei/\r\n")));
    EXPECT_EQ(failed.count(), 0);

    s.setNotebookPath(folder.path()); // a folder cannot be opened as the notebook
    s.addToNotebook();
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(failed.at(0).at(0).toBool());
    // Another user's notebook: refused, and the learner is told why.
    const QString theirs = folder.filePath(QStringLiteral("data/theirs.txt"));
    ASSERT_TRUE(test::writeAll(theirs, "x#y\r\n"));
    if (::chown(QFile::encodeName(theirs).constData(), 65534, 65534) == 0) {
        s.setNotebookPath(theirs);
        s.addToNotebook();
        ASSERT_EQ(failed.count(), 2);
        EXPECT_TRUE(failed.at(1).at(1).toString().contains(QLatin1String("belongs to another user")))
            << qPrintable(failed.at(1).at(1).toString());
    }
}

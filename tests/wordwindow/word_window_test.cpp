// The word window under Qt's offscreen platform: it shows what the session
// has on display, the commands reach the session through their actions, and
// the placement keeps an unmoved window's stored position.
#include "config/settings.h"
#include "platform/desktop.h"
#include "session/study_session.h"
#include "support/files.h"
#include "support/words.h"
#include "wordwindow/commands.h"
#include "wordwindow/hot_key_binding.h"
#include "wordwindow/window_placement.h"
#include "wordwindow/word_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

struct WordWindowTest : ::testing::Test {
    std::unique_ptr<platform::Desktop> desktop = platform::Desktop::create();
    std::unique_ptr<StudySession> session;

    void SetUp() override
    {
        session = std::make_unique<StudySession>(
            test::wordsFrom(QStringLiteral("Unit 1\na#甲#ei\nb#乙\nUnit 2\nc#丙\n")), std::vector<int>{}, false);
    }
    static QLabel *label(const WordWindow &w, const char *name) { return w.findChild<QLabel *>(name); }
};

} // namespace

TEST_F(WordWindowTest, ShowsTheSessionAndFollowsItsCommands)
{
    WordWindow w(*session, *desktop);
    Commands commands(*session);
    session->start(2);
    w.show();
    EXPECT_EQ(label(w, "wordLabel")->text(), "a");
    EXPECT_EQ(label(w, "phoneticLabel")->text(), "/ ei/");
    EXPECT_FALSE(label(w, "meaningLabel")->isVisibleTo(&w));

    commands.pause->trigger();
    EXPECT_FALSE(session->isTimerRunning());
    commands.nextItem->trigger(); // row 3's word
    EXPECT_EQ(label(w, "wordLabel")->text(), "b");
    EXPECT_FALSE(label(w, "phoneticLabel")->isVisibleTo(&w)); // b has no transcription
    const int wordStepHeight = w.height();
    commands.previousItem->trigger(); // row 2 again, completed: its meaning shows and the window grows
    EXPECT_EQ(label(w, "wordLabel")->text(), "a");
    EXPECT_EQ(label(w, "meaningLabel")->text(), QStringLiteral("甲"));
    EXPECT_TRUE(label(w, "meaningLabel")->isVisibleTo(&w));
    EXPECT_GT(w.height(), wordStepHeight);

    commands.hide->trigger();
    EXPECT_FALSE(w.isVisible());
    commands.hide->trigger();
    EXPECT_TRUE(w.isVisible());

    commands.syncChecks();
    EXPECT_TRUE(commands.pause->isChecked());
    EXPECT_FALSE(commands.mute->isChecked());
    commands.mute->trigger();
    commands.syncChecks();
    EXPECT_TRUE(commands.mute->isChecked());
    EXPECT_FALSE(session->presentation().speaking);
}

TEST_F(WordWindowTest, MenuAndHotKeysOfferEveryCommand)
{
    Commands commands(*session);
    QStringList texts;
    for (QAction *a : commands.menuActions())
        texts << a->text();
    EXPECT_EQ(texts, (QStringList{"暂停(Alt+x)", "静音(Alt+a)", "隐藏(Atl+z)", "上一组(向下键)", "下一组(向上键)",
                                  "上一条(向左键)", "下一条(向右键)", "加入我的生词本(Alt+d)", "颜色设置", "其他设置",
                                  "退出"}));
    const auto keyOf = [&](QAction *action) {
        for (const auto &hotKey : commands.hotKeys())
            if (hotKey.action == action)
                return hotKey.key;
        return QKeyCombination();
    };
    EXPECT_EQ(keyOf(commands.pause), QKeyCombination(Qt::AltModifier, Qt::Key_X));
    EXPECT_EQ(keyOf(commands.hide), QKeyCombination(Qt::AltModifier, Qt::Key_Z));
    EXPECT_EQ(keyOf(commands.mute), QKeyCombination(Qt::AltModifier, Qt::Key_A));
    EXPECT_EQ(keyOf(commands.addToNotebook), QKeyCombination(Qt::AltModifier, Qt::Key_D));
    EXPECT_EQ(keyOf(commands.nextItem), QKeyCombination(Qt::Key_Right));
    EXPECT_EQ(keyOf(commands.previousItem), QKeyCombination(Qt::Key_Left));
    EXPECT_EQ(keyOf(commands.nextGroup), QKeyCombination(Qt::Key_Up));
    EXPECT_EQ(keyOf(commands.previousGroup), QKeyCombination(Qt::Key_Down));
}

TEST_F(WordWindowTest, PlacementSavesOnlyWhatTheLearnerChose)
{
    test::ProgramFolder folder;
    SettingsFile file(folder.filePath(QStringLiteral("wkcfg.ini")));
    WordWindow w(*session, *desktop);
    WindowPlacement placement(w.units(), 400, 600);
    placement.place(w);
    w.move(0, 0); // pushed by a window manager: no choice of the learner's
    ASSERT_TRUE(placement.save(file));
    EXPECT_EQ(folder.setting(QStringLiteral("winx")), "400");
    EXPECT_EQ(folder.setting(QStringLiteral("winy")), "600");

    const QPoint moved = placement.chosen() + QPoint(50, 20);
    placement.choose(moved); // a drag ended there
    ASSERT_TRUE(placement.save(file));
    EXPECT_EQ(folder.setting(QStringLiteral("winx")), QString::number(w.units().pixelsToX(moved.x())));
    EXPECT_EQ(folder.setting(QStringLiteral("winy")), QString::number(w.units().pixelsToY(moved.y())));
}

TEST_F(WordWindowTest, LineBreaksOfAMeaningAreDrawn)
{
    StudySession two(test::wordsFrom(QStringLiteral("a#one\rtwo\fthree")), {}, false);
    WordWindow w(two, *desktop);
    Commands commands(two);
    two.start(1);
    commands.pause->trigger();
    commands.previousItem->trigger(); // row 1, word step
    commands.previousItem->trigger(); // row 1 completed
    EXPECT_EQ(label(w, "meaningLabel")->text(), QStringLiteral("one\ntwo\nthree"));
    EXPECT_EQ(label(w, "meaningLabel")->height(), w.units().yToPixels(192)); // two lines high
}

TEST_F(WordWindowTest, ARightClickDuringADragLeavesTheTimerRunning)
{
    WordWindow w(*session, *desktop);
    session->start(2);
    w.show();
    const QPoint inside(3, 3);
    QMouseEvent leftDown(QEvent::MouseButtonPress, inside, w.mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                         Qt::NoModifier);
    QApplication::sendEvent(&w, &leftDown);
    EXPECT_FALSE(session->isTimerRunning()); // held while dragging
    bool menuAsked = false;
    QObject::connect(&w, &WordWindow::contextMenuRequested, [&] { menuAsked = true; });
    QMouseEvent rightDown(QEvent::MouseButtonPress, inside, w.mapToGlobal(inside), Qt::RightButton,
                          Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &rightDown);
    EXPECT_TRUE(menuAsked);
    EXPECT_TRUE(session->isTimerRunning()); // the menu took the left release: the drag is over
}

TEST_F(WordWindowTest, ADragEndsWithTheChosenPosition)
{
    WordWindow w(*session, *desktop);
    session->start(2);
    w.move(100, 100);
    w.show();
    QPoint chosen;
    QObject::connect(&w, &WordWindow::positionChosen, [&](QPoint p) { chosen = p; });
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, w.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    };
    send(QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton);
    send(QEvent::MouseMove, {43, 23}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {43, 23}, Qt::NoButton);
    EXPECT_EQ(chosen, QPoint(140, 120));
    EXPECT_TRUE(session->isTimerRunning());
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

// Records which keys are held, as the desktop would.
class FakeHotKeys : public platform::GlobalHotKeys {
public:
    QList<QKeyCombination> held;
    bool grab(QKeyCombination key) override
    {
        held << key;
        return true;
    }
    void release(QKeyCombination key) override { held.removeAll(key); }
    void releaseAll() override { held.clear(); }
};

} // namespace

TEST_F(WordWindowTest, TheArrowKeysCanBeLeftToOtherPrograms)
{
    Commands commands(*session);
    FakeHotKeys keys;
    HotKeyBinding binding(keys, commands);
    const QList<QKeyCombination> arrows{QKeyCombination(Qt::Key_Right), QKeyCombination(Qt::Key_Left),
                                        QKeyCombination(Qt::Key_Up), QKeyCombination(Qt::Key_Down)};
    binding.setArrowKeys(false); // arrows=0 in the settings
    binding.grabAll();
    EXPECT_EQ(keys.held.size(), 4);
    for (const QKeyCombination &key : arrows)
        EXPECT_FALSE(keys.held.contains(key));
    EXPECT_TRUE(keys.held.contains(QKeyCombination(Qt::AltModifier, Qt::Key_Z)));

    binding.setArrowKeys(true); // at once, while running
    for (const QKeyCombination &key : arrows)
        EXPECT_TRUE(keys.held.contains(key));
    EXPECT_EQ(keys.held.size(), 8);
    binding.setArrowKeys(false);
    EXPECT_EQ(keys.held.size(), 4);
    // The Alt keys still run their commands.
    session->start(2);
    emit keys.activated(QKeyCombination(Qt::AltModifier, Qt::Key_X));
    EXPECT_TRUE(session->presentation().paused);
}

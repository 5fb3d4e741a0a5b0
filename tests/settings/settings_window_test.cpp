// The settings window under Qt's offscreen platform: the open sequence for
// every speech state, what a save writes and in which order, and the rules
// of its fields.
#include "config/error_log.h"
#include "config/settings.h"
#include "platform/translations.h"
#include "settings/settings_window.h"
#include "speech/speech_engine.h"
#include "speech_module/synthesis_engine.h"
#include "support/files.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

// Answers the next message box (they are modal) once it shows.
void answerNextMessage()
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            box->close();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

struct SettingsWindowTest : ::testing::Test {
    test::ProgramFolder folder;
    SettingsFile file{folder.filePath("wkcfg.ini")};
    Settings settings;
    QStringList writes;
    int savedHooks = 0;

    void SetUp() override
    {
        ASSERT_TRUE(test::writeAll(file.path(), "[Start]\r\nFirst=false\r\n"));
        settings.dataSourceName = "kelp1";
        settings.reviewCycle = "1t2t4t7t15t";
        settings.reviewDays = {0, 1, 2, 4, 7, 15, 30, 60};
        settings.groupRange = "12-30";
        settings.wordFile = "New_Word.txt";
        settings.sourceMode = SourceMode::GroupRange;
        settings.resumeRowRange = 8;
        file.onWrite = [this](const QString &key) { writes << key; };
    }
    SettingsWindow *make(SpeechEngine *engine = nullptr)
    {
        SettingsWindow::Hooks hooks;
        hooks.saved = [this] { ++savedHooks; };
        return new SettingsWindow(settings, file, engine, folder.path(), hooks);
    }
};

} // namespace

TEST_F(SettingsWindowTest, HintLineAndListsForEverySpeechState)
{
    SynthesisEngine engine; // voices always; outputs only where a sound server runs
    const std::pair<int, QString> codes[] = {
        {-1, "您可能还未安装语音库"}, {-2, "取得引擎失败"}, {-3, "取得音频设备失败(可能未安装声卡)"}};
    for (const auto &[code, text] : codes) {
        settings.voice = code;
        std::unique_ptr<SettingsWindow> w(make(&engine));
        ASSERT_TRUE(w->open());
        EXPECT_EQ(w->hintLine()->text(), text);
        EXPECT_FALSE(w->hintLine()->isHidden());
        EXPECT_EQ(w->voiceList()->count(), 0) << code;
    }
    settings.voice = -4;
    std::unique_ptr<SettingsWindow> failed(make(&engine));
    ASSERT_TRUE(failed->open());
    EXPECT_EQ(failed->hintLine()->text(), "调运speak函数失败,请重新进行TTS配制。");
    EXPECT_EQ(failed->voiceList()->count(), engine.voiceCount()); // the lists are still filled
    EXPECT_EQ(failed->voiceList()->currentIndex(), -1);

    settings.voice = 2;
    std::unique_ptr<SettingsWindow> fine(make(&engine));
    ASSERT_TRUE(fine->open());
    EXPECT_TRUE(fine->hintLine()->isHidden());
    EXPECT_EQ(fine->voiceList()->currentIndex(), 1);
    EXPECT_EQ(fine->voiceList()->itemText(0), engine.voice(0).description);

    settings.voice = 999; // beyond the voices: nothing selected
    std::unique_ptr<SettingsWindow> beyond(make(&engine));
    ASSERT_TRUE(beyond->open());
    EXPECT_EQ(beyond->voiceList()->currentIndex(), -1);
}

TEST_F(SettingsWindowTest, SaveWritesInItsOrderAndTheRangeRoundTrips)
{
    std::unique_ptr<SettingsWindow> w(make());
    ASSERT_TRUE(w->open());
    EXPECT_EQ(w->firstGroupField()->value(), 12);
    EXPECT_EQ(w->lastGroupField()->value(), 30);
    EXPECT_EQ(w->recordField()->value(), 8); // reci2, for mode 2
    const int cycles[] = {1, 2, 4, 7, 15, 0, 0};
    for (int i = 0; i < 7; ++i)
        w->cycleField(i + 1)->setValue(cycles[i]);
    w->intervalField()->setValue(9);
    ASSERT_TRUE(w->save());
    EXPECT_EQ(writes,
              (QStringList{"YWQX/XXTS", "MTLJ/wav", "TTS/index1", "TTS/index2", "MTLJ/wav", "TTS/index1", "TTS/index2",
                           "sjly/sjms", "timer/jg", "sjly/gtfz", "sjly/wbwj", "other/sftm", "timer/reci2"}));
    EXPECT_EQ(folder.setting("XXTS"), "1t2t4t7t15t0t0t");
    EXPECT_EQ(folder.setting("gtfz"), "12-30");
    EXPECT_EQ(folder.setting("jg"), "9");
    EXPECT_EQ(folder.setting("First"), "false"); // the same DSN: no [ODBC], no [Start] write
    EXPECT_EQ(settings.interval, 9);
    EXPECT_EQ(savedHooks, 1); // the word window takes the new interval
}

TEST_F(SettingsWindowTest, ANewDataSourceNameCountsFromTheNextStart)
{
    // A name typed where the file had none (DSN_Name=) is a new one too.
    for (const QString &old : {QStringLiteral("kelp1"), QString()}) {
        settings.dataSourceName = old;
        writes.clear();
        std::unique_ptr<SettingsWindow> w(make());
        ASSERT_TRUE(w->open());
        w->dataSourceField()->setText("kelp2");
        answerNextMessage();
        ASSERT_TRUE(w->save());
        EXPECT_TRUE(writes.contains("ODBC/DSN_Name")) << old.toStdString();
        EXPECT_EQ(writes.indexOf("ODBC/DSN_Name") + 1, writes.indexOf("Start/First"));
        EXPECT_EQ(folder.setting("DSN_Name"), "kelp2");
        EXPECT_EQ(folder.setting("First"), "true");
        EXPECT_EQ(settings.dataSourceName, old); // in use until the restart
        ASSERT_TRUE(test::writeAll(file.path(), "[Start]\r\nFirst=false\r\n"));
    }
}

// The answers' keys: a new one is saved for the next start; one of the
// eight fixed keys, or both the same, saves nothing and says why.
TEST_F(SettingsWindowTest, AnswerKeysAreSavedUnlessTheyClash)
{
    std::unique_ptr<SettingsWindow> w(make());
    ASSERT_TRUE(w->open());
    EXPECT_EQ(w->knowKeyField()->keySequence(), QKeySequence(QStringLiteral("Alt+S")));
    for (const char *clash : {"Alt+X", "Alt+W"}) {
        w->knowKeyField()->setKeySequence(QKeySequence(QString::fromLatin1(clash)));
        writes.clear();
        EXPECT_FALSE(w->save()) << clash;
        EXPECT_TRUE(writes.isEmpty()) << clash;
        EXPECT_TRUE(w->hintLine()->text().startsWith(QStringLiteral("提示："))) << clash;
    }
    w->knowKeyField()->setKeySequence(QKeySequence(QStringLiteral("Alt+K")));
    answerNextMessage();
    ASSERT_TRUE(w->save());
    EXPECT_EQ(folder.setting("know"), "Alt+K");
    EXPECT_EQ(folder.setting("forgot"), "Alt+W");
}

TEST_F(SettingsWindowTest, SavedCyclesComeBackAsSavedZerosIncluded)
{
    {
        std::unique_ptr<SettingsWindow> w(make());
        ASSERT_TRUE(w->open());
        w->cycleField(6)->setValue(0);
        w->cycleField(7)->setValue(0);
        ASSERT_TRUE(w->save());
    }
    std::unique_ptr<SettingsWindow> again(make());
    ASSERT_TRUE(again->open());
    const int expected[] = {1, 2, 4, 7, 15, 0, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(again->cycleField(i + 1)->value(), expected[i]) << i + 1;
}

TEST_F(SettingsWindowTest, TabOrderFollowsTheDesignedTabNumbers)
{
    std::unique_ptr<SettingsWindow> w(make());
    ASSERT_TRUE(w->open());
    const auto button = [&](const char *name) { return w->findChild<QPushButton *>(name); };
    // Ties in the designed numbers go in the order the controls are listed.
    const QList<QWidget *> expected{button("saveButton"), w->cycleField(1),
                                    w->dataSourceField(), w->voiceList(),
                                    w->outputList(),      button("testSpeechButton"),
                                    w->sourceModeList(),  button("quitButton"),
                                    w->recordField(),     button("saveRestartButton"),
                                    w->intervalField(),   w->firstGroupField(),
                                    w->lastGroupField(),  w->transparentButton(),
                                    w->wordFileField(),   button("pickFileButton")};
    QList<QWidget *> chain;
    QWidget *at = expected.first();
    do {
        if (expected.contains(at))
            chain << at;
        at = at->nextInFocusChain();
    } while (at != expected.first() && chain.size() < expected.size());
    EXPECT_EQ(chain, expected);
    // Shift+Tab from the interval box goes to 保存且重启, not to 退出.
    QWidget *before = w->intervalField()->previousInFocusChain();
    while (!(before->focusPolicy() & Qt::TabFocus) || !before->isVisibleTo(w.get()))
        before = before->previousInFocusChain();
    EXPECT_EQ(before, button("saveRestartButton"));
}

TEST_F(SettingsWindowTest, AnErrorInItsHandlersNamesTheWindowControlAndEvent)
{
    SynthesisEngine engine;
    settings.voice = 99; // no such voice: the speech test fails on it
    std::unique_ptr<SettingsWindow> w(make(&engine));
    ASSERT_TRUE(w->open());
    takeErrorSite();
    EXPECT_THROW(w->findChild<QPushButton *>("testSpeechButton")->click(), SpeechError);
    const std::optional<ErrorSite> site = takeErrorSite();
    ASSERT_TRUE(site);
    EXPECT_EQ(site->window, "SettingsWindow");
    EXPECT_EQ(site->object, "testSpeechButton");
    EXPECT_EQ(site->event, "clicked");
    EXPECT_FALSE(takeErrorSite()); // taken once
}

TEST_F(SettingsWindowTest, FitsTheScreenAndStaysAboveTheWordWindowWithItsDialogs)
{
    std::unique_ptr<SettingsWindow> w(make());
    ASSERT_TRUE(w->open());
    w->show();
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(free.contains(w->frameGeometry())) << w->frameGeometry().width() << "x" << w->frameGeometry().height();
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    // The word file dialog comes above the word window too.
    Qt::WindowFlags dialogFlags;
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [&dialogFlags, poll] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            dialogFlags = dialog->windowFlags();
            dialog->reject();
            poll->deleteLater();
        }
    });
    poll->start(10);
    w->findChild<QPushButton *>("pickFileButton")->click();
    EXPECT_TRUE(dialogFlags & Qt::WindowStaysOnTopHint);
}

TEST_F(SettingsWindowTest, FieldsKeepTheirRules)
{
    std::unique_ptr<SettingsWindow> w(make());
    ASSERT_TRUE(w->open());
    // Nothing outside a field's mask or range can be entered, so none is saved.
    w->intervalField()->setValue(500);
    EXPECT_EQ(w->intervalField()->value(), 65);
    w->intervalField()->setValue(0);
    EXPECT_EQ(w->intervalField()->value(), 1);
    w->lastGroupField()->setValue(99999);
    EXPECT_EQ(w->lastGroupField()->value(), 32767);
    w->recordField()->setValue(0);
    EXPECT_EQ(w->recordField()->value(), 1);

    // Clearing the data-source name is refused on its last character.
    w->show();
    QLineEdit *dsn = w->dataSourceField();
    dsn->setFocus();
    dsn->end(false);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(dsn, Qt::Key_Backspace);
    EXPECT_EQ(dsn->text(), "k");
    answerNextMessage();
    QTest::keyClick(dsn, Qt::Key_Backspace);
    EXPECT_EQ(dsn->text(), "k");

    // Mode 3 shows and saves reci3 only.
    w->sourceModeList()->setCurrentIndex(2);
    emit w->sourceModeList()->activated(2);
    EXPECT_EQ(settings.sourceMode, SourceMode::TextFile);
    EXPECT_EQ(w->recordField()->value(), settings.resumeRowText);
    writes.clear();
    answerNextMessage(); // the name is "k" now: the restart notice
    ASSERT_TRUE(w->save());
    EXPECT_EQ(writes.last(), "timer/reci3");
    EXPECT_FALSE(writes.contains("timer/reci2"));
}

TEST_F(SettingsWindowTest, AWordFileInTheDataFolderIsKeptByItsName)
{
    std::unique_ptr<SettingsWindow> w(make());
    ASSERT_TRUE(w->open());
    w->chooseWordFile = [this](const QString &) { return folder.filePath("data/词表.txt"); };
    const auto pick = [&] {
        for (QPushButton *b : w->findChildren<QPushButton *>())
            if (b->text() == ":")
                b->click();
    };
    pick();
    EXPECT_EQ(w->wordFileField()->text(), QStringLiteral("词表.txt"));
    EXPECT_EQ(settings.wordFile, QStringLiteral("词表.txt"));
    w->chooseWordFile = [](const QString &) { return QStringLiteral("/srv/lists/words.txt"); };
    pick();
    EXPECT_EQ(settings.wordFile, "/srv/lists/words.txt");
}

TEST(QtTranslations, QtsOwnButtonsReadChineseUnderAChineseLocale)
{
    QTranslator *chinese = platform::installQtTranslations(QLocale(QLocale::Chinese, QLocale::China));
    ASSERT_NE(chinese, nullptr) << "qt6-translations-l10n is not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    QCoreApplication::removeTranslator(chinese); // the other tests read Qt's texts in English
    delete chinese;
    EXPECT_EQ(platform::installQtTranslations(QLocale(QLocale::C)), nullptr);
}

TEST(OwnTranslations, OurEnglishTextsReadChineseUnderAChineseLocaleOnly)
{
    QTranslator *chinese = platform::installOwnTranslations(QLocale(QLocale::Chinese, QLocale::China));
    ASSERT_NE(chinese, nullptr) << "the translations are not embedded";
    EXPECT_EQ(QCoreApplication::translate("kelp::import", "no words in it"), QStringLiteral("文件中没有单词"));
    QCoreApplication::removeTranslator(chinese); // the other tests read our texts in English
    delete chinese;
    EXPECT_EQ(platform::installOwnTranslations(QLocale(QLocale::C)), nullptr);
    EXPECT_EQ(platform::installOwnTranslations(QLocale(QLocale::English, QLocale::UnitedStates)), nullptr);
}

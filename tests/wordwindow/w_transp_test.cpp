// The word window driven through Qt without an X server (offscreen):
// start-up in a program folder, commands triggered by name, and the close
// handler's writes.
#include "config/codec.h"
#include "speech/speech.h"
#include "wordwindow/w_transp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

void writeGbk(const QString &path, const QString &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(codec::toGb18030(text));
}

struct WordWindow : ::testing::Test {
    QTemporaryDir dir;
    QString oldCwd = QDir::currentPath();
    AppGlobals g;
    Speech tts{g};

    void SetUp() override
    {
        QDir(dir.path()).mkpath("data");
        writeGbk(dir.filePath("data/words.txt"), QStringLiteral("Unit 1\r\na#甲#ei\r\nb#乙\r\nUnit 2\r\nc#丙\r\n"));
        writeGbk(dir.filePath("wkcfg.ini"),
                 QStringLiteral("[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=3\r\nwbwj=words.txt\r\n"
                                "[timer]\r\njg=0\r\nreci3=2\r\n[other]\r\nwinx=400\r\nwiny=600\r\n"));
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(oldCwd); }

    QString label(w_transp &w, const char *name) { return w.findChild<QLabel *>(name)->text(); }
    QString ini(const QString &key)
    {
        QFile f(dir.filePath("wkcfg.ini"));
        f.open(QIODevice::ReadOnly);
        const QString text = codec::decodeFile(f.readAll());
        for (const QString &line : text.split(QStringLiteral("\r\n")))
            if (line.startsWith(key + QLatin1Char('=')))
                return line.mid(key.size() + 1);
        return QString();
    }
};

} // namespace

TEST_F(WordWindow, EveryCommandIsReachableByName)
{
    for (const char *event : {"ue_pause()", "ue_hide()", "ue_jy()", "ue_szb()", "ue_xyd()", "ue_syd()", "ue_xyz()",
                              "ue_syz()", "ue_colo()"})
        EXPECT_GE(w_transp::staticMetaObject.indexOfMethod(event), 0) << event;
}

TEST_F(WordWindow, StartsAtTheSavedRowAndStepsByCommand)
{
    w_transp w(g, tts);
    ASSERT_TRUE(w.open());
    EXPECT_EQ(g.ls_path, QDir::currentPath());
    EXPECT_EQ(g.str_savename, dir.filePath("data/words.txt"));
    EXPECT_EQ(w.state().reci, 2);
    EXPECT_EQ(label(w, "st_2"), "a");
    EXPECT_EQ(label(w, "st_3"), "/ ei/");
    EXPECT_TRUE(w.timerRunning()); // a 0-second interval is taken as 1 second, not as "off"
    EXPECT_NEAR(w.windowOpacity(), 0.5, 0.01);

    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "ue_pause"));
    EXPECT_FALSE(w.timerRunning());
    // The start row's word step is on display, so "next" shows row 3's word.
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "ue_xyd"));
    EXPECT_EQ(label(w, "st_2"), "b");
    EXPECT_FALSE(w.findChild<QLabel *>("st_4")->isVisibleTo(&w));
    // No heading has been shown yet: "next group" goes to group 1, then 2.
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "ue_xyz"));
    EXPECT_EQ(label(w, "st_2"), QStringLiteral("第1组"));
    EXPECT_EQ(label(w, "st_4"), QStringLiteral("Unit 1"));
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "ue_xyz"));
    EXPECT_EQ(label(w, "st_2"), QStringLiteral("第2组"));
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "ue_jy"));
    EXPECT_FALSE(w.state().pfsy);
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "ue_pause"));
    EXPECT_TRUE(w.timerRunning());

    w.close();
    EXPECT_EQ(ini("reci3"), QString::number(w.state().reci));
    EXPECT_EQ(ini("winx"), "400"); // not moved: the stored value stays
    EXPECT_EQ(ini("winy"), "600");
}

TEST_F(WordWindow, MissingWordFileShowsNoData)
{
    QFile::remove(dir.filePath("data/words.txt"));
    writeGbk(dir.filePath("wkcfg.ini"), QStringLiteral("[Start]\r\nFirst=false\r\n[sjly]\r\nsjms=7\r\n"));
    w_transp w(g, tts);
    ASSERT_TRUE(w.open()); // an unknown mode loads nothing and connects nowhere
    EXPECT_EQ(label(w, "st_2"), QStringLiteral("无数据"));
    EXPECT_FALSE(w.timerRunning());
    ASSERT_TRUE(QMetaObject::invokeMethod(&w, "ue_xyd"));
    EXPECT_EQ(label(w, "st_2"), QStringLiteral("无数据"));
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

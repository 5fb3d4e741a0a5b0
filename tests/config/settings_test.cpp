#include "config/settings.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

struct SettingsFixture : ::testing::Test {
    QTemporaryDir dir;
    QString path;
    void SetUp() override { path = dir.filePath("wkcfg.ini"); }
    void write(const QByteArray &data) { ASSERT_TRUE(test::writeAll(path, data)); }
    QByteArray contents() const { return test::readAll(path); }
};

} // namespace

TEST_F(SettingsFixture, EmptyFileGivesEveryDefault)
{
    write("");
    SettingsFile file(path);
    const Settings s = Settings::load(file);
    EXPECT_EQ(s.dbms, "ODBC");
    EXPECT_TRUE(s.firstRun);
    EXPECT_EQ(s.dataSourceName, "kelp1");
    EXPECT_EQ(s.userName, "");
    EXPECT_FALSE(s.userName.isNull());
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.reviewCycle, "1t2t4t7t15t");
    EXPECT_EQ(s.voice, 1);
    EXPECT_EQ(s.audioOutput, 1);
    EXPECT_EQ(s.sourceMode, SourceMode::Review);
    EXPECT_EQ(s.resumeRowReview, 1);
    EXPECT_EQ(s.resumeRowRange, 2);
    EXPECT_EQ(s.resumeRowText, 3);
    EXPECT_EQ(s.groupRange, "1-10");
    EXPECT_EQ(s.wordFile, "New_Word.txt");
    EXPECT_EQ(s.lastStudyDay, QDate(2012, 10, 10));
    EXPECT_EQ(resumeRowAtStart(s, QDate(2026, 12, 7), 0), 1); // the last study day is not today
    EXPECT_EQ(s.recordingsFolder, "");
    EXPECT_EQ(s.interval, 3);
    EXPECT_EQ(s.windowX, 0);
    EXPECT_EQ(s.windowY, 0);
    EXPECT_EQ(s.halfTransparent, 1);
    EXPECT_EQ(s.textColour, 3);
    EXPECT_EQ(s.labelColour, 21);
    EXPECT_EQ(s.windowColour, 2);
    EXPECT_TRUE(readAutoCommit(file));
    EXPECT_EQ(contents(), QByteArray()); // reading writes nothing
}

TEST_F(SettingsFixture, OnlyExactTrueIsAFirstRun)
{
    for (const char *first : {"TRUE", "yes", "True", " false"}) {
        write(QByteArray("[Start]\nFirst=") + first + "\n");
        EXPECT_FALSE(Settings::load(SettingsFile(path)).firstRun) << first;
    }
    write("[start]\n first = true \n");
    EXPECT_TRUE(Settings::load(SettingsFile(path)).firstRun);
}

TEST_F(SettingsFixture, IntervalIsHeldToItsRange)
{
    for (const auto &[text, expected] : {std::pair{"0", 1}, std::pair{"-5", 1}, std::pair{"7", 7},
                                         std::pair{"2147483647", 86400}, std::pair{"x", 3}}) {
        write(QByteArray("[timer]\njg=") + text + "\n");
        EXPECT_EQ(Settings::load(SettingsFile(path)).interval, expected) << text;
    }
}

TEST_F(SettingsFixture, EmptyRangeAndFileNameTakeDefaults)
{
    write("[Start]\nFirst=false\n[sjly]\ngtfz=\nwbwj=\nsjms=3\n");
    const Settings s = Settings::load(SettingsFile(path));
    EXPECT_EQ(s.groupRange, "1-10");
    EXPECT_EQ(s.wordFile, "New_Word.txt");
    EXPECT_EQ(resumeRowAtStart(s, QDate(), 0), 3); // the default reci3
}

TEST_F(SettingsFixture, ReviewPositionSurvivesOnlyTheSameDay)
{
    const QDate today(2026, 12, 7);
    write("[Start]\nFirst=false\n[timer]\nreci1=17\nreci2=5\n[sjly]\nlssj=2026-12-07\n");
    EXPECT_EQ(resumeRowAtStart(Settings::load(SettingsFile(path)), today, 0), 17);

    write("[Start]\nFirst=false\n[timer]\nreci1=17\n[sjly]\nlssj=2026-12-06\n");
    EXPECT_EQ(resumeRowAtStart(Settings::load(SettingsFile(path)), today, 0), 1);

    write("[Start]\nFirst=false\n[timer]\nreci1=17\n[sjly]\nlssj=not a date\n");
    EXPECT_EQ(resumeRowAtStart(Settings::load(SettingsFile(path)), today, 0), 1);

    // An unknown mode keeps the row the window had.
    write("[Start]\nFirst=false\n[sjly]\nsjms=7\n");
    EXPECT_EQ(resumeRowAtStart(Settings::load(SettingsFile(path)), today, 42), 42);
}

TEST_F(SettingsFixture, ResumeRowGoesToTheKeyOfTheMode)
{
    write("; mine\r\n[timer]\r\nreci1=1\r\nreci2=2\r\nreci3=3\r\n[sjly]\r\nlssj=2012-10-10\r\n");
    SettingsFile file(path);
    IniFile &ini = file.ini();
    Settings s;
    const QDate today(2026, 12, 7);

    s.sourceMode = SourceMode::TextFile;
    ASSERT_TRUE(saveResumeRow(file, s, 25, false, today));
    EXPECT_EQ(ini.readString("timer", "reci3", ""), "25");

    s.sourceMode = SourceMode::GroupRange;
    ASSERT_TRUE(saveResumeRow(file, s, 8, false, today));
    EXPECT_EQ(ini.readString("timer", "reci2", ""), "8");

    s.sourceMode = SourceMode::Review;
    ASSERT_TRUE(saveResumeRow(file, s, 9, true, today)); // fell back to the range
    EXPECT_EQ(ini.readString("timer", "reci2", ""), "9");
    EXPECT_EQ(ini.readString("sjly", "lssj", ""), "2012-10-10");

    ASSERT_TRUE(saveResumeRow(file, s, 4, false, today));
    EXPECT_EQ(ini.readString("timer", "reci1", ""), "4");
    EXPECT_EQ(ini.readString("sjly", "lssj", ""), "2026-12-07");
    EXPECT_EQ(s.lastStudyDay, today);
    EXPECT_EQ(contents(),
              QByteArray("; mine\r\n[timer]\r\nreci1=4\r\nreci2=9\r\nreci3=25\r\n[sjly]\r\nlssj=2026-12-07\r\n"));

    s.sourceMode = SourceMode(0);
    const QByteArray before = contents();
    ASSERT_TRUE(saveResumeRow(file, s, 77, false, today));
    EXPECT_EQ(contents(), before);
}

#include "config/profile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

struct ProfileFixture : ::testing::Test {
    QTemporaryDir dir;
    QString path;
    void SetUp() override { path = dir.filePath("wkcfg.ini"); }
    void write(const QByteArray &data)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    QByteArray contents()
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(ProfileFixture, EmptyFileGivesEveryDefaultAndRegistersOnce)
{
    write("");
    IniFile ini(path);
    AppGlobals g;
    g.dqsj = QDate(2026, 12, 7);
    TranspSettings w;
    int registrations = 0;
    readProfile(ini, g, w, [&] { ++registrations; });

    EXPECT_EQ(g.sqlca.dbms, "ODBC");
    EXPECT_EQ(g.dns_name1, "kelp1");
    EXPECT_EQ(w.ls_uid, "");
    EXPECT_EQ(w.ls_pwd, "");
    EXPECT_EQ(g.xxts1, "1t2t4t7t15t");
    EXPECT_EQ(g.index1, 1);
    EXPECT_EQ(g.index2, 1);
    EXPECT_EQ(g.sjms, 1);
    EXPECT_EQ(g.reci1, 1);
    EXPECT_EQ(g.reci2, 2);
    EXPECT_EQ(g.reci3, 3);
    EXPECT_EQ(g.gtfz, "1-10");
    EXPECT_EQ(g.wbwj, "New_Word.txt");
    EXPECT_EQ(g.lssj, QDate(2012, 10, 10));
    EXPECT_EQ(w.reci, 1); // lssj is not today
    EXPECT_EQ(g.fwav, "");
    EXPECT_EQ(g.jg, 3);
    EXPECT_EQ(w.winx, 0);
    EXPECT_EQ(w.winy, 0);
    EXPECT_EQ(g.sftm, 1);
    EXPECT_EQ(g.c1, 3);
    EXPECT_EQ(g.c2, 21);
    EXPECT_EQ(g.c3, 2);
    EXPECT_EQ(g.fxd, (std::array<int, 8>{0, 1, 2, 4, 7, 15, 30, 60}));
    EXPECT_EQ(registrations, 1);
    EXPECT_EQ(contents(), QByteArray("[Start]\r\nFirst=false\r\n"));

    // The next start does not register again.
    readProfile(ini, g, w, [&] { ++registrations; });
    EXPECT_EQ(registrations, 1);
}

TEST_F(ProfileFixture, OnlyExactTrueRegisters)
{
    for (const char *first : {"TRUE", "yes", "True", " false"}) {
        write(QByteArray("[Start]\nFirst=") + first + "\n");
        IniFile ini(path);
        AppGlobals g;
        TranspSettings w;
        int registrations = 0;
        readProfile(ini, g, w, [&] { ++registrations; });
        EXPECT_EQ(registrations, 0) << first;
    }
}

TEST_F(ProfileFixture, EmptyRangeAndFileNameTakeDefaults)
{
    write("[Start]\nFirst=false\n[sjly]\ngtfz=\nwbwj=\nsjms=3\n");
    IniFile ini(path);
    AppGlobals g;
    TranspSettings w;
    readProfile(ini, g, w, {});
    EXPECT_EQ(g.gtfz, "1-10");
    EXPECT_EQ(g.wbwj, "New_Word.txt");
    EXPECT_EQ(w.reci, 3); // the default reci3
}

TEST_F(ProfileFixture, ReviewPositionSurvivesOnlyTheSameDay)
{
    AppGlobals g;
    g.dqsj = QDate(2026, 12, 7);
    TranspSettings w;
    write("[Start]\nFirst=false\n[timer]\nreci1=17\nreci2=5\n[sjly]\nlssj=2026-12-07\n");
    IniFile ini(path);
    readProfile(ini, g, w, {});
    EXPECT_EQ(w.reci, 17);

    write("[Start]\nFirst=false\n[timer]\nreci1=17\n[sjly]\nlssj=2026-12-06\n");
    readProfile(ini, g, w, {});
    EXPECT_EQ(w.reci, 1);

    write("[Start]\nFirst=false\n[timer]\nreci1=17\n[sjly]\nlssj=not a date\n");
    readProfile(ini, g, w, {});
    EXPECT_EQ(w.reci, 1);

    // An unknown mode keeps the row the window had.
    write("[Start]\nFirst=false\n[sjly]\nsjms=7\n");
    w.reci = 42;
    readProfile(ini, g, w, {});
    EXPECT_EQ(w.reci, 42);
}

TEST_F(ProfileFixture, ResumeRowGoesToTheKeyOfTheMode)
{
    write("; mine\r\n[timer]\r\nreci1=1\r\nreci2=2\r\nreci3=3\r\n[sjly]\r\nlssj=2012-10-10\r\n");
    IniFile ini(path);
    AppGlobals g;
    g.dqsj = QDate(2026, 12, 7);

    g.sjms = 3;
    ASSERT_TRUE(writeResumeRow(ini, g, 25));
    EXPECT_EQ(ini.readString("timer", "reci3", ""), "25");

    g.sjms = 2;
    ASSERT_TRUE(writeResumeRow(ini, g, 8));
    EXPECT_EQ(ini.readString("timer", "reci2", ""), "8");

    g.sjms = 1;
    g.f1t2 = true; // fell back to the range
    ASSERT_TRUE(writeResumeRow(ini, g, 9));
    EXPECT_EQ(ini.readString("timer", "reci2", ""), "9");
    EXPECT_EQ(ini.readString("sjly", "lssj", ""), "2012-10-10");

    g.f1t2 = false;
    ASSERT_TRUE(writeResumeRow(ini, g, 4));
    EXPECT_EQ(ini.readString("timer", "reci1", ""), "4");
    EXPECT_EQ(ini.readString("sjly", "lssj", ""), "2026-12-07");
    EXPECT_EQ(contents(), QByteArray("; mine\r\n[timer]\r\nreci1=4\r\nreci2=9\r\nreci3=25\r\n[sjly]\r\nlssj=2026-12-07\r\n"));

    g.sjms = 0;
    const QByteArray before = contents();
    ASSERT_TRUE(writeResumeRow(ini, g, 77));
    EXPECT_EQ(contents(), before);
}

TEST(TimerInterval, ClampedToAtLeastOneSecond)
{
    EXPECT_EQ(timerIntervalMs(3), 3000);
    EXPECT_EQ(timerIntervalMs(0), 1000);
    EXPECT_EQ(timerIntervalMs(-5), 1000);
    EXPECT_GT(timerIntervalMs(2147483647), 0);
}

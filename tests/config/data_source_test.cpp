// Registering the data source and connecting through it, against the real
// driver manager with a user data-source file of the test's own.
#include "config/data_source.h"
#include "config/profile.h"
#include "db_test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

DataSourceSettings settings(const QString &name, const QString &db)
{
    return DataSourceSettings{name, platform::GetSystemDirectoryA(), db, QString(""), QString("")};
}

// A program folder with a study database and a configuration file.
struct Folder : ::testing::Test {
    QTemporaryDir dir;
    test::StudyDb db{dir.filePath("kelp.mdb")};
    IniFile ini{dir.filePath("wkcfg.ini")};
    bool yreg = false;

    void SetUp() override { test::odbcIniPath(); }

    // Connects as the start-up does; returns the connection's status.
    int connect(platform::OdbcConnection &sqlca, const DataSourceSettings &s)
    {
        ljsjk(sqlca, s, ini, yreg);
        return sqlca.sqlcode;
    }
};

} // namespace

TEST(DataSource, RegistersTheValuesInOrder)
{
    const QString ini = test::odbcIniPath();
    regodbc(settings("kelp_reg", "/srv/程序/kelp.mdb"));
    const QByteArray text = readAll(ini);
    const qsizetype start = text.indexOf("[kelp_reg]");
    ASSERT_GE(start, 0) << text.constData();
    const QByteArray section = text.mid(start, text.indexOf("\n[", start + 1) - start);
    const QByteArray expected = "[kelp_reg]\n"
                                "Driver=" + platform::GetSystemDirectoryA().toUtf8() + "/libsqlite3odbc.so\n"
                                "DBQ=/srv/程序/kelp.mdb\n"
                                "DriverId=25\n"
                                "FIL=MS Access;\n"
                                "SafeTransactions=0\n"
                                "UID=\n"
                                "Engines=\n"
                                "Engines\\Jet=\n"
                                "Engines\\Jet\\ImplicitCommitSync=\n"
                                "Engines\\Jet\\UserCommitSync=Yes\n"
                                "Engines\\Jet\\MaxBufferSize=2048\n"
                                "Engines\\Jet\\PageTimeout=5\n"
                                "Engines\\Jet\\Threads=3\n"
                                "Database=/srv/程序/kelp.mdb\n"
                                "NoCreat=1\n"
                                "JDConv=1\n"
                                "Timeout=2000\n";
    EXPECT_EQ(section.trimmed(), expected.trimmed());
    EXPECT_TRUE(text.contains("kelp_reg=Microsoft Access Driver (*.mdb)"));

    // Registering again replaces the section instead of adding to it.
    regodbc(settings("kelp_reg", "/srv/other/kelp.mdb"));
    const QByteArray again = readAll(ini);
    EXPECT_EQ(again.count("[kelp_reg]"), 1);
    EXPECT_TRUE(again.contains("DBQ=/srv/other/kelp.mdb"));
    EXPECT_FALSE(again.contains("DBQ=/srv/程序/kelp.mdb"));
}

TEST_F(Folder, FirstRunRegistersAndConnects)
{
    {
        QFile f(ini.path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[ODBC]\r\nDSN_Name=kelp_first\r\n");
    }
    AppGlobals g;
    TranspSettings w;
    DataSourceSettings s;
    readProfile(ini, g, w, [&] {
        s = settings(g.dns_name1, db.path());
        regodbc(s);
    });
    EXPECT_EQ(ini.readString("Start", "First", ""), "false");
    platform::OdbcConnection sqlca;
    EXPECT_EQ(connect(sqlca, s), 0) << qPrintable(sqlca.sqlerrtext);
    EXPECT_FALSE(yreg);
}

TEST_F(Folder, MovedProgramFolderIsRegisteredAgainAndConnectsInTheSameRun)
{
    // Registered while the program lived elsewhere.
    regodbc(settings("kelp_moved", dir.filePath("old-place/kelp.mdb")));
    platform::OdbcConnection sqlca;
    EXPECT_EQ(connect(sqlca, settings("kelp_moved", db.path())), 0) << qPrintable(sqlca.sqlerrtext);
    EXPECT_TRUE(yreg);
    EXPECT_TRUE(readAll(test::odbcIniPath()).contains("Database=" + db.path().toUtf8()));
    EXPECT_FALSE(QFile::exists(dir.filePath("old-place/kelp.mdb")));

    // A second failure in the same run is not retried.
    const QString gone = dir.filePath("gone/kelp.mdb");
    regodbc(settings("kelp_moved", gone));
    platform::OdbcConnection again;
    EXPECT_NE(connect(again, settings("kelp_moved", db.path())), 0);
    EXPECT_TRUE(readAll(test::odbcIniPath()).contains("Database=" + gone.toUtf8()));
}

TEST_F(Folder, ConnectStringAndAutoCommit)
{
    DataSourceSettings text{"kelp1", "/x", "/y", "me", "pw"};
    EXPECT_EQ(connectString(text), "DSN=kelp1;UID=me;PWD=pw");

    const DataSourceSettings s = settings("kelp_autocommit", db.path());
    regodbc(s);
    for (const auto &[value, expected] : {std::pair{"", true}, std::pair{"true", true}, std::pair{"True", false},
                                          std::pair{"false", false}}) {
        QFile::remove(ini.path());
        if (*value)
            ini.writeString("ODBC", "AutoCommit", value);
        platform::OdbcConnection sqlca;
        ASSERT_EQ(connect(sqlca, s), 0) << qPrintable(sqlca.sqlerrtext);
        EXPECT_EQ(sqlca.autoCommit(), expected) << value;
    }
}

TEST_F(Folder, MissingDataSourceIsRegisteredAndConnectsInTheSameRun)
{
    // Never registered: the driver manager answers "not found" first.
    platform::OdbcConnection sqlca;
    EXPECT_EQ(connect(sqlca, settings("kelp_never_registered", db.path())), 0) << qPrintable(sqlca.sqlerrtext);
    EXPECT_TRUE(yreg);
}

TEST_F(Folder, DataSourceWithAMissingDriverIsRepaired)
{
    DataSourceSettings broken = settings("kelp_nodriver", db.path());
    broken.sys_path = dir.filePath("no-such-folder");
    regodbc(broken);
    platform::OdbcConnection sqlca;
    EXPECT_EQ(connect(sqlca, settings("kelp_nodriver", db.path())), 0) << qPrintable(sqlca.sqlerrtext);
    EXPECT_TRUE(yreg);
}

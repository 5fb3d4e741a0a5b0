// Registering the data source and connecting through it, against the real
// driver manager with a user data-source file of the test's own.
#include "config/settings.h"
#include "studydb/data_source.h"
#include "support/database_fixture.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kelp;

namespace {

using test::readAll;

DataSource settings(const QString &name, const QString &db)
{
    return DataSource{name, platform::odbcDriverFolder(), db, QString(""), QString("")};
}

// A program folder with a study database and a configuration file.
struct Folder : ::testing::Test {
    QTemporaryDir dir;
    test::StudyDb db{dir.filePath("kelp.mdb")};
    SettingsFile file{dir.filePath("wkcfg.ini")};
    IniFile &ini = file.ini();
    bool yreg = false;

    void SetUp() override { test::odbcIniPath(); }

    // Connects as the start-up does; returns the connection's status.
    int connect(platform::OdbcConnection &connection, const DataSource &s)
    {
        connectStudyDatabase(connection, s, readAutoCommit(file), yreg);
        return connection.status;
    }
};

} // namespace

TEST(DataSource, RegistersTheValuesInOrder)
{
    const QString ini = test::odbcIniPath();
    registerDataSource(settings("kelp_reg", "/srv/程序/kelp.mdb"));
    const QByteArray text = readAll(ini);
    const qsizetype start = text.indexOf("[kelp_reg]");
    ASSERT_GE(start, 0) << text.constData();
    const QByteArray section = text.mid(start, text.indexOf("\n[", start + 1) - start);
    const QByteArray expected = "[kelp_reg]\n"
                                "Driver=" +
                                platform::odbcDriverFolder().toUtf8() +
                                "/libsqlite3odbc.so\n"
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
    registerDataSource(settings("kelp_reg", "/srv/other/kelp.mdb"));
    const QByteArray again = readAll(ini);
    EXPECT_EQ(again.count("[kelp_reg]"), 1);
    EXPECT_TRUE(again.contains("DBQ=/srv/other/kelp.mdb"));
    EXPECT_FALSE(again.contains("DBQ=/srv/程序/kelp.mdb"));
}

TEST(DataSource, EmptyNameIsRefused)
{
    const QString ini = test::odbcIniPath();
    const QByteArray before = readAll(ini);
    EXPECT_FALSE(registerDataSource(settings("", "/srv/kelp.mdb")));
    EXPECT_FALSE(registerDataSource(settings("  ", "/srv/kelp.mdb")));
    EXPECT_EQ(readAll(ini), before);
}

TEST_F(Folder, FirstRunRegistersAndConnects)
{
    {
        QFile f(ini.path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[ODBC]\r\nDSN_Name=kelp_first\r\n");
    }
    Settings loaded = Settings::load(file);
    ASSERT_TRUE(loaded.firstRun);
    const DataSource s = settings(loaded.dataSourceName, db.path());
    registerOnFirstStart(s);
    EXPECT_TRUE(readAll(test::odbcIniPath()).contains("[kelp_first]"));
    platform::OdbcConnection connection;
    EXPECT_EQ(connect(connection, s), 0) << qPrintable(connection.errorText);
    EXPECT_FALSE(yreg);
}

TEST_F(Folder, ServerDataSourceIsNeverRegisteredOver)
{
    platform::writeUserDsn("kelp_server", "PostgreSQL Unicode",
                           {{"Servername", dir.filePath("no-server")}, {"Database", "kelp"}});
    const QByteArray before = readAll(test::odbcIniPath());
    ini.writeString("ODBC", "DSN_Name", "kelp_server");
    Settings loaded = Settings::load(file);
    ASSERT_TRUE(loaded.firstRun);
    const DataSource s = settings(loaded.dataSourceName, db.path());
    registerOnFirstStart(s);
    // The server is not there: the connection fails, and is not "repaired" either.
    platform::OdbcConnection connection;
    EXPECT_NE(connect(connection, s), 0);
    EXPECT_EQ(readAll(test::odbcIniPath()), before);
}

TEST_F(Folder, MovedProgramFolderIsRegisteredAgainAndConnectsInTheSameRun)
{
    // Registered while the program lived elsewhere.
    registerDataSource(settings("kelp_moved", dir.filePath("old-place/kelp.mdb")));
    platform::OdbcConnection connection;
    EXPECT_EQ(connect(connection, settings("kelp_moved", db.path())), 0) << qPrintable(connection.errorText);
    EXPECT_TRUE(yreg);
    EXPECT_TRUE(readAll(test::odbcIniPath()).contains("Database=" + db.path().toUtf8()));
    EXPECT_FALSE(QFile::exists(dir.filePath("old-place/kelp.mdb")));

    // A second failure in the same run is not retried.
    const QString gone = dir.filePath("gone/kelp.mdb");
    registerDataSource(settings("kelp_moved", gone));
    platform::OdbcConnection again;
    EXPECT_NE(connect(again, settings("kelp_moved", db.path())), 0);
    EXPECT_TRUE(readAll(test::odbcIniPath()).contains("Database=" + gone.toUtf8()));
}

TEST_F(Folder, ConnectStringAndAutoCommit)
{
    DataSource text{"kelp1", "/x", "/y", "me", "pw"};
    EXPECT_EQ(connectString(text), "DSN=kelp1;UID=me;PWD=pw");
    // No login of its own: the data source's (a server's) login applies.
    EXPECT_EQ(connectString({"kelp1", "/x", "/y", "", ""}), "DSN=kelp1");

    const DataSource s = settings("kelp_autocommit", db.path());
    registerDataSource(s);
    for (const auto &[value, expected] :
         {std::pair{"", true}, std::pair{"true", true}, std::pair{"True", false}, std::pair{"false", false}}) {
        QFile::remove(ini.path());
        if (*value)
            ini.writeString("ODBC", "AutoCommit", value);
        platform::OdbcConnection connection;
        ASSERT_EQ(connect(connection, s), 0) << qPrintable(connection.errorText);
        EXPECT_EQ(connection.autoCommit(), expected) << value;
    }
}

TEST_F(Folder, FolderWithConnectionStringCharactersConnects)
{
    // Never registered, so the retry connects with the registered values in
    // the connection string, which the driver splits at every ";".
    const QString folder = dir.filePath("我的;{词}=表");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(db.path(), folder + "/kelp.mdb"));
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder)); // the program folder is the current one
    platform::OdbcConnection connection;
    const int status = connect(connection, settings("kelp_odd_folder", folder + "/kelp.mdb"));
    QDir::setCurrent(oldCwd);
    EXPECT_EQ(status, 0) << qPrintable(connection.errorText);
    EXPECT_TRUE(yreg);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kelp.mdb"}); // no stray file beside the folder
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"kelp.mdb"});
}

TEST_F(Folder, MissingDataSourceIsRegisteredAndConnectsInTheSameRun)
{
    // Never registered: the driver manager answers "not found" first.
    platform::OdbcConnection connection;
    EXPECT_EQ(connect(connection, settings("kelp_never_registered", db.path())), 0) << qPrintable(connection.errorText);
    EXPECT_TRUE(yreg);
}

TEST_F(Folder, DataSourceWithAMissingDriverIsRepaired)
{
    DataSource broken = settings("kelp_nodriver", db.path());
    broken.driverFolder = dir.filePath("no-such-folder");
    registerDataSource(broken);
    platform::OdbcConnection connection;
    EXPECT_EQ(connect(connection, settings("kelp_nodriver", db.path())), 0) << qPrintable(connection.errorText);
    EXPECT_TRUE(yreg);
}

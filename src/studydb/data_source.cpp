#include "studydb/data_source.h"

#include "util/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <odbcinst.h>

#include <cstdio>

namespace kelp {

std::vector<std::pair<QString, QString>> dsnEntries(const DataSource &s)
{
    // Asked of unixODBC only when a data source is written: a start that
    // connects to one that is there already does not wait for it.
    const QString folder = s.driverFolder.isEmpty() ? platform::odbcDriverFolder() : s.driverFolder;
    return {
        {QStringLiteral("Driver"), folder + QLatin1Char('/') + kDriverLibrary},
        {QStringLiteral("DBQ"), s.databaseFile},
        {QStringLiteral("DriverId"), QStringLiteral("25")},
        {QStringLiteral("FIL"), QStringLiteral("MS Access;")},
        {QStringLiteral("SafeTransactions"), QStringLiteral("0")},
        {QStringLiteral("UID"), QString()},
        {QStringLiteral("Engines"), QString()},
        // The engine sub-keys are flattened into the same section: a section
        // of their own would show up as another data source.
        {QStringLiteral("Engines\\Jet"), QString()},
        {QStringLiteral("Engines\\Jet\\ImplicitCommitSync"), QString()},
        {QStringLiteral("Engines\\Jet\\UserCommitSync"), QStringLiteral("Yes")},
        {QStringLiteral("Engines\\Jet\\MaxBufferSize"), QStringLiteral("2048")},
        {QStringLiteral("Engines\\Jet\\PageTimeout"), QStringLiteral("5")},
        {QStringLiteral("Engines\\Jet\\Threads"), QStringLiteral("3")},
        // What the SQLite driver itself reads: the file, never create it,
        // dates as julian days, and a short wait on a locked file.
        {QStringLiteral("Database"), s.databaseFile},
        {QStringLiteral("NoCreat"), QStringLiteral("1")},
        {QStringLiteral("JDConv"), QStringLiteral("1")},
        {QStringLiteral("Timeout"), QStringLiteral("2000")},
    };
}

bool registerDataSource(const DataSource &s)
{
    if (s.name.trimmed().isEmpty()) {
        // It would write a nameless section into the user's data-source file.
        qCWarning(lcStudy).noquote() << QCoreApplication::translate(
            "kelp::studydb", "the data-source name (DSN_Name in [ODBC] of wkcfg.ini) is empty; no data source is "
                             "registered");
        return false;
    }
    platform::writeUserDsn(s.name, kDriverName, dsnEntries(s));
    platform::writeUserDsnListing(s.name, QStringLiteral("Microsoft Access Driver (*.mdb)"));
    return true;
}

namespace {

// What the program needs of a PostgreSQL data source, set on the connection
// itself so that one with a server, a database and a user alone works:
// parameters put in by the driver, so that "date - days" is worked out on the
// server's side; and, unless the data source has its own, waits with an end
// (5 s to connect, 10 s a statement, a dead server noticed in about 15 s).
QString serverOptions(const QString &name)
{
    const QString driver = platform::dataSourceDriver(name);
    if (!driver.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) &&
        !driver.contains(QLatin1String("psqlodbc"), Qt::CaseInsensitive))
        return QString();
    QString options = QStringLiteral(";UseServerSidePrepare=0");
    if (platform::dataSourceValue(name, "pqopt").isEmpty())
        options += QStringLiteral(";pqopt={connect_timeout=5 keepalives_idle=5 keepalives_interval=2 "
                                  "keepalives_count=3 tcp_user_timeout=15000 options='-c statement_timeout=10000'}");
    return options;
}

} // namespace

QString connectString(const DataSource &s)
{
    // An empty UID= would override the login a server's data source holds
    // itself (the driver then logs in as the system user): left out.
    QString text = QStringLiteral("DSN=") + s.name + serverOptions(s.name);
    if (!s.user.isEmpty() || !s.password.isEmpty())
        text += QStringLiteral(";UID=") + s.user + QStringLiteral(";PWD=") + s.password;
    return text;
}

namespace {

// The SQLite driver splits its connection string at every ";" and knows no
// quoting (braces included), so no value of it may hold one.
bool fitsConnectString(const QString &value)
{
    return !value.contains(QLatin1Char(';'));
}

// The driver manager caches data-source look-ups for a while, the failed one
// included, so a retry right after registering connects with the registered
// values themselves instead of looking the name up again. Empty when they
// cannot be written into a connection string.
QString registeredConnectString(const DataSource &s)
{
    QString text;
    for (auto [key, value] : dsnEntries(s)) {
        if (key != QLatin1String("Driver") && key != QLatin1String("Database") && key != QLatin1String("NoCreat") &&
            key != QLatin1String("JDConv") && key != QLatin1String("Timeout"))
            continue;
        // A program folder with ";" in its path: the database is beside us.
        if (key == QLatin1String("Database") && !fitsConnectString(value))
            value = QDir::current().relativeFilePath(value);
        if (!fitsConnectString(value))
            return QString();
        text += key + QLatin1Char('=') + value + QLatin1Char(';');
    }
    if (!fitsConnectString(s.user) || !fitsConnectString(s.password))
        return QString();
    return text + QStringLiteral("UID=") + s.user + QStringLiteral(";PWD=") + s.password;
}

} // namespace

bool isOwnDataSource(const QString &name)
{
    const QString driver = platform::dataSourceDriver(name);
    return driver.isEmpty() || driver == kDriverName || driver.endsWith(kDriverLibrary);
}

void connectStudyDatabase(platform::OdbcConnection &connection, const DataSource &s, bool autoCommit,
                          bool &reRegistered)
{
    connection.connect(connectString(s), autoCommit);
    if (connection.status != 0 && !reRegistered && !isOwnDataSource(s.name)) {
        // Someone set this name up for another driver (a database server):
        // registering the local file over it would lose that set-up.
        qCWarning(lcStudy).noquote() << QCoreApplication::translate("kelp::studydb",
                                                                    "cannot connect to data source %1: %2")
                                            .arg(s.name, connection.errorText);
        reRegistered = true;
        return;
    }
    if (connection.status != 0 && !reRegistered) {
        qCInfo(lcStudy).noquote() << QCoreApplication::translate(
                                         "kelp::studydb",
                                         "connecting to data source %1 failed (%2); registering it again")
                                         .arg(s.name, connection.errorText);
        registerDataSource(s);
        reRegistered = true;
        const QString retry = registeredConnectString(s);
        if (retry.isEmpty())
            qCWarning(lcStudy).noquote() << QCoreApplication::translate(
                "kelp::studydb", "the study database's path cannot be handed to the ODBC driver (it holds \";\"); "
                                 "start the program from its own folder");
        else
            connection.connect(retry, autoCommit);
    }
    if (connection.status != 0)
        qCWarning(lcStudy).noquote() << QCoreApplication::translate("kelp::studydb",
                                                                    "cannot connect to the study database %1: %2")
                                            .arg(s.databaseFile, connection.errorText);
}

void registerOnFirstStart(const DataSource &source)
{
    if (isOwnDataSource(source.name))
        registerDataSource(source);
    else
        qCInfo(lcStudy).noquote() << "data source" << source.name
                                  << "belongs to another driver (a database server): used as it is";
}

QString dataSourceDatabase(const QString &name)
{
    char buffer[4096] = {};
    SQLGetPrivateProfileString(name.toUtf8().constData(), "Database", "", buffer, sizeof buffer, "odbc.ini");
    return QString::fromUtf8(buffer);
}

std::optional<QString> databaseElsewhere(const DataSource &s)
{
    // A server's data source names a database on the server, no file.
    if (s.name.isEmpty() || !isOwnDataSource(s.name))
        return std::nullopt;
    const QString database = dataSourceDatabase(s.name);
    if (database.isEmpty())
        return std::nullopt;
    const QFileInfo named(database), own(s.databaseFile);
    const bool same = named.exists() && own.exists() ? named.canonicalFilePath() == own.canonicalFilePath()
                                                     : named.absoluteFilePath() == own.absoluteFilePath();
    if (same)
        return std::nullopt;
    return QCoreApplication::translate("kelp::studydb",
                                       "the data source %1 points at %2, not at this program folder's %3; give this "
                                       "folder a data source name of its own ([ODBC] DSN_Name)")
        .arg(s.name, database, s.databaseFile);
}

StudyResult connectDataSource(platform::OdbcConnection &connection, const QString &name)
{
    if (connection.connect(connectString(DataSource{name, {}, {}, {}, {}}), true) != 0)
        return connection.errorText.isEmpty() ? QCoreApplication::translate("kelp::studydb", "cannot connect")
                                              : connection.errorText;
    return std::nullopt;
}

} // namespace kelp

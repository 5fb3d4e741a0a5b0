#include "config/data_source.h"

#include <cstdio>

namespace kelp {

std::vector<std::pair<QString, QString>> dsnEntries(const DataSourceSettings &s)
{
    return {
        {QStringLiteral("Driver"), s.sys_path + QLatin1Char('/') + kDriverLibrary},
        {QStringLiteral("DBQ"), s.ls_database},
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
        {QStringLiteral("Database"), s.ls_database},
        {QStringLiteral("NoCreat"), QStringLiteral("1")},
        {QStringLiteral("JDConv"), QStringLiteral("1")},
        {QStringLiteral("Timeout"), QStringLiteral("2000")},
    };
}

void regodbc(const DataSourceSettings &s)
{
    platform::writeUserDsn(s.dns_name1, kDriverName, dsnEntries(s));
    platform::writeUserDsnListing(s.dns_name1, QStringLiteral("Microsoft Access Driver (*.mdb)"));
}

QString connectString(const DataSourceSettings &s)
{
    return QStringLiteral("DSN=") + s.dns_name1 + QStringLiteral(";UID=") + s.ls_uid + QStringLiteral(";PWD=") +
           s.ls_pwd;
}

namespace {

// The driver manager caches data-source look-ups for a while, the failed one
// included, so a retry right after registering connects with the registered
// values themselves instead of looking the name up again.
QString registeredConnectString(const DataSourceSettings &s)
{
    QString text;
    for (const auto &[key, value] : dsnEntries(s)) {
        if (key == QLatin1String("Driver") || key == QLatin1String("Database") || key == QLatin1String("NoCreat") ||
            key == QLatin1String("JDConv") || key == QLatin1String("Timeout"))
            text += key + QLatin1Char('=') + value + QLatin1Char(';');
    }
    return text + QStringLiteral("UID=") + s.ls_uid + QStringLiteral(";PWD=") + s.ls_pwd;
}

void connect(platform::OdbcConnection &sqlca, const QString &text, const IniFile &ini)
{
    const bool autoCommit = ini.readString(QStringLiteral("ODBC"), QStringLiteral("AutoCommit"),
                                           QStringLiteral("true")) == QLatin1String("true");
    sqlca.connect(text, autoCommit);
}

} // namespace

void ljsjk(platform::OdbcConnection &sqlca, const DataSourceSettings &s, const IniFile &ini, bool &yreg)
{
    connect(sqlca, connectString(s), ini);
    if (sqlca.sqlcode != 0 && !yreg) {
        std::fprintf(stderr, "kelpword: connecting to data source %s failed (%s); registering it again\n",
                     qPrintable(s.dns_name1), qPrintable(sqlca.sqlerrtext));
        regodbc(s);
        yreg = true;
        connect(sqlca, registeredConnectString(s), ini);
    }
    if (sqlca.sqlcode != 0)
        std::fprintf(stderr, "kelpword: cannot connect to the study database %s: %s\n", qPrintable(s.ls_database),
                     qPrintable(sqlca.sqlerrtext));
}

} // namespace kelp

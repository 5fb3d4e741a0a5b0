// Registration of the study database's ODBC user data source, and the
// connection made while the word buffer is filled.
#pragma once

#include "config/ini_file.h"
#include "platform/odbc.h"

#include <QString>

#include <utility>
#include <vector>

namespace kelp {

// The SQLite ODBC driver's library, in the folder `sys_path`.
inline const QString kDriverLibrary = QStringLiteral("libsqlite3odbc.so");
inline const QString kDriverName = QStringLiteral("SQLite3");

struct DataSourceSettings {
    QString dns_name1;   // data-source name
    QString sys_path;    // folder of the ODBC driver
    QString ls_database; // the study database file
    QString ls_uid;
    QString ls_pwd;
};

// The values of the data source, in the order they are written.
std::vector<std::pair<QString, QString>> dsnEntries(const DataSourceSettings &s);

// Registers (or re-registers) the user data source.
void regodbc(const DataSourceSettings &s);

// "DSN=<name>;UID=<uid>;PWD=<pwd>"
QString connectString(const DataSourceSettings &s);

// Connects `sqlca`; on failure re-registers the data source once per run
// (`yreg`) and tries again. No message: the queries report a missing connection.
void ljsjk(platform::OdbcConnection &sqlca, const DataSourceSettings &s, const IniFile &ini, bool &yreg);

} // namespace kelp

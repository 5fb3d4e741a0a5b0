// Registration of the study database's ODBC user data source, and the
// connection made while the word buffer is filled.
#pragma once

#include "config/settings.h"
#include "platform/odbc.h"
#include "studydb/study_error.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace kelp {

// The SQLite ODBC driver's library, in the folder `driverFolder`.
// However long a database takes to answer one call (a server frozen in the
// middle of a statement answers nothing, and no time-out of its own fires),
// the programs give it up after this.
inline constexpr int kStatementLimitS = 30;
// How long the programs' own connections to a local file wait for another's
// lock (a trainer's plan step, an import) before they give up.
inline constexpr int kLockWaitMs = 4000;

inline const QString kDriverLibrary = QStringLiteral("libsqlite3odbc.so");
inline const QString kDriverName = QStringLiteral("SQLite3");

struct DataSource {
    QString name;         // data-source name
    QString driverFolder; // folder of the ODBC driver; empty: where unixODBC has it
    QString databaseFile; // the study database file
    QString user;
    QString password;
};

// The values of the data source, in the order they are written.
std::vector<std::pair<QString, QString>> dsnEntries(const DataSource &s);

// Registers (or re-registers) the user data source. An empty name is
// refused (said on stderr): false then.
bool registerDataSource(const DataSource &s);

// "DSN=<name>;UID=<uid>;PWD=<pwd>", or "DSN=<name>" when both are empty
QString connectString(const DataSource &s);

// Connects `connection`; on failure re-registers the data source once per run
// (`reRegistered`) and tries again. No message to the learner: the queries
// report a missing connection.
void connectStudyDatabase(platform::OdbcConnection &connection, const DataSource &s, bool autoCommit,
                          bool &reRegistered);

// Connects to the data source `name` as it is set up (a server's, with its
// own time-outs). The driver manager's words on failure.
StudyResult connectDataSource(platform::OdbcConnection &connection, const QString &name);

// Whether `name` is a data source of this program's kind (the SQLite
// driver's), or none yet: one of another driver (a database server's) is
// never registered over.
bool isOwnDataSource(const QString &name);

// A program folder's first start: registers the data source, unless that
// name is set up for another driver (such as a database server's).
void registerOnFirstStart(const DataSource &source);

// The database file the registered data source `name` points at; empty when
// it names none.
QString dataSourceDatabase(const QString &name);

// The warning for the learner when the data source points at another
// database than the program folder's own (another program folder's data
// would be studied and planned here); none when it points at its own.
std::optional<QString> databaseElsewhere(const DataSource &s);

} // namespace kelp

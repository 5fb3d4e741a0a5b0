// A thin layer over the unixODBC driver manager: one connection, statements
// with bound integer and date parameters, and the user data-source file.
#pragma once

#include <QDate>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace kelp::platform {

class OdbcConnection {
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    // Connects with an ODBC connection string. Returns 0 on success, -1 on
    // failure (errorText then holds the driver manager's diagnostics).
    int connect(const QString &connectString, bool autoCommit);
    void disconnect();
    bool isConnected() const { return connected_; }
    // Whether the open connection commits each statement by itself.
    bool autoCommit() const;
    void *handle() const { return dbc_; }
    // The database engine behind the connection ("SQLite", "PostgreSQL", ...).
    QString dbmsName() const;
    // The SQL the engine speaks where the two differ, fixed when it connects.
    enum class Dialect { None, SQLite, PostgreSQL, Other };
    Dialect dialect() const { return dialect_; }

    int status = 0;
    QString errorText;

private:
    friend class OdbcTransaction;
    int transactions_ = 0; // guards open on it, the outermost one commits
    void *env_ = nullptr;
    void *dbc_ = nullptr;
    bool connected_ = false;
    Dialect dialect_ = Dialect::None;
};

struct SqlParam {
    enum class Kind { Integer, Date, Text, Real } kind = Kind::Integer;
    int integer = 0;
    QDate date;
    QString text; // sent as UTF-8
    double real = 0;
    static SqlParam of(int v) { return SqlParam{Kind::Integer, v, {}, {}, 0}; }
    static SqlParam of(const QDate &d) { return SqlParam{Kind::Date, 0, d, {}, 0}; }
    static SqlParam of(const QString &t) { return SqlParam{Kind::Text, 0, {}, t, 0}; }
    static SqlParam of(double v) { return SqlParam{Kind::Real, 0, {}, {}, v}; }
};

class OdbcQuery {
public:
    explicit OdbcQuery(OdbcConnection &connection);
    ~OdbcQuery();
    OdbcQuery(const OdbcQuery &) = delete;
    OdbcQuery &operator=(const OdbcQuery &) = delete;

    // Prepares and executes `sql` with its parameters bound in order. The
    // same text again on an open query runs the prepared statement anew.
    // Returns 0 on success, below 0 on failure (see errorText()).
    int open(const char *sql, const std::vector<SqlParam> &params);
    // 0: a row was fetched; 100: no more rows; -1: failure.
    int fetch();
    std::optional<QString> text(int column);
    std::optional<long long> integer(int column);
    std::optional<double> real(int column);
    // Rows the last insert, update or delete changed; -1 when unknown.
    long long rowCount();
    void close();

    const QString &errorText() const { return error_; }

private:
    OdbcConnection &conn_;
    void *stmt_ = nullptr;
    QByteArray preparedSql_;
    std::vector<SqlParam> params_;
    std::vector<std::vector<char>> paramStorage_;
    std::vector<long> textLengths_; // SQLLEN: the byte lengths of text parameters
    QString error_;
};

// When the call into the driver now under way began (milliseconds of the
// steady clock), 0 when none is: a watchdog's way to tell a database that
// stopped answering, which no time-out of the driver's own may notice.
long long odbcCallStartedMs();

// Runs a statement that returns no rows; the driver's words when it fails.
std::optional<QString> execute(OdbcConnection &connection, const char *sql, const std::vector<SqlParam> &params = {});

// One transaction on a connection that otherwise commits each statement:
// what is not committed is rolled back when the guard goes. A guard made
// while another is open on the connection is part of that one's transaction:
// only the outermost commits or rolls back.
class OdbcTransaction {
public:
    explicit OdbcTransaction(OdbcConnection &connection);
    ~OdbcTransaction();
    OdbcTransaction(const OdbcTransaction &) = delete;
    OdbcTransaction &operator=(const OdbcTransaction &) = delete;
    bool commit();

private:
    OdbcConnection &connection_;
    bool wasAutoCommit_;
    bool nested_;
    bool done_ = false;
};

// The user data-source file: replaces the section `name` with `values`, in
// order, for the driver registered as `driver`. Each write's result is
// ignored, as for registry writes.
void writeUserDsn(const QString &name, const QString &driver, const std::vector<std::pair<QString, QString>> &values);

// The Driver value of the data source `name` (user or system file); empty
// when there is no such data source.
QString dataSourceDriver(const QString &name);

// The value of `key` in the data source `name` (user or system file); empty
// when it has none.
QString dataSourceValue(const QString &name, const char *key);

// Adds an entry to the user file's [ODBC Data Sources] list.
void writeUserDsnListing(const QString &name, const QString &description);

// Full path of the shared library registered for `driver` in odbcinst.ini,
// resolved against the system's ODBC driver folder; empty when unknown.
QString registeredDriverPath(const QString &driver);

// The library of unixODBC that could not be opened (its file name and why),
// once a call needed it; none while every one tried has opened.
std::optional<std::pair<QString, QString>> unopenedOdbcLibrary();

// For the learner: the ODBC library or driver that a call or a connection
// needed and could not open, with the Debian package that brings it; empty
// when none was missing so far.
QString missingOdbcLibrary();

// The folder the ODBC drivers live in (that of the SQLite3 driver when it is
// registered, else the system's usual folder).
QString odbcDriverFolder();

} // namespace kelp::platform

#include "platform/odbc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

#ifndef KELP_MULTIARCH
#define KELP_MULTIARCH ""
#endif

namespace kelp::platform {

static_assert(sizeof(long) == sizeof(SQLLEN), "text parameter lengths are kept as long");
namespace {

QString diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    QString text;
    SQLCHAR state[6];
    SQLCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1;
         SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length) == SQL_SUCCESS; ++i) {
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += QString::fromUtf8(reinterpret_cast<const char *>(state)) + QStringLiteral(": ") +
                QString::fromUtf8(reinterpret_cast<const char *>(message));
    }
    return text;
}

bool ok(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The Debian package that brings an ODBC library or driver; empty for one we do not know.
QString packageOf(const QString &library)
{
    const QString name = QFileInfo(library).fileName();
    if (name.startsWith(QLatin1String("libodbc.so")))
        return QStringLiteral("libodbc2");
    if (name.startsWith(QLatin1String("libodbcinst.so")))
        return QStringLiteral("libodbcinst2");
    if (name.startsWith(QLatin1String("libsqlite3odbc")) || name == QLatin1String("SQLite3"))
        return QStringLiteral("libsqliteodbc");
    if (name.startsWith(QLatin1String("psqlodbc")) || name.startsWith(QLatin1String("PostgreSQL")))
        return QStringLiteral("odbc-postgresql");
    return QString();
}

QString installHint(const QString &library)
{
    const QString package = packageOf(library);
    return package.isEmpty() ? QCoreApplication::translate("kelp::platform", "install the driver's package")
                             : QCoreApplication::translate("kelp::platform", "install the package %1").arg(package);
}

// A driver the driver manager could not open, as the last failed connection named it.
QMutex g_driverMutex;
QString g_unopenedDriver;

// unixODBC says "Can't open lib 'NAME' : why" when a driver's library is missing or broken.
QString unopenedDriverIn(const QString &diagnostics)
{
    static const QRegularExpression cannotOpen(QStringLiteral("Can't open lib '([^']+)'"));
    return cannotOpen.match(diagnostics).captured(1);
}

} // namespace

QString missingOdbcLibrary()
{
    if (const auto library = unopenedOdbcLibrary())
        return QCoreApplication::translate("kelp::platform", "the ODBC library %1 cannot be opened (%2): %3")
            .arg(library->first, library->second, installHint(library->first));
    const QMutexLocker lock(&g_driverMutex);
    if (!g_unopenedDriver.isEmpty())
        return QCoreApplication::translate("kelp::platform", "the ODBC driver %1 cannot be opened: %2")
            .arg(g_unopenedDriver, installHint(g_unopenedDriver));
    return QString();
}

OdbcConnection::OdbcConnection() = default;

OdbcConnection::~OdbcConnection()
{
    disconnect();
}

namespace {
std::atomic<long long> g_callStarted{0};

// Marks a call into the driver for odbcCallStartedMs().
class CallUnderWay {
public:
    CallUnderWay()
    {
        g_callStarted =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
    }
    ~CallUnderWay() { g_callStarted = 0; }
    CallUnderWay(const CallUnderWay &) = delete;
    CallUnderWay &operator=(const CallUnderWay &) = delete;
};
} // namespace

long long odbcCallStartedMs()
{
    return g_callStarted;
}

int OdbcConnection::connect(const QString &connectString, bool autoCommit)
{
    const CallUnderWay call;
    disconnect();
    errorText.clear();
    if (!ok(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
        status = -1;
        errorText = missingOdbcLibrary();
        if (errorText.isEmpty())
            errorText = QCoreApplication::translate("kelp::platform", "cannot allocate an ODBC environment");
        return status;
    }
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    SQLSetConnectAttr(
        dbc_, SQL_ATTR_AUTOCOMMIT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(autoCommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)), 0);
    QByteArray in = connectString.toUtf8();
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc =
        SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR *>(in.data()), static_cast<SQLSMALLINT>(in.size()),
                         out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    if (!ok(rc)) {
        status = -1;
        errorText = diagnostics(SQL_HANDLE_DBC, dbc_);
        if (const QString driver = unopenedDriverIn(errorText); !driver.isEmpty()) {
            errorText += QStringLiteral("; ") + installHint(driver);
            const QMutexLocker lock(&g_driverMutex);
            g_unopenedDriver = driver;
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        dbc_ = env_ = nullptr;
        return status;
    }
    connected_ = true;
    const QString engine = dbmsName();
    dialect_ = engine.contains(QLatin1String("SQLite"), Qt::CaseInsensitive)       ? Dialect::SQLite
               : engine.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) ? Dialect::PostgreSQL
                                                                                   : Dialect::Other;
    status = 0;
    return 0;
}

QString OdbcConnection::dbmsName() const
{
    if (!connected_)
        return QString();
    char name[128] = {};
    SQLSMALLINT length = 0;
    SQLGetInfo(dbc_, SQL_DBMS_NAME, name, sizeof name, &length);
    return QString::fromUtf8(name);
}

bool OdbcConnection::autoCommit() const
{
    if (!connected_)
        return false;
    SQLULEN value = SQL_AUTOCOMMIT_OFF;
    SQLGetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, &value, 0, nullptr);
    return value == SQL_AUTOCOMMIT_ON;
}

void OdbcConnection::disconnect()
{
    if (connected_)
        SQLDisconnect(dbc_);
    connected_ = false;
    dialect_ = Dialect::None;
    if (dbc_)
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    if (env_)
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    dbc_ = env_ = nullptr;
}

OdbcQuery::OdbcQuery(OdbcConnection &connection) : conn_(connection) {}

OdbcQuery::~OdbcQuery()
{
    close();
}

int OdbcQuery::open(const char *sql, const std::vector<SqlParam> &params)
{
    const CallUnderWay call;
    error_.clear();
    const QByteArray text(sql);
    if (stmt_ && text == preparedSql_ && conn_.isConnected()) {
        // The same statement again (the words of the next group): it stays
        // prepared, only its parameters change.
        SQLFreeStmt(stmt_, SQL_CLOSE);
        SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
    } else {
        close();
        if (!conn_.isConnected()) {
            error_ = QStringLiteral("not connected to the database");
            if (!conn_.errorText.isEmpty())
                error_ += QStringLiteral(" (") + conn_.errorText + QLatin1Char(')');
            return -1;
        }
        if (!ok(SQLAllocHandle(SQL_HANDLE_STMT, conn_.handle(), &stmt_))) {
            error_ = diagnostics(SQL_HANDLE_DBC, conn_.handle());
            stmt_ = nullptr;
            return -1;
        }
        if (!ok(SQLPrepare(stmt_, reinterpret_cast<SQLCHAR *>(const_cast<char *>(text.constData())),
                           static_cast<SQLINTEGER>(text.size())))) {
            error_ = diagnostics(SQL_HANDLE_STMT, stmt_);
            close();
            return -1;
        }
        preparedSql_ = text;
    }
    // Bound values must stay where they are until the statement has run.
    params_ = params;
    paramStorage_.assign(params_.size(), {});
    textLengths_.assign(params_.size(), 0);
    for (size_t i = 0; i < params_.size(); ++i) {
        const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN rc;
        if (params_[i].kind == SqlParam::Kind::Integer) {
            paramStorage_[i].resize(sizeof(SQLINTEGER));
            const SQLINTEGER v = params_[i].integer;
            std::memcpy(paramStorage_[i].data(), &v, sizeof v);
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                  paramStorage_[i].data(), 0, nullptr);
        } else if (params_[i].kind == SqlParam::Kind::Real) {
            paramStorage_[i].resize(sizeof(SQLDOUBLE));
            const SQLDOUBLE v = params_[i].real;
            std::memcpy(paramStorage_[i].data(), &v, sizeof v);
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0,
                                  paramStorage_[i].data(), 0, nullptr);
        } else if (params_[i].kind == SqlParam::Kind::Text) {
            const QByteArray bytes = params_[i].text.toUtf8();
            paramStorage_[i].assign(bytes.constData(), bytes.constData() + bytes.size());
            paramStorage_[i].push_back('\0');
            textLengths_[i] = static_cast<SQLLEN>(bytes.size());
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                  static_cast<SQLULEN>(std::max<qsizetype>(bytes.size(), 1)), 0,
                                  paramStorage_[i].data(), textLengths_[i], &textLengths_[i]);
        } else {
            paramStorage_[i].resize(sizeof(SQL_DATE_STRUCT));
            SQL_DATE_STRUCT d{};
            d.year = static_cast<SQLSMALLINT>(params_[i].date.year());
            d.month = static_cast<SQLUSMALLINT>(params_[i].date.month());
            d.day = static_cast<SQLUSMALLINT>(params_[i].date.day());
            std::memcpy(paramStorage_[i].data(), &d, sizeof d);
            rc = SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0,
                                  paramStorage_[i].data(), 0, nullptr);
        }
        if (!ok(rc)) {
            error_ = diagnostics(SQL_HANDLE_STMT, stmt_);
            close();
            return -1;
        }
    }
    const SQLRETURN rc = SQLExecute(stmt_);
    if (!ok(rc) && rc != SQL_NO_DATA) {
        error_ = diagnostics(SQL_HANDLE_STMT, stmt_);
        close();
        return -1;
    }
    return 0;
}

int OdbcQuery::fetch()
{
    const CallUnderWay call;
    if (!stmt_)
        return -1;
    const SQLRETURN rc = SQLFetch(stmt_);
    if (ok(rc))
        return 0;
    if (rc == SQL_NO_DATA)
        return 100;
    error_ = diagnostics(SQL_HANDLE_STMT, stmt_);
    return -1;
}

std::optional<QString> OdbcQuery::text(int column)
{
    if (!stmt_)
        return std::nullopt;
    // Read in pieces: a value is kept whole whatever its length.
    QByteArray value;
    char buffer[1024];
    SQLLEN indicator = 0;
    for (;;) {
        const SQLRETURN rc =
            SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column), SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!ok(rc))
            return std::nullopt;
        if (indicator == SQL_NULL_DATA)
            return std::nullopt;
        const qsizetype got = (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer))
                                  ? static_cast<qsizetype>(sizeof buffer - 1)
                                  : static_cast<qsizetype>(indicator);
        value.append(buffer, got);
        if (rc == SQL_SUCCESS)
            break;
    }
    return QString::fromUtf8(value);
}

long long OdbcQuery::rowCount()
{
    SQLLEN count = -1;
    if (!stmt_ || !ok(SQLRowCount(stmt_, &count)))
        return -1;
    return static_cast<long long>(count);
}

std::optional<long long> OdbcQuery::integer(int column)
{
    if (!stmt_)
        return std::nullopt;
    SQLBIGINT v = 0;
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column), SQL_C_SBIGINT, &v, sizeof v, &indicator);
    if (!ok(rc) || indicator == SQL_NULL_DATA)
        return std::nullopt;
    return static_cast<long long>(v);
}

std::optional<double> OdbcQuery::real(int column)
{
    if (!stmt_)
        return std::nullopt;
    SQLDOUBLE v = 0;
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt_, static_cast<SQLUSMALLINT>(column), SQL_C_DOUBLE, &v, sizeof v, &indicator);
    if (!ok(rc) || indicator == SQL_NULL_DATA)
        return std::nullopt;
    return static_cast<double>(v);
}

void OdbcQuery::close()
{
    if (stmt_) {
        SQLFreeStmt(stmt_, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    }
    stmt_ = nullptr;
    preparedSql_.clear();
}

std::optional<QString> execute(OdbcConnection &connection, const char *sql, const std::vector<SqlParam> &params)
{
    OdbcQuery q(connection);
    if (q.open(sql, params) < 0)
        return q.errorText();
    return std::nullopt;
}

OdbcTransaction::OdbcTransaction(OdbcConnection &connection)
    : connection_(connection), wasAutoCommit_(connection.autoCommit()), nested_(connection.transactions_ > 0)
{
    ++connection_.transactions_;
    if (!nested_ && wasAutoCommit_)
        SQLSetConnectAttr(connection_.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                          0);
}

OdbcTransaction::~OdbcTransaction()
{
    --connection_.transactions_;
    if (nested_ || !connection_.isConnected())
        return;
    if (!done_)
        SQLEndTran(SQL_HANDLE_DBC, connection_.handle(), SQL_ROLLBACK);
    if (wasAutoCommit_)
        SQLSetConnectAttr(connection_.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                          0);
}

bool OdbcTransaction::commit()
{
    done_ = true;
    if (nested_)
        return true;
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.handle(), SQL_COMMIT));
}

void writeUserDsn(const QString &name, const QString &driver, const std::vector<std::pair<QString, QString>> &values)
{
    const QByteArray n = name.toUtf8();
    SQLSetConfigMode(ODBC_USER_DSN);
    // Clears any earlier section of that name, so registering twice is harmless.
    SQLWriteDSNToIni(n.constData(), driver.toUtf8().constData());
    for (const auto &[key, value] : values)
        SQLWritePrivateProfileString(n.constData(), key.toUtf8().constData(), value.toUtf8().constData(), "odbc.ini");
    SQLSetConfigMode(ODBC_BOTH_DSN);
}

QString dataSourceValue(const QString &name, const char *key)
{
    char value[1024] = {};
    SQLSetConfigMode(ODBC_BOTH_DSN);
    SQLGetPrivateProfileString(name.toUtf8().constData(), key, "", value, sizeof value, "odbc.ini");
    return QString::fromUtf8(value);
}

QString dataSourceDriver(const QString &name)
{
    return dataSourceValue(name, "Driver");
}

void writeUserDsnListing(const QString &name, const QString &description)
{
    SQLSetConfigMode(ODBC_USER_DSN);
    SQLWritePrivateProfileString("ODBC Data Sources", name.toUtf8().constData(), description.toUtf8().constData(),
                                 "odbc.ini");
    SQLSetConfigMode(ODBC_BOTH_DSN);
}

namespace {
QStringList driverFolders()
{
    QStringList folders;
    const QString multiarch = QStringLiteral(KELP_MULTIARCH);
    if (!multiarch.isEmpty())
        folders << QStringLiteral("/usr/lib/") + multiarch + QStringLiteral("/odbc");
    folders << QStringLiteral("/usr/lib/odbc") << QStringLiteral("/usr/local/lib/odbc") << QStringLiteral("/usr/lib64")
            << QStringLiteral("/usr/lib");
    return folders;
}
} // namespace

QString registeredDriverPath(const QString &driver)
{
    char buffer[1024] = {};
    SQLGetPrivateProfileString(driver.toUtf8().constData(), "Driver", "", buffer, sizeof buffer, "odbcinst.ini");
    QString lib = QString::fromUtf8(buffer).trimmed();
    if (lib.isEmpty())
        return QString();
    if (QFileInfo(lib).isAbsolute())
        return lib;
    for (const QString &folder : driverFolders()) {
        QString path = folder + QLatin1Char('/') + lib;
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}

QString odbcDriverFolder()
{
    const QString driver = registeredDriverPath(QStringLiteral("SQLite3"));
    if (!driver.isEmpty())
        return QFileInfo(driver).absolutePath();
    return driverFolders().constFirst();
}

} // namespace kelp::platform

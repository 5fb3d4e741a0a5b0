// unixODBC, loaded on first use: the trainer in text-file mode never touches
// a database, and should not pay for mapping the driver manager before its
// first word. Each function the program calls is defined here under its own
// name and forwards to the library, opened the first time any is called.
// Without the library every call fails the way a missing driver does, and
// the database modes take their usual error path.
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include "platform/odbc.h"
#include "util/lazy_library.h"

#include <QFile>

#include <atomic>
#include <string>

#include <dlfcn.h>

namespace {

struct Library {
    const char *name;
    void *handle;
    std::string error; // why it could not be opened
};

// Set once a library was tried and could not be opened, to be named to the learner.
std::atomic<const Library *> g_unopened{nullptr};

Library open(const char *name)
{
    Library library{name, ::dlopen(name, RTLD_NOW | RTLD_GLOBAL), {}};
    if (!library.handle) {
        const char *why = ::dlerror();
        library.error = why ? why : "";
    }
    return library;
}

void *opened(const Library &library)
{
    if (!library.handle)
        g_unopened.store(&library);
    return library.handle;
}

void *driverManager()
{
    static const Library library = open("libodbc.so.2");
    static void *const handle = opened(library);
    return handle;
}

void *installer()
{
    static const Library library = open("libodbcinst.so.2");
    static void *const handle = opened(library);
    return handle;
}

} // namespace

#define KELP_SQL(name, params, args) KELP_LAZY_FORWARD(driverManager, SQL_ERROR, SQLRETURN SQL_API, name, params, args)

KELP_SQL(SQLAllocHandle, (SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output), (type, input, output))
KELP_SQL(SQLFreeHandle, (SQLSMALLINT type, SQLHANDLE handle), (type, handle))
KELP_SQL(SQLSetEnvAttr, (SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length),
         (env, attribute, value, length))
KELP_SQL(SQLSetConnectAttr, (SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length),
         (dbc, attribute, value, length))
KELP_SQL(SQLGetConnectAttr, (SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size, SQLINTEGER *length),
         (dbc, attribute, value, size, length))
KELP_SQL(SQLSetStmtAttr, (SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length),
         (stmt, attribute, value, length))
KELP_SQL(SQLDriverConnect,
         (SQLHDBC dbc, SQLHWND window, SQLCHAR *in, SQLSMALLINT inLength, SQLCHAR *out, SQLSMALLINT outSize,
          SQLSMALLINT *outLength, SQLUSMALLINT completion),
         (dbc, window, in, inLength, out, outSize, outLength, completion))
KELP_SQL(SQLDisconnect, (SQLHDBC dbc), (dbc))
KELP_SQL(SQLEndTran, (SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion), (type, handle, completion))
KELP_SQL(SQLPrepare, (SQLHSTMT stmt, SQLCHAR *text, SQLINTEGER length), (stmt, text, length))
KELP_SQL(SQLExecute, (SQLHSTMT stmt), (stmt))
KELP_SQL(SQLExecDirect, (SQLHSTMT stmt, SQLCHAR *text, SQLINTEGER length), (stmt, text, length))
KELP_SQL(SQLBindParameter,
         (SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT direction, SQLSMALLINT cType, SQLSMALLINT sqlType,
          SQLULEN size, SQLSMALLINT digits, SQLPOINTER value, SQLLEN bufferLength, SQLLEN *indicator),
         (stmt, number, direction, cType, sqlType, size, digits, value, bufferLength, indicator))
KELP_SQL(SQLFetch, (SQLHSTMT stmt), (stmt))
KELP_SQL(SQLGetData,
         (SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value, SQLLEN size, SQLLEN *indicator),
         (stmt, column, type, value, size, indicator))
KELP_SQL(SQLBindCol,
         (SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER value, SQLLEN size, SQLLEN *indicator),
         (stmt, column, type, value, size, indicator))
KELP_SQL(SQLNumResultCols, (SQLHSTMT stmt, SQLSMALLINT *count), (stmt, count))
KELP_SQL(SQLRowCount, (SQLHSTMT stmt, SQLLEN *count), (stmt, count))
KELP_SQL(SQLMoreResults, (SQLHSTMT stmt), (stmt))
KELP_SQL(SQLCloseCursor, (SQLHSTMT stmt), (stmt))
KELP_SQL(SQLFreeStmt, (SQLHSTMT stmt, SQLUSMALLINT option), (stmt, option))
KELP_SQL(SQLGetInfo, (SQLHDBC dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT size, SQLSMALLINT *length),
         (dbc, type, value, size, length))
KELP_SQL(SQLGetDiagRec,
         (SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR *state, SQLINTEGER *native, SQLCHAR *text,
          SQLSMALLINT size, SQLSMALLINT *length),
         (type, handle, record, state, native, text, size, length))

KELP_LAZY_FORWARD(installer, 0, BOOL INSTAPI, SQLSetConfigMode, (UWORD mode), (mode))
KELP_LAZY_FORWARD(installer, 0, BOOL INSTAPI, SQLWriteDSNToIni, (LPCSTR name, LPCSTR driver), (name, driver))
KELP_LAZY_FORWARD(installer, 0, BOOL INSTAPI, SQLWritePrivateProfileString,
                  (LPCSTR section, LPCSTR entry, LPCSTR value, LPCSTR file), (section, entry, value, file))

// A lookup that fails leaves the default in the buffer, as the library does.
extern "C" int INSTAPI SQLGetPrivateProfileString(LPCSTR section, LPCSTR entry, LPCSTR fallback, LPSTR buffer, int size,
                                                  LPCSTR file)
{
    using Function = int(INSTAPI *)(LPCSTR, LPCSTR, LPCSTR, LPSTR, int, LPCSTR);
    static const auto real = kelp::util::lazySymbol<Function>(installer(), "SQLGetPrivateProfileString");
    if (real)
        return real(section, entry, fallback, buffer, size, file);
    if (!buffer || size < 1)
        return 0;
    int n = 0;
    for (; fallback && fallback[n] && n < size - 1; ++n)
        buffer[n] = fallback[n];
    buffer[n] = '\0';
    return n;
}

namespace kelp::platform {

std::optional<std::pair<QString, QString>> unopenedOdbcLibrary()
{
    const Library *library = g_unopened.load();
    if (!library)
        return std::nullopt;
    return std::pair{QString::fromLatin1(library->name), QString::fromLocal8Bit(library->error.c_str())};
}

} // namespace kelp::platform

#include "server/study_tables.h"

#include <sql.h>
#include <sqlext.h>

namespace kelp::server {
namespace {

using platform::OdbcQuery;
using platform::SqlParam;

std::optional<QString> run(platform::OdbcConnection &c, const char *sql, const std::vector<SqlParam> &params = {})
{
    OdbcQuery q(c);
    if (q.open(sql, params) < 0)
        return q.errorText();
    return std::nullopt;
}

} // namespace

Transaction::Transaction(platform::OdbcConnection &connection)
    : connection_(connection), wasAutoCommit_(connection.autoCommit())
{
    if (wasAutoCommit_)
        SQLSetConnectAttr(connection_.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                          0);
}

Transaction::~Transaction()
{
    if (!connection_.isConnected())
        return;
    if (!done_)
        SQLEndTran(SQL_HANDLE_DBC, connection_.handle(), SQL_ROLLBACK);
    if (wasAutoCommit_)
        SQLSetConnectAttr(connection_.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                          0);
}

bool Transaction::commit()
{
    done_ = true;
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.handle(), SQL_COMMIT));
}

std::optional<QString> connectDataSource(platform::OdbcConnection &connection, const QString &name)
{
    if (connection.connect(QStringLiteral("DSN=") + name, true) != 0)
        return connection.errorText.isEmpty() ? QStringLiteral("cannot connect") : connection.errorText;
    return std::nullopt;
}

bool hasStudyTables(platform::OdbcConnection &connection)
{
    OdbcQuery q(connection);
    // A query that fails when the table is missing works on every engine.
    return q.open("select count(*) from zb where 1 = 0", {}) == 0;
}

std::optional<QString> writeStudyTables(platform::OdbcConnection &connection, const std::vector<StudyGroup> &groups,
                                        bool replace)
{
    if (connection.dbmsName().contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) {
        // Chinese meanings in a database of another encoding would be refused
        // or mangled word by word: say so before anything is written.
        OdbcQuery q(connection);
        if (q.open("show server_encoding", {}) < 0 || q.fetch() != 0)
            return q.errorText();
        const QString encoding = q.text(1).value_or(QString());
        if (encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0)
            return QStringLiteral("the database's encoding is %1, not UTF8 (make it with createdb -E UTF8)")
                .arg(encoding);
    }
    Transaction transaction(connection);
    if (replace) {
        for (const char *sql : {"drop table if exists fb", "drop table if exists zb"})
            if (auto e = run(connection, sql))
                return e;
    }
    // sj is a pure date, so that "date - days" is a date again and compares
    // exactly; text columns are unbounded (the server's encoding is UTF-8).
    for (const char *sql : {"create table zb (xh integer primary key, bt varchar, sj date, cs integer)",
                            "create table fb (xh integer not null, da varchar, lx2 varchar, xh1 integer)",
                            "create index fb_xh_xh1 on fb (xh, xh1)"}) {
        if (auto e = run(connection, sql))
            return e;
    }
    for (const StudyGroup &g : groups) {
        if (auto e = run(
                connection, "insert into zb (xh, bt, sj, cs) values (?, ?, ?, ?)",
                {SqlParam::of(g.number), SqlParam::of(g.title), SqlParam::of(g.referenceDate), SqlParam::of(g.stage)}))
            return e;
        int position = 0;
        for (const auto &[word, meaning] : g.words) {
            if (auto e =
                    run(connection, "insert into fb (xh, da, lx2, xh1) values (?, ?, ?, ?)",
                        {SqlParam::of(g.number), SqlParam::of(word), SqlParam::of(meaning), SqlParam::of(++position)}))
                return e;
        }
    }
    if (!transaction.commit())
        return QStringLiteral("the study tables could not be committed");
    return std::nullopt;
}

} // namespace kelp::server

#include "studydb/schema.h"

#include <QCoreApplication>

namespace kelp {

bool hasStudyTables(platform::OdbcConnection &connection)
{
    platform::OdbcQuery q(connection);
    // A query that fails when the table is missing works on every engine.
    return q.open("select count(*) from zb where 1 = 0", {}) == 0;
}

std::optional<QString> createServerStudyTables(platform::OdbcConnection &connection, bool replace)
{
    if (connection.dbmsName().contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive)) {
        // Chinese meanings in a database of another encoding would be refused
        // or mangled word by word: say so before anything is written.
        platform::OdbcQuery q(connection);
        if (q.open("show server_encoding", {}) < 0 || q.fetch() != 0)
            return q.errorText();
        const QString encoding = q.text(1).value_or(QString());
        if (encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0)
            return QCoreApplication::translate(
                       "kelp::studydb", "the database's encoding is %1, not UTF8 (make it with createdb -E UTF8)")
                .arg(encoding);
    }
    if (replace) {
        // The plan's rows and days speak of the groups replaced.
        for (const char *sql : {"drop table if exists fb", "drop table if exists zb", "drop table if exists kelp_plan",
                                "drop table if exists kelp_plan_day", "drop table if exists kelp_plan_missed"})
            if (auto e = platform::execute(connection, sql))
                return e;
    }
    // sj is a pure date, so that "date - days" is a date again and compares
    // exactly; text columns are unbounded (the server's encoding is UTF-8).
    for (const char *sql : {"create table zb (xh integer primary key, bt varchar, sj date, cs integer)",
                            "create table fb (xh integer not null, da varchar, lx2 varchar, xh1 integer)",
                            "create index fb_xh_xh1 on fb (xh, xh1)"}) {
        if (auto e = platform::execute(connection, sql))
            return e;
    }
    return std::nullopt;
}

} // namespace kelp

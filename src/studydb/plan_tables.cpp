#include "studydb/plan_tables.h"

#include <QDate>

#include <cmath>

namespace kelp::plan {

using platform::OdbcQuery;
using platform::SqlParam;

namespace {
// Never studied: no stage and no date. The learner's own groups come before
// the sample words a new user folder was laid out with.
constexpr const char *kNeverStudied = "(zb.cs is null or zb.cs = 0) and zb.sj is null and "
                                      "not exists (select 1 from kelp_plan p where p.xh = zb.xh) and "
                                      "exists (select 1 from fb where fb.xh = zb.xh)";

} // namespace

bool hasTable(platform::OdbcConnection &connection, const char *probe)
{
    OdbcQuery q(connection);
    return q.open(probe, {}) == 0;
}

// Asked without a statement that fails: a server ends a transaction at the first.
bool tableExists(platform::OdbcConnection &connection, const QString &name)
{
    OdbcQuery q(connection);
    const bool sqlite = connection.dialect() == platform::OdbcConnection::Dialect::SQLite;
    if (q.open(sqlite ? "select count(*) from sqlite_master where type = 'table' and name = ?"
                      : "select count(*) from information_schema.tables where table_name = ?",
               {SqlParam::of(name)}) < 0 ||
        q.fetch() != 0)
        return false;
    return q.integer(1).value_or(0) > 0;
}

QByteArray freshGroupsQuery(platform::OdbcConnection &connection)
{
    const bool samples = tableExists(connection, QStringLiteral("kelp_sample"));
    return QByteArray("select xh from zb where ") + kNeverStudied +
           (samples ? " order by case when exists (select 1 from kelp_sample s where s.xh = zb.xh) then 1 else 0 end, "
                      "xh limit ?"
                    : " order by xh limit ?");
}

// A zb.sj as a day: a date on a server, a julian day number (at midnight,
// so .5) in the local file.
long long dayOf(const QString &sj)
{
    if (sj.contains(QLatin1Char('-')))
        return QDate::fromString(sj.left(10), Qt::ISODate).toJulianDay();
    bool ok = false;
    const double jdn = sj.toDouble(&ok);
    return ok ? static_cast<long long>(std::floor(jdn + 0.5)) : 0;
}

StudyExpected<std::optional<long long>> single(platform::OdbcConnection &c, const char *sql,
                                               const std::vector<SqlParam> &params)
{
    OdbcQuery q(c);
    if (q.open(sql, params) < 0)
        return StudyError(q.errorText());
    if (q.fetch() != 0)
        return std::optional<long long>();
    return q.integer(1);
}

int jd(long long day)
{
    return static_cast<int>(day);
}

// The plan's groups that `sql` selects (number, stage, due, shown).
StudyResult readPlanGroups(platform::OdbcConnection &c, const char *sql, const std::vector<SqlParam> &params,
                           std::vector<PlanGroup> &groups)
{
    OdbcQuery q(c);
    if (q.open(sql, params) < 0)
        return q.errorText();
    int status;
    while ((status = q.fetch()) == 0) {
        PlanGroup g;
        g.number = static_cast<int>(q.integer(1).value_or(0));
        g.stage = static_cast<int>(q.integer(2).value_or(kRetired));
        g.due = q.integer(3).value_or(0);
        g.shown = q.integer(4).value_or(0);
        groups.push_back(g);
    }
    return status < 0 ? std::optional(q.errorText()) : std::nullopt;
}

} // namespace kelp::plan

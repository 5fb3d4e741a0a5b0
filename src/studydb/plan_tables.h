// The study plan's tables as both its daily step and the progress read them:
// the queries and conversions they share.
#pragma once

#include "plan/plan_schedule.h"
#include "platform/odbc.h"
#include "studydb/study_error.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace kelp::plan {

// Whether a query that needs a table runs: asked in a way every engine understands.
bool hasTable(platform::OdbcConnection &connection, const char *probe);
// Asked without a statement that fails: a server ends a transaction at the first.
bool tableExists(platform::OdbcConnection &connection, const QString &name);
// Groups never studied (no stage, no date), in the order the plan introduces
// them; one parameter: how many.
QByteArray freshGroupsQuery(platform::OdbcConnection &connection);
// A zb.sj as a day: a date on a server, a julian day number (at midnight,
// so .5) in the local file.
long long dayOf(const QString &sj);
// The one number `sql` selects; none when it selects no row.
StudyExpected<std::optional<long long>> single(platform::OdbcConnection &c, const char *sql,
                                               const std::vector<platform::SqlParam> &params);
// A day as the plan's tables keep it.
int jd(long long day);
// The plan's groups that `sql` selects (number, stage, due, shown).
StudyResult readPlanGroups(platform::OdbcConnection &c, const char *sql, const std::vector<platform::SqlParam> &params,
                           std::vector<PlanGroup> &groups);

} // namespace kelp::plan

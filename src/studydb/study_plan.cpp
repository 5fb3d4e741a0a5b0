#include "studydb/study_plan.h"

#include "study/review_schedule.h"

#include <QStringList>

#include <cstdio>


namespace kelp::plan {

namespace {

using platform::OdbcQuery;
using platform::SqlParam;

// Plan days are julian day numbers; zb.sj is always written as a bound date,
// which each engine stores in its own way.
constexpr const char *kCreatePlan = "create table if not exists kelp_plan (xh integer primary key, "
                                    "introduced integer not null, stage integer not null, due integer, "
                                    "shown integer, shown_stage integer)";
constexpr const char *kCreatePlanIndex = "create index if not exists kelp_plan_due on kelp_plan (due)";
// Groups the plan has not introduced, the learner's own before the sample
// words a new user folder was laid out with.
constexpr const char *kFreshGroups =
    "select xh from zb where not exists (select 1 from kelp_plan p where p.xh = zb.xh) and "
    "exists (select 1 from fb where fb.xh = zb.xh) order by xh limit ?";
constexpr const char *kFreshGroupsSamplesLast =
    "select xh from zb where not exists (select 1 from kelp_plan p where p.xh = zb.xh) and "
    "exists (select 1 from fb where fb.xh = zb.xh) "
    "order by case when exists (select 1 from kelp_sample s where s.xh = zb.xh) then 1 else 0 end, xh limit ?";

bool hasTable(platform::OdbcConnection &connection, const char *probe)
{
    OdbcQuery q(connection);
    return q.open(probe, {}) == 0;
}

const char *freshGroupsQuery(platform::OdbcConnection &connection)
{
    return hasTable(connection, "select count(*) from kelp_sample where 1 = 0") ? kFreshGroupsSamplesLast
                                                                                 : kFreshGroups;
}

constexpr const char *kCreateDays =
    "create table if not exists kelp_plan_day (day integer primary key, days varchar(40))";

QString daysText(const ReviewDays &days)
{
    QString t;
    for (size_t k = 1; k <= 7; ++k)
        t += QString::number(days[k]) + QLatin1Char('t');
    return t;
}

long long dueOf(const PlanGroup &g, const ReviewDays &days)
{
    return reviewDay(g, days);
}


std::optional<long long> single(platform::OdbcConnection &c, const char *sql, const std::vector<SqlParam> &params,
                                QString *error)
{
    OdbcQuery q(c);
    if (q.open(sql, params) < 0) {
        *error = q.errorText();
        return std::nullopt;
    }
    if (q.fetch() != 0)
        return std::nullopt;
    return q.integer(1);
}

std::vector<SqlParam> stageParams(const ReviewDays &days)
{
    std::vector<SqlParam> p;
    for (size_t k = 1; k <= 7; ++k)
        p.push_back(SqlParam::of(days[k]));
    return p;
}

int jd(long long day)
{
    return static_cast<int>(day);
}

// The plan's groups that `sql` selects (number, introduced, stage, shown).
std::optional<QString> readPlanGroups(platform::OdbcConnection &c, const char *sql, const std::vector<SqlParam> &params,
                                      std::vector<PlanGroup> &groups)
{
    OdbcQuery q(c);
    if (q.open(sql, params) < 0)
        return q.errorText();
    while (q.fetch() == 0) {
        PlanGroup g;
        g.number = static_cast<int>(q.integer(1).value_or(0));
        g.introduced = q.integer(2).value_or(0);
        g.stage = static_cast<int>(q.integer(3).value_or(kRetired));
        g.shown = q.integer(4).value_or(0);
        groups.push_back(g);
    }
    return std::nullopt;
}

} // namespace

ReviewDays reviewDays(const Settings &settings)
{
    ReviewDays days{};
    parseReviewDays(settings.reviewCycle, days);
    return days;
}

void startReviewDay(const SettingsFile &file, const Settings &settings, platform::OdbcConnection &connection,
                    const QDate &today)
{
    const int perDay = file.read(newGroupsPerDay);
    if (perDay < 1 || !connection.isConnected())
        return;
    if (const auto error = bringUpToDate(connection, today, reviewDays(settings), perDay))
        std::fprintf(stderr, "kelpword: the study plan could not be brought up to today: %s\n", qPrintable(*error));
}

std::optional<QString> bringUpToDate(platform::OdbcConnection &connection, const QDate &today, const ReviewDays &days,
                                     int newPerDay, StepResult *result)
{
    StepResult local;
    StepResult &r = result ? *result : local;
    r = {};
    const long long t = today.toJulianDay();
    // Made outside the transaction, so that its first statement is a write
    // and a second trainer waits for the first instead of reading around it.
    for (const char *sql : {kCreatePlan, kCreatePlanIndex, kCreateDays}) {
        // A server refuses the second of two creations at the same moment
        // once the first is done; the table is there then.
        if (platform::execute(connection, sql)) {
            if (auto e = platform::execute(connection, sql))
                return e;
        }
    }
    const QString daysNow = daysText(days);
    const QByteArray daysBytes = daysNow.toLatin1();
    // Asked before the transaction: a server aborts a transaction at a failed statement.
    const char *const freshQuery = freshGroupsQuery(connection);
    platform::OdbcTransaction transaction(connection);
    // The day's row, first of all: it takes the write lock (on a server, a
    // second trainer's insert of the same day waits for the first to end).
    long long added = -1;
    {
        const QByteArray sql =
            "insert into kelp_plan_day (day, days) values (?, '" + daysBytes + "') on conflict do nothing";
        OdbcQuery q(connection);
        if (q.open(sql.constData(), {SqlParam::of(jd(t))}) < 0)
            return q.errorText();
        added = q.rowCount();
    }
    if (added < 0)
        return QStringLiteral("the plan's day could not be recorded");
    if (added == 0) {
        r.alreadyToday = true;
        // Run earlier today: only review days changed since then need today's rows again.
        OdbcQuery q(connection);
        if (q.open("select days from kelp_plan_day where day = ?", {SqlParam::of(jd(t))}) < 0)
            return q.errorText();
        const bool same = q.fetch() == 0 && q.text(1).value_or(QString()) == daysNow;
        q.close();
        if (same)
            return std::nullopt;
        std::vector<SqlParam> p;
        p.push_back(SqlParam::of(QDate::fromJulianDay(t)));
        for (const SqlParam &d : stageParams(days))
            p.push_back(d);
        p.push_back(SqlParam::of(jd(t)));
        if (auto e = platform::execute(connection,
                         "update zb set sj = ? - (case (select shown_stage from kelp_plan p where p.xh = zb.xh) "
                         "when 1 then ? when 2 then ? when 3 then ? when 4 then ? when 5 then ? when 6 then ? "
                         "else ? end) where xh in (select xh from kelp_plan where shown = ?)",
                         p))
            return e;
    } else {
        // Review days changed since the last run: every next review moves with them.
        std::optional<QString> previous;
        {
            OdbcQuery q(connection);
            if (q.open("select days from kelp_plan_day where day < ? order by day desc limit 1",
                       {SqlParam::of(jd(t))}) < 0)
                return q.errorText();
            if (q.fetch() == 0)
                previous = q.text(1);
        }
        if (previous && *previous != daysNow) {
            if (auto e = platform::execute(connection,
                             "update kelp_plan set due = introduced + (case stage when 1 then ? when 2 then ? "
                             "when 3 then ? when 4 then ? when 5 then ? when 6 then ? else ? end) "
                             "where stage between 1 and 7",
                             stageParams(days)))
                return e;
        }
        // Groups shown on an earlier day go back to their own schedule:
        // reference date their introduction, stage their next review. One
        // group at a time, with the date bound: a julian day number is no
        // date on every engine.
        std::vector<PlanGroup> earlier;
        if (auto e = readPlanGroups(connection, "select xh, introduced, stage, shown from kelp_plan where shown < ?",
                                    {SqlParam::of(jd(t))}, earlier))
            return e;
        for (const PlanGroup &g : earlier) {
            if (auto e = platform::execute(connection, "update zb set sj = ?, cs = ? where xh = ?",
                             {SqlParam::of(QDate::fromJulianDay(g.introduced)),
                              SqlParam::of(g.stage >= 1 && g.stage <= 7 ? g.stage : 0), SqlParam::of(g.number)}))
                return e;
        }
        if (auto e = platform::execute(connection, "update kelp_plan set shown = null, shown_stage = null where shown < ?",
                         {SqlParam::of(jd(t))}))
            return e;

        // Reviews due today or missed: shown today.
        std::vector<PlanGroup> due;
        if (auto e = readPlanGroups(connection, "select xh, introduced, stage, shown from kelp_plan where due <= ?",
                                    {SqlParam::of(jd(t))}, due))
            return e;
        for (PlanGroup &g : due) {
            const int shownStage = catchUp(g, t, days);
            if (shownStage == 0)
                continue;
            const bool retired = g.stage > 7;
            const QByteArray sql = retired ? "update kelp_plan set stage = ?, due = null, shown = ?, shown_stage = ? "
                                             "where xh = ?"
                                           : "update kelp_plan set stage = ?, due = ?, shown = ?, shown_stage = ? "
                                             "where xh = ?";
            std::vector<SqlParam> p{SqlParam::of(g.stage)};
            if (!retired)
                p.push_back(SqlParam::of(jd(dueOf(g, days))));
            p.push_back(SqlParam::of(jd(t)));
            p.push_back(SqlParam::of(shownStage));
            p.push_back(SqlParam::of(g.number));
            if (auto e = platform::execute(connection, sql.constData(), p))
                return e;
            if (auto e = platform::execute(connection, "update zb set sj = ?, cs = ? where xh = ?",
                             {SqlParam::of(QDate::fromJulianDay(t - days[static_cast<size_t>(shownStage)])),
                              SqlParam::of(shownStage), SqlParam::of(g.number)}))
                return e;
            ++r.reviewed;
        }

        // New groups, lowest numbers first.
        std::vector<int> fresh;
        if (newPerDay > 0) {
            OdbcQuery q(connection);
            if (q.open(freshQuery, {SqlParam::of(newPerDay)}) < 0)
                return q.errorText();
            while (q.fetch() == 0)
                fresh.push_back(static_cast<int>(q.integer(1).value_or(0)));
        }
        for (int xh : fresh) {
            const PlanGroup g{xh, t, 1, t};
            if (auto e =
                    platform::execute(connection,
                        "insert into kelp_plan (xh, introduced, stage, due, shown, shown_stage) "
                        "values (?, ?, 1, ?, ?, 1)",
                        {SqlParam::of(xh), SqlParam::of(jd(t)), SqlParam::of(jd(dueOf(g, days))), SqlParam::of(jd(t))}))
                return e;
            if (auto e = platform::execute(connection, "update zb set sj = ?, cs = 1 where xh = ?",
                             {SqlParam::of(QDate::fromJulianDay(t - days[1])), SqlParam::of(xh)}))
                return e;
            ++r.introduced;
        }
    }
    if (!transaction.commit())
        return QStringLiteral("the plan could not be saved (the database may be locked or read-only)");
    return std::nullopt;
}

std::optional<QString> readProgress(platform::OdbcConnection &connection, const QDate &today, const ReviewDays &days,
                                    int newPerDay, Progress &progress)
{
    progress = Progress{};
    progress.today = today;
    const long long t = today.toJulianDay();
    QString error;
    const auto total = single(connection, "select count(*) from zb", {}, &error);
    if (!total)
        return error;
    progress.totalGroups = static_cast<int>(*total);
    // Whether the plan's table exists, asked in a way every engine understands.
    progress.planned = hasTable(connection, "select count(*) from kelp_plan where 1 = 0");
    std::vector<PlanGroup> groups;
    bool introducedToday = false;
    if (progress.planned) {
        if (auto e = readPlanGroups(connection, "select xh, introduced, stage, shown from kelp_plan order by xh", {},
                                    groups))
            return e;
        const auto ran =
            single(connection, "select count(*) from kelp_plan_day where day = ?", {SqlParam::of(jd(t))}, &error);
        introducedToday = ran && *ran > 0;
    }
    const auto fresh =
        single(connection,
               progress.planned ? "select count(*) from zb where not exists (select 1 from kelp_plan p where p.xh = zb.xh) "
                                  "and exists (select 1 from fb where fb.xh = zb.xh)"
                                : "select count(*) from zb where exists (select 1 from fb where fb.xh = zb.xh)",
               {}, &error);
    if (!fresh)
        return error;
    progress.newGroups = static_cast<int>(*fresh);
    progress.stages = stageCounts(groups);
    for (PlanGroup g : groups) {
        if (g.shown == t || (!introducedToday && catchUp(g, t, days) > 0))
            progress.todayGroups.push_back(g.number);
    }
    if (!introducedToday && newPerDay > 0) {
        OdbcQuery q(connection);
        if (q.open(progress.planned ? freshGroupsQuery(connection)
                                    : "select xh from zb where exists (select 1 from fb where fb.xh = zb.xh) "
                                      "order by xh limit ?",
                   {SqlParam::of(newPerDay)}) == 0) {
            while (q.fetch() == 0)
                progress.todayGroups.push_back(static_cast<int>(q.integer(1).value_or(0)));
        }
    }
    progress.coming = forecast(groups, t, days, newPerDay, progress.newGroups, introducedToday, kForecastDays);
    return std::nullopt;
}

QString progressText(const Progress &p)
{
    QStringList out;
    QStringList today;
    for (int xh : p.todayGroups)
        today << QString::number(xh);
    out << QStringLiteral("today %1: %2 groups%3")
               .arg(p.today.toString(QStringLiteral("yyyy-MM-dd")))
               .arg(p.todayGroups.size())
               .arg(today.isEmpty() ? QString()
                                    : QStringLiteral(" (") + today.join(QLatin1Char(' ')) + QLatin1Char(')'));
    QStringList coming;
    for (size_t d = 0; d < p.coming.size(); ++d)
        coming << QStringLiteral("%1 %2")
                      .arg(p.today.addDays(static_cast<qint64>(d)).toString(QStringLiteral("MM-dd")))
                      .arg(p.coming[d]);
    out << QStringLiteral("next %1 days: %2").arg(p.coming.size()).arg(coming.join(QStringLiteral(", ")));
    QStringList stages;
    for (int k = 1; k <= 7; ++k)
        stages << QStringLiteral("%1: %2").arg(k).arg(p.stages[static_cast<size_t>(k)]);
    out << QStringLiteral("groups: %1 in all, %2 new, by next review stage %3, %4 retired")
               .arg(p.totalGroups)
               .arg(p.newGroups)
               .arg(stages.join(QStringLiteral(", ")))
               .arg(p.stages[kRetired]);
    if (!p.planned)
        out << QStringLiteral("no study plan yet: set [plan] new=1 in wkcfg.ini and start the trainer in review mode");
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace kelp::plan

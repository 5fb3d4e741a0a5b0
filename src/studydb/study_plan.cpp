#include "studydb/study_plan.h"

#include "config/review_schedule.h"
#include "studydb/plan_tables.h"
#include "studydb/schema.h"

#include <QCoreApplication>

#include <cstdio>

namespace kelp::plan {

namespace {

using platform::OdbcQuery;
using platform::SqlParam;

// Plan days are julian day numbers; zb.sj is always written as a bound date,
// which each engine stores in its own way. The plan's tables come with the
// schema's version 1 (studydb/schema.cpp).

QString daysText(const ReviewDays &days)
{
    QString t;
    for (size_t k = 1; k <= 7; ++k)
        t += QString::number(days[k]) + QLatin1Char('t');
    return t;
}

std::vector<SqlParam> stageParams(const ReviewDays &days)
{
    std::vector<SqlParam> p;
    for (size_t k = 1; k <= 7; ++k)
        p.push_back(SqlParam::of(days[k]));
    return p;
}

// zb as the due query reads it: the group at `stage` is due on `day`.
StudyResult scheduleInZb(platform::OdbcConnection &c, int group, int stage, long long day, const ReviewDays &days)
{
    if (stage < 1 || stage > 7)
        return platform::execute(c, "update zb set cs = 0 where xh = ?", {SqlParam::of(group)});
    return platform::execute(c, "update zb set sj = ?, cs = ? where xh = ?",
                             {SqlParam::of(QDate::fromJulianDay(day - days[static_cast<size_t>(stage)])),
                              SqlParam::of(stage), SqlParam::of(group)});
}

// zb as the due query reads it, for every group of the plan that `where`
// picks (one parameter: the plan day `whereDay`): due on `day` at the stage
// its plan row's `stageColumn` holds, which `setStage` writes to zb.cs too.
StudyResult scheduleAllInZb(platform::OdbcConnection &c, long long day, const ReviewDays &days, const char *stageColumn,
                            bool setStage, const char *where, long long whereDay)
{
    const QByteArray stage = QByteArray("(select p.") + stageColumn + " from kelp_plan p where p.xh = zb.xh)";
    const QByteArray sql = "update zb set " + (setStage ? "cs = " + stage + ", " : QByteArray()) + "sj = ? - (case " +
                           stage +
                           " when 1 then ? when 2 then ? when 3 then ? when 4 then ? when 5 then ? when 6 then ? "
                           "else ? end) where xh in (select xh from kelp_plan where " +
                           where + ")";
    std::vector<SqlParam> p{SqlParam::of(QDate::fromJulianDay(day))};
    for (const SqlParam &d : stageParams(days))
        p.push_back(d);
    p.push_back(SqlParam::of(jd(whereDay)));
    return platform::execute(c, sql.constData(), p);
}

// Groups with a schedule of their own (a database made with kelpword-mkdb,
// one kept by hand) become the plan's as they stand: never studied they are not.
StudyResult takeOver(platform::OdbcConnection &c, long long today, const ReviewDays &days)
{
    struct Scheduled {
        int number;
        int stage;
        long long day;
    };
    std::vector<Scheduled> found;
    {
        OdbcQuery q(c);
        if (q.open("select xh, cs, sj from zb where not exists (select 1 from kelp_plan p where p.xh = zb.xh) and "
                   "not ((cs is null or cs = 0) and sj is null)",
                   {}) < 0)
            return q.errorText();
        int status;
        while ((status = q.fetch()) == 0)
            found.push_back({static_cast<int>(q.integer(1).value_or(0)), static_cast<int>(q.integer(2).value_or(0)),
                             dayOf(q.text(3).value_or(QString()))});
        if (status < 0)
            return q.errorText();
    }
    for (const Scheduled &g : found) {
        const bool scheduled = g.stage >= 1 && g.stage <= 7 && g.day > 0;
        const long long introduced = g.day > 0 ? g.day : today;
        if (auto e = platform::execute(
                c,
                scheduled ? "insert into kelp_plan (xh, introduced, stage, due) values (?, ?, ?, ?)"
                          : "insert into kelp_plan (xh, introduced, stage) values (?, ?, 8)",
                scheduled
                    ? std::vector<SqlParam>{SqlParam::of(g.number), SqlParam::of(jd(introduced)), SqlParam::of(g.stage),
                                            SqlParam::of(jd(g.day + days[static_cast<size_t>(g.stage)]))}
                    : std::vector<SqlParam>{SqlParam::of(g.number), SqlParam::of(jd(introduced))}))
            return e;
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

StudyResult startReviewDay(const Settings &settings, platform::OdbcConnection &connection, QDate &today)
{
    const int perDay = settings.newGroupsPerDay;
    if (perDay < 1 || !connection.isConnected())
        return std::nullopt;
    StepResult step;
    if (auto error = bringUpToDate(connection, today, reviewDays(settings), perDay, &step))
        return error;
    today = step.day;
    return std::nullopt;
}

StudyResult bringUpToDate(platform::OdbcConnection &connection, const QDate &today, const ReviewDays &days,
                          int newPerDay, StepResult *result)
{
    StepResult local;
    StepResult &r = result ? *result : local;
    r = {};
    long long t = today.toJulianDay();
    // The plan's tables, made in a transaction of their own before the
    // step's, so that the step's first statement is a write and a second
    // trainer waits for the first instead of reading around it.
    if (auto e = upgradeSchema(connection))
        return e;
    // A clock set back (by hand, or a machine's wrong time for a while) never
    // turns the plan back: a day earlier than its last one is that same day.
    if (const auto last = single(connection, "select coalesce(max(day), 0) from kelp_plan_day", {});
        last && *last && **last > t)
        t = **last;
    r.day = QDate::fromJulianDay(t);
    const QString daysNow = daysText(days);
    const QByteArray daysBytes = daysNow.toLatin1();
    const QByteArray freshQuery = freshGroupsQuery(connection);
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
        return QCoreApplication::translate("kelp::plan", "the plan's day could not be recorded");
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
        if (auto e = scheduleAllInZb(connection, t, days, "shown_stage", false, "shown = ?", t))
            return e;
    } else {
        std::optional<long long> lastRun;
        std::optional<QString> previous;
        {
            OdbcQuery q(connection);
            if (q.open("select day, days from kelp_plan_day where day < ? order by day desc limit 1",
                       {SqlParam::of(jd(t))}) < 0)
                return q.errorText();
            if (q.fetch() == 0) {
                lastRun = q.integer(1);
                previous = q.text(2);
            }
        }
        // Groups removed since (the words window) leave the plan too: a group
        // made later under the same number starts afresh.
        if (auto e = platform::execute(
                connection, "delete from kelp_plan where not exists (select 1 from zb where zb.xh = kelp_plan.xh)"))
            return e;
        if (auto e = takeOver(connection, t, days))
            return e;
        // Review days changed since the last run: every next review moves
        // with them, counted from the day the group was last shown.
        if (previous && *previous != daysNow) {
            std::vector<PlanGroup> all;
            if (auto e = readPlanGroups(connection, "select xh, stage, due, shown from kelp_plan", {}, all))
                return e;
            for (PlanGroup &g : all) {
                if (g.stage < 1 || g.stage > 7 || g.shown == 0)
                    continue;
                g.due = g.shown + interval(g.stage, days);
                if (auto e = platform::execute(connection, "update kelp_plan set due = ? where xh = ?",
                                               {SqlParam::of(jd(g.due)), SqlParam::of(g.number)}))
                    return e;
            }
        }
        // Groups shown on an earlier day go back to their own schedule, so
        // that the due query finds each on the day of its next review.
        {
            std::vector<PlanGroup> earlier;
            if (auto e = readPlanGroups(connection,
                                        "select xh, stage, due, shown from kelp_plan where shown_stage is not null", {},
                                        earlier))
                return e;
            for (const PlanGroup &g : earlier) {
                if (auto e = scheduleInZb(connection, g.number, g.stage, g.due, days))
                    return e;
            }
            if (auto e = platform::execute(connection,
                                           "update kelp_plan set shown_stage = null where shown_stage is not null"))
                return e;
        }
        // The reviews due by today (the index on due keeps this to them).
        std::vector<PlanGroup> groups;
        if (auto e = readPlanGroups(
                connection, "select xh, stage, due, shown from kelp_plan where due <= ? and stage between 1 and 7",
                {SqlParam::of(jd(t))}, groups))
            return e;
        // Due on a day the trainer did not run: missed then, whether it is
        // shown today or waits. Kept for the calendar, a row a day, in one
        // statement however many there are.
        if (auto e =
                platform::execute(connection,
                                  "insert into kelp_plan_missed (day, groups) select due, count(*) from kelp_plan "
                                  "where due < ? and due > ? and stage between 1 and 7 group by due "
                                  "on conflict (day) do update set groups = kelp_plan_missed.groups + excluded.groups",
                                  {SqlParam::of(jd(t)), SqlParam::of(jd(lastRun.value_or(0)))}))
            return e;
        // Reviews due by today, oldest first, as many as a day can show: only
        // what the trainer loads counts as shown. The rest waits for the next
        // days, due tomorrow meanwhile.
        const std::vector<size_t> today = dueOn(groups, t, kDayRoom);
        std::vector<bool> chosen(groups.size(), false);
        for (size_t i : today) {
            chosen[i] = true;
            PlanGroup &g = groups[i];
            const int shownStage = show(g, t, days);
            if (auto e = platform::execute(
                    connection,
                    g.stage < kRetired
                        ? "update kelp_plan set stage = ?, due = ?, shown = ?, shown_stage = ? where xh = ?"
                        : "update kelp_plan set stage = ?, due = null, shown = ?, shown_stage = ? where xh = ?",
                    g.stage < kRetired
                        ? std::vector<SqlParam>{SqlParam::of(g.stage), SqlParam::of(jd(g.due)), SqlParam::of(jd(t)),
                                                SqlParam::of(shownStage), SqlParam::of(g.number)}
                        : std::vector<SqlParam>{SqlParam::of(g.stage), SqlParam::of(jd(t)), SqlParam::of(shownStage),
                                                SqlParam::of(g.number)}))
                return e;
            if (auto e = scheduleInZb(connection, g.number, shownStage, t, days))
                return e;
            ++r.reviewed;
        }
        // The rest wait, due tomorrow meanwhile as the due query reads zb: one
        // statement for all of them (after a long absence they are many).
        for (size_t i = 0; i < groups.size(); ++i)
            r.waiting += !chosen[i] && groups[i].stage >= 1 && groups[i].stage <= 7 && groups[i].due <= t;
        if (r.waiting > 0) {
            if (auto e =
                    scheduleAllInZb(connection, t + 1, days, "stage", true, "due <= ? and stage between 1 and 7", t))
                return e;
        }

        // New groups, into the room the reviews leave.
        const int room = kDayRoom - static_cast<int>(today.size());
        std::vector<int> fresh;
        if (newPerDay > 0 && room > 0) {
            OdbcQuery q(connection);
            if (q.open(freshQuery.constData(), {SqlParam::of(std::min(newPerDay, room))}) < 0)
                return q.errorText();
            while (q.fetch() == 0)
                fresh.push_back(static_cast<int>(q.integer(1).value_or(0)));
        }
        for (int xh : fresh) {
            const PlanGroup g = introduce(xh, t, days);
            if (auto e = platform::execute(
                    connection,
                    "insert into kelp_plan (xh, introduced, stage, due, shown, shown_stage) "
                    "values (?, ?, 1, ?, ?, 1)",
                    {SqlParam::of(xh), SqlParam::of(jd(t)), SqlParam::of(jd(g.due)), SqlParam::of(jd(t))}))
                return e;
            if (auto e = scheduleInZb(connection, xh, 1, t, days))
                return e;
            ++r.introduced;
        }
    }
    if (!transaction.commit())
        return QCoreApplication::translate("kelp::plan",
                                           "the plan could not be saved (the database may be locked or read-only)");
    return std::nullopt;
}

StudyResult moveGroupsByWords(platform::OdbcConnection &connection, const QString &word, const ReviewDays &days)
{
    if (!tableExists(connection, QStringLiteral("kelp_plan")))
        return std::nullopt;
    struct Group {
        int number;
        int stage;
        long long shown;
    };
    std::vector<Group> groups;
    {
        platform::OdbcQuery q(connection);
        if (q.open("select xh, stage, shown from kelp_plan where stage between 1 and 8 and shown is not null and "
                   "xh in (select xh from fb where da = ?)",
                   {SqlParam::of(word)}) < 0)
            return q.errorText();
        int rc;
        while ((rc = q.fetch()) == 0)
            groups.push_back({static_cast<int>(q.integer(1).value_or(0)), static_cast<int>(q.integer(2).value_or(1)),
                              q.integer(3).value_or(0)});
        if (rc < 0)
            return q.errorText();
    }
    for (const Group &g : groups) {
        std::vector<WordDue> graded;
        platform::OdbcQuery q(connection);
        // Each graded word of the group: its memory's day, and its last answer.
        if (q.open("select m.due, (select r.grade from kelp_review r where r.da = m.da "
                   "order by r.day desc, r.shown_at desc limit 1) "
                   "from kelp_memory m where m.da in (select da from fb where xh = ?)",
                   {SqlParam::of(g.number)}) < 0)
            return q.errorText();
        int rc;
        while ((rc = q.fetch()) == 0)
            graded.push_back({q.integer(1).value_or(0), q.integer(2).value_or(3) == 1});
        if (rc < 0)
            return q.errorText();
        q.close();
        if (graded.empty())
            continue;
        // A group retired by the fixed days whose words are answered stays:
        // it comes back at its last stage when its weakest word falls due.
        const int stage = std::min(g.stage, 7);
        const long long fixed = g.shown + interval(stage, days);
        const long long due = std::max(dueByWords(fixed, graded), g.shown + 1);
        if (auto e = platform::execute(connection, "update kelp_plan set stage = ?, due = ? where xh = ?",
                                       {SqlParam::of(stage), SqlParam::of(jd(due)), SqlParam::of(g.number)}))
            return e;
        if (auto e = scheduleInZb(connection, g.number, stage, due, days))
            return e;
    }
    return std::nullopt;
}

} // namespace kelp::plan

#include "memory/word_memory.h"
#include "studydb/grade_store.h"
#include "studydb/plan_tables.h"
#include "studydb/study_plan.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <map>

namespace kelp::plan {

using platform::OdbcQuery;
using platform::SqlParam;

namespace {

StudyResult readAnswers(platform::OdbcConnection &connection, long long today, AnswerFigures &a)
{
    a = AnswerFigures{};
    a.wordsDue.assign(kForecastDays, 0);
    if (StudyResult failure; nothingAnswered(connection, failure))
        return failure;
    {
        OdbcQuery q(connection);
        if (q.open("select da, day, grade from kelp_review where grade between 1 and 4 order by da, day, shown_at",
                   {}) < 0)
            return q.errorText();
        QString word;
        long long last = 0;
        int rc;
        while ((rc = q.fetch()) == 0) {
            const QString da = q.text(1).value_or(QString());
            const long long day = q.integer(2).value_or(0);
            if (da != word) {
                word = da;
                ++a.wordsGraded;
            } else if (day > last) {
                ++a.laterAnswers;
                a.knownLater += q.integer(3).value_or(1) >= 2 ? 1 : 0;
            }
            last = day;
        }
        if (rc < 0)
            return q.errorText();
    }
    const memory::Model model;
    OdbcQuery q(connection);
    if (q.open("select stability, difficulty, last_day, due from kelp_memory", {}) < 0)
        return q.errorText();
    int rc;
    while ((rc = q.fetch()) == 0) {
        const memory::MemoryState state{q.real(1).value_or(0), q.real(2).value_or(0)};
        if (model.retrievability(state, today - q.integer(3).value_or(today)) >= 0.9)
            ++a.strongWords;
        const long long in = std::max(0LL, q.integer(4).value_or(today) - today);
        if (in < kForecastDays)
            ++a.wordsDue[static_cast<size_t>(in)];
    }
    if (rc < 0)
        return q.errorText();
    return std::nullopt;
}

} // namespace

StudyResult readProgress(platform::OdbcConnection &connection, const QDate &today, const ReviewDays &days,
                         int newPerDay, Progress &progress)
{
    progress = Progress{};
    progress.today = today;
    const long long t = today.toJulianDay();
    // Whether a plan ever ran: its tables come with a schema upgrade (an
    // answer kept without a plan makes them too), its days only with a step.
    {
        OdbcQuery q(connection);
        progress.planned =
            q.open("select count(*) from kelp_plan_day", {}) == 0 && q.fetch() == 0 && q.integer(1).value_or(0) > 0;
    }
    std::map<int, int> words; // by group
    {
        OdbcQuery q(connection);
        if (q.open("select xh, count(*) from fb group by xh", {}) < 0)
            return q.errorText();
        while (q.fetch() == 0)
            words[static_cast<int>(q.integer(1).value_or(0))] = static_cast<int>(q.integer(2).value_or(0));
    }
    std::vector<PlanGroup> groups; // the plan's, and those it will take over
    std::vector<int> neverStudied; // in the order the plan introduces them
    {
        OdbcQuery q(connection);
        if (q.open(progress.planned ? "select xh, cs, sj, (select 1 from kelp_plan p where p.xh = zb.xh) from zb"
                                    : "select xh, cs, sj, 0 from zb",
                   {}) < 0)
            return q.errorText();
        int status;
        while ((status = q.fetch()) == 0) {
            ++progress.totalGroups;
            const int xh = static_cast<int>(q.integer(1).value_or(0));
            const int cs = static_cast<int>(q.integer(2).value_or(0));
            const std::optional<QString> sj = q.text(3);
            if (q.integer(4).value_or(0) == 1)
                continue; // the plan's own: read below
            if (cs == 0 && !sj) {
                if (words.count(xh))
                    neverStudied.push_back(xh);
                continue;
            }
            // As the due query finds it: on the day its stage's count after sj.
            const long long day = sj ? dayOf(*sj) : 0;
            const bool scheduled = cs >= 1 && cs <= 7 && day > 0;
            groups.push_back(
                PlanGroup{xh, scheduled ? cs : kRetired, scheduled ? day + days[static_cast<size_t>(cs)] : 0, 0});
        }
        if (status < 0)
            return q.errorText();
    }
    bool ranToday = false;
    if (progress.planned) {
        if (auto e = readPlanGroups(connection, "select xh, stage, due, shown from kelp_plan", {}, groups))
            return e;
        const auto ran = single(connection, "select count(*) from kelp_plan_day where day = ?", {SqlParam::of(jd(t))});
        ranToday = ran && *ran && **ran > 0;
        OdbcQuery q(connection);
        if (q.open(freshGroupsQuery(connection).constData(), {SqlParam::of(static_cast<int>(neverStudied.size()))}) ==
            0) {
            neverStudied.clear();
            while (q.fetch() == 0)
                neverStudied.push_back(static_cast<int>(q.integer(1).value_or(0)));
        }
        // The days the trainer ran, and the reviews missed, over the calendar's weeks.
        const long long from = t - kCalendarDays + 1;
        for (const auto &[sql, missed] :
             {std::pair{"select day, 0 from kelp_plan_day where day >= ? and day <= ?", false},
              std::pair{"select day, groups from kelp_plan_missed where day >= ? and day <= ?", true}}) {
            OdbcQuery days(connection);
            if (days.open(sql, {SqlParam::of(jd(from)), SqlParam::of(jd(t))}) < 0)
                continue; // a plan from before the calendar: nothing missed recorded
            while (days.fetch() == 0) {
                const long long day = days.integer(1).value_or(0);
                if (day < from || day > t)
                    continue;
                CalendarDay &c = progress.calendar[static_cast<size_t>(day - from)];
                if (missed)
                    c.missed += static_cast<int>(days.integer(2).value_or(0));
                else
                    c.ran = true;
            }
        }
    }
    progress.newGroups = static_cast<int>(neverStudied.size());
    for (int xh : neverStudied)
        progress.newWords += words[xh];
    for (const auto &[xh, n] : words)
        progress.totalWords += n;
    progress.stages = stageCounts(groups);
    const int perDay = progress.planned || newPerDay > 0 ? newPerDay : 0;
    if (progress.planned && ranToday) {
        for (const PlanGroup &g : groups) {
            if (g.shown == t)
                progress.todayGroups.push_back(g.number);
        }
    } else if (progress.planned || perDay > 0) {
        const std::vector<size_t> due = dueOn(groups, t, kDayRoom);
        for (size_t i : due)
            progress.todayGroups.push_back(groups[i].number);
        const int fresh = std::min({perDay, progress.newGroups, kDayRoom - static_cast<int>(due.size())});
        for (int i = 0; i < fresh; ++i)
            progress.todayGroups.push_back(neverStudied[static_cast<size_t>(i)]);
    }
    if (progress.planned || perDay > 0) {
        progress.coming = forecast(groups, t, days, perDay, neverStudied, ranToday, kForecastDays);
    } else {
        // No plan: the database's own schedule, as the due query reads it; it never moves on.
        progress.coming.assign(kForecastDays, 0);
        for (const PlanGroup &g : groups) {
            const long long d = g.due - t;
            if (g.stage <= 7 && d >= 0 && d < kForecastDays && progress.coming[static_cast<size_t>(d)] < kDayRoom) {
                ++progress.coming[static_cast<size_t>(d)];
                if (d == 0)
                    progress.todayGroups.push_back(g.number);
            }
        }
    }
    std::sort(progress.todayGroups.begin(), progress.todayGroups.end());
    for (int xh : progress.todayGroups)
        progress.todayWords += words[xh];
    return readAnswers(connection, t, progress.answers);
}

QString progressText(const Progress &p)
{
    // The separators are the reader's language's too: "，" and "：" in Chinese.
    const QString separator = QCoreApplication::translate("kelp::plan", ", ");
    const QString labelled = QCoreApplication::translate("kelp::plan", "%1: %2");
    QStringList out;
    QStringList today;
    for (int xh : p.todayGroups)
        today << QString::number(xh);
    out << QCoreApplication::translate("kelp::plan", "today %1: %2 groups, %3 words%4")
               .arg(p.today.toString(QStringLiteral("yyyy-MM-dd")))
               .arg(p.todayGroups.size())
               .arg(p.todayWords)
               .arg(today.isEmpty()
                        ? QString()
                        : QCoreApplication::translate("kelp::plan", " (%1)").arg(today.join(QLatin1Char(' '))));
    QStringList coming;
    for (size_t d = 0; d < p.coming.size(); ++d)
        coming << QStringLiteral("%1 %2")
                      .arg(p.today.addDays(static_cast<qint64>(d)).toString(QStringLiteral("MM-dd")))
                      .arg(p.coming[d]);
    out << QCoreApplication::translate("kelp::plan", "next %1 days: %2")
               .arg(p.coming.size())
               .arg(coming.join(separator));
    QStringList stages;
    for (int k = 1; k <= 7; ++k)
        stages << labelled.arg(k).arg(p.stages[static_cast<size_t>(k)]);
    out << QCoreApplication::translate(
               "kelp::plan", "groups: %1 in all (%2 words), %3 new (%4 words), by next review stage %5, %6 retired")
               .arg(p.totalGroups)
               .arg(p.totalWords)
               .arg(p.newGroups)
               .arg(p.newWords)
               .arg(stages.join(separator))
               .arg(p.stages[kRetired]);
    if (p.planned) {
        // Twelve weeks, a line each, oldest first: # ran, x reviews missed, . neither.
        QStringList weeks;
        for (int w = 0; w < kCalendarDays / 7; ++w) {
            QString line;
            for (int d = 0; d < 7; ++d) {
                const CalendarDay &c = p.calendar[static_cast<size_t>(w * 7 + d)];
                line += c.ran ? QLatin1Char('#') : c.missed > 0 ? QLatin1Char('x') : QLatin1Char('.');
            }
            weeks << line;
        }
        out << QCoreApplication::translate("kelp::plan", "last %1 weeks (# ran, x reviews missed): %2")
                   .arg(kCalendarDays / 7)
                   .arg(weeks.join(QLatin1Char(' ')));
    }
    if (const AnswerFigures &a = p.answers; a.wordsGraded > 0) {
        QStringList due;
        for (size_t d = 0; d < a.wordsDue.size(); ++d)
            due << labelled.arg(p.today.addDays(static_cast<qint64>(d)).toString(QStringLiteral("MM-dd")))
                       .arg(a.wordsDue[d]);
        out << QCoreApplication::translate("kelp::plan",
                                           "answers: %1 words graded; known when due again: %2 of %3 (%4%); "
                                           "recalled at 90% or more today: %5 words; words due: %6")
                   .arg(a.wordsGraded)
                   .arg(a.knownLater)
                   .arg(a.laterAnswers)
                   .arg(a.laterAnswers > 0 ? 100 * a.knownLater / a.laterAnswers : 0)
                   .arg(a.strongWords)
                   .arg(due.join(separator));
    }
    if (!p.planned)
        out << QCoreApplication::translate(
            "kelp::plan", "no study plan yet: set [plan] new=1 in wkcfg.ini and start the trainer in review mode");
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace kelp::plan

#include "plan/plan_schedule.h"

#include <algorithm>
#include <numeric>

namespace kelp::plan {

int interval(int stage, const ReviewDays &days)
{
    const auto k = static_cast<size_t>(std::clamp(stage, 1, 7));
    return std::max(1, days[k] - (k == 1 ? 0 : days[k - 1]));
}

int show(PlanGroup &group, long long day, const ReviewDays &days)
{
    const int shown = group.stage;
    group.stage = std::min(shown + 1, kRetired);
    group.due = group.stage < kRetired ? day + interval(group.stage, days) : 0;
    group.shown = day;
    return shown;
}

PlanGroup introduce(int number, long long day, const ReviewDays &days)
{
    return PlanGroup{number, 1, day + interval(1, days), day};
}

std::vector<size_t> dueOn(const std::vector<PlanGroup> &groups, long long day, int room)
{
    std::vector<size_t> due;
    for (size_t i = 0; i < groups.size(); ++i) {
        const PlanGroup &g = groups[i];
        if (g.stage >= 1 && g.stage < kRetired && g.due <= day && g.shown != day)
            due.push_back(i);
    }
    std::stable_sort(due.begin(), due.end(), [&groups](size_t a, size_t b) {
        return groups[a].due != groups[b].due ? groups[a].due < groups[b].due : groups[a].number < groups[b].number;
    });
    if (due.size() > static_cast<size_t>(std::max(room, 0)))
        due.resize(static_cast<size_t>(std::max(room, 0)));
    return due;
}

std::vector<int> forecast(std::vector<PlanGroup> groups, long long today, const ReviewDays &days, int newPerDay,
                          const std::vector<int> &fresh, bool ranToday, int horizon)
{
    size_t next = 0; // of `fresh`
    std::vector<int> counts(static_cast<size_t>(std::max(horizon, 0)), 0);
    for (int d = 0; d < horizon; ++d) {
        const long long day = today + d;
        if (d == 0 && ranToday) {
            counts[0] = static_cast<int>(
                std::count_if(groups.begin(), groups.end(), [day](const PlanGroup &g) { return g.shown == day; }));
            continue;
        }
        const std::vector<size_t> due = dueOn(groups, day, kDayRoom);
        for (size_t i : due)
            show(groups[i], day, days);
        const int room = std::min(std::max(newPerDay, 0), kDayRoom - static_cast<int>(due.size()));
        int introduced = 0;
        for (; introduced < room && next < fresh.size(); ++introduced)
            groups.push_back(introduce(fresh[next++], day, days));
        counts[static_cast<size_t>(d)] = static_cast<int>(due.size()) + introduced;
    }
    return counts;
}

long long dueByWords(long long fixedDue, const std::vector<WordDue> &graded)
{
    if (graded.empty())
        return fixedDue;
    long long weakest = graded.front().due;
    bool forgotten = false;
    for (const WordDue &w : graded) {
        weakest = std::min(weakest, w.due);
        forgotten = forgotten || w.forgotten;
    }
    return forgotten ? std::min(weakest, fixedDue) : std::max(weakest, fixedDue);
}

std::array<int, 9> stageCounts(const std::vector<PlanGroup> &groups)
{
    std::array<int, 9> counts{};
    for (const PlanGroup &g : groups)
        ++counts[static_cast<size_t>(std::clamp(g.stage, 1, kRetired))];
    return counts;
}

} // namespace kelp::plan

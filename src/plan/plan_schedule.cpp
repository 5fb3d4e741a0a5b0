#include "plan/plan_schedule.h"

#include <algorithm>

namespace kelp::plan {

long long reviewDay(const PlanGroup &group, const ReviewDays &days)
{
    const int stage = std::clamp(group.stage, 1, 7);
    return group.introduced + days[static_cast<size_t>(stage)];
}

int catchUp(PlanGroup &group, long long today, const ReviewDays &days)
{
    int shownStage = 0;
    while (group.stage >= 1 && group.stage <= 7 && reviewDay(group, days) <= today) {
        shownStage = group.stage;
        ++group.stage;
    }
    if (shownStage > 0)
        group.shown = today;
    return shownStage;
}

std::vector<int> forecast(std::vector<PlanGroup> groups, long long today, const ReviewDays &days, int newPerDay,
                          int newLeft, bool introducedToday, int horizon)
{
    std::vector<int> counts(static_cast<size_t>(std::max(horizon, 0)), 0);
    for (int d = 0; d < horizon; ++d) {
        const long long day = today + d;
        int shown = 0;
        for (PlanGroup &g : groups) {
            if (catchUp(g, day, days) > 0 || (d == 0 && g.shown == today))
                ++shown;
        }
        if (d > 0 || !introducedToday) {
            const int fresh = std::min(std::max(newPerDay, 0), newLeft);
            newLeft -= fresh;
            for (int i = 0; i < fresh; ++i)
                groups.push_back(PlanGroup{0, day, 1, day});
            shown += fresh;
        }
        counts[static_cast<size_t>(d)] = shown;
    }
    return counts;
}

std::array<int, 9> stageCounts(const std::vector<PlanGroup> &groups)
{
    std::array<int, 9> counts{};
    for (const PlanGroup &g : groups)
        ++counts[static_cast<size_t>(std::clamp(g.stage, 1, kRetired))];
    return counts;
}

} // namespace kelp::plan

// The study plan's arithmetic, free of any database: when a group is shown,
// how missed review days are caught up, and what the coming days hold.
// Days are Julian day numbers (QDate::toJulianDay).
#pragma once

#include <array>
#include <vector>

namespace kelp::plan {

// Day counts of the seven review stages (index 0 unused), as the settings give them.
using ReviewDays = std::array<int, 8>;

// A group's next showing: 1..7 the review of that stage, 8 none (retired).
inline constexpr int kRetired = 8;

struct PlanGroup {
    int number = 0;
    long long introduced = 0; // the day it was first shown
    int stage = 1;            // its next review
    long long shown = 0;      // the last day it was shown (0: never)
};

// The day the group's next review falls on (its own date, even when missed).
long long reviewDay(const PlanGroup &group, const ReviewDays &days);

// A start of the trainer on `today`: every review due by today is made up by
// today's showing, and the group moves on to its first review after today.
// Returns the stage shown today (1..7), or 0 when the group is not due.
int catchUp(PlanGroup &group, long long today, const ReviewDays &days);

// Groups shown on each of `horizon` days from `today`, when the trainer
// starts every day: reviews of the groups in the plan and of the
// `newPerDay` groups introduced each day while `newLeft` last (today's
// only when `introducedToday` is false). Groups already shown today count today.
std::vector<int> forecast(std::vector<PlanGroup> groups, long long today, const ReviewDays &days, int newPerDay,
                          int newLeft, bool introducedToday, int horizon);

// Groups in the plan by their next review: [1..7] at that stage, [8] retired.
std::array<int, 9> stageCounts(const std::vector<PlanGroup> &groups);

} // namespace kelp::plan

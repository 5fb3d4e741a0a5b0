// The study plan's arithmetic, free of any database: when a group is shown,
// how a review shown late moves on, how many groups a day can hold, and what
// the coming days hold. Days are Julian day numbers (QDate::toJulianDay).
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace kelp::plan {

// Day counts of the seven review stages (index 0 unused), as the settings
// give them: stage k falls days[k] days after the day of introduction when
// every review is on time.
using ReviewDays = std::array<int, 8>;
// A group's next showing: 1..7 the review of that stage, 8 none (retired).
inline constexpr int kRetired = 8;
// The groups a day can show: the trainer loads no more.
inline constexpr int kDayRoom = 100;

struct PlanGroup {
    int number = 0;
    int stage = 1;       // its next review
    long long due = 0;   // the day of its next review (0: retired)
    long long shown = 0; // the last day it was shown (0: never)
};

// Days from the review of stage `stage - 1` (or the introduction) to that of
// `stage`: the review intervals, at least one day each.
int interval(int stage, const ReviewDays &days);

// The group shown on `day` at its next review: it moves one stage on, and
// its next review counts from `day`. Returns the stage shown.
int show(PlanGroup &group, long long day, const ReviewDays &days);

// A group introduced on `day`: its first review follows its first interval.
PlanGroup introduce(int number, long long day, const ReviewDays &days);

// Of `groups`, those to show on `day`: the reviews due by then, oldest due
// first, at most `room`. Indexes into `groups`.
std::vector<std::size_t> dueOn(const std::vector<PlanGroup> &groups, long long day, int room);

// Groups shown on each of `horizon` days from `today`, when the trainer
// starts every day: reviews of the groups in the plan and of the `newPerDay`
// groups introduced each day (in the room a day leaves) from `fresh`, the
// numbers of the groups never studied in the order the plan takes them,
// (today's only when `ranToday` is false; then groups already shown today
// count today). Their numbers order them among reviews due the same day, as
// in the plan's own step.
std::vector<int> forecast(std::vector<PlanGroup> groups, long long today, const ReviewDays &days, int newPerDay,
                          const std::vector<int> &fresh, bool ranToday, int horizon);

// A graded word of a group: the day its memory falls to the desired
// retention, and whether its last answer was "不认识".
struct WordDue {
    long long due = 0;
    bool forgotten = false;
};
// A group's next review moved by its graded words: the day its weakest word
// falls due, but never later than `fixedDue` (the fixed schedule's) when a
// word was forgotten, and never earlier when every one was known. Without
// graded words, `fixedDue`.
long long dueByWords(long long fixedDue, const std::vector<WordDue> &graded);

// Groups in the plan by their next review: [1..7] at that stage, [8] retired.
std::array<int, 9> stageCounts(const std::vector<PlanGroup> &groups);

} // namespace kelp::plan

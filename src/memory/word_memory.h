// A word's memory as the learner's answers show it, by the FSRS-6 model with
// its published default parameters: how stable the memory is (the days until
// recall falls to 90%) and how hard the word is (1..10). Days are whole days.
#pragma once

#include <array>
#include <optional>
#include <vector>

namespace kelp::memory {

// The learner's answer: "不认识" is Again, "认识" is Good.
enum class Grade { Again = 1, Hard = 2, Good = 3, Easy = 4 };

struct MemoryState {
    double stability = 0;  // days until recall falls to 90%
    double difficulty = 0; // 1 (easy) .. 10 (hard)
};

struct Review {
    long long day = 0; // a Julian day number
    Grade grade = Grade::Good;
};

class Model {
public:
    static const std::array<double, 21> kDefaultParameters;

    explicit Model(double desiredRetention = 0.9, const std::array<double, 21> &w = kDefaultParameters);

    // The state after `grade`, `elapsedDays` after the last review of
    // `before` (none: the first review). A review on the same day moves the
    // state by the short-term rule.
    MemoryState next(const std::optional<MemoryState> &before, Grade grade, long long elapsedDays) const;
    // The chance of recall `elapsedDays` after the last review.
    double retrievability(const MemoryState &state, long long elapsedDays) const;
    // Whole days until recall falls to the desired retention (1 .. 36500).
    int intervalDays(double stability) const;
    // The state after every review in order (their days rising); none when empty.
    std::optional<MemoryState> replay(const std::vector<Review> &reviews) const;

    double desiredRetention() const { return retention_; }

private:
    double initialDifficulty(Grade grade) const;

    std::array<double, 21> w_;
    double retention_;
    double decay_;
    double factor_;
};

} // namespace kelp::memory

#include "memory/word_memory.h"

#include <algorithm>
#include <cmath>

namespace kelp::memory {
namespace {

constexpr double kMinStability = 0.001;
constexpr int kMaxInterval = 36500;

double clampDifficulty(double d)
{
    return std::clamp(d, 1.0, 10.0);
}

int value(Grade g)
{
    return static_cast<int>(g);
}

} // namespace

// FSRS-6's defaults, as its reference implementations publish them.
const std::array<double, 21> Model::kDefaultParameters{0.212,  1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194,
                                                       0.001,  1.8722, 0.1666, 0.796,  1.4835, 0.0614, 0.2629,
                                                       1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542};

Model::Model(double desiredRetention, const std::array<double, 21> &w)
    : w_(w), retention_(std::clamp(desiredRetention, 0.5, 0.99)), decay_(-w[20]),
      factor_(std::pow(0.9, 1.0 / decay_) - 1.0)
{
}

double Model::initialDifficulty(Grade grade) const
{
    return w_[4] - std::exp(w_[5] * (value(grade) - 1)) + 1.0;
}

double Model::retrievability(const MemoryState &state, long long elapsedDays) const
{
    const double t = static_cast<double>(std::max(0LL, elapsedDays));
    return std::pow(1.0 + factor_ * t / std::max(state.stability, kMinStability), decay_);
}

int Model::intervalDays(double stability) const
{
    const double days = stability / factor_ * (std::pow(retention_, 1.0 / decay_) - 1.0);
    return std::clamp(static_cast<int>(std::lround(days)), 1, kMaxInterval);
}

MemoryState Model::next(const std::optional<MemoryState> &before, Grade grade, long long elapsedDays) const
{
    const int g = value(grade);
    if (!before)
        return {std::max(w_[g - 1], kMinStability), clampDifficulty(initialDifficulty(grade))};
    const double s = before->stability;
    const double d = before->difficulty;
    double stability;
    if (elapsedDays < 1) {
        double increase = std::exp(w_[17] * (g - 3 + w_[18])) * std::pow(s, -w_[19]);
        if (grade == Grade::Good || grade == Grade::Easy)
            increase = std::max(increase, 1.0);
        stability = s * increase;
    } else {
        const double r = retrievability(*before, elapsedDays);
        if (grade == Grade::Again) {
            const double longTerm =
                w_[11] * std::pow(d, -w_[12]) * (std::pow(s + 1.0, w_[13]) - 1.0) * std::exp((1.0 - r) * w_[14]);
            stability = std::min(longTerm, s / std::exp(w_[17] * w_[18]));
        } else {
            const double hard = grade == Grade::Hard ? w_[15] : 1.0;
            const double easy = grade == Grade::Easy ? w_[16] : 1.0;
            stability = s * (1.0 + std::exp(w_[8]) * (11.0 - d) * std::pow(s, -w_[9]) *
                                       (std::exp((1.0 - r) * w_[10]) - 1.0) * hard * easy);
        }
    }
    // Harder after a lapse, easier after a recall, damped near the top and
    // drawn back a little towards an easy word's difficulty.
    const double delta = -w_[6] * (g - 3);
    const double damped = d + (10.0 - d) * delta / 9.0;
    const double difficulty = w_[7] * initialDifficulty(Grade::Easy) + (1.0 - w_[7]) * damped;
    return {std::max(stability, kMinStability), clampDifficulty(difficulty)};
}

std::optional<MemoryState> Model::replay(const std::vector<Review> &reviews) const
{
    std::optional<MemoryState> state;
    long long last = 0;
    for (const Review &r : reviews) {
        state = next(state, r.grade, state ? r.day - last : 0);
        last = r.day;
    }
    return state;
}

} // namespace kelp::memory

#include "memory/word_memory.h"

#include <gtest/gtest.h>

using namespace kelp::memory;

// The figures are the reference implementation's own test values for the
// default parameters (desired retention 0.9, no fuzz).
TEST(WordMemory, FollowsTheReferenceImplementationsFigures)
{
    const Model model;
    // Again, then Good on the same day and after 1, 3, 8 and 21 days.
    std::vector<Review> reviews;
    long long day = 2459913;
    const std::vector<std::pair<Grade, int>> answers{{Grade::Again, 0}, {Grade::Good, 0}, {Grade::Good, 1},
                                                     {Grade::Good, 3},  {Grade::Good, 8}, {Grade::Good, 21}};
    for (const auto &[grade, gap] : answers)
        reviews.push_back({day += gap, grade});
    const auto state = model.replay(reviews);
    ASSERT_TRUE(state);
    EXPECT_NEAR(state->stability, 53.62691, 1e-4);
    EXPECT_NEAR(state->difficulty, 6.3574867, 1e-4);

    // Good six times at each due day, Again twice, Good five times: the
    // intervals in days. The reference's minute-long learning steps (its 0s)
    // are same-day reviews here, whose own interval it does not give.
    const std::vector<Grade> grades{Grade::Good, Grade::Good,  Grade::Good,  Grade::Good, Grade::Good,
                                    Grade::Good, Grade::Again, Grade::Again, Grade::Good, Grade::Good,
                                    Grade::Good, Grade::Good,  Grade::Good};
    const std::vector<int> expected{0, 2, 11, 46, 163, 498, 0, 0, 2, 4, 7, 12, 21};
    std::optional<MemoryState> memory;
    int elapsed = 0;
    for (size_t i = 0; i < grades.size(); ++i) {
        memory = model.next(i == 0 ? std::nullopt : memory, grades[i], elapsed);
        elapsed = expected[i];
        if (expected[i] > 0) {
            EXPECT_EQ(model.intervalDays(memory->stability), expected[i]) << "review " << i;
        }
    }
}

TEST(WordMemory, RecallFallsToTheDesiredRetentionOnTheDueDay)
{
    for (const double retention : {0.8, 0.9, 0.95}) {
        const Model model(retention);
        const MemoryState state{12.5, 5.0};
        const int days = model.intervalDays(state.stability);
        // Rounded to whole days: the day before is above, the day after below.
        EXPECT_GT(model.retrievability(state, days - 1), retention);
        EXPECT_LT(model.retrievability(state, days + 1), retention);
    }
    EXPECT_NEAR(Model().retrievability({7.0, 5.0}, 7), 0.9, 1e-9); // 90% after `stability` days
    EXPECT_EQ(Model().intervalDays(1e9), 36500);
    EXPECT_EQ(Model().intervalDays(0.001), 1);
}

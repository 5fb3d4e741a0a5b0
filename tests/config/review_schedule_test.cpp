#include "config/review_schedule.h"

#include <gtest/gtest.h>

using namespace kelp;

namespace {
std::array<int, 8> parse(const QString &text)
{
    std::array<int, 8> reviewDays{};
    parseReviewDays(text, reviewDays);
    return reviewDays;
}
} // namespace

TEST(ReviewDays, ParsesTerminatedNumbersAndFillsDefaults)
{
    EXPECT_EQ(parse("1t2t4t7t15t"), (std::array<int, 8>{0, 1, 2, 4, 7, 15, 30, 60}));
    EXPECT_EQ(parse("3t0t5"), (std::array<int, 8>{0, 3, 2, 4, 7, 15, 30, 60}));
    EXPECT_EQ(parse("1t2t3t4t5t6t7t8t"), (std::array<int, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(parse("T1T2"), (std::array<int, 8>{0, 1, 2, 4, 7, 15, 30, 60}));
    EXPECT_EQ(parse("xt-3t"), (std::array<int, 8>{0, 1, -3, 4, 7, 15, 30, 60}));
    EXPECT_EQ(parse(QString()), (std::array<int, 8>{0, 1, 2, 4, 7, 15, 30, 60}));
}

#include "settings/numerical.h"
#include "settings/palette.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace kelp;
using N = n_cst_numerical;

TEST(Numerical, BitwiseOperations)
{
    EXPECT_EQ(N::of_bitwiseor(0, 524288), 524288);
    EXPECT_EQ(N::of_bitwiseor(256, 524288), 524544);
    EXPECT_EQ(N::of_bitwiseor(524288, 524288), 524288);
    EXPECT_EQ(N::of_bitwiseand(12, 10), 8);
    EXPECT_EQ(N::of_bitwisexor(12, 10), 6);
    EXPECT_EQ(N::of_bitwisenot(0), -1);
    EXPECT_EQ(N::of_bitwisenot(std::int16_t{0}), std::int16_t{-1});
    EXPECT_EQ(N::of_bitwiseor(std::int16_t{-32768}, std::int16_t{1}), std::int16_t{-32767});
    EXPECT_EQ(N::of_bitwiseand(-1, -2147483647 - 1), -2147483647 - 1);
}

TEST(Numerical, SingleBits)
{
    EXPECT_EQ(N::of_setbit(0, 32), -2147483647 - 1);
    EXPECT_EQ(N::of_clearbit(-1, 32), 2147483647);
    EXPECT_EQ(N::of_flipbit(5, 1), 4);
    EXPECT_EQ(N::of_flipbit(4, 1), 5);
    EXPECT_TRUE(N::of_getbit(-1, 32));
    EXPECT_FALSE(N::of_getbit(6, 1));
    EXPECT_TRUE(N::of_getbit(6, 2));
    EXPECT_EQ(N::of_setbit(std::int16_t{0}, 16), std::int16_t{-32768});
    EXPECT_EQ(N::of_clearbit(std::int16_t{-1}, 16), std::int16_t{32767});
    // Widened with its sign: bit 17 of a negative integer reads as set.
    EXPECT_TRUE(N::of_getbit(std::int16_t{-1}, 17));
}

TEST(Numerical, InvalidBitNumbersAreRejected)
{
    EXPECT_THROW(N::of_getbit(1, 0), std::out_of_range);
    EXPECT_THROW(N::of_setbit(1, 33), std::out_of_range);
    EXPECT_THROW(N::of_setbit(std::int16_t{1}, 17), std::out_of_range);
    EXPECT_THROW(N::of_flipbit(std::int16_t{1}, 0), std::out_of_range);
}

TEST(Numerical, BinaryTexts)
{
    EXPECT_EQ(N::of_binary(6), "011" + std::string(29, '0'));
    EXPECT_EQ(N::of_binary(-1), std::string(32, '1'));
    for (std::int32_t v : {0, 1, -1, 6, 524288, 2147483647, -2147483647 - 1, -123456})
        EXPECT_EQ(N::of_decimal(N::of_binary(v)), v) << v;
    EXPECT_EQ(N::of_decimal("1"), -1);
    EXPECT_EQ(N::of_decimal("10"), 1);
    EXPECT_EQ(N::of_decimal("01"), -2);
    EXPECT_EQ(N::of_decimal(""), 0);
    EXPECT_EQ(N::of_decimal("1x"), 1); // a non-digit counts 0, and so does its extension
}

TEST(Palette, ColovTable)
{
    EXPECT_EQ(colov(1), 0);
    EXPECT_EQ(colov(2), 16777215);
    EXPECT_EQ(colov(7), 16711680);
    EXPECT_EQ(colov(21), 134217752);
    for (int bad : {0, 22, -5})
        EXPECT_EQ(colov(bad), -1);
    EXPECT_EQ(rgbOf(16711680), (Rgb{0, 0, 255})); // red is the low byte
    EXPECT_EQ(rgbOf(128), (Rgb{128, 0, 0}));
}

#include "util/bit_utils.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace kelp;
using N = BitUtils;

TEST(BitUtils, BitwiseOperations)
{
    EXPECT_EQ(N::bitwiseOr(0, 524288), 524288);
    EXPECT_EQ(N::bitwiseOr(256, 524288), 524544);
    EXPECT_EQ(N::bitwiseOr(524288, 524288), 524288);
    EXPECT_EQ(N::bitwiseAnd(12, 10), 8);
    EXPECT_EQ(N::bitwiseXor(12, 10), 6);
    EXPECT_EQ(N::bitwiseNot(0), -1);
    EXPECT_EQ(N::bitwiseNot(std::int16_t{0}), std::int16_t{-1});
    EXPECT_EQ(N::bitwiseOr(std::int16_t{-32768}, std::int16_t{1}), std::int16_t{-32767});
    EXPECT_EQ(N::bitwiseAnd(-1, -2147483647 - 1), -2147483647 - 1);
}

TEST(BitUtils, SingleBits)
{
    EXPECT_EQ(N::setBit(0, 32), -2147483647 - 1);
    EXPECT_EQ(N::clearBit(-1, 32), 2147483647);
    EXPECT_EQ(N::flipBit(5, 1), 4);
    EXPECT_EQ(N::flipBit(4, 1), 5);
    EXPECT_TRUE(N::getBit(-1, 32));
    EXPECT_FALSE(N::getBit(6, 1));
    EXPECT_TRUE(N::getBit(6, 2));
    EXPECT_EQ(N::setBit(std::int16_t{0}, 16), std::int16_t{-32768});
    EXPECT_EQ(N::clearBit(std::int16_t{-1}, 16), std::int16_t{32767});
    // Widened with its sign: bit 17 of a negative integer reads as set.
    EXPECT_TRUE(N::getBit(std::int16_t{-1}, 17));
}

TEST(BitUtils, InvalidBitNumbersAreRejected)
{
    EXPECT_THROW(N::getBit(1, 0), std::out_of_range);
    EXPECT_THROW(N::setBit(1, 33), std::out_of_range);
    EXPECT_THROW(N::setBit(std::int16_t{1}, 33), std::out_of_range);
    EXPECT_THROW(N::flipBit(std::int16_t{1}, 0), std::out_of_range);
}

TEST(BitUtils, HighBitsLeaveSixteenBitValuesUnchanged)
{
    for (std::int16_t v : {std::int16_t{0}, std::int16_t{1}, std::int16_t{-1}, std::int16_t{-32768}}) {
        for (std::uint16_t bit : {17, 24, 32}) {
            EXPECT_EQ(N::setBit(v, bit), v) << v << " bit " << bit;
            EXPECT_EQ(N::clearBit(v, bit), v) << v << " bit " << bit;
            EXPECT_EQ(N::flipBit(v, bit), v) << v << " bit " << bit;
        }
    }
    EXPECT_EQ(N::setBit(std::int16_t{0}, 16), std::int16_t{-32768});
}

TEST(BitUtils, BinaryTexts)
{
    EXPECT_EQ(N::toBinary(6), "011" + std::string(29, '0'));
    EXPECT_EQ(N::toBinary(-1), std::string(32, '1'));
    for (std::int32_t v : {0, 1, -1, 6, 524288, 2147483647, -2147483647 - 1, -123456})
        EXPECT_EQ(N::fromBinary(N::toBinary(v)), v) << v;
    EXPECT_EQ(N::fromBinary("1"), -1);
    EXPECT_EQ(N::fromBinary("10"), 1);
    EXPECT_EQ(N::fromBinary("01"), -2);
    EXPECT_EQ(N::fromBinary(""), 0);
    EXPECT_EQ(N::fromBinary("1x"), 1); // a non-digit counts 0, and so does its extension
}

// Bit and number utilities on 32-bit ("long") and 16-bit ("integer") values.
// Bits are numbered from 1 (least significant); binary texts list the least
// significant digit first.
#pragma once

#include <cstdint>
#include <string>

namespace kelp {

class BitUtils {
public:
    // Bit numbers outside 1..32 throw std::out_of_range (they would divide by
    // zero). The 16-bit variants take 1..32 too: bits 17..32 of the widened
    // value leave a 16-bit value unchanged.
    static bool getBit(std::int32_t value, std::uint16_t bit);

    static std::int32_t setBit(std::int32_t value, std::uint16_t bit);
    static std::int32_t clearBit(std::int32_t value, std::uint16_t bit);
    static std::int32_t flipBit(std::int32_t value, std::uint16_t bit);
    static std::int32_t bitwiseAnd(std::int32_t a, std::int32_t b);
    static std::int32_t bitwiseOr(std::int32_t a, std::int32_t b);
    static std::int32_t bitwiseXor(std::int32_t a, std::int32_t b);
    static std::int32_t bitwiseNot(std::int32_t value);

    static std::int16_t setBit(std::int16_t value, std::uint16_t bit);
    static std::int16_t clearBit(std::int16_t value, std::uint16_t bit);
    static std::int16_t flipBit(std::int16_t value, std::uint16_t bit);
    static std::int16_t bitwiseAnd(std::int16_t a, std::int16_t b);
    static std::int16_t bitwiseOr(std::int16_t a, std::int16_t b);
    static std::int16_t bitwiseXor(std::int16_t a, std::int16_t b);
    static std::int16_t bitwiseNot(std::int16_t value);

    // 32 digits, character i = bit i.
    static std::string toBinary(std::int32_t value);
    // Value of a least-significant-first binary text; a text shorter than 32
    // digits is extended with its last digit (a sign extension).
    static std::int32_t fromBinary(const std::string &binary);
};

} // namespace kelp

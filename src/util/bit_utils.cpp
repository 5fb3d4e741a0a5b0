#include "util/bit_utils.h"

#include <stdexcept>

namespace kelp {
namespace {

void checkBit(std::uint16_t bit, int width)
{
    if (bit < 1 || bit > width)
        throw std::out_of_range("bit number " + std::to_string(bit) + " outside 1.." + std::to_string(width));
}

std::uint32_t power(std::uint16_t bit)
{
    return std::uint32_t{1} << (bit - 1);
}

// Wrap-around addition in the value's width.
std::int32_t add32(std::int32_t v, std::uint32_t d)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) + d);
}

std::int16_t add16(std::int16_t v, std::uint32_t d)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint16_t>(v) + d));
}

template <typename T, typename Pred>
T combine(T a, T b, int width, Pred pred)
{
    T r = 0;
    for (int n = 1; n <= width; ++n) {
        const auto bit = static_cast<std::uint16_t>(n);
        if (pred(BitUtils::getBit(a, bit), BitUtils::getBit(b, bit)))
            r = BitUtils::setBit(r, bit);
    }
    return r;
}

} // namespace

bool BitUtils::getBit(std::int32_t value, std::uint16_t bit)
{
    checkBit(bit, 32);
    const std::uint32_t u = static_cast<std::uint32_t>(value);
    return (u / power(bit)) % 2 == 1;
}

std::int32_t BitUtils::setBit(std::int32_t value, std::uint16_t bit)
{
    if (getBit(value, bit))
        return value;
    return add32(value, power(bit));
}

std::int32_t BitUtils::clearBit(std::int32_t value, std::uint16_t bit)
{
    if (!getBit(value, bit))
        return value;
    return add32(value, ~power(bit) + 1);
}

std::int32_t BitUtils::flipBit(std::int32_t value, std::uint16_t bit)
{
    return getBit(value, bit) ? clearBit(value, bit) : setBit(value, bit);
}

std::int32_t BitUtils::bitwiseAnd(std::int32_t a, std::int32_t b)
{
    return combine(a, b, 32, [](bool x, bool y) { return x && y; });
}

std::int32_t BitUtils::bitwiseOr(std::int32_t a, std::int32_t b)
{
    return combine(a, b, 32, [](bool x, bool y) { return x || y; });
}

std::int32_t BitUtils::bitwiseXor(std::int32_t a, std::int32_t b)
{
    return combine(a, b, 32, [](bool x, bool y) { return x != y; });
}

std::int32_t BitUtils::bitwiseNot(std::int32_t a)
{
    std::int32_t r = 0;
    for (std::uint16_t n = 1; n <= 32; ++n) {
        if (!getBit(a, n))
            r = setBit(r, n);
    }
    return r;
}

std::int16_t BitUtils::setBit(std::int16_t value, std::uint16_t bit)
{
    checkBit(bit, 32); // bits 17..32 of the widened value: wrap-around leaves it unchanged
    if (getBit(static_cast<std::int32_t>(value), bit))
        return value;
    return add16(value, power(bit));
}

std::int16_t BitUtils::clearBit(std::int16_t value, std::uint16_t bit)
{
    checkBit(bit, 32); // bits 17..32 of the widened value: wrap-around leaves it unchanged
    if (!getBit(static_cast<std::int32_t>(value), bit))
        return value;
    return add16(value, ~power(bit) + 1);
}

std::int16_t BitUtils::flipBit(std::int16_t value, std::uint16_t bit)
{
    checkBit(bit, 32); // bits 17..32 of the widened value: wrap-around leaves it unchanged
    return getBit(static_cast<std::int32_t>(value), bit) ? clearBit(value, bit) : setBit(value, bit);
}

std::int16_t BitUtils::bitwiseAnd(std::int16_t a, std::int16_t b)
{
    return combine(a, b, 16, [](bool x, bool y) { return x && y; });
}

std::int16_t BitUtils::bitwiseOr(std::int16_t a, std::int16_t b)
{
    return combine(a, b, 16, [](bool x, bool y) { return x || y; });
}

std::int16_t BitUtils::bitwiseXor(std::int16_t a, std::int16_t b)
{
    return combine(a, b, 16, [](bool x, bool y) { return x != y; });
}

std::int16_t BitUtils::bitwiseNot(std::int16_t a)
{
    std::int16_t r = 0;
    for (std::uint16_t n = 1; n <= 16; ++n) {
        if (!getBit(static_cast<std::int32_t>(a), n))
            r = setBit(r, n);
    }
    return r;
}

std::string BitUtils::toBinary(std::int32_t value)
{
    std::uint32_t u = static_cast<std::uint32_t>(value);
    std::string text;
    text.reserve(32);
    for (int i = 0; i < 32; ++i) {
        text.push_back(static_cast<char>('0' + u % 2));
        u /= 2;
    }
    return text;
}

std::int32_t BitUtils::fromBinary(const std::string &binary)
{
    std::string s = binary;
    if (!s.empty())
        s.append(31, s.back());
    std::uint32_t r = 0;
    for (size_t i = 0; i < 32 && i < s.size(); ++i) {
        const char c = s[i];
        const std::uint32_t digit = (c >= '0' && c <= '9') ? static_cast<std::uint32_t>(c - '0') : 0;
        r += digit * (std::uint32_t{1} << i);
    }
    return static_cast<std::int32_t>(r);
}

} // namespace kelp

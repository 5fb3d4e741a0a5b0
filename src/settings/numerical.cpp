#include "settings/numerical.h"

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
        if (pred(n_cst_numerical::of_getbit(a, bit), n_cst_numerical::of_getbit(b, bit)))
            r = n_cst_numerical::of_setbit(r, bit);
    }
    return r;
}

} // namespace

bool n_cst_numerical::of_getbit(std::int32_t al_decimal, std::uint16_t aui_bit)
{
    checkBit(aui_bit, 32);
    const std::uint32_t u = static_cast<std::uint32_t>(al_decimal);
    return (u / power(aui_bit)) % 2 == 1;
}

std::int32_t n_cst_numerical::of_setbit(std::int32_t al_decimal, std::uint16_t aui_bit)
{
    if (of_getbit(al_decimal, aui_bit))
        return al_decimal;
    return add32(al_decimal, power(aui_bit));
}

std::int32_t n_cst_numerical::of_clearbit(std::int32_t al_decimal, std::uint16_t aui_bit)
{
    if (!of_getbit(al_decimal, aui_bit))
        return al_decimal;
    return add32(al_decimal, ~power(aui_bit) + 1);
}

std::int32_t n_cst_numerical::of_flipbit(std::int32_t al_decimal, std::uint16_t aui_bit)
{
    return of_getbit(al_decimal, aui_bit) ? of_clearbit(al_decimal, aui_bit) : of_setbit(al_decimal, aui_bit);
}

std::int32_t n_cst_numerical::of_bitwiseand(std::int32_t a, std::int32_t b)
{
    return combine(a, b, 32, [](bool x, bool y) { return x && y; });
}

std::int32_t n_cst_numerical::of_bitwiseor(std::int32_t a, std::int32_t b)
{
    return combine(a, b, 32, [](bool x, bool y) { return x || y; });
}

std::int32_t n_cst_numerical::of_bitwisexor(std::int32_t a, std::int32_t b)
{
    return combine(a, b, 32, [](bool x, bool y) { return x != y; });
}

std::int32_t n_cst_numerical::of_bitwisenot(std::int32_t a)
{
    std::int32_t r = 0;
    for (std::uint16_t n = 1; n <= 32; ++n) {
        if (!of_getbit(a, n))
            r = of_setbit(r, n);
    }
    return r;
}

std::int16_t n_cst_numerical::of_setbit(std::int16_t ai_decimal, std::uint16_t aui_bit)
{
    checkBit(aui_bit, 16);
    if (of_getbit(static_cast<std::int32_t>(ai_decimal), aui_bit))
        return ai_decimal;
    return add16(ai_decimal, power(aui_bit));
}

std::int16_t n_cst_numerical::of_clearbit(std::int16_t ai_decimal, std::uint16_t aui_bit)
{
    checkBit(aui_bit, 16);
    if (!of_getbit(static_cast<std::int32_t>(ai_decimal), aui_bit))
        return ai_decimal;
    return add16(ai_decimal, ~power(aui_bit) + 1);
}

std::int16_t n_cst_numerical::of_flipbit(std::int16_t ai_decimal, std::uint16_t aui_bit)
{
    checkBit(aui_bit, 16);
    return of_getbit(static_cast<std::int32_t>(ai_decimal), aui_bit) ? of_clearbit(ai_decimal, aui_bit)
                                                                     : of_setbit(ai_decimal, aui_bit);
}

std::int16_t n_cst_numerical::of_bitwiseand(std::int16_t a, std::int16_t b)
{
    return combine(a, b, 16, [](bool x, bool y) { return x && y; });
}

std::int16_t n_cst_numerical::of_bitwiseor(std::int16_t a, std::int16_t b)
{
    return combine(a, b, 16, [](bool x, bool y) { return x || y; });
}

std::int16_t n_cst_numerical::of_bitwisexor(std::int16_t a, std::int16_t b)
{
    return combine(a, b, 16, [](bool x, bool y) { return x != y; });
}

std::int16_t n_cst_numerical::of_bitwisenot(std::int16_t a)
{
    std::int16_t r = 0;
    for (std::uint16_t n = 1; n <= 16; ++n) {
        if (!of_getbit(static_cast<std::int32_t>(a), n))
            r = of_setbit(r, n);
    }
    return r;
}

std::string n_cst_numerical::of_binary(std::int32_t al_decimal)
{
    std::uint32_t u = static_cast<std::uint32_t>(al_decimal);
    std::string text;
    text.reserve(32);
    for (int i = 0; i < 32; ++i) {
        text.push_back(static_cast<char>('0' + u % 2));
        u /= 2;
    }
    return text;
}

std::int32_t n_cst_numerical::of_decimal(const std::string &as_binary)
{
    std::string s = as_binary;
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

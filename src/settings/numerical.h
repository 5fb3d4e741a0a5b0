// Bit and number utilities on 32-bit ("long") and 16-bit ("integer") values.
// Bits are numbered from 1 (least significant); binary texts list the least
// significant digit first.
#pragma once

#include <cstdint>
#include <string>

namespace kelp {

class n_cst_numerical {
public:
    // Bit numbers outside 1..32 (1..16 for the 16-bit variants) throw
    // std::out_of_range: callers only ever pass valid ones.
    static bool of_getbit(std::int32_t al_decimal, std::uint16_t aui_bit);

    static std::int32_t of_setbit(std::int32_t al_decimal, std::uint16_t aui_bit);
    static std::int32_t of_clearbit(std::int32_t al_decimal, std::uint16_t aui_bit);
    static std::int32_t of_flipbit(std::int32_t al_decimal, std::uint16_t aui_bit);
    static std::int32_t of_bitwiseand(std::int32_t al_decimala, std::int32_t al_decimalb);
    static std::int32_t of_bitwiseor(std::int32_t al_decimala, std::int32_t al_decimalb);
    static std::int32_t of_bitwisexor(std::int32_t al_decimala, std::int32_t al_decimalb);
    static std::int32_t of_bitwisenot(std::int32_t al_decimal);

    static std::int16_t of_setbit(std::int16_t ai_decimal, std::uint16_t aui_bit);
    static std::int16_t of_clearbit(std::int16_t ai_decimal, std::uint16_t aui_bit);
    static std::int16_t of_flipbit(std::int16_t ai_decimal, std::uint16_t aui_bit);
    static std::int16_t of_bitwiseand(std::int16_t ai_decimala, std::int16_t ai_decimalb);
    static std::int16_t of_bitwiseor(std::int16_t ai_decimala, std::int16_t ai_decimalb);
    static std::int16_t of_bitwisexor(std::int16_t ai_decimala, std::int16_t ai_decimalb);
    static std::int16_t of_bitwisenot(std::int16_t ai_decimal);

    // 32 digits, character i = bit i.
    static std::string of_binary(std::int32_t al_decimal);
    // Value of a least-significant-first binary text; a text shorter than 32
    // digits is extended with its last digit (a sign extension).
    static std::int32_t of_decimal(const std::string &as_binary);
};

} // namespace kelp

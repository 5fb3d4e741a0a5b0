// The 21-entry colour palette and colour values.
//
// A colour value is a 32-bit number: below 16777216 an RGB colour stored as
// red + 256 × green + 65536 × blue; from 134217728 on a system-colour code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kelp {

inline constexpr long kDefaultTextColour = 134217857;  // dark text
inline constexpr long kDefaultLabelColour = 134217752; // light neutral face
inline constexpr long kDefaultWindowColour = 16777215; // white

inline constexpr std::array<long, 22> kPalette{
    0, // (unused)
    0,     16777215, 134217857, 16711935, 65280,    65535,    16711680,  16776960,  128,       8388736,   32768,
    32896, 8388608,  8421376,   8421504,  12639424, 15780518, 134217729, 134217730, 134217731, 134217752,
};

// The colour value of palette entry `number` (1..21), or -1 for any other number.
long paletteColour(int number);

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

// The RGB colour a colour value stands for on this platform. System-colour
// codes map to fixed colours in the spirit of a classic light desktop.
Rgb rgbOf(long value);

} // namespace kelp

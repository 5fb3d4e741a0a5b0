#include "config/colours.h"

namespace kelp {

long paletteColour(int number)
{
    if (number < 1 || number > 21)
        return -1;
    return kPalette[static_cast<std::size_t>(number)];
}

Rgb rgbOf(long value)
{
    if (value >= 0 && value < 16777216)
        return Rgb{static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                   static_cast<int>((value >> 16) & 0xFF)};
    switch (value) {
    case 134217857: return Rgb{32, 32, 32};    // text colour: near black
    case 134217729: return Rgb{58, 110, 165};  // 1: desktop
    case 134217730: return Rgb{10, 36, 106};   // 2: active title bar
    case 134217731: return Rgb{128, 128, 128}; // 3: inactive title bar
    case 134217747: return Rgb{212, 208, 200}; // 19: dialog face
    case 134217752: return Rgb{240, 240, 240}; // 24: label face, light neutral
    default: break;
    }
    // Any other code, or -1: the neutral face.
    return Rgb{240, 240, 240};
}

} // namespace kelp

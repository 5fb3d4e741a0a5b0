#include "config/colours.h"

#include <gtest/gtest.h>

using namespace kelp;

TEST(Colours, PaletteTable)
{
    EXPECT_EQ(paletteColour(1), 0);
    EXPECT_EQ(paletteColour(2), 16777215);
    EXPECT_EQ(paletteColour(7), 16711680);
    EXPECT_EQ(paletteColour(21), 134217752);
    for (int bad : {0, 22, -5})
        EXPECT_EQ(paletteColour(bad), -1);
    EXPECT_EQ(rgbOf(16711680), (Rgb{0, 0, 255})); // red is the low byte
    EXPECT_EQ(rgbOf(128), (Rgb{128, 0, 0}));
}

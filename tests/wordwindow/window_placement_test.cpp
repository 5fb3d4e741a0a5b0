#include "wordwindow/window_placement.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace kelp;

TEST(Placement, OffScreenPositionsFallBackPartlyVisibleOnesStay)
{
    const QList<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
    const QSize size(358, 71);
    const QPoint fallback(260, 250);
    EXPECT_EQ(reachablePosition({100, 100}, size, screens, fallback), QPoint(100, 100));
    EXPECT_EQ(reachablePosition({3000, 1000}, size, screens, fallback), QPoint(3000, 1000)); // second screen
    EXPECT_EQ(reachablePosition({-300, 780}, size, screens, fallback), QPoint(-300, 780));   // a corner shows
    EXPECT_EQ(reachablePosition({5000, 100}, size, screens, fallback), fallback);
    EXPECT_EQ(reachablePosition({-400, 100}, size, screens, fallback), fallback);
    EXPECT_EQ(reachablePosition({100, 1100}, size, screens, fallback), fallback);
    EXPECT_EQ(reachablePosition({5000, 100}, size, {}, fallback), QPoint(5000, 100));
}

TEST(Placement, AStoredPlaceIsTheSameOnTheScreenAtAnyScale)
{
    // Stored at scale 1, shown at scale 2 and 1.5, and back: within a device pixel of where it was.
    for (const double ratio : {2.0, 1.5, 1.25}) {
        for (const QPoint device : {QPoint(1554, 1001), QPoint(0, 0), QPoint(977, 333)}) {
            const QPoint there = deviceFromLogical(logicalFromDevice(device, ratio), ratio);
            EXPECT_LE(std::abs(there.x() - device.x()), 1) << ratio;
            EXPECT_LE(std::abs(there.y() - device.y()), 1) << ratio;
        }
    }
    EXPECT_EQ(logicalFromDevice({1554, 1001}, 2.0), QPoint(777, 501));
    EXPECT_EQ(logicalFromDevice({1554, 1001}, 1.0), QPoint(1554, 1001));
    EXPECT_EQ(deviceFromLogical({520, 500}, 2.0), QPoint(1040, 1000));
}

TEST(Placement, TheFirstStartsCornerIsAboveAPanelOrElseOnTheScreen)
{
    const platform::LayoutUnits units(96, 96);
    const QSize size(410, 71);
    // A panel 30 pixels high at the bottom: the corner is above it, 8 pixels in.
    const auto above = cornerPosition(units, QRect(0, 0, 1920, 1050), QRect(0, 0, 1920, 1080), size, 1.0);
    ASSERT_TRUE(above);
    // Stored in layout units: back in pixels to within one.
    const auto near = [&units](QPoint stored, QPoint pixels) {
        return std::abs(units.xToPixels(stored.x()) - pixels.x()) <= 1 &&
               std::abs(units.yToPixels(stored.y()) - pixels.y()) <= 1;
    };
    EXPECT_TRUE(near(*above, {1920 - 8 - 410, 1050 - 8 - 71}));
    // A desktop that has not said where its panels are (a free area too small) gives the whole screen.
    const auto whole = cornerPosition(units, QRect(0, 0, 100, 100), QRect(0, 0, 1280, 800), size, 1.0);
    ASSERT_TRUE(whole);
    EXPECT_TRUE(near(*whole, {1280 - 8 - 410, 800 - 8 - 71}));
    // At scale 2 the stored place is in device pixels: twice the logical one.
    const auto scaled = cornerPosition(units, QRect(0, 0, 960, 540), QRect(0, 0, 960, 540), QSize(205, 35), 2.0);
    ASSERT_TRUE(scaled);
    EXPECT_TRUE(near(*scaled, {(960 - 8 - 205) * 2, (540 - 8 - 35) * 2}));
    EXPECT_FALSE(cornerPosition(units, QRect(0, 0, 600, 100), QRect(0, 0, 600, 100), size, 1.0));
}

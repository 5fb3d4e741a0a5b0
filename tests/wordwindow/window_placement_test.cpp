#include "wordwindow/window_placement.h"

#include <gtest/gtest.h>

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

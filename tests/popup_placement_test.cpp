#include "platform/popup_placement.h"

#include <gtest/gtest.h>

namespace {
const QSize panel(260, 400);
const QRect screen(0, 24, 1920, 1056); // a 24-px bar at the top
const QPoint cursor(900, 500);
} // namespace

TEST(PopupPlacement, CentredUnderAnIconInATopBar)
{
    EXPECT_EQ(popupPosition(panel, QRect(1000, 0, 24, 24), cursor, screen), QPoint(881, 28));
}

TEST(PopupPlacement, ClampedAtTheScreenEdges)
{
    EXPECT_EQ(popupPosition(panel, QRect(1900, 0, 20, 24), cursor, screen), QPoint(1660, 28));
    EXPECT_EQ(popupPosition(panel, QRect(2, 2, 20, 20), cursor, screen), QPoint(0, 26));
}

TEST(PopupPlacement, AboveAnIconInABottomBarAndBesideOneInASideBar)
{
    const QRect bottomBar(0, 0, 1920, 1040);
    EXPECT_EQ(popupPosition(panel, QRect(1800, 1044, 32, 32), cursor, bottomBar), QPoint(1660, 640));
    const QRect leftBar(48, 0, 1872, 1080);
    EXPECT_EQ(popupPosition(panel, QRect(8, 600, 32, 32), cursor, leftBar), QPoint(48, 600));
    const QRect rightBar(0, 0, 1872, 1080);
    EXPECT_EQ(popupPosition(panel, QRect(1880, 900, 32, 32), cursor, rightBar), QPoint(1612, 680));
}

TEST(PopupPlacement, UnknownIconGeometryFallsBackToTheCursor)
{
    EXPECT_FALSE(iconGeometryKnown(QRect()));
    EXPECT_FALSE(iconGeometryKnown(QRect(0, 0, 24, 24)));
    EXPECT_TRUE(iconGeometryKnown(QRect(1, 0, 24, 24)));
    EXPECT_EQ(popupPosition(panel, QRect(), cursor, screen), QPoint(770, 505));
    EXPECT_EQ(popupPosition(panel, QRect(0, 0, 24, 24), QPoint(900, 1000), screen), QPoint(770, 596))
        << "no room below the cursor: the panel opens upwards";
}

TEST(PopupPlacement, OffsetsOfASecondScreen)
{
    const QRect second(1920, -200, 1280, 1024);
    EXPECT_EQ(popupPosition(panel, QRect(3150, -200, 24, 24), cursor, second), QPoint(2940, -172));
    EXPECT_EQ(popupPosition(panel, QRect(), QPoint(1925, 700), second), QPoint(1920, 296));
}

TEST(PopupPlacement, APanelTallerThanTheScreenKeepsItsTopVisible)
{
    EXPECT_EQ(popupPosition(QSize(260, 2000), QRect(1000, 0, 24, 24), cursor, screen), QPoint(881, 24));
}

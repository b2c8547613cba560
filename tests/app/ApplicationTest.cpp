#include <gtest/gtest.h>

#include "app/Application.h"

namespace {

// 120 DPI (factor 1.25): 20 px becomes 25, 24 px becomes 30, and 2.5 and 7.5 are truncated, not rounded.
TEST(ApplicationTest, StyleSheetPixelSizesAreTruncatedAtFractionalFactors) {
    const QString sheet = applicationStyleSheet(1.25);
    EXPECT_TRUE(sheet.contains("width: 25px; margin: -30px 0;}")) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains("padding: 2px;border-radius: 7px;")) << sheet.toStdString();
}

// A stored window of no size takes the fallback's; one larger than any screen is cut down.
TEST(ApplicationTest, MainGeometryKeepsTheWindowWithinReason) {
    const QRect fallback(24, 64, 640, 360);
    const QRect desktop(0, 0, 1920, 1080);
    EXPECT_EQ(mainWindowGeometry(QRect(10, 20, 800, 600), fallback, desktop), QRect(10, 20, 800, 600));
    EXPECT_EQ(mainWindowGeometry(QRect(10, 20, 0, 0), fallback, desktop), QRect(10, 20, 640, 360));
    EXPECT_EQ(mainWindowGeometry(QRect(0, 0, 1000000, 50), fallback, desktop), QRect(0, 0, 3840, 50));
}

}  // namespace

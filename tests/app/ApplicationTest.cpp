#include "app/Application.h"

#include <gtest/gtest.h>

#include <QFontInfo>

namespace {

struct StyleCase {
    double factor;
    const char* handle;
    const char* tooltip;
};

class ApplicationStyleTest : public testing::TestWithParam<StyleCase> {};

TEST_P(ApplicationStyleTest, PixelSizesFollowTheScreenDpi) {
    const StyleCase c = GetParam();
    const QString sheet = applicationStyleSheet(c.factor);
    EXPECT_TRUE(sheet.startsWith(
        "QSlider::groove:horizontal{border:none;margin-top: 5px;margin-bottom: 5px;height: 5px;} QSlider::handle"));
    EXPECT_TRUE(sheet.contains(c.handle)) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(c.tooltip)) << sheet.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Dpi, ApplicationStyleTest,
    testing::Values(StyleCase{1.0, "width: 20px; margin: -24px 0;}", "padding: 2px;border-radius: 6px;"},
                    StyleCase{1.5, "width: 30px; margin: -36px 0;}", "padding: 3px;border-radius: 9px;"},
                    // 120 DPI: 25 and 30, truncated 2.5 and 7.5
                    StyleCase{1.25, "width: 25px; margin: -30px 0;}", "padding: 2px;border-radius: 7px;"}));

TEST(ApplicationTest, PaletteTextIsNearBlackInEveryGroup) {
    const QPalette palette = applicationPalette(QPalette());
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        EXPECT_EQ(palette.color(group, QPalette::Text), QColor(24, 24, 24, 255));
    }
}

TEST(ApplicationTest, SurfaceFormatIsTheCoreProfileWithMultisampling) {
    const QSurfaceFormat f = applicationSurfaceFormat();
    EXPECT_EQ(f.majorVersion(), 4);
    EXPECT_EQ(f.minorVersion(), 1);
    EXPECT_EQ(f.profile(), QSurfaceFormat::CoreProfile);
    EXPECT_EQ(f.samples(), 8);
    EXPECT_EQ(f.swapInterval(), 0);
    EXPECT_TRUE(f.testOption(QSurfaceFormat::DeprecatedFunctions));
}

TEST(ApplicationTest, FontKeepsTheJapaneseFamilyName) {
    const QFont font = applicationFont();
    EXPECT_EQ(font.family(), QStringLiteral("BIZ UDPゴシック"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.0);
}

struct GeometryCase {
    QRect stored;
    QRect expected;
};

class MainGeometryTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(MainGeometryTest, KeepsTheWindowWithinReason) {
    const QRect fallback(24, 64, 640, 360);
    const QRect desktop(0, 0, 1920, 1080);
    EXPECT_EQ(mainWindowGeometry(GetParam().stored, fallback, desktop), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rects, MainGeometryTest,
                         testing::Values(GeometryCase{QRect(10, 20, 800, 600), QRect(10, 20, 800, 600)},
                                         GeometryCase{QRect(10, 20, 0, 0), QRect(10, 20, 640, 360)},
                                         GeometryCase{QRect(0, 0, 1000000, 50), QRect(0, 0, 3840, 50)}));

}  // namespace

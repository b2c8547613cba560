// Runs at 144 logical DPI (QT_FONT_DPI=144 under X): every pixel size of the control window is 1.5 times its
// 96 DPI value, truncated.
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include "app/base/DpiScale.h"
#include "ui/FluentIconButton.h"
#include "ui/FluentLabel.h"
#include "ui/FluentTitleLabel.h"
#include "ui/KyControlWidget.h"
#include "ui/KyMainWidget.h"
#include "ui/KySideBarWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

struct ScaleCase {
    int n;
    double factor;
    int expected;
};

class DpiScaledTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DpiScaledTest, TruncatesTheScaledValue) {
    EXPECT_EQ(dpiScaled(GetParam().n, GetParam().factor), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Factors, DpiScaledTest,
                         ::testing::Values(ScaleCase{20, 1.5, 30}, ScaleCase{24, 1.5, 36}, ScaleCase{260, 1.5, 390},
                                           ScaleCase{320, 1.5, 480}, ScaleCase{7, 1.5, 10}, ScaleCase{1, 1.25, 1},
                                           ScaleCase{6, 1.25, 7}, ScaleCase{20, 1.0, 20}, ScaleCase{24, 1.0, 24}));

class ControlWindowDpiTest : public UiTest {};

TEST_F(ControlWindowDpiTest, WindowAndWidgetSizesScaleByOneAndAHalf) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 144.0);
    ASSERT_DOUBLE_EQ(dpiScaleFactor(), 1.5);
    EXPECT_EQ(dpiScaled(20), 30);
    EXPECT_EQ(dpiScaled(24), 36);

    QWidget main;
    auto* control = new KyControlWidget(&main);
    EXPECT_EQ(control->size(), QSize(390, 480));
    EXPECT_EQ(control->titleBarHeight(), 36);
    EXPECT_EQ(control->sideBar()->width(), 72);
    EXPECT_EQ(control->sideBar()->layout()->contentsMargins(), QMargins(12, 48, 9, 48));
    EXPECT_EQ(control->sideBar()->button(0)->size(), QSize(48, 48));
    EXPECT_EQ(control->mainWidget()->layout()->contentsMargins(), QMargins(12, 30, 18, 12));
    EXPECT_EQ(control->mainWidget()->layout()->spacing(), 9);
    FluentLabel row(QStringLiteral("x"));
    EXPECT_EQ(row.height(), 48);
}

}  // namespace

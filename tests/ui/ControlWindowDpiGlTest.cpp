// Runs at 144 logical DPI (QT_FONT_DPI=144 under X): every pixel size of the control window is 1.5 times its
// 96 DPI value, truncated.
#include <QGuiApplication>
#include <QScreen>

#include "app/base/DpiScale.h"
#include "ui/FluentIconButton.h"
#include "ui/FluentLabel.h"
#include "ui/KyControlWidget.h"
#include "ui/KySideBarWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class ControlWindowDpiTest : public UiTest {};

TEST_F(ControlWindowDpiTest, WindowAndWidgetSizesScaleByOneAndAHalf) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 144.0);
    ASSERT_DOUBLE_EQ(dpiScaleFactor(), 1.5);
    EXPECT_EQ(dpiScaled(7), 10);  // fractional sizes truncate

    QWidget main;
    auto* control = new KyControlWidget(&main);
    EXPECT_EQ(control->size(), QSize(390, 480));
    EXPECT_EQ(control->titleBarHeight(), 36);
    EXPECT_EQ(control->sideBar()->width(), 72);
    EXPECT_EQ(control->sideBar()->button(0)->size(), QSize(48, 48));
    FluentLabel row(QStringLiteral("x"));
    EXPECT_EQ(row.height(), 48);
}

}  // namespace

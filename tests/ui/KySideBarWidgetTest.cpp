#include "ui/KySideBarWidget.h"

#include <QLayout>
#include <QSignalSpy>
#include <QTest>

#include "app/base/DpiScale.h"
#include "ui/FluentIconButton.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class KySideBarWidgetTest : public UiTest {};

TEST_F(KySideBarWidgetTest, LayoutColoursAndStartState) {
    KySideBarWidget bar;
    bar.resize(bar.width(), dpiScaled(320));
    EXPECT_EQ(bar.width(), dpiScaled(48));
    EXPECT_EQ(bar.layout()->contentsMargins(), QMargins(dpiScaled(8), dpiScaled(32), dpiScaled(6), dpiScaled(32)));
    EXPECT_EQ(bar.layout()->spacing(), dpiScaled(4));
    const QColor colours[5] = {{169, 137, 225}, {64, 188, 212}, {172, 172, 172}, {0, 188, 255}, {255, 128, 64}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(bar.button(i)->color(), colours[i]);
        EXPECT_EQ(bar.button(i)->isPowerButton(), i == 4);
        EXPECT_EQ(bar.button(i)->isSelected(), i == 0);
    }
    bar.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.button(4)->geometry().bottom(), bar.height() - dpiScaled(32) - 1);
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(image.pixelColor(1, bar.height() / 2), QColor(249, 250, 250));
}

TEST_F(KySideBarWidgetTest, PressSelectsOneAndEmitsItsIndex) {
    KySideBarWidget bar;
    bar.show();
    QSignalSpy clicks(&bar, &KySideBarWidget::sysButtonClicked);
    QTest::mousePress(bar.button(3), Qt::LeftButton);  // pages switch on press
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), 3);
    QTest::mouseRelease(bar.button(3), Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bar.button(i)->isSelected(), i == 3);
    EXPECT_EQ(bar.selectedIndex(), 3);
    QTest::mousePress(bar.button(4), Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);  // power acts on click
    QTest::mouseRelease(bar.button(4), Qt::LeftButton);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks[1][0].toInt(), -1);
    EXPECT_EQ(bar.selectedIndex(), 3);
    EXPECT_FALSE(bar.button(4)->isSelected());
}

}  // namespace

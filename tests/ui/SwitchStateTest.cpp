// The switch of a settings row as a user sees it: set on while the page is built (before the event loop runs
// the state machine) it is drawn on and turns off with one click; pressed, its track is drawn darker.
#include <QImage>
#include <QTest>

#include "ui/FluentStyle.h"
#include "ui/FluentToggleButton.h"
#include "ui/KyStateMachineVariant.h"
#include "ui/UiTestSupport.h"
#include "ui/iToggleButton.h"

namespace {

using mnx::test::processEvents;
using mnx::test::UiTest;

class SwitchStateTest : public UiTest {
protected:
    // The track's colour on the side away from the knob, as painted.
    static QColor trackColour(FluentToggleButton& row) {
        const QImage image = row.grab().toImage();
        const QRect toggle = row.toggle()->geometry();
        const bool knobRight = row.toggle()->knobCenterX() > toggle.width() / 2.0;
        const int x = knobRight ? toggle.width() / 4 : toggle.width() * 3 / 4;
        return image.pixelColor(toggle.left() + x, toggle.center().y());
    }
    static int distance(const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    }
};

TEST_F(SwitchStateTest, SetOnWhileThePageIsBuiltIsDrawnOnAndOneClickTurnsItOff) {
    // As a page's constructor does: checked before anything has run the event loop.
    FluentToggleButton row(QStringLiteral("左右反転"));
    row.setChecked(true);
    row.resize(200, row.height());
    row.show();
    processEvents();
    EXPECT_LT(distance(trackColour(row), fluent::accent()), 30) << trackColour(row).name().toStdString();

    QTest::mouseClick(&row, Qt::LeftButton);
    EXPECT_FALSE(row.isChecked());
    processEvents();
    QTest::qWait(250);
    EXPECT_DOUBLE_EQ(row.toggle()->variant(), 0.0);
    EXPECT_LT(distance(trackColour(row), fluent::toggleTrackOff()), 30) << trackColour(row).name().toStdString();
}

TEST_F(SwitchStateTest, PressedSwitchIsDrawnDarker) {
    FluentToggleButton row(QStringLiteral("アクセサリ表示"));
    row.setChecked(true);
    row.resize(200, row.height());
    row.show();
    processEvents();
    const QColor released = trackColour(row);

    QTest::mousePress(&row, Qt::LeftButton);
    const QColor pressed = trackColour(row);
    EXPECT_LT(distance(pressed, fluent::accent().darker(120)), 30) << pressed.name().toStdString();
    EXPECT_LT(pressed.lightness(), released.lightness() - 10);

    QTest::mouseRelease(&row, Qt::LeftButton);
    processEvents();
    QTest::qWait(250);
    EXPECT_FALSE(row.toggle()->isDown());
}

}  // namespace

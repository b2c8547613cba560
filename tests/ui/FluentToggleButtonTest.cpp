#include "ui/FluentToggleButton.h"

#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QTest>

#include "app/base/DpiScale.h"
#include "ui/KyStateMachineVariant.h"
#include "ui/UiTestSupport.h"
#include "ui/iToggleButton.h"

namespace {

using mnx::test::processEvents;
using mnx::test::setAnimationTime;
using mnx::test::UiTest;

class FluentToggleButtonTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        button = std::make_unique<FluentToggleButton>(QStringLiteral("左右反転"));
        button->resize(200, button->height());
        button->show();
        processEvents();
    }
    QPropertyAnimation* animation(const char* name) {
        return button->machine()->findChild<QPropertyAnimation*>(QString::fromLatin1(name));
    }
    std::unique_ptr<FluentToggleButton> button;
};

TEST_F(FluentToggleButtonTest, ClickTogglesTheRowAndTheSwitchFollows) {
    QSignalSpy toggled(button.get(), &QPushButton::toggled);
    EXPECT_EQ(button->machine()->findChild<QPropertyAnimation*>(QStringLiteral("openOpacity"))->duration(), 100);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_TRUE(toggled[0][0].toBool());
    EXPECT_TRUE(button->toggle()->isChecked());
    processEvents();
    setAnimationTime(animation("openOffset"), 100);
    setAnimationTime(animation("openOpacity"), 100);
    EXPECT_DOUBLE_EQ(button->toggle()->variant(), 1.0);
    const double right = button->toggle()->knobCenterX();
    button->setChecked(false);
    processEvents();
    setAnimationTime(animation("closeOffset"), 100);
    setAnimationTime(animation("closeOpacity"), 100);
    EXPECT_DOUBLE_EQ(button->toggle()->variant(), 0.0);
    EXPECT_LT(button->toggle()->knobCenterX(), right);
}

// The second click within the 100 ms turns the knob back from where it is, not from the far end.
TEST_F(FluentToggleButtonTest, SecondClickWithinOneHundredMsReversesFromWhereItIs) {
    QTest::mouseClick(button.get(), Qt::LeftButton);
    processEvents();
    setAnimationTime(animation("openOffset"), 60);
    setAnimationTime(animation("openOpacity"), 60);
    const double middle = button->toggle()->variant();
    EXPECT_NEAR(middle, 0.6, 1e-9);
    const double knobAtMiddle = button->toggle()->knobCenterX();

    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_FALSE(button->isChecked());
    processEvents();
    EXPECT_TRUE(button->machine()->configuration().contains(button->machine()->closingState()));
    QPropertyAnimation* reverse = animation("reverseOpacity");
    setAnimationTime(reverse, 0);
    EXPECT_NEAR(button->toggle()->variant(), middle, 1e-9);
    EXPECT_NEAR(button->toggle()->knobCenterX(), knobAtMiddle, 1e-9);
    setAnimationTime(reverse, 50);
    EXPECT_NEAR(button->toggle()->variant(), middle / 2, 1e-9);
    setAnimationTime(animation("reverseOffset"), 100);
    setAnimationTime(reverse, 100);
    processEvents();
    EXPECT_TRUE(button->machine()->configuration().contains(button->machine()->closedState()));
    EXPECT_DOUBLE_EQ(button->toggle()->variant(), 0.0);
}

TEST_F(FluentToggleButtonTest, TrackTurnsAccentGreenWhenOn) {
    button->setChecked(true);
    processEvents();
    setAnimationTime(animation("openOffset"), 100);
    setAnimationTime(animation("openOpacity"), 100);
    const QImage on = button->toggle()->grab().toImage();
    // A point of the track left of the knob.
    const QColor track = on.pixelColor(dpiScaled(4), on.height() / 2);
    EXPECT_NEAR(track.red(), 52, 12);
    EXPECT_NEAR(track.green(), 191, 12);
    EXPECT_NEAR(track.blue(), 96, 12);
    EXPECT_EQ(button->toggle()->width() + dpiScaled(8), dpiScaled(42));
}

}  // namespace

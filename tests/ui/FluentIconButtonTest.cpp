#include "ui/FluentIconButton.h"

#include <QVariantAnimation>

#include "app/base/DpiScale.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::setAnimationTime;
using mnx::test::UiTest;

class FluentIconButtonTest : public UiTest {};

TEST_F(FluentIconButtonTest, SelectionFadesLinearlyOverFiveHundredMsFromItsCurrentValue) {
    FluentIconButton button(QStringLiteral(":/icon/resources/icon/home.svg"));
    EXPECT_EQ(button.size(), QSize(dpiScaled(32), dpiScaled(32)));
    QVariantAnimation* fade = button.selectionAnimation();
    button.setSelected(true);
    EXPECT_EQ(fade->duration(), 500);
    EXPECT_EQ(fade->easingCurve().type(), QEasingCurve::Linear);
    setAnimationTime(fade, 250);
    EXPECT_NEAR(button.selectionValue(), 0.5, 1e-9);
    button.setSelected(false);
    setAnimationTime(fade, 0);
    EXPECT_NEAR(button.selectionValue(), 0.5, 1e-9);
    setAnimationTime(fade, 250);
    EXPECT_NEAR(button.selectionValue(), 0.25, 1e-9);
    setAnimationTime(fade, 500);
    EXPECT_DOUBLE_EQ(button.selectionValue(), 0.0);
    // Setting the same state again starts nothing.
    button.setSelected(false);
    EXPECT_NE(fade->state(), QAbstractAnimation::Running);
}

TEST_F(FluentIconButtonTest, SelectedPaintsTheAccentBackdropAndAWhiteIcon) {
    FluentIconButton button(QStringLiteral(":/icon/resources/icon/home.svg"));
    button.setColor(QColor(169, 137, 225));
    const QImage before = button.grab().toImage();
    button.setSelected(true);
    setAnimationTime(button.selectionAnimation(), 500);
    const QImage after = button.grab().toImage();
    // A point on the house: dark when unselected, white when selected; a corner area of the backdrop.
    const QPoint centre(dpiScaled(12), dpiScaled(19));
    EXPECT_LT(before.pixelColor(centre).lightness(), 100);
    EXPECT_GT(after.pixelColor(centre).lightness(), 230);
    const QColor backdrop = after.pixelColor(dpiScaled(3), after.height() / 2);
    EXPECT_NEAR(backdrop.red(), 169, 6);
    EXPECT_NEAR(backdrop.green(), 137, 6);
    EXPECT_NEAR(backdrop.blue(), 225, 6);
}

}  // namespace

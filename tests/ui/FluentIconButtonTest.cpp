#include "app/base/DpiScale.h"
#include "ui/FluentIconButton.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::UiTest;

class FluentIconButtonTest : public UiTest {};

TEST_F(FluentIconButtonTest, SelectedPaintsTheAccentBackdropAndAWhiteIcon) {
    FluentIconButton button(QStringLiteral(":/icon/resources/icon/home.svg"));
    button.setColor(QColor(169, 137, 225));
    const QImage before = button.grab().toImage();
    button.setSelected(true);
    mnx::test::finishAnimations(&button);
    const QImage after = button.grab().toImage();
    // A point on the house: dark when unselected, white when selected; a corner area of the backdrop.
    const QPoint centre(dpiScaled(12), dpiScaled(19));
    EXPECT_LT(before.pixelColor(centre).lightness(), 100);
    EXPECT_GT(after.pixelColor(centre).lightness(), 230);
    const QColor backdrop = after.pixelColor(dpiScaled(3), after.height() / 2);
    EXPECT_NEAR(backdrop.red(), 169, 6);
    EXPECT_NEAR(backdrop.green(), 137, 6);
    EXPECT_NEAR(backdrop.blue(), 225, 6);
    // Deselected, the backdrop fades away again.
    button.setSelected(false);
    mnx::test::finishAnimations(&button);
    EXPECT_LT(button.grab().toImage().pixelColor(centre).lightness(), 100);
}

}  // namespace

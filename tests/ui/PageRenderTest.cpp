#include <QColorDialog>
#include <QCoreApplication>
#include <QEvent>

#include "ui/FluentColorButton.h"
#include "ui/FluentSlider.h"
#include "ui/PageRender.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

class PageRenderTest : public UiTest {};

TEST_F(PageRenderTest, SlidersShowAndWriteHundredths) {
    settings().edgeBrightness = -0.37f;
    settings().transBrow = 0.29f;
    PageRender page;
    EXPECT_EQ(page.edgeBrightnessSlider()->value(), -37);
    EXPECT_EQ(page.transBrowSlider()->value(), 29);
    page.edgeBrightnessSlider()->slider()->setValue(-100);
    page.transBrowSlider()->slider()->setValue(71);
    EXPECT_FLOAT_EQ(settings().edgeBrightness, -1.0f);
    EXPECT_FLOAT_EQ(settings().transBrow, 0.71f);
}

TEST_F(PageRenderTest, ColourDialogAppliesOnlyWhenAccepted) {
    settings().bgColor = QColor(10, 20, 30);
    PageRender page;
    EXPECT_EQ(page.bgColorButton()->color(), QColor(10, 20, 30));
    page.bgColorButton()->click();
    auto* dialog = page.findChild<QColorDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->currentColor(), QColor(10, 20, 30));
    dialog->reject();
    mnx::test::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(settings().bgColor, QColor(10, 20, 30));
    EXPECT_EQ(page.findChild<QColorDialog*>(), nullptr);

    page.bgColorButton()->click();  // a second dialog opens once the first is gone
    dialog = page.findChild<QColorDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->setCurrentColor(QColor(200, 100, 50));
    dialog->accept();
    EXPECT_EQ(settings().bgColor.rgb(), QColor(200, 100, 50).rgb());
    EXPECT_EQ(page.bgColorButton()->color().rgb(), QColor(200, 100, 50).rgb());
}

}  // namespace

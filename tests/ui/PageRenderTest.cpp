#include "ui/PageRender.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QEvent>

#include "ui/FluentColorButton.h"
#include "ui/FluentSlider.h"
#include "ui/FluentToggleButton.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

class PageRenderTest : public UiTest {};

TEST_F(PageRenderTest, EdgeWidthWritesTenthsAndShowsTruncatedTenths) {
    settings().edgeMul = 1.26f;
    PageRender page;
    EXPECT_EQ(page.edgeMulSlider()->value(), 12);
    EXPECT_EQ(page.edgeMulSlider()->defaultValue(), 10);
    page.edgeMulSlider()->slider()->setValue(25);
    EXPECT_FLOAT_EQ(settings().edgeMul, 2.5f);
    EXPECT_FLOAT_EQ(settings().edgeBrightness, 0.0f);  // untouched
}

TEST_F(PageRenderTest, SlidersShowAndWriteHundredths) {
    settings().edgeBrightness = -0.37f;
    settings().transBrow = 0.29f;
    PageRender page;
    EXPECT_EQ(page.edgeBrightnessSlider()->value(), -37);
    EXPECT_EQ(page.transBrowSlider()->value(), 29);
    EXPECT_EQ(page.transBrowSlider()->defaultValue(), 50);
    page.edgeBrightnessSlider()->slider()->setValue(-100);
    page.transBrowSlider()->slider()->setValue(71);
    EXPECT_FLOAT_EQ(settings().edgeBrightness, -1.0f);
    EXPECT_FLOAT_EQ(settings().transBrow, 0.71f);
}

TEST_F(PageRenderTest, AccessoryToggleWritesRenderAcc) {
    settings().renderAcc = true;
    PageRender page;
    EXPECT_TRUE(page.renderAccButton()->isChecked());
    page.renderAccButton()->click();
    EXPECT_FALSE(settings().renderAcc);
}

TEST_F(PageRenderTest, ColourDialogAppliesOnlyWhenAccepted) {
    settings().bgColor = QColor(10, 20, 30);
    PageRender page;
    EXPECT_EQ(page.bgColorButton()->color(), QColor(10, 20, 30));
    page.bgColorButton()->click();
    ASSERT_NE(page.colorDialog(), nullptr);
    EXPECT_EQ(page.colorDialog()->currentColor(), QColor(10, 20, 30));
    EXPECT_DOUBLE_EQ(page.colorDialog()->font().pointSizeF(), 7.0);
    page.colorDialog()->reject();
    mnx::test::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(settings().bgColor, QColor(10, 20, 30));
    EXPECT_EQ(page.colorDialog(), nullptr);

    page.bgColorButton()->click();
    ASSERT_NE(page.colorDialog(), nullptr);
    page.colorDialog()->setCurrentColor(QColor(200, 100, 50));
    page.colorDialog()->accept();
    EXPECT_EQ(settings().bgColor.rgb(), QColor(200, 100, 50).rgb());
    EXPECT_EQ(page.bgColorButton()->color().rgb(), QColor(200, 100, 50).rgb());
}

}  // namespace

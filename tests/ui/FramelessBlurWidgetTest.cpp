#include <QWidget>

#include "ui/FramelessBlurWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::processEvents;
using mnx::test::UiTest;

class FramelessBlurWidgetTest : public UiTest {};

struct HitCase {
    QPoint point;
    FramelessBlurWidget::HitArea area;
};

class FramelessBlurWidgetHitTest : public UiTest, public ::testing::WithParamInterface<HitCase> {};

// A resizable window: 6 px borders, corners where both directions resize, the 30 px strip drags.
TEST_P(FramelessBlurWidgetHitTest, BordersCornersAndCaption) {
    FramelessBlurWidget window;
    window.resize(200, 100);
    window.show();
    processEvents();
    const QPoint origin = window.frameGeometry().topLeft();
    EXPECT_EQ(window.hitTest(origin + GetParam().point), GetParam().area);
}

INSTANTIATE_TEST_SUITE_P(Points, FramelessBlurWidgetHitTest,
                         ::testing::Values(HitCase{{2, 50}, FramelessBlurWidget::Left},
                                           HitCase{{100, 2}, FramelessBlurWidget::Top},
                                           HitCase{{2, 2}, FramelessBlurWidget::TopLeft},
                                           HitCase{{197, 97}, FramelessBlurWidget::BottomRight},
                                           HitCase{{100, 20}, FramelessBlurWidget::Caption},
                                           HitCase{{100, 31}, FramelessBlurWidget::Client}));

TEST_F(FramelessBlurWidgetTest, FixedWidthHasNoSideBordersAndListedChildrenStayClickable) {
    FramelessBlurWidget window;
    window.setFixedWidth(200);
    window.resize(200, 100);
    auto* button = new QWidget(&window);
    button->setGeometry(150, 5, 40, 20);
    window.addIgnoreWidget(button);
    window.show();
    processEvents();
    const QPoint origin = window.frameGeometry().topLeft();
    EXPECT_EQ(window.hitTest(origin + QPoint(2, 50)), FramelessBlurWidget::Client);
    EXPECT_EQ(window.hitTest(origin + QPoint(2, 2)), FramelessBlurWidget::Top);
    EXPECT_EQ(window.hitTest(origin + QPoint(160, 10)), FramelessBlurWidget::Client);
    EXPECT_EQ(window.hitTest(origin + QPoint(100, 10)), FramelessBlurWidget::Caption);
}

TEST_F(FramelessBlurWidgetTest, TitleBarPointerClearsWhenItsWidgetGoes) {
    FramelessBlurWidget window;
    auto* bar = new QWidget(&window);
    window.setTitleBar(bar);
    EXPECT_EQ(window.titleBar(), bar);
    delete bar;
    EXPECT_EQ(window.titleBar(), nullptr);
}

}  // namespace

#include <QSignalSpy>

#include "ui/SlidingStackedWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::finishAnimations;
using mnx::test::UiTest;

class SlidingStackedWidgetTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        stack = std::make_unique<SlidingStackedWidget>();
        for (int i = 0; i < 3; ++i) stack->addWidget(new QWidget);
        stack->resize(160, 200);
        stack->show();
    }
    std::unique_ptr<SlidingStackedWidget> stack;
};

struct SlideCase {
    SlidingStackedWidget::slideOption mode;
    int from;
    int to;
    int side;  // where the incoming page starts: +1 right, -1 left
};

class SlidingStackedWidgetSlideTest : public SlidingStackedWidgetTest,
                                      public ::testing::WithParamInterface<SlideCase> {};

// The incoming page starts off to the side it comes from, and the slide ends with it in place and current.
TEST_P(SlidingStackedWidgetSlideTest, IncomingPageComesFromItsSideAndEndsInPlace) {
    const SlideCase c = GetParam();
    stack->QStackedWidget::setCurrentIndex(c.from);
    QSignalSpy finished(stack.get(), &SlidingStackedWidget::animationFinished);
    stack->slideInIdx(c.to, c.mode);
    EXPECT_EQ(stack->currentIndex(), c.from);
    EXPECT_EQ(stack->widget(c.to)->x() > 0 ? 1 : -1, c.side) << stack->widget(c.to)->x();
    EXPECT_EQ(stack->widget(c.to)->y(), 0);
    finishAnimations(stack.get());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(stack->currentIndex(), c.to);
    EXPECT_TRUE(stack->widget(c.from)->isHidden());
    EXPECT_EQ(stack->widget(c.from)->pos(), QPoint(0, 0));
    EXPECT_EQ(stack->widget(c.to)->pos(), QPoint(0, 0));
    EXPECT_EQ(stack->widget(c.to)->graphicsEffect(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Modes, SlidingStackedWidgetSlideTest,
                         ::testing::Values(SlideCase{SlidingStackedWidget::RightToLeft, 0, 1, 1},
                                           SlideCase{SlidingStackedWidget::LeftToRight, 1, 0, -1},
                                           SlideCase{SlidingStackedWidget::Automatic, 0, 2, 1},
                                           SlideCase{SlidingStackedWidget::Automatic, 2, 1, -1},
                                           SlideCase{SlidingStackedWidget::LeftToRight, 0, 2, -1}));

TEST_F(SlidingStackedWidgetTest, NewSlideFinishesTheRunningOneFirst) {
    QSignalSpy finished(stack.get(), &SlidingStackedWidget::animationFinished);
    stack->setCurrentIndex(1);
    stack->setCurrentIndex(2);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(stack->currentIndex(), 1);
    EXPECT_TRUE(stack->widget(0)->isHidden());
    finishAnimations(stack.get());
    EXPECT_EQ(stack->currentIndex(), 2);
    EXPECT_EQ(finished.count(), 2);
}

}  // namespace

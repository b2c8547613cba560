#include "ui/SlidingStackedWidget.h"

#include <QGraphicsOpacityEffect>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QSignalSpy>

#include "ui/UiTestSupport.h"

namespace {

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
    QPropertyAnimation* moveAnimation() {
        for (int i = 0; i < stack->animationGroup()->animationCount(); ++i) {
            auto* a = qobject_cast<QPropertyAnimation*>(stack->animationGroup()->animationAt(i));
            if (a && a->propertyName() == "pos") return a;
        }
        return nullptr;
    }
    std::unique_ptr<SlidingStackedWidget> stack;
};

TEST_F(SlidingStackedWidgetTest, Defaults) {
    EXPECT_EQ(stack->animationSpeed(), 350);
    EXPECT_EQ(stack->animationCurve(), QEasingCurve::OutExpo);
    EXPECT_EQ(static_cast<int>(stack->animationCurve()), 22);
    EXPECT_EQ(stack->slideOrientation(), Qt::Horizontal);
    EXPECT_TRUE(stack->isWrap());
    EXPECT_EQ(stack->option(), SlidingStackedWidget::Automatic);
}

struct SlideCase {
    SlidingStackedWidget::slideOption mode;
    int from;
    int to;
    int startX;  // of the incoming page, in eighths of the width
};

class SlidingStackedWidgetSlideTest : public SlidingStackedWidgetTest,
                                      public ::testing::WithParamInterface<SlideCase> {};

// The incoming page starts one eighth of the width off to the side it comes from and glides to 0.
TEST_P(SlidingStackedWidgetSlideTest, IncomingPageGlidesInByAnEighth) {
    const SlideCase c = GetParam();
    stack->QStackedWidget::setCurrentIndex(c.from);
    QSignalSpy finished(stack.get(), &SlidingStackedWidget::animationFinished);
    stack->slideInIdx(c.to, c.mode);
    EXPECT_TRUE(stack->isAnimating());
    EXPECT_EQ(stack->currentIndex(), c.from);
    QPropertyAnimation* move = moveAnimation();
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->duration(), 350);
    EXPECT_EQ(move->easingCurve().type(), QEasingCurve::OutExpo);
    const int w = stack->frameRect().width();
    EXPECT_EQ(move->startValue().toPoint(), QPoint(c.startX * w / 8, 0));
    EXPECT_EQ(move->endValue().toPoint(), QPoint(0, 0));
    auto* outgoing = qobject_cast<QGraphicsOpacityEffect*>(stack->widget(c.from)->graphicsEffect());
    auto* incoming = qobject_cast<QGraphicsOpacityEffect*>(stack->widget(c.to)->graphicsEffect());
    ASSERT_TRUE(outgoing && incoming);
    mnx::test::setAnimationTime(stack->animationGroup(), 350);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(stack->currentIndex(), c.to);
    EXPECT_TRUE(stack->widget(c.from)->isHidden());
    EXPECT_EQ(stack->widget(c.from)->pos(), QPoint(0, 0));
    EXPECT_EQ(stack->widget(c.to)->pos(), QPoint(0, 0));
    EXPECT_EQ(stack->widget(c.to)->graphicsEffect(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SlidingStackedWidgetSlideTest,
    ::testing::Values(SlideCase{SlidingStackedWidget::RightToLeft, 0, 1, 1},
                      SlideCase{SlidingStackedWidget::LeftToRight, 1, 0, -1},
                      SlideCase{SlidingStackedWidget::Automatic, 0, 2, 1},
                      SlideCase{SlidingStackedWidget::Automatic, 2, 1, -1},
                      SlideCase{SlidingStackedWidget::LeftToRight, 0, 2, -1}));

TEST_F(SlidingStackedWidgetTest, FadeOnlyDoesNotMoveAndZeroDurationSwitchesAtOnce) {
    stack->setOption(SlidingStackedWidget::FadeOnly);
    stack->setAnimationSpeed(0);
    QSignalSpy finished(stack.get(), &SlidingStackedWidget::animationFinished);
    stack->setCurrentIndex(2);
    EXPECT_EQ(stack->currentIndex(), 2);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(stack->widget(2)->pos(), QPoint(0, 0));
    EXPECT_FALSE(stack->isAnimating());
}

TEST_F(SlidingStackedWidgetTest, FadeOnlyFadesTheIncomingPageTo099) {
    stack->setOption(SlidingStackedWidget::FadeOnly);
    stack->setCurrentIndex(1);
    EXPECT_EQ(moveAnimation(), nullptr);
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(stack->widget(1)->graphicsEffect());
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(stack->widget(0)->graphicsEffect(), nullptr);
    mnx::test::setAnimationTime(stack->animationGroup(), 0);
    EXPECT_DOUBLE_EQ(effect->opacity(), 0.0);
    mnx::test::setAnimationTime(stack->animationGroup(), 349);
    EXPECT_NEAR(effect->opacity(), 0.99, 0.01);
}

TEST_F(SlidingStackedWidgetTest, NewSlideFinishesTheRunningOneFirst) {
    QSignalSpy finished(stack.get(), &SlidingStackedWidget::animationFinished);
    stack->setCurrentIndex(1);
    stack->setCurrentIndex(2);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(stack->currentIndex(), 1);
    EXPECT_EQ(stack->targetIndex(), 2);
    EXPECT_TRUE(stack->widget(0)->isHidden());
    mnx::test::setAnimationTime(stack->animationGroup(), 350);
    EXPECT_EQ(stack->currentIndex(), 2);
    EXPECT_EQ(finished.count(), 2);
}

TEST_F(SlidingStackedWidgetTest, SameIndexDoesNothingAndOutOfRangeWraps) {
    QSignalSpy starts(stack.get(), &SlidingStackedWidget::startChanging);
    stack->setCurrentIndex(0);
    EXPECT_EQ(starts.count(), 0);
    EXPECT_FALSE(stack->isAnimating());
    stack->slideInPrev();  // -1 wraps to the last page, moving left to right
    ASSERT_EQ(starts.count(), 1);
    EXPECT_EQ(starts[0][0].toInt(), 2);
    EXPECT_EQ(moveAnimation()->startValue().toPoint().x(), -stack->frameRect().width() / 8);
    mnx::test::setAnimationTime(stack->animationGroup(), 350);
    stack->slideInNext();  // 3 wraps to 0, right to left
    EXPECT_EQ(stack->targetIndex(), 0);
    EXPECT_EQ(moveAnimation()->startValue().toPoint().x(), stack->frameRect().width() / 8);
    mnx::test::setAnimationTime(stack->animationGroup(), 350);
    stack->setWrap(false);
    stack->slideInPrev();
    EXPECT_FALSE(stack->isAnimating());
    EXPECT_EQ(stack->currentIndex(), 0);
}

}  // namespace

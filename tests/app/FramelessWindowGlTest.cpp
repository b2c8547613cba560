// Both frameless windows (the GL main window and the blurred control window) follow one set of rules: borders
// resize only in the directions the window can change size, listed children inside a title-bar widget still drag
// the window, and full screen from maximised is full screen (not a maximise toggle).
#include <gtest/gtest.h>

#include <QTest>

#include "app/FramelessGLWidget.h"
#include "ui/FramelessBlurWidget.h"

namespace {

// One window of either kind, reached through the same calls.
template <typename Window>
class FramelessWindowTest : public testing::Test {
protected:
    FramelessWindowTest() { window.setWindowOpacity(1.0); }
    Window window;
};

using Windows = testing::Types<FramelessGLWidget, FramelessBlurWidget>;
TYPED_TEST_SUITE(FramelessWindowTest, Windows);

TYPED_TEST(FramelessWindowTest, FixedSizeWindowHasNoResizeBorder) {
    auto& w = this->window;
    w.setFixedSize(300, 200);
    w.move(100, 100);
    const QPoint origin = w.frameGeometry().topLeft();
    EXPECT_EQ(w.hitTest(origin + QPoint(1, 100)), FramelessHitArea::Client);
    EXPECT_EQ(w.hitTest(origin + QPoint(299, 100)), FramelessHitArea::Client);
    EXPECT_EQ(w.hitTest(origin + QPoint(150, 199)), FramelessHitArea::Client);
    w.setMinimumSize(100, 100);
    w.setMaximumSize(1000, 1000);
    EXPECT_EQ(w.hitTest(origin + QPoint(1, 100)), FramelessHitArea::Left);
    EXPECT_EQ(w.hitTest(origin + QPoint(150, 199)), FramelessHitArea::Bottom);
}

TYPED_TEST(FramelessWindowTest, ListedChildOfTheTitleBarWidgetDragsTheWindow) {
    auto& w = this->window;
    w.resize(300, 200);
    w.move(100, 100);
    auto* bar = new QWidget(&w);
    bar->setGeometry(20, 60, 260, 40);
    auto* label = new QWidget(bar);
    label->setGeometry(10, 10, 60, 20);
    auto* button = new QWidget(bar);
    button->setGeometry(100, 10, 60, 20);
    w.setTitleBar(bar);
    w.addIgnoreWidget(label);
    const QPoint origin = w.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(w.hitTest(origin + QPoint(25, 65)), FramelessHitArea::Caption) << "empty part of the bar";
    EXPECT_EQ(w.hitTest(origin + QPoint(40, 80)), FramelessHitArea::Caption) << "listed child";
    EXPECT_EQ(w.hitTest(origin + QPoint(130, 80)), FramelessHitArea::Client) << "unlisted child stays clickable";
    EXPECT_EQ(w.hitTest(origin + QPoint(150, 150)), FramelessHitArea::Client);
}

TYPED_TEST(FramelessWindowTest, FullScreenFromMaximisedIsFullScreen) {
    auto& w = this->window;
    w.resize(300, 200);
    w.showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.showFullScreen();
    QTest::qWait(50);
    EXPECT_TRUE(w.isFullScreen());
    EXPECT_FALSE(w.isMaximized());
}

}  // namespace

// Both frameless windows (the GL main window and the blurred control window) follow one set of rules: borders
// resize only in the directions the window can change size, listed children inside a title-bar widget still drag
// the window, and full screen from maximised is full screen (not a maximise toggle).
#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <memory>

#include "app/FramelessGLWidget.h"
#include "app/base/DpiScale.h"
#include "ui/FramelessBlurWidget.h"

namespace {

// One window of either kind, reached through the same calls.
struct Frameless {
    std::unique_ptr<QWidget> window;
    std::function<FramelessHitArea::HitArea(const QPoint&)> hitTest;
    std::function<void(QWidget*)> setTitleBar;
    std::function<void(QWidget*)> addIgnoreWidget;
    std::function<void()> showFullScreen;
    int border;
};

enum class Kind { GLWindow, BlurWindow };

Frameless make(Kind kind) {
    Frameless f;
    if (kind == Kind::GLWindow) {
        auto* w = new FramelessGLWidget;
        f.window.reset(w);
        f.hitTest = [w](const QPoint& p) { return w->hitTest(p); };
        f.setTitleBar = [w](QWidget* bar) { w->setTitleBar(bar); };
        f.addIgnoreWidget = [w](QWidget* child) { w->addIgnoreWidget(child); };
        f.showFullScreen = [w] { w->showFullScreen(); };
        f.border = dpiScaled(8);
    } else {
        auto* w = new FramelessBlurWidget;
        f.window.reset(w);
        f.hitTest = [w](const QPoint& p) { return w->hitTest(p); };
        f.setTitleBar = [w](QWidget* bar) { w->setTitleBar(bar); };
        f.addIgnoreWidget = [w](QWidget* child) { w->addIgnoreWidget(child); };
        f.showFullScreen = [w] { w->showFullScreen(); };
        f.border = 6;
    }
    f.window->setWindowOpacity(1.0);
    return f;
}

class FramelessWindowTest : public testing::TestWithParam<Kind> {};

TEST_P(FramelessWindowTest, FixedSizeWindowHasNoResizeBorder) {
    Frameless f = make(GetParam());
    f.window->setFixedSize(300, 200);
    f.window->move(100, 100);
    const QPoint origin = f.window->frameGeometry().topLeft();
    EXPECT_EQ(f.hitTest(origin + QPoint(1, 100)), FramelessHitArea::Client);
    EXPECT_EQ(f.hitTest(origin + QPoint(299, 100)), FramelessHitArea::Client);
    EXPECT_EQ(f.hitTest(origin + QPoint(150, 199)), FramelessHitArea::Client);
    f.window->setMinimumSize(100, 100);
    f.window->setMaximumSize(1000, 1000);
    EXPECT_EQ(f.hitTest(origin + QPoint(1, 100)), FramelessHitArea::Left);
    EXPECT_EQ(f.hitTest(origin + QPoint(150, 199)), FramelessHitArea::Bottom);
}

TEST_P(FramelessWindowTest, ListedChildOfTheTitleBarWidgetDragsTheWindow) {
    Frameless f = make(GetParam());
    f.window->resize(300, 200);
    f.window->move(100, 100);
    auto* bar = new QWidget(f.window.get());
    bar->setGeometry(20, 60, 260, 40);
    auto* label = new QWidget(bar);
    label->setGeometry(10, 10, 60, 20);
    auto* button = new QWidget(bar);
    button->setGeometry(100, 10, 60, 20);
    f.setTitleBar(bar);
    f.addIgnoreWidget(label);
    const QPoint origin = f.window->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(f.hitTest(origin + QPoint(25, 65)), FramelessHitArea::Caption) << "empty part of the bar";
    EXPECT_EQ(f.hitTest(origin + QPoint(40, 80)), FramelessHitArea::Caption) << "listed child";
    EXPECT_EQ(f.hitTest(origin + QPoint(130, 80)), FramelessHitArea::Client) << "unlisted child stays clickable";
    EXPECT_EQ(f.hitTest(origin + QPoint(150, 150)), FramelessHitArea::Client);
}

TEST_P(FramelessWindowTest, FullScreenFromMaximisedIsFullScreen) {
    Frameless f = make(GetParam());
    f.window->resize(300, 200);
    f.window->showMaximized();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));
    f.showFullScreen();
    QTest::qWait(50);
    EXPECT_TRUE(f.window->isFullScreen());
    EXPECT_FALSE(f.window->isMaximized());
}

INSTANTIATE_TEST_SUITE_P(Windows, FramelessWindowTest, testing::Values(Kind::GLWindow, Kind::BlurWindow),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return std::string(info.param == Kind::GLWindow ? "GLWindow" : "BlurWindow");
                         });

}  // namespace

#include <QCloseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "app/base/DpiScale.h"
#include "app/base/SolutionSignals.h"
#include "ui/FakeSolution.h"
#include "ui/FluentIconButton.h"
#include "ui/FluentLabel.h"
#include "ui/FluentTitleLabel.h"
#include "ui/KyControlWidget.h"
#include "ui/KyMainWidget.h"
#include "ui/KyMessageWidget.h"
#include "ui/KySettingWidget.h"
#include "ui/KySideBarWidget.h"
#include "ui/SlidingStackedWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::FakeMainWindow;
using mnx::test::FakeSolution;
using mnx::test::finishAnimations;
using mnx::test::processEvents;
using mnx::test::UiTest;

const QString kBack = QStringLiteral("< 戻る");

class KyControlWidgetTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        setSolutionSignals(&solution);
        main = std::make_unique<FakeMainWindow>();
        control = new KyControlWidget(main.get());
        main->show();
        control->show();
        processEvents();
    }
    void TearDown() override {
        main.reset();
        setSolutionSignals(nullptr);
        UiTest::TearDown();
    }
    KyMainWidget* host() { return control->mainWidget(); }
    void pressSideButton(int index) { QTest::mouseClick(control->sideBar()->button(index), Qt::LeftButton); }

    FakeSolution solution;
    std::unique_ptr<FakeMainWindow> main;
    KyControlWidget* control = nullptr;  // child of main
};

// Its own frameless, see-through window that goes with the main window.
// The top strip drags the window; the control window has no resize borders.
TEST_F(KyControlWidgetTest, HitTestDragsByTheTopStripOnly) {
    const QPoint origin = control->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(control->hitTest(origin + QPoint(100, 2)), FramelessBlurWidget::Caption);
    EXPECT_EQ(control->hitTest(origin + QPoint(100, dpiScaled(24) - 1)), FramelessBlurWidget::Caption);
    EXPECT_EQ(control->hitTest(origin + QPoint(100, dpiScaled(24))), FramelessBlurWidget::Client);
    EXPECT_EQ(control->hitTest(origin + QPoint(1, 150)), FramelessBlurWidget::Client);
    EXPECT_EQ(control->hitTest(origin + QPoint(control->width() - 1, control->height() - 1)),
              FramelessBlurWidget::Client);
}

TEST_F(KyControlWidgetTest, SideBarSwitchesTopPagesAtOnceAndTheTitleFollows) {
    SlidingStackedWidget* stack = host()->stack();
    const QStringList titles = {QStringLiteral(" "), QStringLiteral("キャプチャー"), QStringLiteral("設定"),
                                QStringLiteral("情報")};
    for (int i : {1, 2, 3, 0, 2}) {
        pressSideButton(i);
        EXPECT_EQ(stack->currentIndex(), i);
        EXPECT_EQ(host()->titleLabel()->text(), titles[i]);
        EXPECT_EQ(host()->titleLabel()->backText(), QString());
        EXPECT_EQ(control->sideBar()->selectedIndex(), i);
        for (int b = 0; b < 4; ++b) EXPECT_EQ(control->sideBar()->button(b)->isSelected(), b == i);
    }
}

TEST_F(KyControlWidgetTest, SubPageSlidesInAndBackspaceSlidesBack) {
    pressSideButton(2);
    KySettingWidget* page = host()->settingPage();
    SlidingStackedWidget* sub = page->stack();
    page->renderRow()->click();
    EXPECT_EQ(sub->targetIndex(), KySettingWidget::Render);
    finishAnimations(sub);
    EXPECT_EQ(sub->currentIndex(), KySettingWidget::Render);
    EXPECT_TRUE(page->subPageShown());
    EXPECT_EQ(host()->titleLabel()->text(), QStringLiteral("3D表示設定"));
    EXPECT_EQ(host()->titleLabel()->backText(), kBack);

    QTest::keyClick(control, Qt::Key_Backspace);
    EXPECT_EQ(sub->targetIndex(), KySettingWidget::Menu);
    // The menu comes in from the left: it starts one eighth of the width to the left.
    EXPECT_LT(sub->widget(KySettingWidget::Menu)->x(), 0);
    finishAnimations(sub);
    EXPECT_EQ(sub->currentIndex(), KySettingWidget::Menu);
    EXPECT_FALSE(page->subPageShown());
    EXPECT_EQ(host()->titleLabel()->text(), QStringLiteral("設定"));
    EXPECT_EQ(host()->titleLabel()->backText(), QString());
}

TEST_F(KyControlWidgetTest, PowerButtonClosesTheMainWindow) {
    pressSideButton(2);
    QSignalSpy clicks(control->sideBar(), &KySideBarWidget::sysButtonClicked);
    pressSideButton(4);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), -1);
    EXPECT_EQ(main->closes, 1);
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(control->isVisible());
    EXPECT_EQ(control->sideBar()->selectedIndex(), 2);
}

TEST_F(KyControlWidgetTest, WindowManagerCloseRequestIsIgnored) {
    ASSERT_NE(control->windowHandle(), nullptr);
    EXPECT_FALSE(control->windowHandle()->close());
    processEvents();
    EXPECT_TRUE(control->isVisible());
    EXPECT_EQ(main->closes, 0);
}

struct KeyCase {
    QKeySequence keys;
    int FakeMainWindow::*mainCounter;
    int FakeSolution::*solutionCounter;
};

class KyControlWidgetKeyTest : public KyControlWidgetTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KyControlWidgetKeyTest, KeysReachTheMainWindowAndTheOrchestrator) {
    const KeyCase c = GetParam();
    control->activateWindow();
    QTest::keySequence(control, c.keys);
    if (c.mainCounter) {
        EXPECT_EQ(main.get()->*c.mainCounter, 1);
    }
    if (c.solutionCounter) {
        EXPECT_EQ(solution.*c.solutionCounter, 1);
    }
    const int total = main->right + main->left + main->up + main->down + main->front + main->back +
                      solution.longPresses + solution.presses;
    EXPECT_EQ(total, 1);
}

QStringList* g_warnings = nullptr;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg && g_warnings != nullptr) g_warnings->append(text);
}

// The keys reach the main window by slot name (its class lies above this layer): a name that does not resolve
// must be reported, not leave the key silently dead.
TEST_F(KyControlWidgetTest, AKeySlotThatDoesNotResolveIsLogged) {
    QStringList warnings;
    g_warnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    {
        QWidget plain;  // none of the main window's camera slots
        new KyControlWidget(&plain);
    }
    qInstallMessageHandler(previous);
    g_warnings = nullptr;
    EXPECT_TRUE(warnings.filter(QStringLiteral("onCamRight() does not resolve")).size() == 1)
        << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings.filter(QStringLiteral("onGlobalMenuR_Pressed()")).isEmpty()) << "the orchestrator resolves";
}

INSTANTIATE_TEST_SUITE_P(Keys, KyControlWidgetKeyTest,
                         ::testing::Values(KeyCase{QKeySequence(Qt::Key_D), &FakeMainWindow::right, nullptr},
                                           KeyCase{QKeySequence(Qt::Key_A), &FakeMainWindow::left, nullptr},
                                           KeyCase{QKeySequence(Qt::Key_W), &FakeMainWindow::up, nullptr},
                                           KeyCase{QKeySequence(Qt::Key_S), &FakeMainWindow::down, nullptr},
                                           KeyCase{QKeySequence(Qt::SHIFT + Qt::Key_W), &FakeMainWindow::front,
                                                   nullptr},
                                           KeyCase{QKeySequence(Qt::SHIFT + Qt::Key_S), &FakeMainWindow::back, nullptr},
                                           KeyCase{QKeySequence(Qt::Key_F5), nullptr, &FakeSolution::longPresses},
                                           KeyCase{QKeySequence(Qt::Key_F10), nullptr, &FakeSolution::presses}));

}  // namespace

#include <QTest>

#include "app/base/SolutionSignals.h"
#include "ui/FakeSolution.h"
#include "ui/FluentToggleButton.h"
#include "ui/KyFaceCaptureWidget.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::FakeSolution;
using mnx::test::UiTest;

class KyFaceCaptureWidgetTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        setSolutionSignals(&solution);
        page = std::make_unique<KyFaceCaptureWidget>();
        page->resize(200, 260);
        page->show();
    }
    void TearDown() override {
        page.reset();
        setSolutionSignals(nullptr);
        UiTest::TearDown();
    }
    FakeSolution solution;
    std::unique_ptr<KyFaceCaptureWidget> page;
};

TEST_F(KyFaceCaptureWidgetTest, ToggleStartsAndStopsCapture) {
    QTest::mouseClick(page->captureButton(), Qt::LeftButton);
    EXPECT_EQ(solution.runs, 1);
    EXPECT_EQ(solution.quits, 0);
    emit solution.captured(true);  // the orchestrator confirms: no second start
    EXPECT_EQ(solution.runs, 1);
    QTest::mouseClick(page->captureButton(), Qt::LeftButton);
    EXPECT_EQ(solution.quits, 1);
    emit solution.captured(false);
    emit solution.captured(false);  // a user stop is reported twice
    EXPECT_EQ(solution.quits, 1);
    EXPECT_FALSE(page->captureButton()->isChecked());
}

TEST_F(KyFaceCaptureWidgetTest, CaptureThatEndsByItselfSwitchesTheToggleOff) {
    QTest::mouseClick(page->captureButton(), Qt::LeftButton);
    ASSERT_TRUE(page->captureButton()->isChecked());
    emit solution.captured(false);  // time-out or lost phone
    EXPECT_FALSE(page->captureButton()->isChecked());
    EXPECT_EQ(solution.quits, 1);
}

TEST_F(KyFaceCaptureWidgetTest, CaptureStartedElsewhereSwitchesTheToggleOn) {
    emit solution.captured(true);  // F5 while stopped
    EXPECT_TRUE(page->captureButton()->isChecked());
    EXPECT_EQ(solution.runs, 1);
}

TEST_F(KyFaceCaptureWidgetTest, LookForwardRowReachesTheOrchestrator) {
    QTest::mouseClick(page->lookForwardButton(), Qt::LeftButton);
    EXPECT_EQ(solution.lookForwards, 1);
}

}  // namespace

#include <QSignalSpy>
#include <QTest>

#include "app/base/VrStatus.h"
#include "ui/FluentCheckButton.h"
#include "ui/FluentLineEdit.h"
#include "ui/FluentListView.h"
#include "ui/FluentSlider.h"
#include "ui/FluentToggleButton.h"
#include "ui/KyDeviceSerialGroup.h"
#include "ui/KySettingWidget.h"
#include "ui/SlidingStackedWidget.h"
#include "ui/UiTestSupport.h"
#include "ui/iLineEdit.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::finishAnimations;
using mnx::test::UiTest;

class KySettingWidgetTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        settings().modelPaths =
            QStringList{QStringLiteral("/r/model/a/Alice.pmx"), QStringLiteral("/r/model/b/Bob.v2.pmx"),
                        QStringLiteral("/r/model/c/Carol.pmx")};
        settings().pmxName = settings().modelPaths[1];
        settings().modelName = QStringLiteral("Bob.v2");
        settings().bodyMoveMul = Vector3{0.3f, 0.4f, 0.5f};
        settings().morphSensitivity = 1;
        settings().mirror = false;
        settings().camAddress = QStringLiteral("10.0.0.7");
    }
    std::unique_ptr<KySettingWidget> make() {
        auto page = std::make_unique<KySettingWidget>();
        page->resize(200, 300);
        return page;
    }
};

TEST_F(KySettingWidgetTest, MenuShowsTheStore) {
    auto page = make();
    EXPECT_EQ(page->modelList()->items(), QStringList({"Alice", "Bob.v2", "Carol"}));
    EXPECT_EQ(page->modelList()->currentIndex(), 1);
    EXPECT_EQ(page->networkEdit()->text(), QStringLiteral("10.0.0.7"));
    EXPECT_FALSE(page->mirrorButton()->isChecked());
    EXPECT_EQ(page->morphSenseSlider()->value(), 1);
    EXPECT_EQ(page->bodyMoveMulSlider()->value(), 30);
}

TEST_F(KySettingWidgetTest, ChoosingAnotherModelChangesOnlyPmxName) {
    auto page = make();
    QSignalSpy loaded(&settings(), &KySettings::modelLoaded);
    const QStringList pathsBefore = settings().modelPaths;
    page->modelList()->item(2)->click();
    EXPECT_EQ(settings().pmxName, QStringLiteral("/r/model/c/Carol.pmx"));
    EXPECT_EQ(settings().modelName, QStringLiteral("Bob.v2"));
    EXPECT_EQ(settings().modelPaths, pathsBefore);
    EXPECT_EQ(settings().poseSet, QStringLiteral("default"));
    EXPECT_EQ(loaded.count(), 0);
}

TEST_F(KySettingWidgetTest, NetworkRowStoresTheAddressWhenEditingFinishes) {
    auto page = make();
    page->show();
    iLineEdit* edit = page->networkEdit()->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("192.168.1.20"));
    EXPECT_EQ(settings().camAddress, QStringLiteral("10.0.0.7"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(settings().camAddress, QStringLiteral("192.168.1.20"));
}

TEST_F(KySettingWidgetTest, MirrorEmitsModelLRChangedOncePerClick) {
    auto page = make();
    page->show();
    QSignalSpy lr(&settings(), &KySettings::modelLRChanged);
    QTest::mouseClick(page->mirrorButton(), Qt::LeftButton);
    EXPECT_EQ(lr.count(), 1);
    EXPECT_TRUE(settings().mirror);
    QTest::mouseClick(page->mirrorButton(), Qt::LeftButton);
    EXPECT_EQ(lr.count(), 2);
    EXPECT_FALSE(settings().mirror);
    page->mirrorButton()->setChecked(true);  // code, not a click
    EXPECT_EQ(lr.count(), 2);
}

class KySettingWidgetSenseTest : public KySettingWidgetTest,
                                 public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(KySettingWidgetSenseTest, OverallSensitivityClampsAndNotifies) {
    auto page = make();
    QSignalSpy sense(&settings(), &KySettings::modelSenceChanged);
    emit page->morphSenseSlider()->valueChanged(GetParam().first);
    EXPECT_EQ(settings().morphSensitivity, GetParam().second);
    EXPECT_EQ(sense.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Values, KySettingWidgetSenseTest,
                         ::testing::Values(std::make_pair(-5, -2), std::make_pair(1, 1), std::make_pair(9, 2)));

TEST_F(KySettingWidgetTest, RowsOpenTheirSubPagesFromTheRight) {
    auto page = make();
    page->show();
    QSignalSpy changed(page.get(), &KySettingWidget::emitPageChanged);
    for (int target : {KySettingWidget::Render, KySettingWidget::Personal}) {
        FluentLabel* row = target == KySettingWidget::Render ? page->renderRow() : page->personalRow();
        row->click();
        EXPECT_EQ(page->stack()->targetIndex(), target);
        const QWidget* incoming = page->stack()->widget(target);
        EXPECT_GT(incoming->x(), 0);  // comes in from the right
        finishAnimations(page->stack());
        EXPECT_TRUE(page->subPageShown());
        EXPECT_FALSE(page->accessibleName().isEmpty());
        page->back();
        finishAnimations(page->stack());
        EXPECT_FALSE(page->subPageShown());
        EXPECT_EQ(page->accessibleName(), QString());
    }
    EXPECT_EQ(changed.count(), 4);
}

TEST_F(KySettingWidgetTest, DeviceSerialRowsOnlyWhileVrRuns) {
    settings().deviceSerials[3] = QStringLiteral("LHR-0003");
    auto page = make();
    page->show();
    EXPECT_TRUE(page->deviceGroup()->isHidden());
    page->hide();
    setVrRunning(true);
    page->show();
    EXPECT_FALSE(page->deviceGroup()->isHidden());
    EXPECT_EQ(page->deviceGroup()->row(3)->text(), QStringLiteral("LHR-0003"));
    page->deviceGroup()->row(5)->lineEdit()->setText(QStringLiteral(" LHR-0005 "));
    emit page->deviceGroup()->row(5)->lineEdit()->editingFinished();
    EXPECT_EQ(settings().deviceSerials[5], QStringLiteral("LHR-0005"));
    EXPECT_EQ(settings().deviceSerials[3], QStringLiteral("LHR-0003"));
    setVrRunning(false);
}

}  // namespace

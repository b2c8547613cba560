#include <QSignalSpy>
#include <QTest>

#include "app/base/DpiScale.h"
#include "ui/FluentSlider.h"
#include "ui/SliderLabel.h"
#include "ui/UiTestSupport.h"
#include "ui/iSlider.h"

namespace {

using mnx::test::UiTest;

class FluentSliderTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        row = std::make_unique<FluentSlider>(QStringLiteral("上半身移動量"));
        row->setMinimum(0);
        row->setMaximum(100);
        row->resize(220, row->height());
    }
    std::unique_ptr<FluentSlider> row;
};

TEST_F(FluentSliderTest, CodeMovesItSilentlyAndTheUserIsReported) {
    QSignalSpy changes(row.get(), &FluentSlider::valueChanged);
    row->setDefaultValue(50);
    EXPECT_EQ(row->value(), 50);
    row->setValue(120);
    EXPECT_EQ(row->value(), 100);
    EXPECT_EQ(row->slider()->bubble()->text(), QStringLiteral("100"));
    EXPECT_EQ(changes.count(), 0);
    row->slider()->setValue(80);  // as the user's drag does
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].toInt(), 80);
    EXPECT_EQ(row->slider()->bubble()->text(), QStringLiteral("80"));
}

TEST_F(FluentSliderTest, PressOnTheGrooveMovesTheHandleThere) {
    row->show();
    QSignalSpy changes(row.get(), &FluentSlider::valueChanged);
    iSlider* slider = row->slider();
    const int y = slider->height() / 2;
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->grooveRight() + 4, y));
    EXPECT_EQ(row->value(), 100);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->grooveLeft() - 4, y));
    EXPECT_EQ(row->value(), 0);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier,
                      QPoint((slider->grooveLeft() + slider->grooveRight()) / 2, y));
    EXPECT_NEAR(row->value(), 50, 2);
    EXPECT_EQ(changes.count(), 3);
}

TEST_F(FluentSliderTest, SliderSitsAtTheRightAndTheTitleStaysWhole) {
    row->show();
    EXPECT_GE(row->slider()->x(), dpiScaled(74));
    EXPECT_EQ(row->slider()->geometry().right() + 1, row->width() - dpiScaled(7));
    EXPECT_EQ(row->elidedTitle(), row->title());
}

}  // namespace

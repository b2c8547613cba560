#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QTest>

#include "ui/FluentToggleButton.h"
#include "ui/KyStateMachineVariant.h"
#include "ui/UiTestSupport.h"
#include "ui/iToggleButton.h"

namespace {

using mnx::test::processEvents;
using mnx::test::setAnimationTime;
using mnx::test::UiTest;

class FluentToggleButtonTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        button = std::make_unique<FluentToggleButton>(QStringLiteral("左右反転"));
        button->resize(200, button->height());
        button->show();
        processEvents();
        machine = button->findChild<KyStateMachineVariant*>();
        ASSERT_NE(machine, nullptr);
    }
    // Moves both animations of a transition ("open", "close") to `ms`.
    void runTo(const char* transition, int ms) {
        for (const char* property : {"Offset", "Opacity"}) {
            const QString name = QString::fromLatin1(transition) + QString::fromLatin1(property);
            setAnimationTime(machine->findChild<QPropertyAnimation*>(name), ms);
        }
    }
    std::unique_ptr<FluentToggleButton> button;
    KyStateMachineVariant* machine = nullptr;
};

TEST_F(FluentToggleButtonTest, ClickTogglesTheRowAndTheSwitchFollows) {
    QSignalSpy toggled(button.get(), &QPushButton::toggled);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_TRUE(toggled[0][0].toBool());
    EXPECT_TRUE(button->toggle()->isChecked());
    processEvents();
    runTo("open", 100);
    EXPECT_DOUBLE_EQ(button->toggle()->variant(), 1.0);
    const double right = button->toggle()->knobCenterX();
    button->setChecked(false);
    processEvents();
    runTo("close", 100);
    EXPECT_DOUBLE_EQ(button->toggle()->variant(), 0.0);
    EXPECT_LT(button->toggle()->knobCenterX(), right);
}

}  // namespace

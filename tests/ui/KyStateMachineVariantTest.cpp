#include "ui/KyStateMachineVariant.h"

#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QState>

#include "ui/UiTestSupport.h"

namespace {

using mnx::test::processEvents;
using mnx::test::setAnimationTime;

QPropertyAnimation* animation(KyStateMachineVariant& machine, const char* name) {
    return machine.findChild<QPropertyAnimation*>(QString::fromLatin1(name));
}

bool inState(KyStateMachineVariant& machine, QState* state) { return machine.configuration().contains(state); }

TEST(KyStateMachineVariantTest, OpensWithItsCurvesAndReportsTheEnd) {
    KyStateMachineVariant machine(nullptr, 100, 200);
    processEvents();
    ASSERT_TRUE(inState(machine, machine.closedState()));
    QSignalSpy values(&machine, &KyStateMachineVariant::variantChanged);
    QSignalSpy opened(&machine, &KyStateMachineVariant::openFinished);
    emit machine.signalOpen();
    processEvents();
    ASSERT_TRUE(inState(machine, machine.openingState()));
    QPropertyAnimation* opacity = animation(machine, "openOpacity");
    QPropertyAnimation* offset = animation(machine, "openOffset");
    ASSERT_TRUE(opacity && offset);
    EXPECT_EQ(opacity->duration(), 100);
    EXPECT_EQ(opacity->easingCurve().type(), QEasingCurve::Linear);
    EXPECT_EQ(offset->easingCurve().type(), QEasingCurve::OutCirc);
    EXPECT_EQ(animation(machine, "closeOffset")->easingCurve().type(), QEasingCurve::InCirc);
    EXPECT_EQ(animation(machine, "closeOpacity")->duration(), 200);
    setAnimationTime(offset, 100);
    setAnimationTime(opacity, 100);
    processEvents();
    EXPECT_TRUE(inState(machine, machine.openState()));
    EXPECT_EQ(opened.count(), 1);
    EXPECT_DOUBLE_EQ(machine.opacity(), 1.0);
    EXPECT_DOUBLE_EQ(machine.offset(), 1.0);
    ASSERT_FALSE(values.isEmpty());
    EXPECT_DOUBLE_EQ(values.last()[0].toDouble(), 1.0);

    emit machine.signalClose();
    processEvents();
    ASSERT_TRUE(inState(machine, machine.closingState()));
    setAnimationTime(animation(machine, "closeOffset"), 200);
    setAnimationTime(animation(machine, "closeOpacity"), 200);
    processEvents();
    EXPECT_TRUE(inState(machine, machine.closedState()));
    EXPECT_DOUBLE_EQ(machine.opacity(), 0.0);
}

// A close while opening starts from wherever the value is, and a new open while closing turns back again.
TEST(KyStateMachineVariantTest, ReversesFromTheCurrentValue) {
    KyStateMachineVariant machine(nullptr, 100, 100);
    processEvents();
    emit machine.signalOpen();
    processEvents();
    setAnimationTime(animation(machine, "openOpacity"), 40);
    EXPECT_NEAR(machine.opacity(), 0.4, 1e-9);
    emit machine.signalClose();
    processEvents();
    ASSERT_TRUE(inState(machine, machine.closingState()));
    QPropertyAnimation* reverse = animation(machine, "reverseOpacity");
    setAnimationTime(reverse, 0);
    EXPECT_NEAR(machine.opacity(), 0.4, 1e-9);
    setAnimationTime(reverse, 50);
    EXPECT_NEAR(machine.opacity(), 0.2, 1e-9);

    emit machine.signalOpen();
    processEvents();
    ASSERT_TRUE(inState(machine, machine.openingState()));
    QPropertyAnimation* reopen = animation(machine, "reopenOpacity");
    setAnimationTime(reopen, 0);
    EXPECT_NEAR(machine.opacity(), 0.2, 1e-9);
    setAnimationTime(animation(machine, "reopenOffset"), 100);
    setAnimationTime(reopen, 100);
    processEvents();
    EXPECT_TRUE(inState(machine, machine.openState()));
}

}  // namespace

#include <QPropertyAnimation>
#include <QState>

#include "ui/KyStateMachineVariant.h"
#include "ui/UiTestSupport.h"

namespace {

using mnx::test::processEvents;
using mnx::test::setAnimationTime;

QPropertyAnimation* animation(KyStateMachineVariant& machine, const char* name) {
    return machine.findChild<QPropertyAnimation*>(QString::fromLatin1(name));
}

// Whether the machine is in its state named `name` (closed, opening, open, closing).
bool inState(KyStateMachineVariant& machine, const char* name) {
    return machine.configuration().contains(machine.findChild<QState*>(QString::fromLatin1(name)));
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
    ASSERT_TRUE(inState(machine, "closing"));
    QPropertyAnimation* reverse = animation(machine, "reverseOpacity");
    setAnimationTime(reverse, 0);
    EXPECT_NEAR(machine.opacity(), 0.4, 1e-9);
    setAnimationTime(reverse, 50);
    EXPECT_NEAR(machine.opacity(), 0.2, 1e-9);

    emit machine.signalOpen();
    processEvents();
    ASSERT_TRUE(inState(machine, "opening"));
    QPropertyAnimation* reopen = animation(machine, "reopenOpacity");
    setAnimationTime(reopen, 0);
    EXPECT_NEAR(machine.opacity(), 0.2, 1e-9);
    setAnimationTime(animation(machine, "reopenOffset"), 100);
    setAnimationTime(reopen, 100);
    processEvents();
    EXPECT_TRUE(inState(machine, "open"));
}

}  // namespace

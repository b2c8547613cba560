// Input actions through the OpenXR loader and the simulated headset: button edges and their log lines, pad clicks
// with their direction, trigger changes, trackpads, the menu long press (real time: the hold timer is a 2 s
// animation), and the hands' poses, models and markers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "VrTestSupport.h"
#include "vr/VRController.h"

using namespace mnxvr;
using vrtest::device;

namespace {

// Spins the event loop (animations run on it) for `ms` milliseconds.
void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

class VRControllerGlTest : public ::testing::Test {
protected:
    bool start(const QString& timeline, const QString& rightExtra = QString()) {
        if (!m_gl.create()) return false;
        const QString right = QStringLiteral(R"("hand": "right")") +
                              (rightExtra.isEmpty() ? QString() : QStringLiteral(", ") + rightExtra);
        m_scope = std::make_unique<vrtest::SimulatedScope>(
            m_files.write(vrtest::session({device("HMD", "H"), device("Controller", "CR", right, "[0.2, 1.0, -0.1]"),
                                           device("Controller", "CL", R"("hand": "left")", "[-0.2, 1.0, -0.1]"),
                                           device("GenericTracker", "T", R"("role": "waist")")},
                                          timeline)));
        // Only a missing GL context skips; VR that does not come up fails the test.
        EXPECT_TRUE(m_scope->up());
        EXPECT_NE(createVRController(), nullptr);
        return true;
    }
    void TearDown() override {
        destroyVRController();
        m_scope.reset();
    }
    // One frame at that session time: the runtime's frame, the action sync, the controller's poll.
    void at(double seconds) {
        vrtest::SimXr::setSessionTime(seconds);
        ASSERT_TRUE(vrSystem()->beginFrame());
        vrController()->update();
    }

    vrtest::GlScope m_gl;
    vrtest::SessionFiles m_files;
    std::unique_ptr<vrtest::SimulatedScope> m_scope;
};

TEST_F(VRControllerGlTest, TriggersEmitOnlyOnChangeAndPadsStoreWhileTouched) {
    if (!start(R"({"t": 1.0, "input": "/user/hand/right/input/trigger/value", "x": 0.5},
                  {"t": 2.0, "input": "/user/hand/right/input/trigger/value", "x": 0.5},
                  {"t": 3.0, "input": "/user/hand/right/input/trigger/value", "x": 0.5001},
                  {"t": 1.0, "input": "/user/hand/left/input/trackpad", "x": 0.3, "y": 0.4},
                  {"t": 2.0, "input": "/user/hand/left/input/trackpad/touch", "state": true},
                  {"t": 3.0, "input": "/user/hand/left/input/trackpad/touch", "state": false},
                  {"t": 3.0, "input": "/user/hand/left/input/trackpad", "x": -0.9, "y": -0.9})"))
        GTEST_SKIP() << "no OpenGL context";
    VRController* c = vrController();
    vrtest::SignalCount triggerR(c, &VRController::capTriggerRValueChanged);
    vrtest::SignalCount triggerL(c, &VRController::capTriggerLValueChanged);
    at(0.5);
    EXPECT_EQ(triggerR.values.size(), 0u);  // resting at 0
    at(1.0);
    ASSERT_EQ(triggerR.values.size(), 1u);
    EXPECT_FLOAT_EQ(triggerR.values[0], 0.5f);
    EXPECT_FLOAT_EQ(c->padL[0], 0.0f);  // not touched yet
    at(2.0);
    EXPECT_EQ(triggerR.values.size(), 1u);
    EXPECT_FLOAT_EQ(c->padL[0], 0.3f);
    EXPECT_FLOAT_EQ(c->padL[1], 0.4f);
    at(3.0);
    EXPECT_EQ(triggerR.values.size(), 2u);
    EXPECT_FLOAT_EQ(c->triggerR, 0.5001f);
    EXPECT_FLOAT_EQ(c->padL[0], 0.3f);  // released before the move
    EXPECT_EQ(triggerL.values.size(), 0u);
}

TEST_F(VRControllerGlTest, HandsFollowTheirControllersWithModelAndMarker) {
    if (!start(QString(), R"("invalid": [[5, 6]])")) GTEST_SKIP() << "no OpenGL context";
    VRController* c = vrController();
    vrtest::SignalCount listChanged(c, &VRController::controllerListChanged);
    at(1.0);
    EXPECT_EQ(listChanged.count(), 2);
    for (int i = 0; i < 2; ++i) {
        const VRController::Hand& hand = c->hands[i];
        EXPECT_TRUE(hand.valid);
        EXPECT_EQ(hand.deviceIndex, i == 0 ? kLeftHandSlot : kRightHandSlot);
        EXPECT_FLOAT_EQ(hand.pose.m[12], i == 0 ? -0.2f : 0.2f);
        ASSERT_TRUE(hand.marker);
        ASSERT_NE(hand.model, nullptr);
    }
    // Both hands show the one cached controller model.
    EXPECT_EQ(c->hands[0].model, c->hands[1].model);
    EXPECT_EQ(c->renderModels.size(), 1u);

    at(5.5);
    EXPECT_FALSE(c->hands[1].valid);
    EXPECT_TRUE(c->hands[0].valid);
    EXPECT_TRUE(c->hands[1].marker);
    EXPECT_NE(c->hands[1].model, nullptr);
    at(6.5);
    EXPECT_TRUE(c->hands[1].valid);
    EXPECT_EQ(listChanged.count(), 2);
    c->draw(Matrix4());
    releaseVRGraphics();
    releaseVRGraphics();
}

TEST_F(VRControllerGlTest, MenuHeldTwoSecondsLongPressesOnceWhileAShorterHoldDoesNot) {
    if (!start(R"({"t": 1.0, "input": "/user/hand/right/input/menu/click", "state": true},
                  {"t": 2.0, "input": "/user/hand/right/input/menu/click", "state": false},
                  {"t": 3.0, "input": "/user/hand/right/input/menu/click", "state": true})"))
        GTEST_SKIP() << "no OpenGL context";
    VRController* c = vrController();
    vrtest::SignalCount pressed(c, &VRController::globalMenuR_Pressed);
    vrtest::SignalCount released(c, &VRController::globalMenuR_Released);
    vrtest::SignalCount longPressed(c, &VRController::globalMenuR_LongPressed);
    vrtest::QtLog log;
    at(0.5);  // the first sync only sets where the buttons start
    at(1.0);
    spin(1500);
    at(2.0);
    spin(700);
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_EQ(released.count(), 1);
    EXPECT_EQ(longPressed.count(), 0);

    at(3.0);
    spin(2150);
    EXPECT_EQ(longPressed.count(), 1);  // while still held
    EXPECT_EQ(released.count(), 1);
    spin(300);
    at(3.5);
    EXPECT_EQ(longPressed.count(), 1);
    EXPECT_TRUE(log.all().join('\n').contains("onRightMenuLongPressed"));
}

}  // namespace

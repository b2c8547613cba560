// Tracked devices through the OpenXR loader and the simulated headset: the head, the hands and the role-bound vive
// trackers appear in the order first seen and are never removed, a tracker out of tracking only loses `valid`,
// trackers are found by the serial of their persistent path, and hmdView is the inverse of the head pose.
#include <gtest/gtest.h>

#include "VrTestSupport.h"
#include "vr/VRDevice.h"
#include "vr/VRDeviceContainer.h"

using namespace mnxvr;
using vrtest::device;

namespace {

class VRDeviceContainerGlTest : public ::testing::Test {
protected:
    void TearDown() override {
        destroyDeviceContainer();
        m_scope.reset();
    }

    vrtest::GlScope m_gl;
    vrtest::SessionFiles m_files;
    std::unique_ptr<vrtest::SimulatedScope> m_scope;
};

TEST_F(VRDeviceContainerGlTest, DevicesAppearInOrderStayAndAreFoundBySerial) {
    if (!m_gl.create()) GTEST_SKIP() << "no OpenGL context";
    m_scope = std::make_unique<vrtest::SimulatedScope>(m_files.write(vrtest::session({
        device("HMD", "HMD-0", QString(), "[0.5, 1.6, -1]"),
        device("Controller", "CTRL-R", R"("hand": "right", "invalid": [[0, 1]])"),
        device("GenericTracker", "LHR-WAIST", R"("role": "waist", "invalid": [[2, 3]])"),
        device("GenericTracker", "LHR-NOROLE"),
    })));
    ASSERT_TRUE(m_scope->up());
    VRDeviceContainer* c = createDeviceContainer();
    ASSERT_NE(c, nullptr);
    vrtest::SignalCount listChanged(c, &VRDeviceContainer::deviceListChanged);
    vrtest::SignalCount stateChanged(c, &VRDeviceContainer::deviceStateChanged);
    const auto order = [c] {
        std::vector<uint32_t> indices;
        for (VRDevice* d : c->devices) indices.push_back(d->index);
        return indices;
    };
    const uint32_t waist = kFirstTrackerSlot + 9;

    vrtest::SimXr::setSessionTime(0.0);
    c->update();
    // The right hand is out of tracking; a tracker without a role cannot be located through OpenXR.
    EXPECT_EQ(order(), (std::vector<uint32_t>{kHeadSlot, waist}));
    EXPECT_EQ(listChanged.count(), 2);
    EXPECT_EQ(c->devices[1]->className, QStringLiteral("Tracker"));
    EXPECT_TRUE(c->devices[1]->mesh && c->devices[1]->marker);
    EXPECT_EQ(c->findBySerial(QStringLiteral("LHR-WAIST")), c->devices[1]);
    EXPECT_EQ(c->findBySerial(QStringLiteral("LHR-NOROLE")), nullptr);
    EXPECT_NEAR(c->hmdView.m[12], -0.5f, 1e-5f);
    EXPECT_NEAR(c->hmdView.m[14], 1.0f, 1e-5f);

    vrtest::SimXr::setSessionTime(2.5);
    c->update();
    EXPECT_EQ(order(), (std::vector<uint32_t>{kHeadSlot, waist, kRightHandSlot}));
    EXPECT_FALSE(c->devices[1]->valid);
    EXPECT_EQ(c->devices[2]->serialNumber, QStringLiteral("/user/hand/right"));
    const int changes = stateChanged.count();
    vrtest::SimXr::setSessionTime(3.5);
    c->update();
    EXPECT_TRUE(c->devices[1]->valid);
    EXPECT_EQ(stateChanged.count(), changes + 1);
    EXPECT_EQ(c->devices.size(), 3);
}

}  // namespace

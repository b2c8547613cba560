// Tracked devices: discovery order, the two signals, devices that come and go, hmdView, serial look-up and
// the set-up of each device class, played from simulated sessions with frozen time.
#include <gtest/gtest.h>

#include "VrTestSupport.h"
#include "vr/VRDevice.h"
#include "vr/VRDeviceContainer.h"

using namespace mnxvr;
using vrtest::device;

namespace {

class VRDeviceContainerGlTest : public ::testing::Test {
protected:
    // Connects to `json`; the container is created with a GL context current, as the frame loop has one.
    bool start(const QByteArray& json) {
        if (!m_gl.create()) return false;
        m_scope = std::make_unique<vrtest::SimulatedScope>(m_files.write(json));
        return initVR() && createDeviceContainer() != nullptr;
    }
    void TearDown() override {
        destroyDeviceContainer();
        m_scope.reset();
    }
    void at(double seconds) { m_scope->runtime().setSessionTime(seconds); }
    std::vector<uint32_t> order() const {
        std::vector<uint32_t> indices;
        for (VRDevice* d : vrDevices()->devices) indices.push_back(d->index);
        return indices;
    }

    vrtest::GlScope m_gl;
    vrtest::SessionFiles m_files;
    std::unique_ptr<vrtest::SimulatedScope> m_scope;
};

QByteArray comingAndGoing() {
    return vrtest::session({
        device(0, "HMD", "HMD-0"),
        device(1, "Controller", "CTRL-1", R"("hand": "right", "invalid": [[0, 1]])"),
        device(2, "GenericTracker", "DUP", R"("invalid": [[0, 1]])"),
        device(3, "GenericTracker", "TRK-3", R"("invalid": [[2, 3]])"),
        device(4, "GenericTracker", "NEVER", R"("invalid": [[0, 10]])"),
        device(5, "TrackingReference", "LH-5"),
        device(6, "GenericTracker", "DUP"),
    });
}

TEST_F(VRDeviceContainerGlTest, DevicesAppearInTheOrderFirstSeenAndAreNeverRemoved) {
    if (!start(comingAndGoing())) GTEST_SKIP() << "no OpenGL context";
    VRDeviceContainer* c = vrDevices();
    vrtest::SignalCount listChanged(c, &VRDeviceContainer::deviceListChanged);
    vrtest::SignalCount stateChanged(c, &VRDeviceContainer::deviceStateChanged);

    at(0.0);
    c->update();
    EXPECT_EQ(order(), (std::vector<uint32_t>{0, 3, 5, 6}));
    EXPECT_EQ(listChanged.count(), 4);
    EXPECT_EQ(stateChanged.count(), 4);

    at(0.5);
    c->update();
    EXPECT_EQ(listChanged.count(), 4);
    EXPECT_EQ(stateChanged.count(), 4);

    at(1.5);
    c->update();
    EXPECT_EQ(order(), (std::vector<uint32_t>{0, 3, 5, 6, 1, 2}));
    EXPECT_EQ(listChanged.count(), 6);
    EXPECT_EQ(stateChanged.count(), 6);

    // The tracker switches off: same object, same place, one state change; and once more when it returns.
    VRDevice* tracker = c->deviceSlots[3];
    at(2.5);
    c->update();
    EXPECT_FALSE(tracker->valid);
    EXPECT_FALSE(tracker->wasValid);
    EXPECT_EQ(stateChanged.count(), 7);
    at(2.7);
    c->update();
    EXPECT_EQ(stateChanged.count(), 7);
    at(3.5);
    c->update();
    EXPECT_TRUE(tracker->valid);
    EXPECT_EQ(c->deviceSlots[3], tracker);
    EXPECT_EQ(stateChanged.count(), 8);
    EXPECT_EQ(listChanged.count(), 6);
    EXPECT_EQ(order(), (std::vector<uint32_t>{0, 3, 5, 6, 1, 2}));

    // Never valid, never created.
    EXPECT_EQ(c->deviceSlots[4], nullptr);
    EXPECT_EQ(c->findBySerial("NEVER"), nullptr);
    // Equal serials: the one seen first wins, not the lower index.
    EXPECT_EQ(c->findBySerial("DUP"), c->deviceSlots[6]);
    EXPECT_EQ(c->findBySerial("TRK-3"), tracker);
    EXPECT_EQ(c->findBySerial("nope"), nullptr);
}

TEST_F(VRDeviceContainerGlTest, HmdViewIsTheInverseOfTheHeadsetPoseAndKeepsItsLastValue) {
    if (!start(vrtest::session({device(0, "HMD", "HMD-0",
                                       R"("keyframes": [{"t": 0, "position": [0.3, 1.6, -0.2],
                                                         "yawPitchRoll": [30, -10, 5]}],
                                          "invalid": [[0, 1], [5, 6]])")})))
        GTEST_SKIP() << "no OpenGL context";
    VRDeviceContainer* c = vrDevices();
    at(0.5);
    c->update();
    EXPECT_EQ(c->hmdView, Matrix4());  // identity until a valid headset pose
    at(2.0);
    c->update();
    ASSERT_NE(c->deviceSlots[0], nullptr);
    const Matrix4& pose = c->deviceSlots[0]->pose;
    EXPECT_FLOAT_EQ(pose.m[12], 0.3f);
    EXPECT_FLOAT_EQ(pose.m[13], 1.6f);
    for (int r = 0; r < 4; ++r) {
        for (int col = 0; col < 4; ++col) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += c->hmdView.at(r, k) * pose.at(k, col);
            EXPECT_NEAR(sum, r == col ? 1.0f : 0.0f, 1e-5f);
        }
    }
    const Matrix4 seen = c->hmdView;
    at(5.5);
    c->update();
    EXPECT_FALSE(c->deviceSlots[0]->valid);
    EXPECT_EQ(c->hmdView, seen);
}

TEST_F(VRDeviceContainerGlTest, EachClassIsSetUpWithItsLabelMeshesAndLogLines) {
    if (!start(
            vrtest::session({device(0, "HMD", "HMD-0"),
                             device(1, "Controller", "CTRL-1", R"("battery": 0.4, "boolProperties": {"1043": true})"),
                             device(2, "GenericTracker", "TRK-2"), device(3, "TrackingReference", "LH-3")})))
        GTEST_SKIP() << "no OpenGL context";
    VRDeviceContainer* c = vrDevices();
    vrtest::QtLog log;
    at(0.0);
    c->update();
    ASSERT_EQ(c->devices.size(), 4);
    VRDevice* hmd = c->deviceSlots[0];
    VRDevice* controller = c->deviceSlots[1];
    VRDevice* tracker = c->deviceSlots[2];
    VRDevice* station = c->deviceSlots[3];
    EXPECT_EQ(hmd->className, "HMD");
    EXPECT_EQ(controller->className, "Controller");
    EXPECT_EQ(tracker->className, "Tracker");
    EXPECT_EQ(station->className, "BaseStation");
    EXPECT_EQ(controller->deviceClass, TrackedDeviceClass_Controller);
    EXPECT_EQ(controller->serialNumber, "CTRL-1");
    EXPECT_EQ(controller->modelNumber, "M-CTRL-1");
    EXPECT_FLOAT_EQ(controller->battery, 0.4f);
    EXPECT_FALSE(hmd->mesh || hmd->marker || controller->mesh || controller->marker);
    ASSERT_TRUE(tracker->mesh && tracker->marker);
    EXPECT_EQ(tracker->mesh->objPath(), ":/system_mesh/resources/system_mesh/tracker.obj");
    EXPECT_EQ(tracker->mesh->imagePath(), ":/img/resources/img/tracker.png");
    EXPECT_EQ(tracker->mesh->scale(), 1.0f);
    EXPECT_EQ(tracker->marker->objPath(), ":/system_mesh/resources/system_mesh/cube.obj");
    EXPECT_EQ(tracker->marker->imagePath(), ":/img/resources/img/orange.png");
    EXPECT_EQ(tracker->marker->scale(), 0.0001f);
    ASSERT_TRUE(station->mesh);
    EXPECT_FALSE(station->marker);
    EXPECT_EQ(station->mesh->objPath(), ":/system_mesh/resources/system_mesh/lh_basestation_vive.obj");
    EXPECT_EQ(station->mesh->imagePath(), ":/img/resources/img/lh_basestation_vive.png");

    const QStringList& lines = log.all();
    const int first = lines.indexOf("D DeviceID: 1 Controller");
    ASSERT_GE(first, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.mid(first + 1, 4),
              QStringList({"D M-CTRL-1", "D CTRL-1", "D true", "D TrackedDeviceClass_Controller"}));
    EXPECT_TRUE(log.has("D DeviceID: 0 HMD"));
    EXPECT_TRUE(log.has("D DeviceID: 2 GenericTracker"));
    EXPECT_TRUE(log.has("D DeviceID: 3 TrackingReference"));
    log.clear();
    c->update();
    EXPECT_FALSE(log.all().join('\n').contains("DeviceID:"));

    // Drawing a device whose mesh resources are absent here must be harmless.
    tracker->draw(Matrix4());
    station->draw(Matrix4());
}

TEST_F(VRDeviceContainerGlTest, TheSingletonFollowsTheConnection) {
    if (!start(vrtest::session({device(0, "HMD", "HMD-0")}))) GTEST_SKIP() << "no OpenGL context";
    VRDeviceContainer* c = vrDevices();
    EXPECT_EQ(createDeviceContainer(), c);
    destroyDeviceContainer();
    EXPECT_EQ(vrDevices(), nullptr);
    destroyDeviceContainer();
}

}  // namespace

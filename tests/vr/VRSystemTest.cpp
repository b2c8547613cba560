// The runtime connection: connecting and its failures, the interface cache and its token check, the wrappers,
// matrix conversion, and that nothing reaches the runtime while VR is off.
#include <gtest/gtest.h>

#include <cmath>

#include "VrTestSupport.h"
#include "vr/VRController.h"
#include "vr/VRDeviceContainer.h"

using namespace mnxvr;
using vrtest::device;

namespace {

QByteArray basicSession(const QString& timeline = QString()) {
    return vrtest::session({device(0, "HMD", "HMD-1"), device(1, "Controller", "CTRL-R", R"("hand": "right")")},
                           timeline);
}

TEST(VRSystemTest, ConnectsToTheSessionLogsReadyAndShutsDownOnce) {
    vrtest::SessionFiles files;
    vrtest::SimulatedScope scope(files.write(basicSession()));
    vrtest::QtLog log;
    ASSERT_TRUE(initVR());
    ASSERT_NE(vrSystem(), nullptr);
    EXPECT_EQ(log.all(), QStringList({"D ----------------------", "D VR Ready", "D ----------------------"}));
    EXPECT_NE(vrCompositor(), nullptr);
    EXPECT_NE(vrInput(), nullptr);
    EXPECT_NE(vrRenderModels(), nullptr);
    EXPECT_TRUE(scope.runtime().connected());
    shutdownVR();
    EXPECT_EQ(vrSystem(), nullptr);
    EXPECT_EQ(vrCompositor(), nullptr);
    EXPECT_FALSE(scope.runtime().connected());
    shutdownVR();
}

TEST(VRSystemTest, InitFailuresLogTheRuntimesOwnTextAsCritical) {
    vrtest::SessionFiles files;
    struct Case {
        QString path;
        QString expectedPrefix;
    };
    const QString broken = files.write("{ not json", "broken.json");
    const QString noHeadset = files.write(vrtest::session({device(1, "Controller", "C")}), "nohmd.json");
    const QString badDevice = files.write(vrtest::session({device(0, "Toaster", "T")}), "bad.json");
    const Case cases[] = {
        {files.missing(), "C Simulated VR session not found: " + files.missing()},
        {broken, "C Simulated VR session is invalid: " + broken + ": "},
        {noHeadset, "C Simulated VR session has no headset at index 0: " + noHeadset},
        {badDevice, "C Simulated VR session is invalid: " + badDevice + ": device 0 has an unknown class"},
    };
    for (const Case& c : cases) {
        vrtest::SimulatedScope scope(c.path);
        vrtest::QtLog log;
        EXPECT_FALSE(initVR()) << c.path.toStdString();
        EXPECT_EQ(vrSystem(), nullptr);
        ASSERT_EQ(log.all().size(), 1) << log.all().join('\n').toStdString();
        EXPECT_TRUE(log.all()[0].startsWith(c.expectedPrefix)) << log.all()[0].toStdString();
        EXPECT_EQ(createDeviceContainer(), nullptr);
    }
}

TEST(VRSystemTest, MissingCompositorShutsTheConnectionDown) {
    vrtest::SessionFiles files;
    SimulatedRuntime inner(files.write(basicSession()));
    std::map<std::string, int> calls;
    auto counting = std::make_unique<vrtest::CountingRuntime>(calls, &inner);
    counting->compositorMissing = true;
    installVRRuntime(std::move(counting));
    vrtest::QtLog log;
    EXPECT_FALSE(initVR());
    EXPECT_EQ(vrSystem(), nullptr);
    EXPECT_EQ(log.all(), QStringList({"C Compositor initialization failed. See log file for details"}));
    EXPECT_EQ(calls["ShutdownInternal"], 1);
    EXPECT_FALSE(inner.connected());
    installVRRuntime(nullptr);
}

TEST(VRSystemTest, CachedInterfacesAreFetchedOncePerInitToken) {
    vrtest::SessionFiles files;
    SimulatedRuntime inner(files.write(basicSession()));
    std::map<std::string, int> calls;
    auto owned = std::make_unique<vrtest::CountingRuntime>(calls, &inner);
    vrtest::CountingRuntime* counting = owned.get();
    installVRRuntime(std::move(owned));
    ASSERT_TRUE(initVR());
    const std::string compositorFetch = std::string("GetGenericInterface ") + IVRCompositor_Version;
    const std::string inputFetch = std::string("GetGenericInterface ") + IVRInput_Version;
    EXPECT_EQ(calls[compositorFetch], 1);  // initVR's own check
    IVRCompositor* compositor = vrCompositor();
    vrInput();
    vrInput();
    EXPECT_EQ(calls[compositorFetch], 1);
    EXPECT_EQ(calls[inputFetch], 1);
    // A reconnection behind our back: every cached pointer is dropped and fetched anew.
    counting->tokenOffset = 7;
    EXPECT_EQ(vrCompositor(), compositor);
    EXPECT_EQ(calls[compositorFetch], 2);
    vrInput();
    EXPECT_EQ(calls[inputFetch], 2);
    vrCompositor();
    EXPECT_EQ(calls[compositorFetch], 2);
    shutdownVR();
    installVRRuntime(nullptr);
}

TEST(VRSystemTest, NothingReachesTheRuntimeWhileVrIsOff) {
    std::map<std::string, int> calls;
    installVRRuntime(std::make_unique<vrtest::CountingRuntime>(calls));
    EXPECT_EQ(vrSystem(), nullptr);
    EXPECT_EQ(createVRController(), nullptr);
    EXPECT_EQ(createDeviceContainer(), nullptr);
    EXPECT_EQ(vrController(), nullptr);
    EXPECT_EQ(vrDevices(), nullptr);
    EXPECT_EQ(vrCompositor(), nullptr);
    EXPECT_EQ(vrInput(), nullptr);
    EXPECT_EQ(vrRenderModels(), nullptr);
    releaseVRGraphics();
    destroyDeviceContainer();
    shutdownVR();
    EXPECT_TRUE(calls.empty());
    installVRRuntime(nullptr);
}

TEST(VRSystemTest, ThreeByFourAndFourByFourMatricesAreTransposedIntoColumnMajor) {
    HmdMatrix34_t a{};
    HmdMatrix44_t b{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (r < 3) a.m[r][c] = static_cast<float>(10 * r + c + 1);
            b.m[r][c] = static_cast<float>(10 * r + c + 1);
        }
    }
    const Matrix4 ma = toMatrix4(a);
    const Matrix4 mb = toMatrix4(b);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(ma.m[c * 4 + r], a.m[r][c]);
    EXPECT_EQ(ma.m[3], 0.0f);
    EXPECT_EQ(ma.m[7], 0.0f);
    EXPECT_EQ(ma.m[11], 0.0f);
    EXPECT_EQ(ma.m[15], 1.0f);
    EXPECT_EQ(ma.m[12], 4.0f);  // translation x of row 0
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(mb.m[c * 4 + r], b.m[r][c]);
}

TEST(VRSystemTest, InverseUndoesAGeneralMatrixAndLeavesASingularOneAlone) {
    Matrix4 m;
    const float values[16] = {2, 0.5f, 0, 0, -1, 3, 0.25f, 0, 0, 1, 1.5f, 0, 4, -2, 7, 1};
    for (int i = 0; i < 16; ++i) m.m[i] = values[i];
    Matrix4 inv;
    ASSERT_TRUE(invertMatrix(m, inv));
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += m.at(r, k) * inv.at(k, c);
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-5f) << r << "," << c;
        }
    }
    Matrix4 singular;
    singular.m.fill(0.0f);
    Matrix4 untouched;
    untouched.m[12] = 5.0f;
    const Matrix4 before = untouched;
    EXPECT_FALSE(invertMatrix(singular, untouched));
    EXPECT_EQ(untouched, before);
}

TEST(VRSystemTest, ClassNamesOfTheLog) {
    EXPECT_EQ(className(0), "Invalid");
    EXPECT_EQ(className(1), "HMD");
    EXPECT_EQ(className(2), "Controller");
    EXPECT_EQ(className(3), "GenericTracker");
    EXPECT_EQ(className(4), "TrackingReference");
    EXPECT_EQ(className(5), "Unknown");
    EXPECT_EQ(className(-1), "Unknown");
}

TEST(VRSystemTest, WrappersReadPropertiesEventsAndTheEyeSetUp) {
    vrtest::SessionFiles files;
    vrtest::SimulatedScope scope(files.write(basicSession(R"({"t": 1.0, "event": 700, "device": 0})")));
    ASSERT_TRUE(initVR());
    EXPECT_EQ(vrDeviceClass(0), TrackedDeviceClass_HMD);
    EXPECT_EQ(vrDeviceClass(9), TrackedDeviceClass_Invalid);
    EXPECT_EQ(vrActivityLevel(1), k_EDeviceActivityLevel_UserInteraction);
    EXPECT_EQ(vrActivityLevel(9), k_EDeviceActivityLevel_Unknown);
    EXPECT_EQ(vrStringProperty(0, Prop_SerialNumber_String), "HMD-1");
    EXPECT_EQ(vrStdStringProperty(1, Prop_ModelNumber_String), "M-CTRL-R");
    EXPECT_EQ(vrStringProperty(0, Prop_RenderModelName_String), "");  // the headset has none
    EXPECT_EQ(vrStringProperty(9, Prop_SerialNumber_String), "");
    EXPECT_FLOAT_EQ(vrFloatProperty(0, Prop_DeviceBatteryPercentage_Float), 1.0f);
    EXPECT_FALSE(vrBoolProperty(0, Prop_DeviceLogged_Bool));

    uint32_t width = 0, height = 0;
    vrRecommendedRenderTargetSize(width, height);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 48u);
    const Matrix4 left = vrEyeToHeadTransform(Eye_Left);
    const Matrix4 right = vrEyeToHeadTransform(Eye_Right);
    EXPECT_FLOAT_EQ(left.m[12], -0.032f);
    EXPECT_FLOAT_EQ(right.m[12], 0.032f);
    const Matrix4 projection = vrProjectionMatrix(Eye_Left, 0.1f, 100.0f);
    EXPECT_EQ(projection.at(3, 2), -1.0f);
    EXPECT_EQ(projection.at(3, 3), 0.0f);
    // The far plane lands on depth +1 and the near one on -1 after the divide.
    const float zFar = projection.at(2, 2) * -100.0f + projection.at(2, 3);
    const float zNear = projection.at(2, 2) * -0.1f + projection.at(2, 3);
    EXPECT_NEAR(zFar / 100.0f, 1.0f, 1e-4f);
    EXPECT_NEAR(zNear / 0.1f, -1.0f, 1e-4f);
    // The eyes mirror each other: the off-centre term flips sign.
    EXPECT_FLOAT_EQ(vrProjectionMatrix(Eye_Right, 0.1f, 100.0f).at(0, 2), -projection.at(0, 2));

    VREvent_t event{};
    EXPECT_FALSE(vrPollNextEvent(event));
    scope.runtime().setSessionTime(1.5);
    ASSERT_TRUE(vrPollNextEvent(event));
    EXPECT_EQ(event.eventType, VREvent_Quit);
    EXPECT_FALSE(vrPollNextEvent(event));
}

TEST(VRSystemTest, SideBySideSubmitKeepsBothHalves) {
    vrtest::SessionFiles files;
    vrtest::SimulatedScope scope(files.write(basicSession()));
    ASSERT_TRUE(initVR());
    EXPECT_EQ(vrSubmitSideBySide(42), VRCompositorError_None);
    const auto& l = scope.runtime().submission(Eye_Left);
    const auto& r = scope.runtime().submission(Eye_Right);
    EXPECT_EQ(l.texture, 42u);
    EXPECT_EQ(r.texture, 42u);
    EXPECT_EQ(l.count, 1);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(l.bounds.uMin, 0.0f);
    EXPECT_EQ(l.bounds.uMax, 0.5f);
    EXPECT_EQ(r.bounds.uMin, 0.5f);
    EXPECT_EQ(r.bounds.uMax, 1.0f);
    EXPECT_EQ(r.bounds.vMin, 0.0f);
    EXPECT_EQ(r.bounds.vMax, 1.0f);
    EXPECT_EQ(vrSubmitSideBySide(0), VRCompositorError_InvalidTexture);
    EXPECT_EQ(scope.runtime().submission(Eye_Left).count, 1);
}

}  // namespace

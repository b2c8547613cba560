// The simulated runtime on its own: session parsing and pose playback, frame pacing, the input timeline behind
// the manifest's actions, render models, and what it keeps of a submitted frame.
#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <cmath>

#include "VrTestSupport.h"

using namespace mnxvr;
using vrtest::device;

namespace {

const QString kManifest = QStringLiteral(MNX_SOURCE_DIR "/resources/VR/mnx_actions.json");

const char* const kAllActions[] = {"TriggeValueR", "TriggeValueL", "MenuR",      "MenuL",      "GripR",
                                   "GripL",        "ClickDownR",   "ClickDownL", "ClickUpR",   "ClickUpL",
                                   "ClickRightR",  "ClickRightL",  "ClickLeftR", "ClickLeftL", "PadR",
                                   "PadL",         "PadTouchR",    "PadTouchL",  "TrackPadR",  "TrackPadL",
                                   "Hand_Left",    "Hand_Right"};

// A connected runtime without pacing, at session time 0.
struct Connected {
    explicit Connected(const QByteArray& json) : runtime(files.write(json)) {
        runtime.setPacing(false);
        runtime.setSessionTime(0.0);
        EVRInitError error = VRInitError_Unknown;
        runtime.InitInternal2(&error, VRApplication_Scene, nullptr);
        ok = error == VRInitError_None;
    }
    vrtest::SessionFiles files;
    SimulatedRuntime runtime;
    bool ok = false;
};

TEST(SimulatedRuntimeTest, TheShippedSessionHasTheDevicesThePerformerWears) {
    SimulatedSession s;
    QString reason;
    ASSERT_TRUE(
        SimulatedSession::load(QStringLiteral(MNX_SOURCE_DIR "/resources/VR/simulated_session.json"), s, reason))
        << reason.toStdString();
    int counts[5] = {};
    bool gap = false;
    for (const auto& d : s.devices) {
        ++counts[d.deviceClass];
        EXPECT_FALSE(d.serialNumber.empty());
        EXPECT_FALSE(d.modelNumber.empty());
        if (d.deviceClass == TrackedDeviceClass_Controller) {
            EXPECT_FALSE(d.renderModelName.empty());
        }
        gap = gap || !d.gaps.empty();
    }
    ASSERT_NE(s.device(0), nullptr);
    EXPECT_EQ(s.device(0)->deviceClass, TrackedDeviceClass_HMD);
    EXPECT_EQ(counts[TrackedDeviceClass_HMD], 1);
    EXPECT_EQ(counts[TrackedDeviceClass_Controller], 2);
    EXPECT_EQ(counts[TrackedDeviceClass_GenericTracker], 2);
    EXPECT_EQ(counts[TrackedDeviceClass_TrackingReference], 2);
    EXPECT_NE(s.handDevice("left"), nullptr);
    EXPECT_NE(s.handDevice("right"), nullptr);
    EXPECT_TRUE(gap);
    EXPECT_FALSE(s.inputs.empty());
    // Everyone is tracked at the start; the headset stands at eye height and both arms are up mid-loop.
    for (const auto& d : s.devices) EXPECT_TRUE(s.pose(d, 0.0).bPoseIsValid) << d.serialNumber;
    EXPECT_NEAR(s.pose(*s.device(0), 0.0).mDeviceToAbsoluteTracking.m[1][3], 1.62f, 1e-4f);
    for (const char* hand : {"left", "right"}) {
        EXPECT_GT(s.pose(*s.handDevice(hand), 4.0).mDeviceToAbsoluteTracking.m[1][3],
                  s.pose(*s.device(0), 4.0).mDeviceToAbsoluteTracking.m[1][3]);
    }
}

TEST(SimulatedRuntimeTest, BadSessionsAreRejectedWithAReason) {
    const QByteArray bad[] = {
        "[]",
        R"({"loopSeconds": 0})",
        R"({"devices": [{"index": 64, "class": "HMD"}]})",
        R"({"devices": [{"index": 0, "class": "HMD"}, {"index": 0, "class": "HMD"}]})",
        R"({"loopSeconds": 5, "devices": [{"index": 0, "class": "HMD", "keyframes": [{"t": 6, "position": [0,0,0]}]}]})",
        R"({"devices": [{"index": 0, "class": "HMD", "keyframes": [{"t": 0, "position": [0,0]}]}]})",
        R"({"timeline": [{"t": 1}]})",
        R"({"eyes": {"tanLeft": 1, "tanRight": -1}})",
    };
    for (const QByteArray& json : bad) {
        SimulatedSession s;
        QString reason;
        EXPECT_FALSE(SimulatedSession::parse(json, s, reason)) << json.toStdString();
        EXPECT_FALSE(reason.isEmpty());
    }
}

TEST(SimulatedRuntimeTest, PosesInterpolateLoopAndHonourGaps) {
    Connected c(vrtest::session({device(0, "HMD", "H",
                                        R"("keyframes": [{"t": 0, "position": [0, 1, 0]},
                                                         {"t": 5, "position": [1, 1, 0], "yawPitchRoll": [90, 0, 0]}],
                                           "invalid": [[8, 9]])")}));
    ASSERT_TRUE(c.ok);
    const SimulatedDevice& hmd = *c.runtime.session().device(0);
    TrackedDevicePose_t p = c.runtime.session().pose(hmd, 2.5);
    EXPECT_TRUE(p.bPoseIsValid);
    EXPECT_NEAR(p.mDeviceToAbsoluteTracking.m[0][3], 0.5f, 1e-5f);
    EXPECT_NEAR(p.vVelocity.v[0], 0.2f, 1e-3f);
    // At the second key the device looks along -x: its forward (-z) column points there.
    p = c.runtime.session().pose(hmd, 5.0);
    EXPECT_NEAR(-p.mDeviceToAbsoluteTracking.m[0][2], -1.0f, 1e-5f);
    EXPECT_NEAR(-p.mDeviceToAbsoluteTracking.m[2][2], 0.0f, 1e-5f);
    // After the last key the track runs back to the first over the loop end, and loops.
    EXPECT_NEAR(c.runtime.session().pose(hmd, 7.5).mDeviceToAbsoluteTracking.m[0][3], 0.5f, 1e-5f);
    EXPECT_NEAR(c.runtime.session().pose(hmd, 12.5).mDeviceToAbsoluteTracking.m[0][3], 0.5f, 1e-5f);
    EXPECT_FALSE(c.runtime.session().pose(hmd, 8.5).bPoseIsValid);
    EXPECT_TRUE(c.runtime.session().pose(hmd, 9.0).bPoseIsValid);
    EXPECT_FALSE(c.runtime.session().pose(hmd, 18.2).bPoseIsValid);

    TrackedDevicePose_t poses[k_unMaxTrackedDeviceCount];
    c.runtime.setSessionTime(2.5);
    EXPECT_EQ(c.runtime.WaitGetPoses(poses, k_unMaxTrackedDeviceCount, nullptr, 0), VRCompositorError_None);
    EXPECT_TRUE(poses[0].bPoseIsValid);
    EXPECT_NEAR(poses[0].mDeviceToAbsoluteTracking.m[0][3], 0.5f, 1e-5f);
    EXPECT_FALSE(poses[1].bPoseIsValid);
    EXPECT_FALSE(poses[63].bPoseIsValid);
}

TEST(SimulatedRuntimeTest, WaitGetPosesPacesToNinetyHertz) {
    Connected c(vrtest::session({device(0, "HMD", "H")}));
    ASSERT_TRUE(c.ok);
    c.runtime.setPacing(true);
    TrackedDevicePose_t poses[k_unMaxTrackedDeviceCount];
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 9; ++i) c.runtime.WaitGetPoses(poses, k_unMaxTrackedDeviceCount, nullptr, 0);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Eight frame intervals of 11.1 ms follow the first call.
    EXPECT_GE(elapsed, std::chrono::milliseconds(80));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
}

TEST(SimulatedRuntimeTest, ManifestActionsResolveAndUnknownNamesStayUnresolved) {
    Connected c(vrtest::session({device(0, "HMD", "H")}));
    ASSERT_TRUE(c.ok);
    VRActionHandle_t handle = 1;
    // Before a manifest nothing resolves.
    EXPECT_NE(c.runtime.GetActionHandle("/actions/mnx/in/MenuR", &handle), VRInputError_None);
    EXPECT_EQ(handle, k_ulInvalidActionHandle);
    ASSERT_EQ(c.runtime.SetActionManifestPath(kManifest.toLocal8Bit().constData()), VRInputError_None);
    std::vector<VRActionHandle_t> handles;
    for (const char* name : kAllActions) {
        const std::string path = std::string("/actions/mnx/in/") + name;
        EXPECT_EQ(c.runtime.GetActionHandle(path.c_str(), &handle), VRInputError_None) << path;
        EXPECT_NE(handle, k_ulInvalidActionHandle);
        EXPECT_EQ(std::count(handles.begin(), handles.end(), handle), 0);
        handles.push_back(handle);
    }
    VRActionSetHandle_t set = 0;
    EXPECT_EQ(c.runtime.GetActionSetHandle("/actions/mnx", &set), VRInputError_None);
    EXPECT_NE(set, k_ulInvalidActionSetHandle);
    EXPECT_EQ(c.runtime.GetActionHandle("/actions/mnx/in/Nope", &handle), VRInputError_NameNotFound);
    EXPECT_EQ(handle, k_ulInvalidActionHandle);
    InputDigitalActionData_t digital{};
    EXPECT_NE(c.runtime.GetDigitalActionData(handle, &digital, sizeof(digital), 0), VRInputError_None);
    EXPECT_FALSE(digital.bActive);
    EXPECT_EQ(c.runtime.SetActionManifestPath("/nonexistent/manifest.json"), VRInputError_MismatchedActionManifest);
    EXPECT_NE(c.runtime.GetActionHandle("/actions/mnx/in/MenuR", &handle), VRInputError_None);
}

TEST(SimulatedRuntimeTest, TimelineDrivesDigitalEdgesAnalogValuesAndHandPoses) {
    Connected c(vrtest::session(
        {device(0, "HMD", "H"), device(1, "Controller", "CR", R"("hand": "right", "invalid": [[6, 7]])"),
         device(2, "Controller", "CL", R"("hand": "left")")},
        R"({"t": 1.0, "action": "/actions/mnx/in/MenuR", "state": true},
           {"t": 1.3, "action": "/actions/mnx/in/MenuR", "state": false},
           {"t": 2.0, "action": "/actions/mnx/in/TriggeValueL", "x": 0.75},
           {"t": 2.0, "action": "/actions/mnx/in/TrackPadR", "x": 0.25, "y": -0.5},
           {"t": 6.2, "action": "/actions/mnx/in/GripR", "state": true})"));
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.runtime.SetActionManifestPath(kManifest.toLocal8Bit().constData()), VRInputError_None);
    VRActionHandle_t menu = 0, trigger = 0, pad = 0, grip = 0, hand = 0, wrongKind = 0;
    c.runtime.GetActionHandle("/actions/mnx/in/MenuR", &menu);
    c.runtime.GetActionHandle("/actions/mnx/in/TriggeValueL", &trigger);
    c.runtime.GetActionHandle("/actions/mnx/in/TrackPadR", &pad);
    c.runtime.GetActionHandle("/actions/mnx/in/GripR", &grip);
    c.runtime.GetActionHandle("/actions/mnx/in/Hand_Right", &hand);
    c.runtime.GetActionHandle("/actions/mnx/in/PadTouchR", &wrongKind);
    VRActiveActionSet_t set{};
    c.runtime.GetActionSetHandle("/actions/mnx", &set.ulActionSet);

    struct Step {
        double time;
        bool state, changed;
    };
    const Step steps[] = {
        {0.5, false, false}, {1.0, true, true}, {1.1, true, false}, {1.3, false, true}, {1.5, false, false}};
    InputDigitalActionData_t d{};
    for (const Step& s : steps) {
        c.runtime.setSessionTime(s.time);
        ASSERT_EQ(c.runtime.UpdateActionState(&set, sizeof(set), 1), VRInputError_None);
        ASSERT_EQ(c.runtime.GetDigitalActionData(menu, &d, sizeof(d), 0), VRInputError_None);
        EXPECT_TRUE(d.bActive);
        EXPECT_EQ(d.bState, s.state) << s.time;
        EXPECT_EQ(d.bChanged, s.changed) << s.time;
    }
    EXPECT_EQ(c.runtime.GetDigitalActionData(menu, &d, 20, 0), VRInputError_InvalidParam);

    c.runtime.setSessionTime(2.5);
    c.runtime.UpdateActionState(&set, sizeof(set), 1);
    InputAnalogActionData_t a{};
    ASSERT_EQ(c.runtime.GetAnalogActionData(trigger, &a, sizeof(a), 0), VRInputError_None);
    EXPECT_TRUE(a.bActive);
    EXPECT_FLOAT_EQ(a.x, 0.75f);
    ASSERT_EQ(c.runtime.GetAnalogActionData(pad, &a, sizeof(a), 0), VRInputError_None);
    EXPECT_FLOAT_EQ(a.x, 0.25f);
    EXPECT_FLOAT_EQ(a.y, -0.5f);
    EXPECT_EQ(c.runtime.GetAnalogActionData(wrongKind, &a, sizeof(a), 0), VRInputError_WrongType);

    InputPoseActionData_t p{};
    ASSERT_EQ(c.runtime.GetPoseActionDataForNextFrame(hand, TrackingUniverseStanding, &p, sizeof(p), 0),
              VRInputError_None);
    EXPECT_TRUE(p.bActive);
    EXPECT_TRUE(p.pose.bPoseIsValid);
    InputOriginInfo_t origin{};
    ASSERT_EQ(c.runtime.GetOriginTrackedDeviceInfo(p.activeOrigin, &origin, sizeof(origin)), VRInputError_None);
    EXPECT_EQ(origin.trackedDeviceIndex, 1u);
    EXPECT_NE(c.runtime.GetOriginTrackedDeviceInfo(12345, &origin, sizeof(origin)), VRInputError_None);
    EXPECT_EQ(origin.trackedDeviceIndex, k_unTrackedDeviceIndexInvalid);

    // A controller out of tracking reports its buttons inactive and its pose invalid.
    c.runtime.setSessionTime(6.5);
    c.runtime.UpdateActionState(&set, sizeof(set), 1);
    c.runtime.GetDigitalActionData(grip, &d, sizeof(d), 0);
    EXPECT_FALSE(d.bActive);
    EXPECT_FALSE(d.bChanged);
    c.runtime.GetPoseActionDataForNextFrame(hand, TrackingUniverseStanding, &p, sizeof(p), 0);
    EXPECT_FALSE(p.pose.bPoseIsValid);

    VRActiveActionSet_t unknown{};
    unknown.ulActionSet = 99;
    EXPECT_EQ(c.runtime.UpdateActionState(&unknown, sizeof(unknown), 1), VRInputError_InvalidHandle);
}

TEST(SimulatedRuntimeTest, RenderModelsLoadAsynchronouslyAndAreCounted) {
    Connected c(vrtest::session(
        {device(0, "HMD", "H"), device(1, "Controller", "CR", R"("hand": "right", "renderModel": "sim_wand")")}));
    ASSERT_TRUE(c.ok);
    RenderModel_t* model = nullptr;
    EXPECT_EQ(c.runtime.LoadRenderModel_Async("SIM_Wand", &model), VRRenderModelError_Loading);
    ASSERT_EQ(c.runtime.LoadRenderModel_Async("SIM_Wand", &model), VRRenderModelError_None);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->unTriangleCount, 12u);
    EXPECT_EQ(model->unVertexCount, 24u);
    for (uint32_t i = 0; i < model->unTriangleCount * 3; ++i) EXPECT_LT(model->rIndexData[i], model->unVertexCount);
    RenderModel_TextureMap_t* texture = nullptr;
    ASSERT_EQ(c.runtime.LoadTexture_Async(model->diffuseTextureId, &texture), VRRenderModelError_None);
    EXPECT_EQ(texture->unWidth, 64);
    EXPECT_EQ(c.runtime.liveRenderModels(), 1);
    EXPECT_EQ(c.runtime.liveTextures(), 1);
    c.runtime.FreeRenderModel(model);
    c.runtime.FreeTexture(texture);
    EXPECT_EQ(c.runtime.liveRenderModels(), 0);
    EXPECT_EQ(c.runtime.liveTextures(), 0);
    EXPECT_EQ(c.runtime.LoadRenderModel_Async("unknown_model", &model), VRRenderModelError_InvalidModel);
    EXPECT_EQ(c.runtime.LoadTexture_Async(77, &texture), VRRenderModelError_InvalidTexture);
    EXPECT_STREQ(c.runtime.GetRenderModelErrorNameFromEnum(VRRenderModelError_InvalidModel),
                 "VRRenderModelError_InvalidModel");
}

TEST(SimulatedRuntimeTest, InterfacesNeedAConnectionAndAKnownVersion) {
    vrtest::SessionFiles files;
    SimulatedRuntime runtime(files.write(vrtest::session({device(0, "HMD", "H")})));
    EVRInitError error = VRInitError_None;
    EXPECT_EQ(runtime.GetGenericInterface(IVRSystem_Version, &error), nullptr);
    EXPECT_EQ(error, VRInitError_Init_NotInitialized);
    const uint32_t first = runtime.InitInternal2(&error, VRApplication_Scene, nullptr);
    ASSERT_EQ(error, VRInitError_None);
    EXPECT_TRUE(runtime.IsInterfaceVersionValid("IVRSystem_022"));
    EXPECT_FALSE(runtime.IsInterfaceVersionValid("IVRSystem_019"));
    EXPECT_EQ(runtime.GetGenericInterface("IVRSystem_022", &error),
              static_cast<void*>(static_cast<IVRSystem*>(&runtime)));
    EXPECT_EQ(runtime.GetGenericInterface("IVRCompositor_026", &error),
              static_cast<void*>(static_cast<IVRCompositor*>(&runtime)));
    EXPECT_EQ(runtime.GetGenericInterface("IVRInput_010", &error),
              static_cast<void*>(static_cast<IVRInput*>(&runtime)));
    EXPECT_EQ(runtime.GetGenericInterface("IVRRenderModels_006", &error),
              static_cast<void*>(static_cast<IVRRenderModels*>(&runtime)));
    EXPECT_EQ(runtime.GetGenericInterface("IVRChaperone_004", &error), nullptr);
    EXPECT_EQ(error, VRInitError_Init_InterfaceNotFound);
    runtime.ShutdownInternal();
    EXPECT_NE(runtime.InitInternal2(&error, VRApplication_Scene, nullptr), first);
    EXPECT_EQ(runtime.GetInitToken(), first + 1);
}

TEST(SimulatedRuntimeTest, SubmittedEyesCanBeReadBack) {
    vrtest::GlScope gl;
    if (!gl.create()) GTEST_SKIP() << "no OpenGL 4.1 core context";
    Connected c(vrtest::session({device(0, "HMD", "H")}));
    ASSERT_TRUE(c.ok);
    EXPECT_TRUE(c.runtime.readSubmittedEye(Eye_Left).isNull());
    // 8 x 4: left half red, right half blue.
    std::vector<uint8_t> pixels(8 * 4 * 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint8_t* p = &pixels[(y * 8 + x) * 4];
            p[0] = x < 4 ? 255 : 0;
            p[2] = x < 4 ? 0 : 255;
            p[1] = static_cast<uint8_t>(y * 60);  // rows tell top from bottom
            p[3] = 255;
        }
    }
    GLuint texture = 0;
    gl.gl().glGenTextures(1, &texture);
    gl.gl().glBindTexture(GL_TEXTURE_2D, texture);
    gl.gl().glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 8, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const Texture_t t{reinterpret_cast<void*>(static_cast<uintptr_t>(texture)), TextureType_OpenGL, ColorSpace_Gamma};
    const VRTextureBounds_t left{0.0f, 0.0f, 0.5f, 1.0f}, right{0.5f, 0.0f, 1.0f, 1.0f};
    ASSERT_EQ(c.runtime.Submit(Eye_Left, &t, &left, Submit_Default), VRCompositorError_None);
    ASSERT_EQ(c.runtime.Submit(Eye_Right, &t, &right, Submit_Default), VRCompositorError_None);
    const VRTextureBounds_t bad{0.5f, 0.0f, 0.25f, 1.0f};
    EXPECT_EQ(c.runtime.Submit(Eye_Right, &t, &bad, Submit_Default), VRCompositorError_InvalidBounds);
    const QImage l = c.runtime.readSubmittedEye(Eye_Left);
    const QImage r = c.runtime.readSubmittedEye(Eye_Right);
    ASSERT_EQ(l.size(), QSize(4, 4));
    ASSERT_EQ(r.size(), QSize(4, 4));
    EXPECT_EQ(QColor(l.pixel(1, 0)), QColor(255, 180, 0));  // the texture's last row is the picture's top
    EXPECT_EQ(QColor(l.pixel(2, 3)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(r.pixel(0, 3)), QColor(0, 0, 255));
    EXPECT_EQ(c.runtime.submission(Eye_Right).count, 1);
    gl.gl().glDeleteTextures(1, &texture);
}

}  // namespace

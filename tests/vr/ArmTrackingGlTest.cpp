// Arms from the VR controllers: a calibrated performer holds the controllers in front of them and the model's
// wrists land on the targets, the elbows stay on their own side, and a circular hand path is followed smoothly;
// with and without "上半身2" and twist bones; a grip closes its own hand. The controllers come from the simulated
// headset; their poses are then set per frame as the runtime would report them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <glm/gtc/quaternion.hpp>
#include <glm/matrix.hpp>
#include <memory>
#include <string>

#include "VrTestSupport.h"
#include "app/base/KySettings.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDNodeController.h"
#include "mmd/writer/VpdWriter.h"
#include "support/CountingMalloc.h"
#include "support/ModelBuilder.h"
#include "vr/BodyMath.h"
#include "vr/ExtarnalController.h"
#include "vr/VRController.h"
#include "vr/VRDevice.h"

namespace {

using mnx::test::ModelBuilder;

struct Body {
    bool upper2;
    bool twist;
    const char* label;
};

// An A-pose humanoid whose shoulders rest at 14.4 units, so a performer of the default 1.44 m shoulder height
// is calibrated at scale 1.
std::shared_ptr<mmd::PMXModel> buildBody(const Body& body) {
    ModelBuilder b;
    const int center = b.AddBone("センター", {0, 8, 0});
    const int upper = b.AddBone("上半身", {0, 10, 0}, center);
    const int chest = body.upper2 ? b.AddBone("上半身2", {0, 12, 0}, upper) : upper;
    const int neck = b.AddBone("首", {0, 15, 0}, chest);
    const int head = b.AddBone("頭", {0, 16, 0}, neck);
    b.AddBone("左目", {0.4f, 17, -0.6f}, head);
    b.AddBone("右目", {-0.4f, 17, -0.6f}, head);
    for (const float side : {1.0f, -1.0f}) {
        const std::string s = side > 0 ? "左" : "右";
        const int shoulder = b.AddBone(s + "肩", {0.5f * side, 14.4f, 0}, chest);
        const int arm = b.AddBone(s + "腕", {1.5f * side, 14.2f, 0}, shoulder);
        const int elbow = b.AddBone(s + "ひじ", {3.5f * side, 12.2f, 0}, arm);
        const int forearm = body.twist ? b.AddBone(s + "手捩", {4.5f * side, 11.2f, 0}, elbow) : elbow;
        const int wrist = b.AddBone(s + "手首", {5.5f * side, 10.2f, 0}, forearm);
        b.AddBone(s + "人指１", {6.0f * side, 10.0f, 0}, wrist);
    }
    b.AddVertex({0, 16, 0}, head);
    b.AddVertex({1, 16, 0}, head);
    b.AddVertex({0, 17, 0}, head);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("body");
    const std::string path = ::testing::TempDir() + "arms_" + body.label + ".pmx";
    EXPECT_TRUE(b.WriteFile(path));
    auto model = std::make_shared<mmd::PMXModel>();
    if (!model->Load(path, "")) return nullptr;
    return model;
}

// The calibration of a performer standing at the origin facing -z with the hands out at 1.4 m: half a turn
// about y, 4 cm down, scale 1.
void calibrate(KySettings& settings) {
    settings.vrSelfPosSRT = SRT{{1, 1, 1}, {0, 0, 1, 0}, {0, -0.04f, 0}};
    settings.vrSelfPosInverseSRT = SRT{{1, 1, 1}, {0, 0, -1, 0}, {0, 0.04f, 0}};
}

// Where a tracking-space point lands in the model (units) under that calibration.
glm::vec3 modelTarget(const glm::vec3& tracking) {
    return glm::vec3(-tracking.x, tracking.y + 0.04f, -tracking.z) * 10.0f;
}

Matrix4 poseAt(const glm::vec3& p) {
    Matrix4 m;
    m.at(0, 3) = p.x;
    m.at(1, 3) = p.y;
    m.at(2, 3) = p.z;
    return m;
}

// The index finger's rotation in each hand's pose files: rest and fist turn about different axes per hand.
glm::quat fingerPose(bool fist, bool left) {
    return glm::angleAxis(glm::radians(fist ? 80.0f : 10.0f), glm::normalize(glm::vec3(1, left ? -0.3f : 0.3f, 0)));
}

glm::vec3 position(const mmd::MMDNode* node) { return glm::vec3(node->GetGlobalTransform()[3]); }

class ArmTrackingGlTest : public ::testing::TestWithParam<Body> {
protected:
    void SetUp() override {
        if (!m_gl.create()) GTEST_SKIP() << "no OpenGL 4.1 core context";
        setKySettings(&m_settings);
        calibrate(m_settings);
        for (const bool left : {false, true}) {
            for (const bool fist : {false, true}) {
                mmd::VpdWriter pose;
                pose.AddBone(left ? "左人指１" : "右人指１", glm::vec3(0), fingerPose(fist, left));
                const QString name = QString(fist ? "handRock_" : "handDefault_") + (left ? "L" : "R");
                ASSERT_TRUE(pose.Save(QDir(m_poses.path()).filePath(name + ".vpd").toStdString()));
            }
        }
        m_settings.poseSet = m_poses.path();
        m_scope = std::make_unique<vrtest::SimulatedScope>(m_files.write(
            vrtest::session({vrtest::device("HMD", "H"), vrtest::device("Controller", "CR", R"("hand": "right")"),
                             vrtest::device("Controller", "CL", R"("hand": "left")"),
                             vrtest::device("GenericTracker", "LHR-1", R"("role": "waist")")})));
        ASSERT_TRUE(m_scope->up());
        ASSERT_NE(createVRController(), nullptr);
        m_model = buildBody(GetParam());
        ASSERT_NE(m_model, nullptr);
        m_controller = std::make_unique<ExtarnalController>();
        ASSERT_TRUE(m_controller->SetupController(m_model));
        m_model->InitializeAnimation();
    }
    void TearDown() override {
        m_controller.reset();
        destroyVRController();
        m_scope.reset();
        setKySettings(nullptr);
    }

    // The controllers at these tracking positions (metres), then one frame in the drawable model's order.
    void frame(const glm::vec3& left, const glm::vec3& right) {
        VRController* vr = vrController();
        vr->hands[0].pose = poseAt(left);
        vr->hands[1].pose = poseAt(right);
        vr->hands[0].markerOffset = vr->hands[1].markerOffset = Matrix4{};
        m_model->BeginAnimation();
        m_controller->UpdateBeforeModel();
        m_model->UpdateMorphAnimation();
        m_model->UpdateNodeAnimation(false);
        m_model->UpdatePhysicsAnimation(1.0f / 60.0f);
        m_model->UpdateNodeAnimation(true);
        m_model->EndAnimation();
        m_controller->UpdateFrameEnd();
    }

    mmd::MMDNode* node(const char* name) const {
        return m_model->GetNodeManager()->GetNode(static_cast<size_t>(m_model->GetNodeManager()->FindNodeIndex(name)));
    }

    vrtest::GlScope m_gl;
    vrtest::SessionFiles m_files;
    QTemporaryDir m_poses;
    KySettings m_settings;
    std::unique_ptr<vrtest::SimulatedScope> m_scope;
    std::shared_ptr<mmd::PMXModel> m_model;
    std::unique_ptr<ExtarnalController> m_controller;
};

TEST_P(ArmTrackingGlTest, CircularHandPathIsFollowedWithoutJumps) {
    // 0.15 m around a point in front of the right shoulder; 0.01 m (0.1 units) of path per frame.
    const glm::vec3 centre(0.3f, 1.25f, -0.3f);
    const float radius = 0.15f, step = 0.01f / radius;
    glm::vec3 previousWrist(0.0f), previousElbow(0.0f);
    for (int i = 0; i < 600; ++i) {
        const float a = float(i) * step;
        const glm::vec3 r = centre + glm::vec3(radius * std::cos(a), radius * std::sin(a), 0.0f);
        frame(glm::vec3(-r.x, r.y, r.z), r);
        const glm::vec3 wrist = position(node("右手首")), elbow = position(node("右ひじ"));
        ASSERT_LT(glm::distance(wrist, modelTarget(r)), 0.5f) << "frame " << i;
        ASSERT_LT(elbow.x, -0.5f) << "frame " << i;
        if (i > 0) {
            ASSERT_LT(glm::distance(wrist, previousWrist), 2.0f) << "frame " << i;
            ASSERT_LT(glm::distance(elbow, previousElbow), 2.0f) << "frame " << i;
        }
        previousWrist = wrist;
        previousElbow = elbow;
        // The mirrored left hand does the same on the other side: the performer's right hand is the model's
        // right (-x), in front of it (+z).
        ASSERT_LT(glm::distance(position(node("左手首")), modelTarget(glm::vec3(-r.x, r.y, r.z))), 0.5f) << i;
        ASSERT_GT(position(node("左ひじ")).x, 0.5f) << "frame " << i;
    }
}

TEST_P(ArmTrackingGlTest, UpperBodyMotionShiftsTheTargets) {
    if (!GetParam().upper2) GTEST_SKIP() << "the offset comes from 上半身2";
    mmd::MMDNode* upper = node("上半身");
    const glm::vec3 right(0.3f, 1.2f, -0.3f);
    frame(glm::vec3(-0.3f, 1.2f, -0.3f), right);
    const glm::vec3 still = position(node("右手首"));
    // The chest lifted by 1 unit: the arm is solved from its rest, so the wrist rides up with the chest while the
    // target is taken 1 unit lower, and the two cancel.
    m_model->BeginAnimation();
    upper->SetAnimationTranslate(glm::vec3(0.0f, 1.0f, 0.0f));
    m_controller->UpdateBeforeModel();
    m_model->UpdateNodeAnimation(false);
    m_model->UpdateNodeAnimation(true);
    m_model->EndAnimation();
    EXPECT_LT(glm::distance(position(node("右手首")), still), 0.5f);
}

TEST_P(ArmTrackingGlTest, ControllerRotationTurnsTheWristAndSplitsTheRollWithTheTwistBone) {
    const glm::vec3 right(0.3f, 1.2f, -0.3f);
    frame(glm::vec3(-0.3f, 1.2f, -0.3f), right);
    const glm::quat before = node("右手首")->GetAnimationRotate();
    VRController* vr = vrController();
    // Rolled 60° about the controller's pointing axis.
    const Quaternion roll = bodymath::axisAngle(0, 0, 1, 60.0f * 3.14159265f / 180.0f);
    Matrix4 pose = bodymath::fromRotationTranslation(roll, Vector3{right.x, right.y, right.z});
    m_model->BeginAnimation();
    vr->hands[1].pose = pose;
    m_controller->UpdateBeforeModel();
    m_model->UpdateNodeAnimation(false);
    m_model->UpdateNodeAnimation(true);
    m_model->EndAnimation();
    const glm::quat after = node("右手首")->GetAnimationRotate();
    EXPECT_LT(std::fabs(glm::dot(before, after)), 0.999f) << "the wrist follows the controller's rotation";
    if (GetParam().twist) {
        EXPECT_LT(std::fabs(node("右手捩")->GetAnimationRotate().w), 0.9999f) << "part of the roll goes to the twist";
    }
}

TEST_P(ArmTrackingGlTest, GripClosesItsOwnHand) {
    if (!GetParam().twist || !GetParam().upper2) GTEST_SKIP() << "one body is enough";
    const glm::vec3 left(-0.3f, 1.2f, -0.3f), right(0.3f, 1.2f, -0.3f);
    frame(left, right);
    emit vrController()->capGripL_Pressed();
    QElapsedTimer eased;  // the hand eases into the pose on the event loop's clock
    eased.start();
    while (eased.elapsed() < 700) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    frame(left, right);
    const auto degreesFrom = [](const mmd::MMDNode* n, const glm::quat& file) {
        const float d = std::fabs(glm::dot(n->GetAnimationRotate(), mmd::ToRuntimeRotation(file)));
        return glm::degrees(2.0f * std::acos(std::min(1.0f, d)));
    };
    EXPECT_LT(degreesFrom(node("左人指１"), fingerPose(true, true)), 0.5f) << "the left hand makes its fist";
    EXPECT_LT(degreesFrom(node("右人指１"), fingerPose(false, false)), 0.5f) << "the right hand stays at rest";
}

TEST_P(ArmTrackingGlTest, ArmFrameAllocatesNothing) {
#if MNX_COUNT_MALLOC
    for (int i = 0; i < 3; ++i) frame(glm::vec3(-0.3f, 1.2f, -0.3f), glm::vec3(0.3f, 1.2f, -0.3f));
    long total = 0;
    for (int i = 0; i < 5; ++i) {
        VRController* vr = vrController();
        vr->hands[1].pose = poseAt(glm::vec3(0.3f, 1.2f + 0.01f * float(i), -0.3f));
        m_model->BeginAnimation();
        const long before = g_allocations.load();
        m_controller->UpdateBeforeModel();
        m_controller->UpdateFrameEnd();
        total += g_allocations.load() - before;
        m_model->EndAnimation();
    }
    EXPECT_EQ(total, 0);
#else
    GTEST_SKIP() << "allocation counting is off under sanitizers";
#endif
}

INSTANTIATE_TEST_SUITE_P(Bodies, ArmTrackingGlTest,
                         ::testing::Values(Body{true, true, "full"}, Body{false, true, "noUpper2"},
                                           Body{true, false, "noTwist"}),
                         [](const ::testing::TestParamInfo<Body>& info) { return std::string(info.param.label); });

}  // namespace

// Finger poses of both hands on a small model built in code, with pose files written per test and the fingers
// compared with the rotations written into them: the folder rule, which button shows which file on which hand,
// load failures and sign flips, the trigger blend, the button animations (driven to chosen times the way the
// controller's slots receive them) and an allocation-free frame.
#include <gtest/gtest.h>

#include <QDir>
#include <QHash>
#include <QTemporaryDir>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "face/FaceMath.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDNodeController.h"
#include "mmd/writer/VpdWriter.h"
#include "support/CountingMalloc.h"
#include "support/ModelBuilder.h"
#include "vr/BodyMath.h"
#include "vr/HandPoseRig.h"
#include "vr/VrTestSupport.h"

namespace {

using mmd::VpdWriter;
using mnx::test::ModelBuilder;

constexpr float kDeg = 3.14159265358979f / 180.0f;

const char* const kRightFingers[] = {"右人指１", "右人指２", "右中指１"};
const char* const kLeftFingers[] = {"左人指１", "左人指２"};

// A pose-file rotation (file frame, x y z w) of `degrees` about an axis in the x-y plane.
glm::quat fileRotation(float degrees, float axisY = 0.0f) {
    return glm::angleAxis(degrees * kDeg, glm::normalize(glm::vec3(1.0f, axisY, 0.0f)));
}

Quaternion runtime(const glm::quat& file) { return bodymath::fromGlm(mmd::ToRuntimeRotation(file)); }

void expectNear(const Quaternion& a, const Quaternion& e) {
    EXPECT_LT(std::fabs(a.w - e.w) + std::fabs(a.x - e.x) + std::fabs(a.y - e.y) + std::fabs(a.z - e.z), 4e-5f)
        << a.w << " " << a.x << " " << a.y << " " << a.z << " vs " << e.w << " " << e.x << " " << e.y << " " << e.z;
}

std::shared_ptr<mmd::PMXModel> buildHandModel() {
    ModelBuilder b;
    const int wristR = b.AddBone("右手首", {-5, 10, 0});
    const int wristL = b.AddBone("左手首", {5, 10, 0});
    float x = -5.5f;
    for (const char* name : kRightFingers) b.AddBone(name, {x -= 0.3f, 10, 0}, wristR);
    x = 5.5f;
    for (const char* name : kLeftFingers) b.AddBone(name, {x += 0.3f, 10, 0}, wristL);
    b.AddVertex({0, 0, 0}, wristR);
    b.AddVertex({1, 0, 0}, wristR);
    b.AddVertex({0, 1, 0}, wristR);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("hand");
    const std::string path = ::testing::TempDir() + "hand_pose_rig.pmx";
    auto model = std::make_shared<mmd::PMXModel>();
    return b.WriteFile(path) && model->Load(path, "") ? model : nullptr;
}

// File rotations of a pose: one per finger name.
using PoseBones = std::vector<std::pair<std::string, glm::quat>>;

// Every finger of one hand at `degrees`, each finger a few degrees further so the fingers differ; the hands
// turn about different axes.
template <size_t N>
PoseBones hand(const char* const (&fingers)[N], float degrees) {
    PoseBones bones;
    float d = degrees;
    for (const char* name : fingers) bones.emplace_back(name, fileRotation(d += 4.0f, N == 3 ? 0.2f : -0.2f));
    return bones;
}

// The angle each pose file is written at.
const std::map<QString, float> kAngles = {
    {"handRock", 90}, {"handPaper", -20}, {"handScissors", 50}, {"handOne", 70}, {"handTumbsUp", 110}};

class HandPoseRigTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        model = buildHandModel();
        ASSERT_NE(model, nullptr);
        mmd::MMDModel::MMDNodeManager* nodes = model->GetNodeManager();
        for (size_t i = 0; i < nodes->GetNodeCount(); ++i) {
            mmd::MMDNode* node = nodes->GetNode(i);
            if (node->GetName().find("指") == std::string::npos) continue;
            fingers.push_back(std::make_unique<ControlNode>(node));
            byName.insert(fingers.back()->name, fingers.back().get());
        }
        ASSERT_EQ(fingers.size(), 5u);
        rig.bind(&fingers, &byName);
        // The controller's connections, so animation values reach the rig as they do in the application.
        QObject::connect(&rig.handAnimR, &QVariantAnimation::valueChanged, &m_context,
                         [this](const QVariant& v) { rig.onAnimationValue(HandPoseRig::kRight, v); });
        QObject::connect(&rig.handAnimL, &QVariantAnimation::valueChanged, &m_context,
                         [this](const QVariant& v) { rig.onAnimationValue(HandPoseRig::kLeft, v); });
    }

    QString folder() const { return m_dir.path(); }
    void writePose(const QString& name, const PoseBones& bones) const {
        VpdWriter w;
        for (const auto& [bone, rotation] : bones) w.AddBone(bone, {0, 0, 0}, rotation);
        ASSERT_TRUE(w.Save(QDir(folder()).filePath(name + ".vpd").toStdString()));
    }

    // A full set: rest poses at 10°, the fist at 90°, the button poses each at their own angle.
    void writeAllPoses() const {
        writePose("handDefault_R", hand(kRightFingers, 10));
        writePose("handDefault_L", hand(kLeftFingers, 10));
        for (const auto& [stem, degrees] : kAngles) {
            writePose(stem + "_R", hand(kRightFingers, degrees));
            writePose(stem + "_L", hand(kLeftFingers, degrees));
        }
    }

    void loadAllPoses() {
        writeAllPoses();
        rig.loadAll(folder());
    }
    ControlNode* finger(const char* name) const { return byName.value(QString::fromUtf8(name)); }
    static Quaternion animRotate(const ControlNode* f) { return bodymath::fromGlm(f->node->GetAnimationRotate()); }

    // One frame: the animation of `side` at `fraction` of its duration (the value reaches the rig through the
    // connection), then the per-frame step.
    void frameAt(int side, double fraction) {
        QVariantAnimation& a = side == HandPoseRig::kLeft ? rig.handAnimL : rig.handAnimR;
        a.setCurrentTime(static_cast<int>(a.duration() * fraction));
        rig.apply();
    }

    // Every finger of `side` at the rotations written into the file of that hand at `degrees`.
    void expectHandAt(int side, float degrees) const {
        const PoseBones file = side == HandPoseRig::kRight ? hand(kRightFingers, degrees) : hand(kLeftFingers, degrees);
        for (const auto& [name, rotation] : file) {
            SCOPED_TRACE(name);
            expectNear(animRotate(finger(name.c_str())), runtime(rotation));
        }
    }

    std::shared_ptr<mmd::PMXModel> model;
    std::vector<std::unique_ptr<ControlNode>> fingers;
    QHash<QString, ControlNode*> byName;
    HandPoseRig rig;

private:
    QTemporaryDir m_dir;
    QObject m_context;
};

// ---- Buttons show their files on their own hand ----

struct ButtonCase {
    int number;
    int side;
    const char* stem;
};

class ButtonPoseTest : public HandPoseRigTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ButtonPoseTest, HeldButtonShowsItsFileOnItsHandAndReleaseReturnsToRest) {
    const ButtonCase& c = GetParam();
    loadAllPoses();
    rig.apply();
    rig.press(c.number, c.side);
    frameAt(c.side, 1.0);
    expectHandAt(c.side, kAngles.at(QString::fromUtf8(c.stem)));
    const int other = c.side == HandPoseRig::kRight ? HandPoseRig::kLeft : HandPoseRig::kRight;
    expectHandAt(other, 10.0f);
    rig.release(c.number, c.side);
    frameAt(c.side, 1.0);
    expectHandAt(c.side, 10.0f);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ButtonPoseTest,
                         ::testing::Values(ButtonCase{2, HandPoseRig::kRight, "handPaper"},
                                           ButtonCase{3, HandPoseRig::kLeft, "handScissors"},
                                           ButtonCase{4, HandPoseRig::kRight, "handOne"},
                                           ButtonCase{5, HandPoseRig::kLeft, "handTumbsUp"},
                                           ButtonCase{6, HandPoseRig::kRight, "handRock"},
                                           ButtonCase{6, HandPoseRig::kLeft, "handRock"}));

// ---- Loading ----

TEST_F(HandPoseRigTest, BadFilesAreLoggedAndTheRestIsUsed) {
    writeAllPoses();
    ASSERT_TRUE(QFile::remove(QDir(folder()).filePath("handOne_L.vpd")));
    PoseBones bones = hand(kRightFingers, 70);
    bones.insert(bones.begin() + 1, {"右手首", fileRotation(30)});
    writePose("handOne_R", bones);
    vrtest::QtLog log;
    rig.loadAll(folder());
    EXPECT_EQ(log.count("D read pose failed. handOne_L"), 1);
    EXPECT_EQ(log.count("D finger not found. 右手首"), 1);
    // The right file's fingers are all used.
    rig.apply();
    rig.press(4, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    expectHandAt(HandPoseRig::kRight, 70);
    // The missing left file's button does nothing.
    rig.press(4, HandPoseRig::kLeft);
    frameAt(HandPoseRig::kLeft, 1.0);
    expectHandAt(HandPoseRig::kLeft, 10);
    EXPECT_EQ(rig.handAnimL.state(), QAbstractAnimation::Stopped);
}

TEST_F(HandPoseRigTest, RotationOfTheOppositeSignToTheRestIsFlippedAtLoad) {
    writeAllPoses();
    const glm::quat stored = -fileRotation(60, 0.2f);  // the same rotation, w < 0
    PoseBones bones = hand(kRightFingers, 70);
    bones[0].second = stored;
    writePose("handOne_R", bones);
    // A rest pose may itself be stored with either sign: it is kept as written.
    PoseBones rest = hand(kRightFingers, 10);
    rest[1].second = -rest[1].second;
    writePose("handDefault_R", rest);
    rig.loadAll(folder());

    const ControlNode* first = finger(kRightFingers[0]);
    const Quaternion loaded = rig.pose(4, HandPoseRig::kRight).rotationOf(first);
    const Quaternion asStored = runtime(stored);
    expectNear(loaded, Quaternion{-asStored.w, -asStored.x, -asStored.y, -asStored.z});
    const ControlNode* second = finger(kRightFingers[1]);
    expectNear(rig.defaultPose(HandPoseRig::kRight).rotationOf(second), runtime(rest[1].second));
    // Compared with the negated rest, the second finger of every pose flips too.
    EXPECT_LT(rig.pose(4, HandPoseRig::kRight).rotationOf(second).w, 0.0f);
}

// ---- Trigger ----

class TriggerTest : public HandPoseRigTest, public ::testing::WithParamInterface<float> {};

TEST_P(TriggerTest, ClosesTheHandAlongTheInSineCurve) {
    loadAllPoses();
    const float value = GetParam();
    rig.onTrigger(HandPoseRig::kRight, value);
    rig.apply();
    const float t = static_cast<float>(1.0 - std::cos(value * 3.14159265358979 / 2.0));
    const PoseBones fist = hand(kRightFingers, 90), rest = hand(kRightFingers, 10);
    for (size_t i = 0; i < fist.size(); ++i) {
        SCOPED_TRACE(fist[i].first);
        const Quaternion expected = facemath::slerp(runtime(fist[i].second), runtime(rest[i].second), 1.0f - t);
        expectNear(animRotate(finger(fist[i].first.c_str())), expected);
    }
    expectHandAt(HandPoseRig::kLeft, 10);
}

INSTANTIATE_TEST_SUITE_P(Travel, TriggerTest, ::testing::Values(0.0f, 0.5f, 1.0f));

// ---- Button animations ----

TEST_F(HandPoseRigTest, ReleasingASecondButtonReturnsToTheFirstPoseStillHeld) {
    loadAllPoses();
    rig.apply();
    rig.press(6, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    rig.press(4, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 0.5);
    frameAt(HandPoseRig::kRight, 1.0);
    expectHandAt(HandPoseRig::kRight, 70);
    rig.release(4, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 0.5);
    frameAt(HandPoseRig::kRight, 1.0);
    expectHandAt(HandPoseRig::kRight, 90);
    // With nothing held the hand goes back to the trigger blend, here the rest pose.
    rig.release(6, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    expectHandAt(HandPoseRig::kRight, 10);
}

#if MNX_COUNT_MALLOC
TEST_F(HandPoseRigTest, FrameAllocatesNothing) {
    loadAllPoses();
    rig.onTrigger(HandPoseRig::kRight, 0.6f);
    rig.onTrigger(HandPoseRig::kLeft, 0.3f);
    rig.press(6, HandPoseRig::kRight);
    rig.press(4, HandPoseRig::kRight);
    rig.release(4, HandPoseRig::kRight);
    rig.press(5, HandPoseRig::kLeft);
    rig.onAnimationValue(HandPoseRig::kRight, QVariant(0.5));
    rig.onAnimationValue(HandPoseRig::kLeft, QVariant(0.5));
    rig.apply();
    const long before = g_allocations.load();
    for (int i = 0; i < 10; ++i) rig.apply();
    EXPECT_EQ(g_allocations.load(), before);
}
#endif

}  // namespace

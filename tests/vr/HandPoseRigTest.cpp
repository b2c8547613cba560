// Finger poses of both hands on a small model built in code, with pose files written per test: the folder
// rule, which file lands in which slot, load failures and sign flips, the trigger blend, the button animations
// (driven to chosen times the way the controller's slots receive them) and an allocation-free frame.
#include <gtest/gtest.h>

#include <QDir>
#include <QEasingCurve>
#include <QHash>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "face/FaceMath.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDNodeController.h"
#include "support/CountingMalloc.h"
#include "support/ModelBuilder.h"
#include "support/VpdWriter.h"
#include "vr/BodyMath.h"
#include "vr/HandPoseRig.h"
#include "vr/VrTestSupport.h"

namespace {

using mnx::test::ModelBuilder;
using mnx::test::VpdWriter;
using Side = HandPoseRig::Side;

constexpr float kDeg = 3.14159265358979f / 180.0f;
constexpr float kTolerance = 1e-5f;

const char* const kRightFingers[] = {"右人指１", "右人指２", "右中指１"};
const char* const kLeftFingers[] = {"左人指１", "左人指２"};

// A pose-file rotation (file frame, x y z w) of `degrees` about an axis in the x-y plane.
glm::quat fileRotation(float degrees, float axisY = 0.0f) {
    return glm::angleAxis(degrees * kDeg, glm::normalize(glm::vec3(1.0f, axisY, 0.0f)));
}

Quaternion runtime(const glm::quat& file) { return bodymath::fromGlm(mmd::ToRuntimeRotation(file)); }

float dot(const Quaternion& a, const Quaternion& b) { return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z; }

void expectNear(const Quaternion& actual, const Quaternion& expected) {
    EXPECT_NEAR(actual.w, expected.w, kTolerance);
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
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
    EXPECT_TRUE(b.WriteFile(path));
    auto model = std::make_shared<mmd::PMXModel>();
    if (!model->Load(path, "")) return nullptr;
    return model;
}

// File rotations of a pose: one per finger name.
using PoseBones = std::vector<std::pair<std::string, glm::quat>>;

// Every finger of one hand at `degrees`, each finger a few degrees further so the fingers differ.
PoseBones hand(const char* const (&fingers)[3], float degrees) {
    PoseBones bones;
    float d = degrees;
    for (const char* name : fingers) bones.emplace_back(name, fileRotation(d += 4.0f, 0.2f));
    return bones;
}
PoseBones hand(const char* const (&fingers)[2], float degrees) {
    PoseBones bones;
    float d = degrees;
    for (const char* name : fingers) bones.emplace_back(name, fileRotation(d += 4.0f, -0.2f));
    return bones;
}

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
        const std::map<QString, float> angles = {
            {"handRock", 90}, {"handPaper", -20}, {"handScissors", 50}, {"handOne", 70}, {"handTumbsUp", 110}};
        for (const auto& [stem, degrees] : angles) {
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

    // The animation of `side` at `fraction` of its duration; the value reaches the rig through the connection.
    QVariantAnimation& animation(int side) { return side == HandPoseRig::kLeft ? rig.handAnimL : rig.handAnimR; }
    void runTo(int side, double fraction) {
        QVariantAnimation& a = animation(side);
        a.setCurrentTime(static_cast<int>(a.duration() * fraction));
    }
    // One frame: the animation at `fraction`, then the per-frame step.
    void frameAt(int side, double fraction) {
        runTo(side, fraction);
        rig.apply();
    }

    // Every finger of the right hand at the rotation that pose `n` gives it.
    void expectRightHandAt(int n) const {
        for (const char* name : kRightFingers) {
            SCOPED_TRACE(name);
            expectNear(animRotate(finger(name)), rig.pose(n, HandPoseRig::kRight).rotationOf(finger(name)));
        }
    }
    void expectRightHandAtRest() const {
        for (const char* name : kRightFingers) {
            SCOPED_TRACE(name);
            expectNear(animRotate(finger(name)), rig.defaultPose(HandPoseRig::kRight).rotationOf(finger(name)));
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

// ---- The folder of the pose files ----

struct FolderCase {
    const char* label;
    const char* poseSet;   // "<abs>" stands for an existing absolute folder outside the resources
    const char* expected;  // relative to the resource folder, or "<abs>"
};

class PoseFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(PoseFolderTest, PicksTheExistingFolderOrFallsBackToTheDefaultSet) {
    QTemporaryDir resources;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(resources.path()).mkpath("pose/default"));
    ASSERT_TRUE(QDir(resources.path()).mkpath("pose/relaxed"));
    const QString absolute = elsewhere.path();
    const auto resolve = [&](const char* text) {
        return QString::fromUtf8(text) == "<abs>" ? absolute : QString::fromUtf8(text);
    };
    const QString folder = HandPoseRig::poseFolder(resources.path(), resolve(GetParam().poseSet));
    const QString expected = QString::fromUtf8(GetParam().expected) == "<abs>"
                                 ? absolute
                                 : QDir(resources.path()).filePath(QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(QDir::cleanPath(folder), QDir::cleanPath(expected));
}

INSTANTIATE_TEST_SUITE_P(PoseSets, PoseFolderTest,
                         ::testing::Values(FolderCase{"AbsoluteFolder", "<abs>", "<abs>"},
                                           FolderCase{"NamedSet", "relaxed", "pose/relaxed"},
                                           FolderCase{"DefaultSet", "default", "pose/default"},
                                           FolderCase{"MissingSet", "no such set", "pose/default"},
                                           FolderCase{"MissingAbsolute", "/no/such/pose/folder", "pose/default"},
                                           FolderCase{"Empty", "", "pose/default"}),
                         [](const ::testing::TestParamInfo<FolderCase>& info) {
                             return std::string(info.param.label);
                         });

// ---- Loading ----

struct SlotCase {
    int number;
    int side;
    const char* file;
};

class PoseSlotTest : public HandPoseRigTest, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(PoseSlotTest, EachNumberReadsItsFileAndRestsOnItsSidesDefault) {
    loadAllPoses();
    const SlotCase& c = GetParam();
    const HandPose& pose = rig.pose(c.number, c.side);
    EXPECT_TRUE(pose.loaded);
    EXPECT_EQ(pose.name, QString::fromUtf8(c.file));
    EXPECT_EQ(pose.rest, &rig.defaultPose(c.side));
    EXPECT_EQ(pose.nodes.size(), c.side == HandPoseRig::kRight ? 3u : 2u);
    EXPECT_EQ(pose.weight, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    PoseTable, PoseSlotTest,
    ::testing::Values(SlotCase{1, HandPoseRig::kRight, "handRock_R"}, SlotCase{1, HandPoseRig::kLeft, "handRock_L"},
                      SlotCase{2, HandPoseRig::kRight, "handPaper_R"}, SlotCase{2, HandPoseRig::kLeft, "handPaper_L"},
                      SlotCase{3, HandPoseRig::kRight, "handScissors_R"},
                      SlotCase{3, HandPoseRig::kLeft, "handScissors_L"}, SlotCase{4, HandPoseRig::kRight, "handOne_R"},
                      SlotCase{4, HandPoseRig::kLeft, "handOne_L"}, SlotCase{5, HandPoseRig::kRight, "handTumbsUp_R"},
                      SlotCase{5, HandPoseRig::kLeft, "handTumbsUp_L"}, SlotCase{6, HandPoseRig::kRight, "handRock_R"},
                      SlotCase{6, HandPoseRig::kLeft, "handRock_L"}));

TEST_F(HandPoseRigTest, DefaultsAreRestPosesAndTheUnusedSlotsStayEmpty) {
    loadAllPoses();
    for (const int side : {HandPoseRig::kRight, HandPoseRig::kLeft}) {
        const HandPose& rest = rig.defaultPose(side);
        EXPECT_TRUE(rest.loaded);
        EXPECT_EQ(rest.name, side == HandPoseRig::kRight ? "handDefault_R" : "handDefault_L");
        EXPECT_EQ(rest.rest, nullptr);
        EXPECT_FALSE(rig.pose(0, side).loaded);
        EXPECT_FALSE(rig.pose(7, side).loaded);
    }
    // Rotations are in the runtime frame, in file order.
    const PoseBones file = hand(kRightFingers, 90);
    const HandPose& fist = rig.pose(1, HandPoseRig::kRight);
    for (size_t i = 0; i < file.size(); ++i) {
        const ControlNode* f = finger(file[i].first.c_str());
        EXPECT_EQ(fist.nodes[i], f);
        EXPECT_EQ(fist.nodeIndex.value(f, -1), static_cast<int>(i));
        expectNear(fist.rotationOf(f), runtime(file[i].second));
    }
    EXPECT_EQ(rig.openDuration(), 400);
    EXPECT_EQ(rig.closeDuration(), 600);
    EXPECT_EQ(rig.handAnimR.easingCurve().type(), QEasingCurve::OutBack);
    EXPECT_EQ(rig.handAnimL.easingCurve().type(), QEasingCurve::OutBack);
    EXPECT_EQ(rig.triggerCurve().type(), QEasingCurve::InSine);
}

TEST_F(HandPoseRigTest, MissingFileIsLoggedLeavesTheSlotEmptyAndItsButtonDoesNothing) {
    writeAllPoses();
    ASSERT_TRUE(QFile::remove(QDir(folder()).filePath("handOne_R.vpd")));
    vrtest::QtLog log;
    rig.loadAll(folder());
    EXPECT_EQ(log.count("D read pose failed. handOne_R"), 1);
    EXPECT_FALSE(rig.pose(4, HandPoseRig::kRight).loaded);
    EXPECT_TRUE(rig.pose(4, HandPoseRig::kLeft).loaded);

    rig.apply();
    const Quaternion before = animRotate(finger("右人指１"));
    rig.press(4, HandPoseRig::kRight);
    EXPECT_EQ(rig.animState(HandPoseRig::kRight), 0);
    EXPECT_TRUE(rig.held(HandPoseRig::kRight).empty());
    EXPECT_EQ(rig.handAnimR.state(), QAbstractAnimation::Stopped);
    rig.release(4, HandPoseRig::kRight);
    EXPECT_EQ(rig.animState(HandPoseRig::kRight), 0);
    rig.apply();
    EXPECT_EQ(animRotate(finger("右人指１")), before);
}

TEST_F(HandPoseRigTest, BoneThatIsNoFingerIsLoggedAndTheRestOfTheFileIsUsed) {
    writeAllPoses();
    PoseBones bones = hand(kRightFingers, 70);
    bones.insert(bones.begin() + 1, {"右手首", fileRotation(30)});
    writePose("handOne_R", bones);
    vrtest::QtLog log;
    rig.loadAll(folder());
    EXPECT_EQ(log.count("D finger not found. 右手首"), 1);
    const HandPose& one = rig.pose(4, HandPoseRig::kRight);
    EXPECT_TRUE(one.loaded);
    ASSERT_EQ(one.nodes.size(), 3u);
    EXPECT_EQ(one.nodes[1], finger("右人指２"));
    EXPECT_EQ(one.rotations.size(), 3);

    rig.press(4, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    expectRightHandAt(4);
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
    EXPECT_GT(dot(loaded, rig.defaultPose(HandPoseRig::kRight).rotationOf(first)), 0.0f);

    const ControlNode* second = finger(kRightFingers[1]);
    expectNear(rig.defaultPose(HandPoseRig::kRight).rotationOf(second), runtime(rest[1].second));
    // Compared with the negated rest, the second finger of every pose flips too.
    EXPECT_GT(dot(rig.pose(4, HandPoseRig::kRight).rotationOf(second),
                  rig.defaultPose(HandPoseRig::kRight).rotationOf(second)),
              0.0f);
    EXPECT_LT(rig.pose(4, HandPoseRig::kRight).rotationOf(second).w, 0.0f);
}

// ---- Trigger ----

class TriggerTest : public HandPoseRigTest, public ::testing::WithParamInterface<float> {};

TEST_P(TriggerTest, ClosesTheHandAlongTheInSineCurve) {
    loadAllPoses();
    const float value = GetParam();
    rig.onTrigger(HandPoseRig::kRight, value);
    rig.apply();
    const float t = static_cast<float>(QEasingCurve(QEasingCurve::InSine).valueForProgress(value));
    const HandPose& fist = rig.pose(1, HandPoseRig::kRight);
    for (const char* name : kRightFingers) {
        SCOPED_TRACE(name);
        const ControlNode* f = finger(name);
        const Quaternion expected =
            facemath::slerp(fist.rotationOf(f), rig.defaultPose(HandPoseRig::kRight).rotationOf(f), 1.0f - t);
        expectNear(animRotate(f), expected);
        expectNear(f->triggerRotation, expected);
    }
    // The other hand stays at its rest pose.
    for (const char* name : kLeftFingers) {
        expectNear(animRotate(finger(name)), rig.defaultPose(HandPoseRig::kLeft).rotationOf(finger(name)));
    }
}

INSTANTIATE_TEST_SUITE_P(Travel, TriggerTest, ::testing::Values(0.0f, 0.25f, 0.5f, 1.0f));

TEST_F(HandPoseRigTest, HalfTriggerIsLessThanAThirdOfTheWayToTheFist) {
    loadAllPoses();
    EXPECT_NEAR(rig.triggerCurve().valueForProgress(0.5), 1.0 - std::cos(3.14159265358979 / 4.0), 1e-6);
    rig.onTrigger(HandPoseRig::kRight, 0.5f);
    rig.apply();
    // The first finger rests at 14° and its fist is 80° further; 0.2929 of the way is about 23.4°.
    const ControlNode* f = finger(kRightFingers[0]);
    const Quaternion rest = rig.defaultPose(HandPoseRig::kRight).rotationOf(f);
    const float moved = 2.0f * std::acos(std::min(1.0f, std::fabs(dot(animRotate(f), rest)))) / kDeg;
    EXPECT_NEAR(moved, 80.0f * 0.29289f, 0.05f);
}

TEST_F(HandPoseRigTest, TriggerWithoutAFistPoseIsIgnored) {
    writeAllPoses();
    ASSERT_TRUE(QFile::remove(QDir(folder()).filePath("handRock_R.vpd")));
    rig.loadAll(folder());
    rig.onTrigger(HandPoseRig::kRight, 0.8f);
    EXPECT_EQ(rig.pose(1, HandPoseRig::kRight).weight, 0.0f);
    rig.apply();
    EXPECT_EQ(animRotate(finger(kRightFingers[0])), Quaternion());
}

// ---- Buttons ----

TEST_F(HandPoseRigTest, PressEasesFromTheCurrentFingersIntoThePose) {
    loadAllPoses();
    rig.apply();
    rig.press(4, HandPoseRig::kRight);
    EXPECT_EQ(rig.currentPose(HandPoseRig::kRight), 4);
    EXPECT_EQ(rig.animState(HandPoseRig::kRight), 1);
    EXPECT_EQ(rig.held(HandPoseRig::kRight), std::vector<int>{4});
    EXPECT_EQ(rig.handAnimR.duration(), 400);
    EXPECT_EQ(rig.handAnimR.endValue().toDouble(), 1.0);
    EXPECT_EQ(rig.handAnimR.state(), QAbstractAnimation::Running);
    EXPECT_EQ(rig.handAnimL.state(), QAbstractAnimation::Stopped);

    frameAt(HandPoseRig::kRight, 0.5);
    const float w = rig.pose(4, HandPoseRig::kRight).weight;
    EXPECT_NEAR(w, QEasingCurve(QEasingCurve::OutBack).valueForProgress(0.5), 1e-5);
    const ControlNode* f = finger(kRightFingers[2]);
    expectNear(animRotate(f), facemath::slerp(f->snapshot, rig.pose(4, HandPoseRig::kRight).rotationOf(f), w));
    expectNear(f->snapshot, rig.defaultPose(HandPoseRig::kRight).rotationOf(f));

    frameAt(HandPoseRig::kRight, 1.0);
    EXPECT_EQ(rig.pose(4, HandPoseRig::kRight).weight, 1.0f);
    expectRightHandAt(4);
    // Held: the pose stays over the trigger blend frame after frame.
    rig.onTrigger(HandPoseRig::kRight, 1.0f);
    rig.apply();
    expectRightHandAt(4);
}

TEST_F(HandPoseRigTest, ReleasingASecondButtonReturnsToTheFirstPoseStillHeld) {
    loadAllPoses();
    rig.apply();
    rig.press(6, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    expectRightHandAt(6);

    rig.press(4, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    expectRightHandAt(4);
    EXPECT_EQ(rig.held(HandPoseRig::kRight), (std::vector<int>{6, 4}));

    rig.release(4, HandPoseRig::kRight);
    EXPECT_EQ(rig.animState(HandPoseRig::kRight), 2);
    EXPECT_EQ(rig.handAnimR.duration(), 600);
    EXPECT_EQ(rig.held(HandPoseRig::kRight), std::vector<int>{6});
    frameAt(HandPoseRig::kRight, 0.5);
    frameAt(HandPoseRig::kRight, 1.0);
    EXPECT_EQ(rig.pose(4, HandPoseRig::kRight).weight, 0.0f);
    expectRightHandAt(6);

    // With nothing held the hand goes back to the trigger blend, here the rest pose.
    rig.release(6, HandPoseRig::kRight);
    EXPECT_TRUE(rig.held(HandPoseRig::kRight).empty());
    frameAt(HandPoseRig::kRight, 1.0);
    expectRightHandAtRest();
}

TEST_F(HandPoseRigTest, ReleaseWithoutAnyHeldPoseEndsOnTheTriggerBlend) {
    loadAllPoses();
    rig.onTrigger(HandPoseRig::kRight, 0.5f);
    rig.apply();
    rig.press(5, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    rig.release(5, HandPoseRig::kRight);
    frameAt(HandPoseRig::kRight, 1.0);
    for (const char* name : kRightFingers) expectNear(animRotate(finger(name)), finger(name)->triggerRotation);
    const ControlNode* f = finger(kRightFingers[0]);
    EXPECT_NE(f->triggerRotation, rig.defaultPose(HandPoseRig::kRight).rotationOf(f));
}

TEST_F(HandPoseRigTest, ReleaseOfAButtonNeverPressedMovesNothing) {
    loadAllPoses();
    rig.apply();
    std::vector<Quaternion> before;
    for (const auto& f : fingers) before.push_back(animRotate(f.get()));
    rig.release(4, HandPoseRig::kRight);
    EXPECT_EQ(rig.animState(HandPoseRig::kRight), 2);
    EXPECT_EQ(rig.handAnimR.startValue().toDouble(), 0.0);
    for (const double fraction : {0.0, 0.3, 0.7, 1.0}) {
        frameAt(HandPoseRig::kRight, fraction);
        for (size_t i = 0; i < fingers.size(); ++i) expectNear(animRotate(fingers[i].get()), before[i]);
    }
    EXPECT_TRUE(rig.held(HandPoseRig::kRight).empty());
}

TEST_F(HandPoseRigTest, InterruptedAnimationsStartFromTheCurrentWeight) {
    loadAllPoses();
    rig.setOpenDuration(200);
    rig.setCloseDuration(300);
    rig.apply();
    rig.press(3, HandPoseRig::kRight);
    EXPECT_EQ(rig.handAnimR.duration(), 200);
    frameAt(HandPoseRig::kRight, 0.25);
    const float pressed = rig.pose(3, HandPoseRig::kRight).weight;
    ASSERT_GT(pressed, 0.0f);
    ASSERT_LT(pressed, 1.0f);

    rig.release(3, HandPoseRig::kRight);
    EXPECT_EQ(rig.handAnimR.duration(), 300);
    EXPECT_FLOAT_EQ(rig.handAnimR.startValue().toFloat(), pressed);
    EXPECT_FLOAT_EQ(rig.pose(3, HandPoseRig::kRight).weight, pressed);
    EXPECT_EQ(rig.handAnimR.endValue().toDouble(), 0.0);
    const ControlNode* f = finger(kRightFingers[0]);
    const Quaternion atRelease = f->snapshot;
    frameAt(HandPoseRig::kRight, 0.1);
    const float released = rig.pose(3, HandPoseRig::kRight).weight;
    EXPECT_LT(released, pressed);
    EXPECT_GT(released, 0.0f);
    expectNear(animRotate(f), facemath::slerp(f->triggerRotation, atRelease, released));

    rig.press(3, HandPoseRig::kRight);
    EXPECT_FLOAT_EQ(rig.handAnimR.startValue().toFloat(), released);
    EXPECT_FLOAT_EQ(rig.pose(3, HandPoseRig::kRight).weight, released);
    EXPECT_EQ(rig.held(HandPoseRig::kRight), std::vector<int>{3});
    frameAt(HandPoseRig::kRight, 1.0);
    expectRightHandAt(3);
}

TEST_F(HandPoseRigTest, AButtonOnOneHandLeavesTheOtherHandsAnimationAlone) {
    loadAllPoses();
    rig.apply();
    rig.press(2, HandPoseRig::kLeft);
    frameAt(HandPoseRig::kLeft, 0.4);
    const ControlNode* left = finger(kLeftFingers[0]);
    const Quaternion leftSnapshot = left->snapshot;
    rig.press(2, HandPoseRig::kRight);
    EXPECT_EQ(left->snapshot, leftSnapshot);
    EXPECT_EQ(rig.handAnimL.state(), QAbstractAnimation::Running);
    frameAt(HandPoseRig::kLeft, 0.6);
    expectNear(animRotate(left), facemath::slerp(leftSnapshot, rig.pose(2, HandPoseRig::kLeft).rotationOf(left),
                                                 rig.pose(2, HandPoseRig::kLeft).weight));
    // The right hand's value went to the right hand's pose only.
    EXPECT_EQ(rig.pose(2, HandPoseRig::kRight).weight, 0.0f);
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

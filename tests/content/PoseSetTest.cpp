// The bundled pose sets: the idle loops and hand poses read back with the runtime's readers and do what a performer
// expects when they are played on the sample character.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>

#include "PoseSet.h"
#include "Rig.h"
#include "SampleCharacter.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmd/SjisToUnicode.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "mmd/VPDFile.h"
#include "support/PmxWriter.h"

namespace {

namespace fs = std::filesystem;

const char* const kFingerParts[15] = {"親指０", "親指１", "親指２", "人指１", "人指２", "人指３", "中指１", "中指２",
                                      "中指３", "薬指１", "薬指２", "薬指３", "小指１", "小指２", "小指３"};
const char* const kPoseStems[6] = {"handDefault", "handRock", "handPaper", "handScissors", "handOne", "handTumbsUp"};

std::string Side(int side) { return side > 0 ? "左" : "右"; }
std::string Suffix(int side) { return side > 0 ? "_L" : "_R"; }

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

glm::vec3 ToFileFrame(const glm::vec3& runtime) { return glm::vec3(runtime.x, runtime.y, -runtime.z); }

class PoseSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = fs::temp_directory_path() / ("mnx_poseset_" + std::to_string(::getpid()));
        std::string error;
        ASSERT_TRUE(mnxc::WritePoseSets(s_root / "pose", &error)) << error;
        ASSERT_TRUE(mnx::test::PmxWriter::WriteFile(mnxc::BuildSampleCharacter(), SamplePath().string()));
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(s_root, ec);
    }

    static fs::path SamplePath() { return s_root / "sample.pmx"; }
    static fs::path SetDir(const std::string& set) { return s_root / "pose" / set; }

    static std::shared_ptr<mmd::PMXModel> LoadSample() {
        auto model = std::make_shared<mmd::PMXModel>();
        if (!model->Load(SamplePath().string(), "")) return nullptr;
        model->InitializeAnimation();
        return model;
    }

    static fs::path s_root;
};

fs::path PoseSetTest::s_root;

// ---------------------------------------------------------------------------------------------------------------
// Idle loops

struct Playback {
    std::shared_ptr<mmd::PMXModel> model;
    mmd::VMDAnimation animation;

    bool Load(const std::shared_ptr<mmd::PMXModel>& sample, const fs::path& vmdPath) {
        model = sample;
        mmd::VMDFileData vmd;
        if (!model || !mmd::ReadVMDFile(vmd, vmdPath.string())) return false;
        return animation.Create(model) && animation.Add(vmd);
    }

    // The frame as the app runs it, without the physics step (no checked bone is simulated).
    void Pose(float frame) {
        model->BeginAnimation();
        animation.Evaluate(frame);
        animation.EvaluateMorph(frame);
        model->UpdateMorphAnimation();
        model->UpdateNodeAnimation(false);
        animation.EvaluateIK(frame);
        model->UpdateNodeAnimation(true);
        model->EndAnimation();
    }

    mmd::MMDNode* Node(const std::string& name) {
        const int32_t index = model->GetNodeManager()->FindNodeIndex(name);
        return index < 0 ? nullptr : model->GetNodeManager()->GetNode(size_t(index));
    }
    glm::vec3 Position(const std::string& name) { return ToFileFrame(glm::vec3(Node(name)->GetGlobalTransform()[3])); }

    std::vector<glm::vec3> AllPositions() {
        std::vector<glm::vec3> positions;
        for (size_t i = 0; i < model->GetNodeManager()->GetNodeCount(); ++i) {
            positions.push_back(glm::vec3(model->GetNodeManager()->GetNode(i)->GetGlobalTransform()[3]));
        }
        return positions;
    }
};

float LargestDistance(const std::vector<glm::vec3>& a, const std::vector<glm::vec3>& b) {
    float largest = 0.0f;
    for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, glm::distance(a[i], b[i]));
    return largest;
}

class IdleLoopTest : public PoseSetTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(IdleLoopTest, ReadsBackAsALoopWhoseLastKeysRepeatTheFirst) {
    mmd::VMDFileData vmd;
    ASSERT_TRUE(mmd::ReadVMDFile(vmd, (SetDir(GetParam()) / "stand.vmd").string()));
    ASSERT_FALSE(vmd.motions.empty());
    EXPECT_FALSE(vmd.morphs.empty()) << "no blink";

    std::map<std::string, std::vector<const mmd::VMDMotion*>> byBone;
    uint32_t last = 0;
    for (const mmd::VMDMotion& key : vmd.motions) {
        byBone[mmd::ConvertSjisToU8String(key.boneName)].push_back(&key);
        last = std::max(last, key.frame);
    }
    for (const mmd::VMDMorph& key : vmd.morphs) last = std::max(last, key.frame);
    EXPECT_GE(last, 4u * 30u);
    EXPECT_LE(last, 8u * 30u);

    auto model = LoadSample();
    ASSERT_TRUE(model);
    for (const auto& [name, keys] : byBone) {
        // A misspelt name would silently animate nothing.
        EXPECT_GE(model->GetNodeManager()->FindNodeIndex(name), 0) << name;
        ASSERT_GE(keys.size(), 2u) << name;
        std::vector<uint32_t> frames;
        for (const mmd::VMDMotion* key : keys) frames.push_back(key->frame);
        EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end())) << name;
        EXPECT_EQ(std::set<uint32_t>(frames.begin(), frames.end()).size(), frames.size()) << name;
        const mmd::VMDMotion& first = *keys.front();
        const mmd::VMDMotion& end = *keys.back();
        EXPECT_EQ(first.frame, 0u) << name;
        EXPECT_EQ(end.frame, last) << name;
        EXPECT_EQ(first.translate, end.translate) << name;
        EXPECT_EQ(first.quaternion, end.quaternion) << name;
        EXPECT_EQ(std::memcmp(first.interpolation, end.interpolation, 16), 0) << name;
        // Every curve's control points stay in the unit square, where the runtime's bisection converges.
        for (const mmd::VMDMotion* key : keys) {
            for (int b = 0; b < 16; ++b) EXPECT_LE(key->interpolation[b], 127) << name;
        }
    }
    for (const char* bone : {"センター", "上半身", "上半身2", "首", "頭", "左腕", "右腕"}) {
        EXPECT_TRUE(byBone.count(bone)) << bone;
    }
    for (const char* leg : {"左足", "右足", "左ひざ", "右ひざ", "左足首", "右足首", "左足ＩＫ", "右足ＩＫ"}) {
        EXPECT_FALSE(byBone.count(leg)) << leg << ": the legs are left to the leg IK";
    }
    std::vector<const mmd::VMDMorph*> blinks;
    for (const mmd::VMDMorph& key : vmd.morphs) {
        EXPECT_EQ(mmd::ConvertSjisToU8String(key.blendShapeName), "まばたき");
        blinks.push_back(&key);
    }
    ASSERT_FALSE(blinks.empty());
    EXPECT_EQ(blinks.front()->frame, 0u);
    EXPECT_EQ(blinks.back()->frame, last);
    EXPECT_EQ(blinks.front()->weight, blinks.back()->weight);
    EXPECT_TRUE(std::any_of(blinks.begin(), blinks.end(), [](const mmd::VMDMorph* k) { return k->weight > 0.99f; }));
}

TEST_P(IdleLoopTest, RestartsWithoutAJumpOrAStop) {
    Playback play;
    ASSERT_TRUE(play.Load(LoadSample(), SetDir(GetParam()) / "stand.vmd"));
    const int loop = play.animation.GetMaxKeyTime();
    ASSERT_GT(loop, 0);
    std::vector<std::vector<glm::vec3>> poses;
    for (int frame = 0; frame <= loop; ++frame) {
        play.Pose(static_cast<float>(frame));
        poses.push_back(play.AllPositions());
    }
    // The leg IK solves each frame afresh from the keyed pose, so the two ends agree to its convergence.
    EXPECT_LT(LargestDistance(poses.front(), poses.back()), 2e-3f);
    float largestStep = 0.0f;
    float smallestStep = 1e9f;
    for (int frame = 1; frame <= loop; ++frame) {
        const float step = LargestDistance(poses[frame - 1], poses[frame]);
        largestStep = std::max(largestStep, step);
        smallestStep = std::min(smallestStep, step);
    }
    // Something is always moving, and no frame moves much more than the average frame: the motion neither jerks
    // nor freezes, at the restart included (the step from the last frame into frame 1 equals the one from 0).
    EXPECT_GT(smallestStep, 0.0f);
    const float seamIn = LargestDistance(poses[loop - 1], poses[loop]);
    const float seamOut = LargestDistance(poses[0], poses[1]);
    EXPECT_LT(seamIn, 2.0f * seamOut + 1e-4f);
    EXPECT_LT(seamOut, 2.0f * seamIn + 1e-4f);
    EXPECT_LT(largestStep, 0.05f) << "a gentle idle motion moves no bone by more than half a millimetre a frame";
}

TEST_P(IdleLoopTest, KeepsTheFeetPlantedAndTheArmsAtTheSides) {
    auto model = LoadSample();
    ASSERT_TRUE(model);
    Playback play;
    ASSERT_TRUE(play.Load(model, SetDir(GetParam()) / "stand.vmd"));
    model->BeginAnimation();
    model->UpdateMorphAnimation();
    model->UpdateNodeAnimation(false);
    model->UpdateNodeAnimation(true);
    model->EndAnimation();
    std::map<std::string, glm::vec3> rest;
    for (int side : {1, -1}) {
        for (const char* part : {"足首", "つま先", "手首", "腕"}) rest[Side(side) + part] = play.Position(Side(side) + part);
    }

    const int loop = play.animation.GetMaxKeyTime();
    float footDrift = 0.0f;
    float lowestShoulderGap = 1e9f;
    for (int frame = 0; frame <= loop; ++frame) {
        play.Pose(static_cast<float>(frame));
        for (int side : {1, -1}) {
            const std::string s = Side(side);
            for (const char* part : {"足首", "つま先"}) {
                footDrift = std::max(footDrift, glm::distance(play.Position(s + part), rest[s + part]));
            }
            const glm::vec3 wrist = play.Position(s + "手首");
            const glm::vec3 shoulder = play.Position(s + "腕");
            lowestShoulderGap = std::min(lowestShoulderGap, shoulder.y - wrist.y);
            // Beside the hips: out on its own side, past the skirt's flare (about 1.9 wide there), and lowered
            // from the rest pose's A stance.
            EXPECT_GT(wrist.x * static_cast<float>(side), 2.0f) << s << " frame " << frame;
            EXPECT_LT(wrist.x * static_cast<float>(side), rest[s + "手首"].x * static_cast<float>(side) - 0.8f)
                << s << " frame " << frame;
            EXPECT_LT(wrist.y, rest[s + "手首"].y - 0.5f) << s << " frame " << frame;
            EXPECT_LT(std::fabs(wrist.z - rest[s + "手首"].z), 1.5f) << s << " frame " << frame;
        }
    }
    // The leg IK leaves a nearly straight leg a few hundredths short of its goal, so that much slip is the solver's.
    EXPECT_LT(footDrift, 0.1f);
    EXPECT_GT(lowestShoulderGap, 3.5f);
}

INSTANTIATE_TEST_SUITE_P(Sets, IdleLoopTest, ::testing::Values("default", "relaxed"));

TEST_F(PoseSetTest, TheSetsStandVisiblyDifferently) {
    Playback a;
    Playback b;
    ASSERT_TRUE(a.Load(LoadSample(), SetDir("default") / "stand.vmd"));
    ASSERT_TRUE(b.Load(LoadSample(), SetDir("relaxed") / "stand.vmd"));
    // Over the whole loop the head of one set keeps well apart from the other's, so the choice is visible.
    float closest = 1e9f;
    for (int frame = 0; frame <= std::min(a.animation.GetMaxKeyTime(), b.animation.GetMaxKeyTime()); frame += 5) {
        a.Pose(static_cast<float>(frame));
        b.Pose(static_cast<float>(frame));
        closest = std::min(closest, glm::distance(a.Position("頭"), b.Position("頭")));
    }
    EXPECT_GT(closest, 0.2f);
}

TEST_F(PoseSetTest, WritesTheSameBytesEveryTime) {
    const fs::path again = s_root / "again";
    std::string error;
    ASSERT_TRUE(mnxc::WritePoseSets(again, &error)) << error;
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(s_root / "pose")) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const fs::path relative = fs::relative(entry.path(), s_root / "pose");
        EXPECT_EQ(ReadBytes(entry.path()), ReadBytes(again / relative)) << relative;
    }
    EXPECT_EQ(files, 2u * 13u);
    // Rewriting over an existing tree changes nothing either.
    ASSERT_TRUE(mnxc::WritePoseSets(again, &error)) << error;
    EXPECT_EQ(ReadBytes(again / "default" / "stand.vmd"), ReadBytes(s_root / "pose" / "default" / "stand.vmd"));
}

TEST_F(PoseSetTest, ReportsAFolderThatCannotBeCreated) {
    const fs::path blocker = s_root / "blocker";
    std::ofstream(blocker) << "a file where the pose folder should go";
    std::string error;
    EXPECT_FALSE(mnxc::WritePoseSets(blocker, &error));
    EXPECT_FALSE(error.empty());
}

// ---------------------------------------------------------------------------------------------------------------
// Hand poses

mmd::VPDFileData ReadPose(const fs::path& path) {
    mmd::VPDFileData vpd;
    EXPECT_TRUE(mmd::ReadVPDFile(vpd, path.string())) << path;
    return vpd;
}

TEST_F(PoseSetTest, EveryHandPoseNamesExactlyTheFifteenFingerBonesOfItsSide) {
    for (const std::string set : {"default", "relaxed"}) {
        for (const char* stem : kPoseStems) {
            for (int side : {1, -1}) {
                const fs::path path = SetDir(set) / (stem + Suffix(side) + ".vpd");
                const mmd::VPDFileData vpd = ReadPose(path);
                std::set<std::string> expected;
                for (const char* part : kFingerParts) expected.insert(Side(side) + part);
                std::set<std::string> named;
                for (const mmd::VPDBone& bone : vpd.bones) {
                    named.insert(bone.boneName);
                    EXPECT_EQ(bone.translate, glm::vec3(0.0f)) << path << " " << bone.boneName;
                    EXPECT_NEAR(glm::length(bone.quaternion), 1.0f, 1e-4f) << path << " " << bone.boneName;
                }
                EXPECT_EQ(vpd.bones.size(), 15u) << path;
                EXPECT_EQ(named, expected) << path;
                EXPECT_TRUE(vpd.morphs.empty()) << path;
                // Switching the pose set keeps the same hands.
                EXPECT_EQ(ReadBytes(path), ReadBytes(SetDir("default") / path.filename())) << path;
            }
        }
    }
}

TEST_F(PoseSetTest, RightHandsMirrorLeftHands) {
    for (const char* stem : kPoseStems) {
        const mmd::VPDFileData left = ReadPose(SetDir("default") / (std::string(stem) + "_L.vpd"));
        const mmd::VPDFileData right = ReadPose(SetDir("default") / (std::string(stem) + "_R.vpd"));
        std::map<std::string, glm::quat> rightByPart;
        for (const mmd::VPDBone& bone : right.bones) rightByPart[bone.boneName.substr(Side(-1).size())] = bone.quaternion;
        bool somethingTurns = false;
        for (const mmd::VPDBone& bone : left.bones) {
            const std::string part = bone.boneName.substr(Side(1).size());
            ASSERT_TRUE(rightByPart.count(part)) << stem << " " << part;
            // Mirroring x to -x keeps a quaternion's x and w and negates its y and z.
            const glm::quat& l = bone.quaternion;
            const glm::quat mirrored(l.w, l.x, -l.y, -l.z);
            EXPECT_GT(std::fabs(glm::dot(mirrored, rightByPart[part])), 1.0f - 1e-6f) << stem << " " << part;
            somethingTurns = somethingTurns || std::fabs(l.w) < 0.9999f;
        }
        EXPECT_TRUE(somethingTurns) << stem;
    }
}

// A hand of the sample character, posed by the runtime, measured in the file frame.
class PosedHand {
public:
    PosedHand(std::shared_ptr<mmd::PMXModel> model, int side) : m_side(side), m_model(std::move(model)) {
        const mnxc::HandLayout layout = mnxc::LeftHandLayout();
        m_palmCentre = At(layout.wrist + layout.along * 0.5f);
        m_palmNormal = At(layout.palmNormal);
        for (size_t f = 0; f < 5; ++f) m_restTips[f] = At(layout.fingers[f].joints[3]);
    }

    bool Apply(const fs::path& pose) {
        mmd::VPDFileData vpd;
        if (!m_model || !mmd::ReadVPDFile(vpd, pose.string())) return false;
        m_model->InitializeAnimation();
        m_model->LoadPose(vpd, 1);
        return true;
    }

    // Tip of finger f (0 thumb … 4 little), carried by the finger's last bone.
    glm::vec3 Tip(size_t f) const {
        static const char* const kLast[5] = {"親指２", "人指３", "中指３", "薬指３", "小指３"};
        const mmd::MMDNode* node = Node(kLast[f]);
        const glm::vec4 rest(m_restTips[f].x, m_restTips[f].y, -m_restTips[f].z, 1.0f);
        return ToFileFrame(glm::vec3(node->GetGlobalTransform() * node->GetInverseInitTransform() * rest));
    }
    glm::vec3 Joint(const std::string& part) const { return ToFileFrame(glm::vec3(Node(part)->GetGlobalTransform()[3])); }
    // Distance of a fingertip from the centre of the palm, and its height above the palm (positive on the palm's
    // side, negative behind the back of the hand).
    float TipDistance(size_t f) const { return glm::distance(Tip(f), m_palmCentre); }
    float TipHeight(size_t f) const { return glm::dot(Tip(f) - m_palmCentre, m_palmNormal); }
    float RestTipDistance(size_t f) const { return glm::distance(m_restTips[f], m_palmCentre); }

private:
    glm::vec3 At(glm::vec3 leftPoint) const {
        leftPoint.x *= static_cast<float>(m_side);
        return leftPoint;
    }
    const mmd::MMDNode* Node(const std::string& part) const {
        const int32_t index = m_model->GetNodeManager()->FindNodeIndex(Side(m_side) + part);
        return m_model->GetNodeManager()->GetNode(size_t(index));
    }

    int m_side;
    std::shared_ptr<mmd::PMXModel> m_model;
    glm::vec3 m_palmCentre{0.0f};
    glm::vec3 m_palmNormal{0.0f};
    glm::vec3 m_restTips[5];
};

struct HandShapeCase {
    const char* stem;
    // Per finger (thumb … little): true when the finger stays stretched, false when it curls into the palm.
    bool stretched[5];
};

class HandShapeTest : public PoseSetTest, public ::testing::WithParamInterface<HandShapeCase> {};

TEST_P(HandShapeTest, CurlsTheFingersIntoThePalmAndStretchesTheOthers) {
    const HandShapeCase& shape = GetParam();
    for (int side : {1, -1}) {
        PosedHand hand(LoadSample(), side);
        ASSERT_TRUE(hand.Apply(SetDir("default") / (shape.stem + Suffix(side) + ".vpd")));
        for (size_t f = 1; f < 5; ++f) {
            const float reach = hand.TipDistance(f) / hand.RestTipDistance(f);
            if (shape.stretched[f]) {
                EXPECT_GT(reach, 0.9f) << shape.stem << Suffix(side) << " finger " << f;
            } else {
                EXPECT_LT(reach, 0.45f) << shape.stem << Suffix(side) << " finger " << f;
                // A fist closes toward the palm, never bends backwards behind the hand.
                EXPECT_GT(hand.TipHeight(f), 0.1f) << shape.stem << Suffix(side) << " finger " << f;
            }
        }
        // The thumb folds across the curled fingers, or stands clear of the hand.
        EXPECT_GT(hand.TipHeight(0), 0.0f) << shape.stem << Suffix(side);
        if (shape.stretched[0]) {
            EXPECT_GT(hand.TipDistance(0), 0.9f * hand.RestTipDistance(0)) << shape.stem;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, HandShapeTest,
                         ::testing::Values(HandShapeCase{"handRock", {false, false, false, false, false}},
                                           HandShapeCase{"handPaper", {true, true, true, true, true}},
                                           HandShapeCase{"handScissors", {false, true, true, false, false}},
                                           HandShapeCase{"handOne", {false, true, false, false, false}},
                                           HandShapeCase{"handTumbsUp", {true, false, false, false, false}}),
                         [](const ::testing::TestParamInfo<HandShapeCase>& info) {
                             return std::string(info.param.stem);
                         });

}  // namespace

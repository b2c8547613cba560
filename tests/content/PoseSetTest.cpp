// The bundled pose sets: the idle loops and hand poses read back with the runtime's readers and do what a performer
// expects when they are played on the sample character.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <glm/geometric.hpp>
#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PoseSet.h"
#include "Rig.h"
#include "SampleCharacter.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "mmd/VPDFile.h"
#include "mmd/writer/PmxWriter.h"

namespace {

namespace fs = std::filesystem;

std::string Side(int side) { return side > 0 ? "左" : "右"; }
std::string Suffix(int side) { return side > 0 ? "_L" : "_R"; }

glm::vec3 ToFileFrame(const glm::vec3& runtime) { return glm::vec3(runtime.x, runtime.y, -runtime.z); }

class PoseSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = fs::temp_directory_path() / ("mnx_poseset_" + std::to_string(::getpid()));
        std::string error;
        ASSERT_TRUE(mnxc::WritePoseSets(s_root / "pose", &error)) << error;
        ASSERT_TRUE(mmd::PmxWriter::WriteFile(mnxc::BuildSampleCharacter(), SamplePath().string()));
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

    glm::vec3 Position(const std::string& name) {
        auto* nodes = model->GetNodeManager();
        return ToFileFrame(glm::vec3(nodes->GetNode(size_t(nodes->FindNodeIndex(name)))->GetGlobalTransform()[3]));
    }

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

// Played on the sample character, an idle loop restarts without a jump or a stop, keeps the feet planted and the
// arms lowered beside the hips.
TEST_P(IdleLoopTest, LoopsSmoothlyWithTheFeetPlantedAndTheArmsAtTheSides) {
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
        for (const char* part : {"足首", "つま先", "手首"}) rest[Side(side) + part] = play.Position(Side(side) + part);
    }
    const int loop = play.animation.GetMaxKeyTime();
    ASSERT_GT(loop, 0);
    std::vector<std::vector<glm::vec3>> poses;
    float footDrift = 0.0f;
    for (int frame = 0; frame <= loop; ++frame) {
        play.Pose(static_cast<float>(frame));
        poses.push_back(play.AllPositions());
        for (int side : {1, -1}) {
            const std::string s = Side(side);
            for (const char* part : {"足首", "つま先"}) {
                footDrift = std::max(footDrift, glm::distance(play.Position(s + part), rest[s + part]));
            }
            // Out on its own side past the skirt's flare (about 1.9 wide), lowered from the rest pose's A stance.
            const glm::vec3 wrist = play.Position(s + "手首");
            EXPECT_GT(wrist.x * static_cast<float>(side), 2.0f) << s << " frame " << frame;
            EXPECT_LT(wrist.x * static_cast<float>(side), rest[s + "手首"].x * static_cast<float>(side) - 0.8f) << s;
            EXPECT_LT(wrist.y, rest[s + "手首"].y - 0.5f) << s << " frame " << frame;
        }
    }
    // The leg IK leaves a nearly straight leg a few hundredths short of its goal, so that much slip is the solver's.
    EXPECT_LT(footDrift, 0.1f);
    // The two ends agree to the IK's convergence; something always moves, and no frame (the restart included)
    // moves much more than its neighbours.
    EXPECT_LT(LargestDistance(poses.front(), poses.back()), 2e-3f);
    float largestStep = 0.0f;
    float smallestStep = 1e9f;
    for (int frame = 1; frame <= loop; ++frame) {
        const float step = LargestDistance(poses[frame - 1], poses[frame]);
        largestStep = std::max(largestStep, step);
        smallestStep = std::min(smallestStep, step);
    }
    EXPECT_GT(smallestStep, 0.0f);
    const float seamIn = LargestDistance(poses[loop - 1], poses[loop]);
    const float seamOut = LargestDistance(poses[0], poses[1]);
    EXPECT_LT(seamIn, 2.0f * seamOut + 1e-4f);
    EXPECT_LT(seamOut, 2.0f * seamIn + 1e-4f);
    EXPECT_LT(largestStep, 0.05f);
}

INSTANTIATE_TEST_SUITE_P(Sets, IdleLoopTest, ::testing::Values("default", "relaxed"));

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

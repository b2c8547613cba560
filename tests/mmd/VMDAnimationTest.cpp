#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/quaternion.hpp>
#include <limits>
#include <memory>
#include <random>
#include <set>

#include "mmd/MMDIkSolver.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmd/SjisToUnicode.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "support/LogCapture.h"
#include "support/ModelBuilder.h"
#include "mmd/writer/VmdWriter.h"

using mmd::VmdBoneKey;
using mmd::VmdWriter;

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "vmdanimation_" + name; }

// A leg with a foot IK, a head and one vertex morph.
std::shared_ptr<mmd::PMXModel> LoadLegModel() {
    mnx::test::ModelBuilder b;
    const int center = b.AddBone("センター", {0, 8, 0});
    const int head = b.AddBone("頭", {0, 15, 0}, center);
    const int leg = b.AddBone("左足", {1, 8, 0}, center);
    const int knee = b.AddBone("左ひざ", {1, 4, 0}, leg);
    const int ankle = b.AddBone("左足首", {1, 0, 0}, knee);
    const int ik = b.AddIKBone("左足ＩＫ", {1, 0, 0}, center, ankle);
    b.AddIKLink(ik, knee, {-3.14f, 0, 0}, {-0.01f, 0, 0});
    b.AddIKLink(ik, leg);
    b.AddVertex({0, 15, 0}, head);
    b.AddVertex({1, 4, 0}, knee);
    b.AddVertex({1, 0, 0}, ankle);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("body");
    b.AddPositionMorph("まばたき", {{0, {0, 1, 0}}});
    b.AddPositionMorph("あ", {{1, {0, 0, 1}}});
    const std::string path = TempPath("leg.pmx");
    EXPECT_TRUE(b.WriteFile(path));
    auto model = std::make_shared<mmd::PMXModel>();
    EXPECT_TRUE(model->Load(path, ""));
    model->InitializeAnimation();
    return model;
}

mmd::VMDFileData Read(const VmdWriter& writer) {
    const std::string path = TempPath("motion.vmd");
    EXPECT_TRUE(writer.Save(path));
    mmd::VMDFileData vmd;
    EXPECT_TRUE(mmd::ReadVMDFile(vmd, path));
    return vmd;
}

VmdBoneKey Key(const std::string& name, uint32_t frame, const glm::vec3& t, const glm::quat& r,
               const mmd::VmdInterpolation& curves = VmdWriter::Linear()) {
    VmdBoneKey key;
    key.name = name;
    key.frame = frame;
    key.translate = t;
    key.rotate = r;
    key.interpolation = curves;
    return key;
}

mmd::MMDNode* Node(mmd::PMXModel& model, const std::string& name) {
    const int32_t index = model.GetNodeManager()->FindNodeIndex(name);
    EXPECT_GE(index, 0) << name;
    return model.GetNodeManager()->GetNode(size_t(index));
}

mmd::MMDMorph* Morph(mmd::PMXModel& model, const std::string& name) {
    return model.GetMorphManager()->GetMorph(size_t(model.GetMorphManager()->FindMorphIndex(name)));
}

class VMDAnimationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_animation.Create(m_model)); }

    std::shared_ptr<mmd::PMXModel> m_model = LoadLegModel();
    mmd::VMDAnimation m_animation;
};

const glm::quat kTurn = glm::angleAxis(1.0f, glm::normalize(glm::vec3(0.3f, 1.0f, 0.2f)));

TEST_F(VMDAnimationTest, LinearCurvesGiveTheMidpoint) {
    ASSERT_TRUE(m_animation.Add(Read(VmdWriter()
                                         .AddBoneKey(Key("センター", 0, {0, 0, 0}, glm::quat(1, 0, 0, 0)))
                                         .AddBoneKey(Key("センター", 30, {2, 4, 6}, kTurn)))));
    m_animation.Evaluate(15.0f);
    mmd::MMDNode* center = Node(*m_model, "センター");
    const glm::vec3 t = center->GetAnimationTranslate();
    EXPECT_NEAR(t.x, 1.0f, 1e-4f);
    EXPECT_NEAR(t.y, 2.0f, 1e-4f);
    EXPECT_NEAR(t.z, -3.0f, 1e-4f);  // Z negated into the right-handed frame
    const glm::quat expected = glm::slerp(glm::quat(1, 0, 0, 0), glm::quat(kTurn.w, -kTurn.x, -kTurn.y, kTurn.z), 0.5f);
    EXPECT_NEAR(std::fabs(glm::dot(center->GetAnimationRotate(), expected)), 1.0f, 1e-4f);
}

TEST_F(VMDAnimationTest, HoldsTheEndKeysOutsideTheirRange) {
    m_animation.Add(Read(VmdWriter()
                             .AddBoneKey(Key("頭", 40, {0, 0, 5}, kTurn))
                             .AddBoneKey(Key("頭", 10, {1, 0, 0}, glm::quat(1, 0, 0, 0)))));
    mmd::MMDNode* head = Node(*m_model, "頭");
    for (float frame : {0.0f, 9.99f, 10.0f}) {
        m_animation.Evaluate(frame);
        EXPECT_LT(glm::distance(head->GetAnimationTranslate(), glm::vec3(1, 0, 0)), 1e-4f) << frame;
    }
    for (float frame : {40.0f, 41.0f, 1e9f}) {
        m_animation.Evaluate(frame);
        EXPECT_EQ(head->GetAnimationTranslate(), glm::vec3(0, 0, -5)) << frame;
        EXPECT_NEAR(std::fabs(glm::dot(head->GetAnimationRotate(), glm::quat(kTurn.w, -kTurn.x, -kTurn.y, kTurn.z))),
                    1.0f, 1e-6f);
    }
    EXPECT_EQ(m_animation.GetMaxKeyTime(), 40);
}

// The segment is shaped by the earlier key's curves.
TEST_F(VMDAnimationTest, EarlierKeyCurvesShapeTheSegment) {
    m_animation.Add(
        Read(VmdWriter()
                 .AddBoneKey(Key("頭", 0, {0, 0, 0}, glm::quat(1, 0, 0, 0), VmdWriter::Curves(127, 0, 127, 0)))
                 .AddBoneKey(Key("頭", 10, {10, 0, 0}, glm::quat(1, 0, 0, 0), VmdWriter::Linear()))));
    m_animation.Evaluate(5.0f);
    const mmd::VMDBezier slowStart = mmd::VMDBezier::FromBytes(127, 0, 127, 0);
    EXPECT_NEAR(Node(*m_model, "頭")->GetAnimationTranslate().x, 10.0f * slowStart.Interpolate(0.5f), 1e-4f);
    EXPECT_LT(Node(*m_model, "頭")->GetAnimationTranslate().x, 2.0f);
}

// Jumping around the timeline (the cached key index) gives what a fresh search gives.
TEST_F(VMDAnimationTest, CachedSearchMatchesAFreshOne) {
    VmdWriter writer;
    for (uint32_t f : {0u, 3u, 4u, 10u, 10u, 11u, 30u, 31u, 50u}) {
        writer.AddBoneKey(Key("頭", f, {float(f), float(f % 7), 0}, glm::angleAxis(0.05f * f, glm::vec3(0, 1, 0))));
    }
    const mmd::VMDFileData vmd = Read(writer);
    m_animation.Add(vmd);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> frames(-5.0f, 60.0f);
    for (int i = 0; i < 300; ++i) {
        const float frame = i % 3 == 0 ? float(i % 60) : frames(random);
        m_animation.Evaluate(frame);
        const glm::vec3 cached = Node(*m_model, "頭")->GetAnimationTranslate();
        mmd::VMDAnimation fresh;
        fresh.Create(m_model);
        fresh.Add(vmd);
        fresh.Evaluate(frame);
        EXPECT_EQ(Node(*m_model, "頭")->GetAnimationTranslate(), cached) << frame;
    }
}

TEST_F(VMDAnimationTest, MorphKeysInterpolateLinearly) {
    m_animation.Add(Read(VmdWriter().AddMorphKey("まばたき", 10, 1.0f).AddMorphKey("まばたき", 0, 0.0f)));
    mmd::MMDMorph* blink = Morph(*m_model, "まばたき");
    m_animation.EvaluateMorph(2.5f);
    EXPECT_FLOAT_EQ(blink->GetWeight(), 0.25f);
    m_animation.EvaluateMorph(99.0f);
    EXPECT_FLOAT_EQ(blink->GetWeight(), 1.0f);
}

TEST_F(VMDAnimationTest, IKKeysSwitchTheSolver) {
    m_animation.Add(Read(VmdWriter()
                             .AddIkKey({0, 1, {{"左足ＩＫ", false}, {"右足ＩＫ", true}}})
                             .AddIkKey({10, 1, {{"左足ＩＫ", true}}})));
    mmd::MMDIkSolver* solver = m_model->GetIKManager()->GetIKSolver(0);
    m_animation.EvaluateIK(5.0f);
    EXPECT_FALSE(solver->Enabled());
    m_animation.EvaluateIK(10.0f);
    EXPECT_TRUE(solver->Enabled());
    m_animation.EvaluateIK(3.0f);
    EXPECT_FALSE(solver->Enabled());
    EXPECT_EQ(m_animation.GetMaxKeyTime(), 10);
}

// Frames that never come from the clock still end and leave finite values.
TEST_F(VMDAnimationTest, OddFramesAndCurveBytesStayFinite) {
    VmdWriter writer;
    writer.AddBoneKey(Key("頭", 0, {0, 0, 0}, kTurn, VmdWriter::Curves(255, 255, 200, 130)));
    writer.AddBoneKey(Key("頭", 1, {1, 1, 1}, glm::quat(0, 0, 0, 0)));  // a zero rotation in a broken file
    writer.AddBoneKey(Key("頭", 0xFFFFFFFFu, {5, 5, 5}, kTurn));        // frame -1 as a signed frame
    m_animation.Add(Read(writer));
    const float inf = std::numeric_limits<float>::infinity();
    for (float frame : {-0.5f, std::numeric_limits<float>::quiet_NaN(), inf, -inf, 0.5f, 3e9f, -3e9f}) {
        m_animation.Evaluate(frame);
        const glm::vec3 t = Node(*m_model, "頭")->GetAnimationTranslate();
        const glm::quat r = Node(*m_model, "頭")->GetAnimationRotate();
        EXPECT_TRUE(std::isfinite(t.x + t.y + t.z + r.x + r.y + r.z + r.w)) << frame;
    }
}

TEST(VMDAnimationClockTest, LoopsAfterTheLastKey) {
    auto model = LoadLegModel();
    mmd::VMDAnimation animation;
    animation.Create(model);
    animation.Add(Read(VmdWriter().AddMorphKey("あ", 60, 1.0f)));
    ASSERT_EQ(animation.GetMaxKeyTime(), 60);
    animation.Start(100.0);
    EXPECT_DOUBLE_EQ(animation.GetCurrentFrame(101.0), 30.0);
    EXPECT_DOUBLE_EQ(animation.GetCurrentFrame(102.5), 75.0);  // no loop: counts on
    animation.SetLoop(true);
    EXPECT_DOUBLE_EQ(animation.GetCurrentFrame(102.5), 0.0);  // restart
    EXPECT_DOUBLE_EQ(animation.GetCurrentFrame(103.0), 15.0);
    EXPECT_DOUBLE_EQ(animation.GetCurrentFrame(104.5), 60.0);
    EXPECT_DOUBLE_EQ(animation.GetCurrentFrame(104.6), 0.0);
}

}  // namespace

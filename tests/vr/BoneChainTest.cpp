// The CCD chains of the body controller: set-up links and rest data, solving toward a target, the early stop,
// the pre-turns of the head and arm chains, and writing the result into the nodes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "mmd/PMXNode.h"
#include "vr/BodyMath.h"
#include "vr/BoneChain.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// A bone hierarchy built directly from rest positions (model space), each bone the child of the previous one.
class Bones {
public:
    mmd::PMXNode* add(const char* name, const glm::vec3& position) {
        m_nodes.push_back(std::make_unique<mmd::PMXNode>());
        mmd::PMXNode* node = m_nodes.back().get();
        node->SetName(name);
        mmd::PMXNode* parent = m_nodes.size() > 1 ? m_nodes[m_nodes.size() - 2].get() : nullptr;
        node->SetTranslate(parent ? position - m_positions.back() : position);
        node->SaveInitialTRS();
        if (parent) parent->AddChild(node);
        m_positions.push_back(position);
        refresh();
        node->CalculateInverseInitTransform();
        return node;
    }
    void refresh() {
        for (auto& n : m_nodes) n->UpdateLocalTransform();
        m_nodes.front()->UpdateGlobalTransform();
    }
    glm::vec3 globalPosition(const mmd::PMXNode* node) const { return glm::vec3(node->GetGlobalTransform()[3]); }

private:
    std::vector<std::unique_ptr<mmd::PMXNode>> m_nodes;
    std::vector<glm::vec3> m_positions;
};

float distance(const Vector3& a, const Vector3& b) { return bodymath::length(bodymath::sub(a, b)); }

TEST(BoneChainTest, SetUpLinksJointsAndDerivesRestData) {
    Bones bones;
    mmd::PMXNode* root = bones.add("上半身", {0, 10, 0});
    mmd::PMXNode* mid = bones.add("上半身2", {0, 12, 0});
    mmd::PMXNode* tip = bones.add("首", {0, 15, 1});
    BoneChain chain(BoneChain::kHead);
    EXPECT_EQ(chain.addJoint(nullptr), nullptr) << "a missing bone adds nothing";
    chain.addJoint(tip);
    chain.addJoint(mid);
    chain.addJoint(root);
    chain.finishSetup();
    const auto& joints = chain.joints();
    ASSERT_EQ(joints.size(), 3u);
    ASSERT_EQ(chain.rootFirst().size(), 3u);
    EXPECT_EQ(chain.rootFirst()[0], joints[2].get());
    EXPECT_EQ(chain.rootFirst()[2], joints[0].get());
    EXPECT_EQ(joints[0]->parentJoint, joints[1].get());
    EXPECT_EQ(joints[1]->parentJoint, joints[2].get());
    EXPECT_EQ(joints[2]->parentJoint, nullptr);
    EXPECT_EQ(chain.find(mid), joints[1].get());
    EXPECT_EQ(joints[0]->name, QStringLiteral("首"));
    EXPECT_NEAR(distance(joints[0]->restPos, Vector3{0, 15, 1}), 0.0f, 1e-5f);
    EXPECT_NEAR(distance(joints[0]->toParent, Vector3{0, -3, -1}), 0.0f, 1e-5f);
    EXPECT_NEAR(distance(joints[2]->toParent, Vector3{}), 0.0f, 1e-6f);
    EXPECT_NEAR(distance(joints[1]->childPos, Vector3{0, 15, 1}), 0.0f, 1e-5f);
    // The rest frame turns +z onto the bone's direction toward its child.
    const Vector3 dir = bodymath::rotate(joints[1]->restFrame, Vector3{0, 0, 1});
    const float l = std::sqrt(10.0f);
    EXPECT_NEAR(distance(dir, Vector3{0, 3 / l, 1 / l}), 0.0f, 1e-5f);
    EXPECT_EQ(joints[0]->restFrame, Quaternion{}) << "the effector has no direction of its own";
    for (const auto& joint : joints) {
        ASSERT_NE(joint->marker, nullptr);
        EXPECT_FLOAT_EQ(joint->marker->scale(), 0.002f);
        EXPECT_EQ(joint->marker->vertexCount(), 0) << "no GL work without a context";
    }
}

// Solves toward targets in space (rotations about different axes, so the order of the accumulated rotations
// matters), writes the result and checks that the model's own forward kinematics lands on the target.
TEST(BoneChainTest, SolvedRotationsPutTheModelsEffectorOnTheTarget) {
    for (const glm::vec3& target : {glm::vec3(3, 4, 5), glm::vec3(-4, 2, -3), glm::vec3(1, 8, 2)}) {
        Bones bones;
        mmd::PMXNode* root = bones.add("root", {0, 0, 0});
        mmd::PMXNode* mid = bones.add("mid", {0, 5, 0});
        mmd::PMXNode* tip = bones.add("tip", {0, 10, 0});
        BoneChain chain(BoneChain::kHead);
        chain.addJoint(tip);
        chain.addJoint(mid);
        chain.addJoint(root);
        chain.finishSetup();
        chain.solve(bodymath::fromGlm(target));
        EXPECT_LT(distance(chain.joints()[0]->pos, bodymath::fromGlm(target)), 0.01f);
        chain.apply();
        bones.refresh();
        EXPECT_LT(glm::length(bones.globalPosition(tip) - target), 0.01f)
            << "target " << target.x << "," << target.y << "," << target.z;
        EXPECT_EQ(tip->GetAnimationRotate(), glm::quat(1, 0, 0, 0)) << "the effector's rotation is not written";
    }
}

TEST(BoneChainTest, TargetOnTheEffectorStopsAtOnce) {
    Bones bones;
    mmd::PMXNode* root = bones.add("root", {0, 0, 0});
    mmd::PMXNode* mid = bones.add("mid", {0, 5, 0});
    mmd::PMXNode* tip = bones.add("tip", {2, 9, 0});
    BoneChain chain(BoneChain::kHead);
    chain.addJoint(tip);
    chain.addJoint(mid);
    chain.addJoint(root);
    chain.finishSetup();
    chain.solve(Vector3{2.00005f, 9.0f, 0.0f});
    EXPECT_EQ(chain.lastStepCount(), 0);
    chain.solve(Vector3{2.001f, 9.0f, 0.0f});
    EXPECT_GT(chain.lastStepCount(), 0);

    BoneChain single(BoneChain::kHead);
    single.addJoint(tip);
    single.finishSetup();
    single.solve(Vector3{5, 5, 5});
    EXPECT_EQ(single.lastStepCount(), 0) << "a chain of one joint cannot move";
}

TEST(BoneChainTest, HeadChainPreTurnsJointOneAboutY) {
    Bones bones;
    mmd::PMXNode* root = bones.add("上半身", {0, 10, 0});
    mmd::PMXNode* mid = bones.add("上半身2", {0, 12, 0});
    mmd::PMXNode* tip = bones.add("首", {0, 15, 0});
    BoneChain chain(BoneChain::kHead);
    chain.addJoint(tip);
    chain.addJoint(mid);
    chain.addJoint(root);
    chain.finishSetup();
    const float a = 0.8f;
    // A target straight above the upright chain is out of reach and needs no bend: only the pre-turn remains.
    chain.solve(Vector3{0, 30, 0}, a);
    const Quaternion& q = chain.joints()[1]->solveRotation;
    EXPECT_NEAR(q.w, std::cos(a / 4), 1e-5f);
    EXPECT_NEAR(q.y, std::sin(a / 4), 1e-5f);
    EXPECT_NEAR(q.x, 0.0f, 1e-5f);
    EXPECT_NEAR(chain.joints()[2]->solveRotation.w, 1.0f, 1e-5f);
    chain.apply(0.0f);
    EXPECT_NEAR(mid->GetAnimationRotate().y, std::sin(a / 4), 1e-5f);
    // A blend keeps part of the rotation the node already had.
    mid->SetAnimationRotate(glm::quat(1, 0, 0, 0));
    chain.apply(1.0f);
    EXPECT_NEAR(mid->GetAnimationRotate().w, 1.0f, 1e-5f);
}

TEST(BoneChainTest, ArmChainStartsLoweredAndStillReaches) {
    Bones bones;
    mmd::PMXNode* shoulder = bones.add("右腕", {-1.5f, 14, 0});
    mmd::PMXNode* elbow = bones.add("右ひじ", {-4, 14, 0});
    mmd::PMXNode* wrist = bones.add("右手首", {-6.5f, 14, 0});
    BoneChain chain(BoneChain::kRightArm);
    chain.addJoint(wrist);
    chain.addJoint(elbow);
    chain.addJoint(shoulder);
    chain.setTwist(nullptr);
    chain.finishSetup();
    EXPECT_EQ(chain.twist(), nullptr);
    // The lowered start moves the wrist off its rest position, so even the rest position takes solving.
    chain.solve(Vector3{-6.5f, 14, 0});
    EXPECT_GT(chain.lastStepCount(), 0);
    EXPECT_LT(distance(chain.joints()[0]->pos, Vector3{-6.5f, 14, 0}), 0.1f) << "full stretch converges slowly";
    const Vector3 target{-4, 10, 1};
    chain.solve(target);
    EXPECT_LT(distance(chain.joints()[0]->pos, target), 0.01f);
    chain.apply();
    bones.refresh();
    EXPECT_LT(glm::length(bones.globalPosition(wrist) - bodymath::toGlm(target)), 0.01f);
}

}  // namespace

// The CCD chains of the body controller, checked through the bones' own forward kinematics: solving toward a
// target, the early stop, the pre-turns of the head and arm chains, and writing the result into the nodes.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "mmd/PMXNode.h"
#include "vr/BodyMath.h"
#include "vr/BoneChain.h"

namespace {

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

// A chain of three bones, each the child of the previous one, effector first as the controller adds them.
struct Chain3 {
    Chain3(int side, const glm::vec3& a, const glm::vec3& b, const glm::vec3& c,
           std::array<const char*, 3> names = {"root", "mid", "tip"})
        : chain(side) {
        root = bones.add(names[0], a);
        mid = bones.add(names[1], b);
        tip = bones.add(names[2], c);
        chain.addJoint(tip);
        chain.addJoint(mid);
        chain.addJoint(root);
        chain.finishSetup();
    }
    Bones bones;
    mmd::PMXNode *root, *mid, *tip;
    BoneChain chain;
};

// Solves toward targets in space (rotations about different axes, so the order of the accumulated rotations
// matters), writes the result and checks that the model's own forward kinematics lands on the target.
TEST(BoneChainTest, SolvedRotationsPutTheModelsEffectorOnTheTarget) {
    for (const glm::vec3& target : {glm::vec3(3, 4, 5), glm::vec3(-4, 2, -3), glm::vec3(1, 8, 2)}) {
        Chain3 c(BoneChain::kHead, {0, 0, 0}, {0, 5, 0}, {0, 10, 0});
        BoneChain& chain = c.chain;
        chain.solve(bodymath::fromGlm(target));
        EXPECT_LT(distance(chain.joints()[0]->pos, bodymath::fromGlm(target)), 0.01f);
        chain.apply();
        c.bones.refresh();
        EXPECT_LT(glm::length(c.bones.globalPosition(c.tip) - target), 0.01f)
            << "target " << target.x << "," << target.y << "," << target.z;
        EXPECT_EQ(c.tip->GetAnimationRotate(), glm::quat(1, 0, 0, 0)) << "the effector's rotation is not written";
    }
}

TEST(BoneChainTest, HeadChainPreTurnsJointOneAboutY) {
    Chain3 c(BoneChain::kHead, {0, 10, 0}, {0, 12, 0}, {0, 15, 0});
    BoneChain& chain = c.chain;
    mmd::PMXNode* mid = c.mid;
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
    Chain3 c(BoneChain::kRightArm, {-1.5f, 14, 0}, {-4, 14, 0}, {-6.5f, 14, 0}, {"右腕", "右ひじ", "右手首"});
    BoneChain& chain = c.chain;
    // The lowered start moves the wrist off its rest position, so even the rest position takes solving.
    chain.solve(Vector3{-6.5f, 14, 0});
    EXPECT_GT(chain.lastStepCount(), 0);
    EXPECT_LT(distance(chain.joints()[0]->pos, Vector3{-6.5f, 14, 0}), 0.1f) << "full stretch converges slowly";
    const Vector3 target{-4, 10, 1};
    chain.solve(target);
    EXPECT_LT(distance(chain.joints()[0]->pos, target), 0.01f);
    chain.apply();
    c.bones.refresh();
    EXPECT_LT(glm::length(c.bones.globalPosition(c.tip) - bodymath::toGlm(target)), 0.01f);
}

}  // namespace

#include "mmd/MMDMotionState.h"

#include "mmd/PMXNode.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtx/euler_angles.hpp>
#include <gtest/gtest.h>

#include <limits>

namespace mmd {
namespace {

void ExpectMatNear(const glm::mat4& a, const glm::mat4& b, float tolerance = 1e-5f) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(a[c][r], b[c][r], tolerance) << "column " << c << " row " << r;
        }
    }
}

const glm::mat4 kFlipZ = glm::scale(glm::mat4(1.0f), glm::vec3(1, 1, -1));

glm::mat4 SomeTransform() {
    return glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3)) * glm::eulerAngleYXZ(0.3f, -0.7f, 1.1f);
}

TEST(MMDMotionStateTest, InvZIsTheMirrorConjugationAndItsOwnInverse) {
    const glm::mat4 m = SomeTransform();
    ExpectMatNear(InvZ(m), kFlipZ * m * kFlipZ);
    ExpectMatNear(InvZ(InvZ(m)), m);
    ExpectMatNear(ToMat4(ToBtTransform(m)), m);
}

// A two-bone chain: parent at (0, 10, 0), child 2 units further along -Y in parent space.
struct Chain {
    Chain() {
        parent.SetTranslate(glm::vec3(0, 10, 0));
        child.SetTranslate(glm::vec3(0, -2, 0));
        parent.AddChild(&child);
        parent.UpdateLocalTransform();
        child.UpdateLocalTransform();
        parent.UpdateGlobalTransform();
    }
    PMXNode parent;
    PMXNode child;
};

TEST(MMDMotionStateTest, KinematicFollowsTheNodeInTheWorldFrame) {
    Chain chain;
    const glm::mat4 offset = glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, 1));
    KinematicMotionState state(&chain.parent, offset);
    btTransform world;
    state.getWorldTransform(world);
    ExpectMatNear(ToMat4(world), InvZ(chain.parent.GetGlobalTransform() * offset));
    EXPECT_FLOAT_EQ(world.getOrigin().z(), -1.0f);  // runtime +Z is the file's -Z

    chain.parent.SetAnimationTranslate(glm::vec3(5, 0, 0));
    chain.parent.UpdateLocalTransform();
    chain.parent.UpdateGlobalTransform();
    state.setWorldTransform(btTransform::getIdentity());  // ignored
    state.getWorldTransform(world);
    EXPECT_FLOAT_EQ(world.getOrigin().x(), 5.0f);
}

TEST(MMDMotionStateTest, DynamicWritesTheSimulatedPoseIntoTheNodeAndItsChildren) {
    Chain chain;
    const glm::mat4 offset = glm::translate(glm::mat4(1.0f), glm::vec3(0, -1, 0));
    DynamicMotionState state(&chain.parent, offset);

    // The body swings a quarter turn about the file's Z axis around the parent bone.
    const glm::mat4 bodyRuntime = glm::translate(glm::mat4(1.0f), glm::vec3(0, 10, 0)) *
                                  glm::rotate(glm::mat4(1.0f), glm::half_pi<float>(), glm::vec3(0, 0, 1)) * offset;
    state.setWorldTransform(ToBtTransform(InvZ(bodyRuntime)));
    state.ReflectGlobalTransform();

    ExpectMatNear(chain.parent.GetGlobalTransform(), bodyRuntime * glm::inverse(offset));
    // The child hangs 2 units down the parent's rotated -Y axis, i.e. at +X.
    const glm::vec3 childPos(chain.child.GetGlobalTransform()[3]);
    EXPECT_NEAR(childPos.x, 2.0f, 1e-5f);
    EXPECT_NEAR(childPos.y, 10.0f, 1e-5f);

    state.Reset();
    btTransform world;
    state.getWorldTransform(world);
    ExpectMatNear(ToMat4(world), InvZ(chain.parent.GetGlobalTransform() * offset));
}

TEST(MMDMotionStateTest, MergeKeepsTheNodesTranslation) {
    Chain chain;
    const glm::mat4 offset = glm::translate(glm::mat4(1.0f), glm::vec3(0, -1, 0));
    DynamicAndBoneMergeMotionState state(&chain.parent, offset);
    const glm::mat4 rotation = glm::rotate(glm::mat4(1.0f), 0.5f, glm::vec3(1, 0, 0));
    // The body also drifted 3 units sideways; the bone must not follow that drift.
    const glm::mat4 bodyRuntime = glm::translate(glm::mat4(1.0f), glm::vec3(3, 10, 0)) * rotation * offset;
    state.setWorldTransform(ToBtTransform(InvZ(bodyRuntime)));
    state.ReflectGlobalTransform();

    const glm::mat4& global = chain.parent.GetGlobalTransform();
    EXPECT_EQ(glm::vec3(global[3]), glm::vec3(0, 10, 0));
    ExpectMatNear(glm::mat4(glm::mat3(global)), rotation);
}

TEST(MMDMotionStateTest, NonFiniteSimulationLeavesTheNodeAlone) {
    Chain chain;
    const glm::mat4 before = chain.parent.GetGlobalTransform();
    DynamicMotionState state(&chain.parent, glm::mat4(1.0f));
    btTransform broken = btTransform::getIdentity();
    broken.setOrigin(btVector3(std::numeric_limits<float>::quiet_NaN(), 0, 0));
    state.setWorldTransform(broken);
    state.ReflectGlobalTransform();
    EXPECT_EQ(chain.parent.GetGlobalTransform(), before);
}

TEST(MMDMotionStateTest, DefaultKeepsItsOwnTransformAndResetsToTheInitialOne) {
    const glm::mat4 initial = SomeTransform();
    DefaultMotionState state(initial);
    btTransform world;
    state.getWorldTransform(world);
    ExpectMatNear(ToMat4(world), initial);
    state.setWorldTransform(btTransform::getIdentity());
    state.getWorldTransform(world);
    ExpectMatNear(ToMat4(world), glm::mat4(1.0f));
    state.Reset();
    state.getWorldTransform(world);
    ExpectMatNear(ToMat4(world), initial);
}

}  // namespace
}  // namespace mmd

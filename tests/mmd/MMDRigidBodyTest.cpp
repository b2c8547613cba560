#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <limits>

#include "mmd/MMDMotionState.h"
#include "mmd/MMDPhysics.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXFile.h"
#include "mmd/PMXNode.h"
#include "support/LogCapture.h"

namespace mmd {
namespace {

using mnx::test::LogCapture;

PMXRigidBody Body(PMXRigidBodyShape shape, PMXRigidBodyOperation operation, const glm::vec3& position) {
    PMXRigidBody rb;
    rb.m_name = "body";
    rb.m_shape = shape;
    rb.m_shapeSize = glm::vec3(0.5f, 1.0f, 0.5f);
    rb.m_position = position;
    rb.m_mass = 1.0f;
    rb.m_translationDamping = 0.5f;
    rb.m_rotationDamping = 0.5f;
    rb.m_friction = 0.5f;
    rb.m_operation = operation;
    rb.m_collisionMask = 0;
    return rb;
}

// A root bone at `position` in file coordinates, posed at rest.
struct Bone {
    explicit Bone(const glm::vec3& position) {
        node.SetTranslate(glm::vec3(position.x, position.y, -position.z));
        node.UpdateLocalTransform();
        node.UpdateGlobalTransform();
        node.CalculateInverseInitTransform();
    }
    PMXNode node;
};

TEST(MMDRigidBodyTest, RejectsUnknownShapesAndOperationsAndNonFiniteNumbers) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<PMXRigidBody> bad(3, Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::Dynamic, {}));
    bad[0].m_shape = static_cast<PMXRigidBodyShape>(3);
    bad[1].m_operation = static_cast<PMXRigidBodyOperation>(3);
    bad[2].m_mass = nan;
    for (const PMXRigidBody& rb : bad) {
        LogCapture log;
        MMDRigidBody body;
        EXPECT_FALSE(body.Create(rb, nullptr, nullptr));
        EXPECT_EQ(body.GetRigidBody(), nullptr);
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_EQ(log.Lines()[0].level, spdlog::level::err);
    }
}

// The body keeps its file position relative to its bone: the file's (1, 12, 5) is (1, 12, -5) in the runtime frame.
TEST(MMDRigidBodyTest, ABoneFollowingBodyStartsAtItsFilePosition) {
    Bone bone({0, 10, 2});
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::FollowBone, {1, 12, 5}), nullptr,
                            &bone.node));
    EXPECT_EQ(body.GetNode(), &bone.node);
    EXPECT_LT(glm::distance(glm::vec3(body.GetTransform()[3]), glm::vec3(1, 12, -5)), 1e-5f);
    // Bullet's world is the file's left-handed frame.
    btTransform world;
    body.GetRigidBody()->getMotionState()->getWorldTransform(world);
    EXPECT_NEAR(world.getOrigin().z(), 5.0f, 1e-5f);
}

// A simulation gone non-finite must not reach the bone it drives.
TEST(MMDRigidBodyTest, NonFiniteSimulationLeavesTheNodeAlone) {
    Bone bone({0, 10, 0});
    const glm::mat4 before = bone.node.GetGlobalTransform();
    DynamicMotionState state(&bone.node, glm::mat4(1.0f));
    btTransform broken = btTransform::getIdentity();
    broken.setOrigin(btVector3(std::numeric_limits<float>::quiet_NaN(), 0, 0));
    state.setWorldTransform(broken);
    state.ReflectGlobalTransform();
    EXPECT_EQ(bone.node.GetGlobalTransform(), before);
}

class MMDRigidBodyWorldTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_physics.Create()); }
    void TearDown() override {
        for (MMDRigidBody* body : m_added) {
            m_physics.RemoveRigidBody(body);
        }
    }
    void Add(MMDRigidBody& body) {
        m_physics.AddRigidBody(&body);
        m_added.push_back(&body);
    }
    // One frame of the model's physics sequence for a single body.
    void Frame(MMDRigidBody& body, float seconds = 1.0f / 60.0f) {
        body.SetActivation(true);
        m_physics.Update(seconds);
        body.ReflectGlobalTransform();
        body.CalcLocalTransform();
    }

    MMDPhysics m_physics;
    std::vector<MMDRigidBody*> m_added;
};

struct DriveCase {
    PMXRigidBodyOperation operation;
    bool boneMoves;
};

class MMDRigidBodyDriveTest : public MMDRigidBodyWorldTest, public ::testing::WithParamInterface<DriveCase> {};

TEST_P(MMDRigidBodyDriveTest, SimulatedBodyTurnsItsBoneAndMovesItOnlyWithoutMerge) {
    m_physics.SetGravity(0, 0, 0);
    Bone bone({0, 10, 0});
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(Body(PMXRigidBodyShape::Box, GetParam().operation, {0, 9, 0}), nullptr, &bone.node));
    Add(body);
    body.SetActivation(true);
    body.GetRigidBody()->setLinearVelocity(btVector3(6, 0, 0));
    body.GetRigidBody()->setAngularVelocity(btVector3(0, 0, 2));
    for (int i = 0; i < 10; ++i) {
        Frame(body);
    }
    const glm::mat4& global = bone.node.GetGlobalTransform();
    EXPECT_LT(global[0][0], 0.99f) << "the bone did not turn";
    // The bone's rotation is the body's (as its motion state reports it, one interpolation step behind Bullet's own
    // transform) whichever way the position goes.
    btTransform reported;
    body.GetRigidBody()->getMotionState()->getWorldTransform(reported);
    const glm::mat3 bodyRotation(InvZ(ToMat4(reported)));
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(global[c][r], bodyRotation[c][r], 1e-5f);
        }
    }
    if (GetParam().boneMoves) {
        EXPECT_GT(global[3].x, 0.5f);
    } else {
        EXPECT_EQ(glm::vec3(global[3]), glm::vec3(0, 10, 0));
    }
    // The local transform agrees with the new global (a root bone: local = global).
    EXPECT_EQ(bone.node.GetLocalTransform(), global);
}

INSTANTIATE_TEST_SUITE_P(Operations, MMDRigidBodyDriveTest,
                         ::testing::Values(DriveCase{PMXRigidBodyOperation::Dynamic, true},
                                           DriveCase{PMXRigidBodyOperation::DynamicWithBonePosition, false}));

}  // namespace
}  // namespace mmd

#include "mmd/MMDRigidBody.h"

#include "mmd/MMDMotionState.h"
#include "mmd/MMDPhysics.h"
#include "mmd/PMXFile.h"
#include "mmd/PMXNode.h"
#include "support/LogCapture.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <limits>

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
    void MoveTo(const glm::vec3& runtimePosition, const glm::quat& rotation = glm::quat(1, 0, 0, 0)) {
        node.SetTranslate(runtimePosition);
        node.SetRotate(rotation);
        node.UpdateLocalTransform();
        node.UpdateGlobalTransform();
    }
    PMXNode node;
};

struct ShapeCase {
    PMXRigidBodyShape shape;
    int bulletType;
};

class MMDRigidBodyShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(MMDRigidBodyShapeTest, BuildsTheFilesShape) {
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(Body(GetParam().shape, PMXRigidBodyOperation::Dynamic, {}), nullptr, nullptr));
    EXPECT_EQ(body.GetRigidBody()->getCollisionShape()->getShapeType(), GetParam().bulletType);
    EXPECT_EQ(body.GetRigidBody()->getUserPointer(), &body);
}

INSTANTIATE_TEST_SUITE_P(Shapes, MMDRigidBodyShapeTest,
                         ::testing::Values(ShapeCase{PMXRigidBodyShape::Sphere, SPHERE_SHAPE_PROXYTYPE},
                                           ShapeCase{PMXRigidBodyShape::Box, BOX_SHAPE_PROXYTYPE},
                                           ShapeCase{PMXRigidBodyShape::Capsule, CAPSULE_SHAPE_PROXYTYPE}));

TEST(MMDRigidBodyTest, RejectsUnknownShapesAndOperationsAndNonFiniteNumbers) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<PMXRigidBody> bad(6, Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::Dynamic, {}));
    bad[0].m_shape = static_cast<PMXRigidBodyShape>(3);
    bad[1].m_operation = static_cast<PMXRigidBodyOperation>(3);
    bad[2].m_shapeSize.x = nan;
    bad[3].m_position.y = std::numeric_limits<float>::infinity();
    bad[4].m_mass = nan;
    bad[5].m_rotation.z = nan;
    for (const PMXRigidBody& rb : bad) {
        LogCapture log;
        MMDRigidBody body;
        EXPECT_FALSE(body.Create(rb, nullptr, nullptr));
        EXPECT_EQ(body.GetRigidBody(), nullptr);
        ASSERT_EQ(log.Lines().size(), 1u);
        EXPECT_EQ(log.Lines()[0].level, spdlog::level::err);
    }
}

TEST(MMDRigidBodyTest, ClampsOversizedShapesAndMassesWithAWarning) {
    PMXRigidBody rb = Body(PMXRigidBodyShape::Box, PMXRigidBodyOperation::Dynamic, {});
    rb.m_shapeSize = glm::vec3(1.0e30f, -5.0f, 1.0f);
    rb.m_mass = 1.0e30f;
    LogCapture log;
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(rb, nullptr, nullptr));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].level, spdlog::level::warn);
    btVector3 aabbMin, aabbMax;
    body.GetRigidBody()->getAabb(aabbMin, aabbMax);
    EXPECT_LE(aabbMax.x(), 2.0e4f);
    EXPECT_GE(aabbMax.y(), 0.0f);
    EXPECT_GT(body.GetRigidBody()->getInvMass(), 0.0f);
}

TEST(MMDRigidBodyTest, MassAndInertiaFollowTheOperation) {
    MMDRigidBody follow, dynamic, weightless;
    PMXRigidBody rb = Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::FollowBone, {});
    rb.m_mass = 3.0f;
    ASSERT_TRUE(follow.Create(rb, nullptr, nullptr));
    rb.m_operation = PMXRigidBodyOperation::Dynamic;
    ASSERT_TRUE(dynamic.Create(rb, nullptr, nullptr));
    rb.m_mass = 0.0f;
    ASSERT_TRUE(weightless.Create(rb, nullptr, nullptr));

    EXPECT_EQ(follow.GetRigidBody()->getInvMass(), 0.0f);
    EXPECT_TRUE(follow.GetRigidBody()->isKinematicObject());
    EXPECT_FLOAT_EQ(dynamic.GetRigidBody()->getInvMass(), 1.0f / 3.0f);
    EXPECT_GT(dynamic.GetRigidBody()->getLocalInertia().x(), 0.0f);
    EXPECT_FALSE(dynamic.GetRigidBody()->isKinematicObject());
    EXPECT_EQ(weightless.GetRigidBody()->getLocalInertia(), btVector3(0, 0, 0));
    EXPECT_EQ(dynamic.GetRigidBody()->getActivationState(), DISABLE_DEACTIVATION);
}

TEST(MMDRigidBodyTest, GroupBecomesABitAndOutOfRangeGroupsCollideWithNothing) {
    PMXRigidBody rb = Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::Dynamic, {});
    rb.m_group = 5;
    rb.m_collisionMask = 0x00F0;
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(rb, nullptr, nullptr));
    EXPECT_EQ(body.GetGroup(), 1 << 5);
    EXPECT_EQ(body.GetGroupMask(), 0x00F0);
    rb.m_group = 16;
    ASSERT_TRUE(body.Create(rb, nullptr, nullptr));
    EXPECT_EQ(body.GetGroup(), 0);
}

TEST(MMDRigidBodyTest, OffsetIsTheBodyRelativeToItsBoneInTheRuntimeFrame) {
    Bone bone({0, 10, 2});
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::FollowBone, {1, 12, 5}), nullptr,
                            &bone.node));
    EXPECT_EQ(body.GetNode(), &bone.node);
    const glm::vec3 offset(body.GetOffset()[3]);
    EXPECT_NEAR(offset.x, 1.0f, 1e-6f);
    EXPECT_NEAR(offset.y, 2.0f, 1e-6f);
    EXPECT_NEAR(offset.z, -3.0f, 1e-6f);
    // In the world the body sits at its file position.
    btTransform world;
    body.GetRigidBody()->getMotionState()->getWorldTransform(world);
    EXPECT_NEAR(world.getOrigin().z(), 5.0f, 1e-5f);
}

TEST(MMDRigidBodyTest, ABodyWithoutABoneStartsAtItsOwnRestTransform) {
    MMDRigidBody body;
    PMXRigidBody rb = Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::Dynamic, {1, 2, 3});
    rb.m_rotation = glm::vec3(0.2f, 0.4f, 0.6f);
    ASSERT_TRUE(body.Create(rb, nullptr, nullptr));
    EXPECT_EQ(body.GetNode(), nullptr);
    const glm::mat4 expected = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, -3)) *
                               InvZ(glm::rotate(glm::rotate(glm::rotate(glm::mat4(1.0f), 0.4f, glm::vec3(0, 1, 0)),
                                                            0.2f, glm::vec3(1, 0, 0)),
                                                0.6f, glm::vec3(0, 0, 1)));
    const glm::mat4 actual = body.GetTransform();
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(actual[c][r], expected[c][r], 1e-5f);
        }
    }
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

TEST_F(MMDRigidBodyWorldTest, ABoneFollowingBodyFollowsItsBone) {
    Bone bone({0, 10, 0});
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(Body(PMXRigidBodyShape::Box, PMXRigidBodyOperation::FollowBone, {0, 11, 0}), nullptr,
                            &bone.node));
    Add(body);
    const glm::quat turn = glm::angleAxis(0.5f, glm::vec3(0, 0, 1));
    for (int i = 1; i <= 30; ++i) {
        bone.MoveTo(glm::vec3(0.1f * i, 10, -0.05f * i), turn);
        Frame(body);
        const glm::mat4 expected = bone.node.GetGlobalTransform() * body.GetOffset();
        const glm::mat4 actual = body.GetTransform();
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                ASSERT_NEAR(actual[c][r], expected[c][r], 1e-4f) << "frame " << i;
            }
        }
    }
    EXPECT_EQ(bone.node.GetGlobalTransform()[3], glm::vec4(3.0f, 10, -1.5f, 1));
}

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

TEST_F(MMDRigidBodyWorldTest, DeactivationFollowsTheBoneAndResetStopsTheBody) {
    Bone bone({0, 10, 0});
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(Body(PMXRigidBodyShape::Sphere, PMXRigidBodyOperation::Dynamic, {0, 10, 0}), nullptr,
                            &bone.node));
    Add(body);
    for (int i = 0; i < 30; ++i) {
        Frame(body);
    }
    EXPECT_LT(bone.node.GetGlobalTransform()[3].y, 9.0f) << "the body should have fallen";

    bone.MoveTo(glm::vec3(0, 10, 0));
    body.SetActivation(false);
    EXPECT_TRUE(body.GetRigidBody()->isKinematicObject());
    body.ResetTransform();
    m_physics.Update(1.0f / 60.0f);
    body.Reset(&m_physics);
    EXPECT_EQ(body.GetRigidBody()->getLinearVelocity(), btVector3(0, 0, 0));
    EXPECT_EQ(body.GetRigidBody()->getAngularVelocity(), btVector3(0, 0, 0));
    EXPECT_NEAR(body.GetTransform()[3].y, 10.0f, 1e-4f);

    body.SetActivation(true);
    EXPECT_FALSE(body.GetRigidBody()->isKinematicObject());
    EXPECT_NEAR(body.GetTransform()[3].y, 10.0f, 1e-4f) << "activation must start from the bone";
}

}  // namespace
}  // namespace mmd

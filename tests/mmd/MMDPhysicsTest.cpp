#include "mmd/MMDPhysics.h"

#include "mmd/MMDRigidBody.h"
#include "mmd/PMXFile.h"

#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace mmd {
namespace {

void CountTick(btDynamicsWorld* world, btScalar) { ++*static_cast<int*>(world->getWorldUserInfo()); }

struct StepCase {
    float elapsed;
    int expectedSteps;
};

class MMDPhysicsStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(MMDPhysicsStepTest, TakesFixedSubStepsUpToTheBudget) {
    MMDPhysics physics;
    ASSERT_TRUE(physics.Create());
    int ticks = 0;
    physics.GetDynamicsWorld()->setInternalTickCallback(&CountTick, &ticks);
    physics.Update(GetParam().elapsed);
    EXPECT_EQ(ticks, GetParam().expectedSteps);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Frames, MMDPhysicsStepTest,
                         ::testing::Values(StepCase{1.0f / 30.0f, 4}, StepCase{1.0f / 60.0f, 2},
                                           StepCase{1.0f / 120.0f, 1}, StepCase{0.0f, 0}, StepCase{1.0f, 10},
                                           StepCase{1.0e30f, 10}, StepCase{-1.0f, 0}, StepCase{kNaN, 0},
                                           StepCase{kInf, 0}));

TEST(MMDPhysicsTest, SubStepsKeepTheirRemainderAcrossFrames) {
    MMDPhysics physics;
    ASSERT_TRUE(physics.Create());
    int ticks = 0;
    physics.GetDynamicsWorld()->setInternalTickCallback(&CountTick, &ticks);
    for (int i = 0; i < 90; ++i) {
        physics.Update(1.0f / 90.0f);
    }
    // One second of 1/90 s frames is 120 sub-steps, give or take the one still pending in the remainder.
    EXPECT_NEAR(ticks, 120, 1);
}

TEST(MMDPhysicsTest, StartsWithMmdGravityAndAGroundPlane) {
    MMDPhysics physics;
    ASSERT_TRUE(physics.Create());
    btDiscreteDynamicsWorld* world = physics.GetDynamicsWorld();
    EXPECT_EQ(world->getGravity(), btVector3(0, -98, 0));
    ASSERT_EQ(world->getNumCollisionObjects(), 1);
    EXPECT_EQ(world->getCollisionObjectArray()[0]->getCollisionShape()->getShapeType(), STATIC_PLANE_PROXYTYPE);
    EXPECT_EQ(physics.GetFPS(), 120.0f);
    EXPECT_EQ(physics.GetMaxSubStepCount(), 10);

    physics.SetGravity(0, -9.8f, 0);
    EXPECT_EQ(world->getGravity(), btVector3(0, -9.8f, 0));
}

TEST(MMDPhysicsTest, CreateTwiceRebuildsAnEmptyWorld) {
    MMDPhysics physics;
    ASSERT_TRUE(physics.Create());
    ASSERT_TRUE(physics.Create());
    EXPECT_EQ(physics.GetDynamicsWorld()->getNumCollisionObjects(), 1);
    physics.Destroy();
    EXPECT_EQ(physics.GetDynamicsWorld(), nullptr);
    physics.Update(1.0f / 60.0f);  // no world: nothing to do, nothing to crash
}

PMXRigidBody FallingSphere(float radius, float height) {
    PMXRigidBody rb;
    rb.m_name = "ball";
    rb.m_shape = PMXRigidBodyShape::Sphere;
    rb.m_shapeSize = glm::vec3(radius, 0, 0);
    rb.m_position = glm::vec3(0, height, 0);
    rb.m_mass = 1.0f;
    rb.m_friction = 0.5f;
    rb.m_rotationDamping = 0.5f;
    rb.m_operation = PMXRigidBodyOperation::Dynamic;
    rb.m_collisionMask = 0;  // collides with nothing but the ground
    return rb;
}

TEST(MMDPhysicsTest, AFallingBodySettlesOnTheGround) {
    MMDPhysics physics;
    ASSERT_TRUE(physics.Create());
    MMDRigidBody body;
    ASSERT_TRUE(body.Create(FallingSphere(1.0f, 10.0f), nullptr, nullptr));
    physics.AddRigidBody(&body);
    body.SetActivation(true);

    float lowest = 10.0f;
    for (int frame = 0; frame < 600; ++frame) {
        body.SetActivation(true);
        physics.Update(1.0f / 60.0f);
        lowest = std::min(lowest, body.GetTransform()[3].y);
    }
    EXPECT_NEAR(body.GetTransform()[3].y, 1.0f, 0.05f);
    EXPECT_GT(lowest, 0.5f) << "the ball went through the ground";
    EXPECT_NEAR(body.GetRigidBody()->getLinearVelocity().length(), 0.0f, 0.05f);
    physics.RemoveRigidBody(&body);
}

}  // namespace
}  // namespace mmd

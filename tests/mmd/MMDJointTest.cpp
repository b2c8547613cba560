#include "mmd/MMDJoint.h"

#include "mmd/MMDRigidBody.h"
#include "mmd/PMXFile.h"
#include "support/LogCapture.h"

#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <limits>

namespace mmd {
namespace {

using mnx::test::LogCapture;

PMXRigidBody Sphere(const glm::vec3& position) {
    PMXRigidBody rb;
    rb.m_shape = PMXRigidBodyShape::Sphere;
    rb.m_shapeSize = glm::vec3(0.5f);
    rb.m_position = position;
    rb.m_mass = 1.0f;
    rb.m_operation = PMXRigidBodyOperation::Dynamic;
    return rb;
}

PMXJoint Joint(const glm::vec3& position) {
    PMXJoint j;
    j.m_name = "joint";
    j.m_position = position;
    return j;
}

class MMDJointTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_a.Create(Sphere({0, 10, 0}), nullptr, nullptr));
        ASSERT_TRUE(m_b.Create(Sphere({0, 8, 2}), nullptr, nullptr));
    }
    MMDRigidBody m_a, m_b;
};

TEST_F(MMDJointTest, FramesMeetAtTheJointInTheWorldFrame) {
    PMXJoint j = Joint({0, 9, 1});
    j.m_rotation = glm::vec3(0.3f, -0.2f, 0.9f);
    MMDJoint joint;
    ASSERT_TRUE(joint.CreateJoint(j, &m_a, &m_b));
    auto* c = static_cast<btGeneric6DofSpringConstraint*>(joint.GetConstraint());
    const btTransform inA = m_a.GetRigidBody()->getWorldTransform() * c->getFrameOffsetA();
    const btTransform inB = m_b.GetRigidBody()->getWorldTransform() * c->getFrameOffsetB();
    EXPECT_TRUE(inA.getOrigin().fuzzyZero() == false);
    EXPECT_LT((inA.getOrigin() - btVector3(0, 9, 1)).length(), 1e-5f);
    EXPECT_LT((inB.getOrigin() - btVector3(0, 9, 1)).length(), 1e-5f);

    // Basis Rz·Ry·Rx.
    btMatrix3x3 expected;
    expected.setEulerZYX(0.3f, -0.2f, 0.9f);
    for (int r = 0; r < 3; ++r) {
        EXPECT_LT((inA.getBasis()[r] - expected[r]).length(), 1e-5f);
    }
}

TEST_F(MMDJointTest, LimitsAreNormalisedAndOnlyNonZeroSpringsAreEnabled) {
    PMXJoint j = Joint({0, 9, 1});
    j.m_translationLowerLimit = glm::vec3(-1, -2, -3);
    j.m_translationUpperLimit = glm::vec3(1, 2, 3);
    j.m_rotationLowerLimit = glm::vec3(-0.5f, 7.0f, 0);
    j.m_rotationUpperLimit = glm::vec3(0.5f, 0, 0);
    j.m_springTranslation = glm::vec3(0, 50, 0);
    j.m_springRotation = glm::vec3(0, 0, 1.0e9f);
    LogCapture log;
    MMDJoint joint;
    ASSERT_TRUE(joint.CreateJoint(j, &m_a, &m_b));
    auto* c = static_cast<btGeneric6DofSpringConstraint*>(joint.GetConstraint());
    btVector3 v;
    c->getLinearLowerLimit(v);
    EXPECT_EQ(v, btVector3(-1, -2, -3));
    c->getAngularLowerLimit(v);
    EXPECT_NEAR(v.y(), 7.0f - 2.0f * SIMD_PI, 1e-5f);
    c->getAngularUpperLimit(v);
    EXPECT_FLOAT_EQ(v.x(), 0.5f);

    const bool expectedSprings[6] = {false, true, false, false, false, true};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(c->isSpringEnabled(i), expectedSprings[i]) << i;
    }
    EXPECT_FLOAT_EQ(c->getStiffness(1), 50.0f);
    EXPECT_LE(c->getStiffness(5), 1.0e6f) << "runaway stiffness must be clamped";
    EXPECT_TRUE(log.Has("Joint [joint]: spring constant out of range, clamped."));
}

TEST_F(MMDJointTest, RejectsAMissingOrSharedBodyAndNonFiniteNumbers) {
    MMDJoint joint;
    EXPECT_FALSE(joint.CreateJoint(Joint({}), &m_a, &m_a));
    EXPECT_FALSE(joint.CreateJoint(Joint({}), &m_a, nullptr));
    PMXJoint j = Joint({});
    j.m_rotationUpperLimit.y = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(joint.CreateJoint(j, &m_a, &m_b));
    j = Joint({});
    j.m_springTranslation.x = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(joint.CreateJoint(j, &m_a, &m_b));
    EXPECT_EQ(joint.GetConstraint(), nullptr);
}

}  // namespace
}  // namespace mmd

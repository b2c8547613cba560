#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mmd/MMDJoint.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysics.h"
#include "mmd/MMDPhysicsManager.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXModel.h"
#include "support/LogCapture.h"
#include "support/ModelBuilder.h"

namespace mmd {
namespace {

using mnx::test::LogCapture;
using mnx::test::ModelBuilder;
using Shape = PMXRigidBodyShape;
using Op = PMXRigidBodyOperation;

bool IsFinite(const glm::mat4& m) {
    for (int c = 0; c < 4; ++c) {
        if (!std::isfinite(m[c].x + m[c].y + m[c].z + m[c].w)) return false;
    }
    return true;
}

// One frame of the model's update order around physics.
void Frame(PMXModel& model, float seconds = 1.0f / 60.0f) {
    model.BeginAnimation();
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    model.UpdatePhysicsAnimation(seconds);
    model.UpdateNodeAnimation(true);
    model.EndAnimation();
}

// A head bone with a kinematic head body and a hair bone (with a tip bone below it) carrying a dynamic body.
ModelBuilder HairModel() {
    ModelBuilder b;
    const int head = b.AddBone("head", {0, 15, 0});
    const int hair = b.AddBone("hair", {0, 14, 0}, head);
    b.AddBone("tip", {0, 12, 0}, hair);
    b.AddVertex({0, 15, 0}, head);
    b.AddVertex({0, 14, 0}, hair);
    b.AddVertex({0, 12, 0}, hair);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("body");
    b.AddRigidBody("headBody", head, Shape::Sphere, {1, 0, 0}, {0, 15, 0}, Op::FollowBone, 0, 0);
    b.AddRigidBody("hairBody", hair, Shape::Sphere, {0.5f, 0, 0}, {0, 13, 0}, Op::Dynamic, 1, 0);
    return b;
}

class MMDPhysicsManagerTest : public ::testing::Test {
protected:
    bool Load(const ModelBuilder& builder) {
        const std::string path = ::testing::TempDir() + "physics_manager.pmx";
        EXPECT_TRUE(builder.WriteFile(path));
        return m_model.Load(path, "", 1.0f);
    }
    MMDNode* Node(const std::string& name) {
        const int32_t index = m_model.GetNodeManager()->FindNodeIndex(name);
        return index < 0 ? nullptr : m_model.GetNodeManager()->GetNode(static_cast<size_t>(index));
    }
    MMDPhysicsManager& Manager() { return *m_model.GetPhysicsManager(); }

    PMXModel m_model;
};

TEST_F(MMDPhysicsManagerTest, ASimulatedBoneFallsDragsItsChildAndResetsToRest) {
    ASSERT_TRUE(Load(HairModel()));
    ASSERT_EQ(Manager().GetRigidBodies().size(), 2u);
    m_model.InitializeAnimation();
    MMDNode* hair = Node("hair");
    MMDNode* tip = Node("tip");
    const glm::mat4 restHair = hair->GetGlobalTransform();

    for (int i = 0; i < 30; ++i) {
        Frame(m_model);
    }
    const float drop = restHair[3].y - hair->GetGlobalTransform()[3].y;
    EXPECT_GT(drop, 5.0f) << "half a second at g = 98 should drop the hair bone by metres";
    // The tip hangs below the hair bone as in the rest pose, and local agrees with global.
    EXPECT_NEAR(glm::distance(glm::vec3(tip->GetGlobalTransform()[3]), glm::vec3(hair->GetGlobalTransform()[3])), 2.0f,
                1e-4f);
    const glm::mat4 recomposed = Node("head")->GetGlobalTransform() * hair->GetLocalTransform();
    EXPECT_NEAR(recomposed[3].y, hair->GetGlobalTransform()[3].y, 1e-4f);

    m_model.InitializeAnimation();
    EXPECT_NEAR(hair->GetGlobalTransform()[3].y, restHair[3].y, 1e-4f);
    Frame(m_model);
    // Velocities were cleared: one frame from rest falls about g·t²/2 = 0.014, not the speed gathered before.
    EXPECT_LT(restHair[3].y - hair->GetGlobalTransform()[3].y, 0.1f);
}

TEST_F(MMDPhysicsManagerTest, IllegalJointsAreSkippedAndTheModelStillLoads) {
    ModelBuilder b = HairModel();
    b.AddJoint("same", 1, 1, {0, 14, 0});
    b.AddJoint("none", 0, -1, {0, 14, 0});
    b.AddJoint("outside", 0, 7, {0, 14, 0});
    b.AddJoint("good", 0, 1, {0, 14, 0});
    LogCapture log;
    ASSERT_TRUE(Load(b));
    EXPECT_TRUE(log.Has("Illegal Joint [outside]"));
    ASSERT_EQ(Manager().GetJoints().size(), 1u);
    EXPECT_EQ(Manager().GetMMDPhysics()->GetDynamicsWorld()->getNumConstraints(), 1);
}

TEST_F(MMDPhysicsManagerTest, ALockedJointHoldsTheHairUnderTheHead) {
    ModelBuilder b = HairModel();
    b.AddJoint("neck", 0, 1, {0, 14, 0});  // every limit zero: locked
    ASSERT_TRUE(Load(b));
    m_model.InitializeAnimation();
    const glm::vec3 rest(Node("hair")->GetGlobalTransform()[3]);
    for (int i = 0; i < 120; ++i) {
        Frame(m_model);
    }
    EXPECT_LT(glm::distance(glm::vec3(Node("hair")->GetGlobalTransform()[3]), rest), 0.2f);
}

TEST_F(MMDPhysicsManagerTest, HugeSizesMassesLimitsAndBadBonesNeitherCrashNorHang) {
    ModelBuilder b = HairModel();
    const float huge = 1.0e30f;
    b.AddRigidBody("wall", 1, Shape::Box, {huge, huge, huge}, {0, 0, 0}, Op::Dynamic, 2, 0xFFFF);
    b.RigidBody(2).m_mass = huge;
    b.AddRigidBody("far", 2, Shape::Capsule, {huge, -huge, 0}, {huge, -huge, huge}, Op::DynamicWithBonePosition, 3);
    b.RigidBody(3).m_mass = -huge;
    const int joint = b.AddJoint("wild", 1, 3, {huge, huge, -huge});
    PMXJoint& j = b.Joint(joint);
    j.m_translationLowerLimit = glm::vec3(-huge);
    j.m_translationUpperLimit = glm::vec3(huge);
    j.m_rotationLowerLimit = glm::vec3(-huge);
    j.m_rotationUpperLimit = glm::vec3(huge);
    j.m_springTranslation = glm::vec3(huge);
    j.m_springRotation = glm::vec3(-huge);
    b.AddRigidBody("stray", 200, Shape::Sphere, {1, 0, 0}, {0, 5, 0}, Op::Dynamic, 4);
    ASSERT_TRUE(Load(b));
    EXPECT_EQ(Manager().GetRigidBodies()[4]->GetNode(), nullptr) << "a bone index out of range attaches nothing";
    m_model.InitializeAnimation();
    for (int i = 0; i < 120; ++i) {
        Frame(m_model);
    }
    for (const char* name : {"head", "hair", "tip"}) {
        EXPECT_TRUE(IsFinite(Node(name)->GetGlobalTransform())) << name;
    }
}

}  // namespace
}  // namespace mmd

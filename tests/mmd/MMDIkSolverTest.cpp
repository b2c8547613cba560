#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/quaternion.hpp>
#include <memory>
#include <string>

#include "mmd/MMDIkSolver.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "support/ModelBuilder.h"

namespace {

// A two-link leg (hip at y 10, knee at y 5, ankle at 0) with a foot IK whose knee link is limited to bending one
// way, as MMD knees are: X in [-180°, -0.5°] in the file's left-handed frame.
class MMDIkSolverTest : public testing::Test {
protected:
    void SetUp() override {
        mnx::test::ModelBuilder b;
        const int hip = b.AddBone("左足", {0, 10, 0});
        const int knee = b.AddBone("左ひざ", {0, 5, 0}, hip);
        const int ankle = b.AddBone("左足首", {0, 0, 0}, knee);
        const int ik = b.AddIKBone("左足ＩＫ", {0, 0, 0}, -1, ankle, 40, 2.0f);
        b.AddIKLink(ik, knee, {-glm::pi<float>(), 0, 0}, {-0.00872665f, 0, 0});
        b.AddIKLink(ik, hip);
        b.AddVertex({0, 0, 0}, ankle);
        const std::string path = ::testing::TempDir() + "ik_leg.pmx";
        ASSERT_TRUE(b.WriteFile(path));
        ASSERT_TRUE(m_model.Load(path, ""));
        m_model.InitializeAnimation();
        ASSERT_EQ(m_model.GetIKManager()->GetIKSolverCount(), 1u);
    }
    mmd::MMDNode* Node(const char* name) {
        auto* nodes = m_model.GetNodeManager();
        return nodes->GetNode(static_cast<size_t>(nodes->FindNodeIndex(name)));
    }
    mmd::MMDIkSolver* Solver() { return m_model.GetIKManager()->GetIKSolver(0); }
    // Moves the IK bone to `goal` (runtime frame) and runs the node update, which solves.
    void Reach(const glm::vec3& goal) {
        m_model.BeginAnimation();
        Node("左足ＩＫ")->SetAnimationTranslate(goal);
        m_model.UpdateNodeAnimation(false);
        m_model.EndAnimation();
    }
    static glm::vec3 Position(const mmd::MMDNode* node) { return glm::vec3(node->GetGlobalTransform()[3]); }

    mmd::PMXModel m_model;
};

class MMDIkSolverReachTest : public MMDIkSolverTest, public testing::WithParamInterface<glm::vec3> {};

TEST_P(MMDIkSolverReachTest, ReachesAReachableGoalWithoutBendingTheKneeBackwards) {
    const glm::vec3 goal = GetParam();
    Reach(goal);
    EXPECT_LT(glm::distance(Position(Node("左足首")), goal), 0.01f);
    // The knee's bend, read back as Euler angles, stays inside its limit in the runtime frame: [0.5°, 180°] on X.
    const glm::mat3 knee = glm::mat3_cast(Node("左ひざ")->GetIKRotate());
    const glm::vec3 euler = mmd::MMDIkSolver::Decompose(knee, glm::vec3(0));
    EXPECT_GE(euler.x, 0.00872665f - 1e-4f);
    EXPECT_LE(euler.x, glm::pi<float>() + 1e-4f);
    EXPECT_NEAR(euler.y, 0.0f, 1e-4f);
    EXPECT_NEAR(euler.z, 0.0f, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Goals, MMDIkSolverReachTest,
                         testing::Values(glm::vec3(0, 6, 2), glm::vec3(0, 5, -1.5f), glm::vec3(1, 4, 1),
                                         glm::vec3(-2, 4, -1), glm::vec3(0.5f, 7, 0)));

// A goal on the rest pose: the knee's lower limit still bends it by 0.5°, and the hip takes that up.
TEST_F(MMDIkSolverTest, TheKneeLimitHoldsEvenAtTheRestPose) {
    Reach({0, 0, 0});
    const glm::vec3 e = mmd::MMDIkSolver::Decompose(glm::mat3_cast(Node("左ひざ")->GetIKRotate()), glm::vec3(0));
    EXPECT_NEAR(e.x, 0.00872665f, 1e-5f);
    EXPECT_LT(glm::distance(Position(Node("左足首")), glm::vec3(0)), 0.01f);
}

// An unreachable goal must not leave the leg worse than the best iteration found.
TEST_F(MMDIkSolverTest, AnUnreachableGoalKeepsTheBestIteration) {
    const glm::vec3 goal(0, -20, 3);
    Reach(goal);
    const float best = glm::distance(Position(Node("左足首")), goal);
    EXPECT_LT(best, glm::distance(glm::vec3(0, 0, 0), goal));
    EXPECT_NEAR(glm::distance(Position(Node("左足首")), Position(Node("左足"))), 10.0f, 1e-3f);
}

// A link limited on more than one axis takes the general path: its rotation's Euler angles are clamped.
TEST(MMDIkSolverLimitTest, ALinkLimitedOnSeveralAxesStaysInsideItsLimits) {
    mnx::test::ModelBuilder b;
    const int shoulder = b.AddBone("肩", {0, 10, 0});
    const int elbow = b.AddBone("ひじ", {0, 5, 0}, shoulder);
    const int hand = b.AddBone("手", {0, 0, 0}, elbow);
    const int ik = b.AddIKBone("手ＩＫ", {0, 0, 0}, -1, hand, 40, 2.0f);
    b.AddIKLink(ik, elbow, glm::vec3(-0.3f), glm::vec3(0.3f));
    b.AddIKLink(ik, shoulder, glm::vec3(-0.3f), glm::vec3(0.3f));
    b.AddVertex({0, 0, 0}, hand);
    const std::string path = ::testing::TempDir() + "ik_arm.pmx";
    ASSERT_TRUE(b.WriteFile(path));
    mmd::PMXModel model;
    ASSERT_TRUE(model.Load(path, ""));
    model.InitializeAnimation();
    auto* nodes = model.GetNodeManager();
    model.BeginAnimation();
    nodes->GetNode(size_t(nodes->FindNodeIndex("手ＩＫ")))->SetAnimationTranslate({9, 9, 1});
    model.UpdateNodeAnimation(false);
    model.EndAnimation();
    // Three turns of at most 0.3 rad turn by at most 0.9 rad in all, so |w| stays above cos(0.45); the goal asks
    // for far more.
    for (const char* name : {"肩", "ひじ"}) {
        const glm::quat r = nodes->GetNode(size_t(nodes->FindNodeIndex(name)))->GetIKRotate();
        EXPECT_GT(std::fabs(r.w), 0.999f * std::cos(0.45f)) << name;
    }
}

}  // namespace

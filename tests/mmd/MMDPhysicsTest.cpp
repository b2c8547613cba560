#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mmd/MMDFilterCallback.h"
#include "mmd/MMDPhysics.h"

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

// Two bodies collide only when each one's group is in the other's mask.
struct FilterCase {
    int group0, mask0, group1, mask1;
    bool collide;
};

class MMDFilterCallbackTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(MMDFilterCallbackTest, BothGroupsMustBeInTheOthersMask) {
    const FilterCase& c = GetParam();
    btBroadphaseProxy p0, p1;
    p0.m_collisionFilterGroup = c.group0;
    p0.m_collisionFilterMask = c.mask0;
    p1.m_collisionFilterGroup = c.group1;
    p1.m_collisionFilterMask = c.mask1;
    MMDFilterCallback filter;
    EXPECT_EQ(filter.needBroadphaseCollision(&p0, &p1), c.collide);
    EXPECT_EQ(filter.needBroadphaseCollision(&p1, &p0), c.collide);
}

INSTANTIATE_TEST_SUITE_P(Groups, MMDFilterCallbackTest,
                         ::testing::Values(FilterCase{1 << 0, 0xFFFF, 1 << 1, 0xFFFF, true},
                                           FilterCase{1 << 0, 0xFFFF & ~(1 << 1), 1 << 1, 0xFFFF, false},
                                           FilterCase{1 << 0, 0xFFFF, 1 << 1, 0xFFFF & ~(1 << 0), false},
                                           FilterCase{1 << 3, 1 << 3, 1 << 3, 1 << 3, true},
                                           FilterCase{1 << 3, 0, 1 << 3, 0, false}));

}  // namespace
}  // namespace mmd

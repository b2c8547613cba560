#include "mmd/MMDFilterCallback.h"

#include <gtest/gtest.h>

namespace mmd {
namespace {

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

TEST(MMDFilterCallbackPassThroughTest, ListedProxiesCollideRegardlessOfMasks) {
    btBroadphaseProxy ground, body;
    ground.m_collisionFilterGroup = 0;
    ground.m_collisionFilterMask = 0;
    body.m_collisionFilterGroup = 1 << 2;
    body.m_collisionFilterMask = 0;
    MMDFilterCallback filter;
    EXPECT_FALSE(filter.needBroadphaseCollision(&ground, &body));
    filter.m_nonFilteredProxy.push_back(&ground);
    EXPECT_TRUE(filter.needBroadphaseCollision(&ground, &body));
    EXPECT_TRUE(filter.needBroadphaseCollision(&body, &ground));
}

}  // namespace
}  // namespace mmd

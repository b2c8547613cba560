// The bounded rotation history: oldest dropped first, the frozen test and the mean.
#include <gtest/gtest.h>

#include "vr/SampleHistory.h"

namespace {

Quaternion q(float w, float x = 0.0f, float y = 0.0f, float z = 0.0f) { return Quaternion{w, x, y, z}; }

TEST(SampleHistoryTest, KeepsTheNewestValuesUpToItsCapacity) {
    SampleHistory h(3);
    for (int i = 1; i <= 5; ++i) h.add(q(static_cast<float>(i)));
    ASSERT_EQ(h.size(), 3);
    EXPECT_EQ(h.at(0).w, 3.0f);
    EXPECT_EQ(h.at(1).w, 4.0f);
    EXPECT_EQ(h.at(2).w, 5.0f);
    h.setCapacity(-4);  // a bad size keeps nothing
    h.add(q(1.0f));
    EXPECT_TRUE(h.empty());
    EXPECT_FALSE(h.isFrozen());
    EXPECT_EQ(h.mean(), Quaternion{});
}

TEST(SampleHistoryTest, FrozenNeedsAFullHistoryOfExactlyEqualValues) {
    SampleHistory h(10);
    const Quaternion same = q(0.9f, 0.1f, 0.2f, 0.3f);
    for (int i = 0; i < 9; ++i) h.add(same);
    EXPECT_FALSE(h.isFrozen()) << "nine samples are not yet a frozen stream";
    h.add(same);
    EXPECT_TRUE(h.isFrozen());
    h.add(q(0.9f, 0.1f, 0.2f, 0.30000004f));
    EXPECT_FALSE(h.isFrozen()) << "the comparison is exact";
    for (int i = 0; i < 9; ++i) h.add(same);
    EXPECT_FALSE(h.isFrozen()) << "the differing sample is still held";
    h.add(same);
    EXPECT_TRUE(h.isFrozen());
}

TEST(SampleHistoryTest, MeanIsTheComponentWiseAverageWithoutRenormalising) {
    SampleHistory h(4);
    EXPECT_EQ(h.mean(), Quaternion{}) << "identity when empty";
    h.add(q(1.0f, 0.0f, 0.0f, 0.0f));
    h.add(q(0.0f, 1.0f, 0.0f, 0.0f));
    const Quaternion m = h.mean();
    EXPECT_FLOAT_EQ(m.w, 0.5f);
    EXPECT_FLOAT_EQ(m.x, 0.5f);
    EXPECT_FLOAT_EQ(m.y, 0.0f);
    EXPECT_FLOAT_EQ(m.z, 0.0f);
    for (int i = 0; i < 4; ++i) h.add(q(0.0f, 0.0f, 2.0f, 0.0f));
    EXPECT_FLOAT_EQ(h.mean().y, 2.0f) << "only the held values count";
}

}  // namespace

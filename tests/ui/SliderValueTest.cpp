#include "ui/SliderValue.h"

#include <gtest/gtest.h>

namespace {

TEST(SliderValueTest, TruncatesTowardZero) {
    EXPECT_EQ(sliderValue(1.26f, 0.1), 12);
    EXPECT_EQ(sliderValue(-1.26f, 0.1), -12);
    EXPECT_EQ(sliderValue(0.809f, 0.01), 80);
    EXPECT_EQ(sliderValue(-0.809f, 0.01), -80);
}

// Every position written as position x factor shows as that position again.
TEST(SliderValueTest, EveryWrittenPositionReadsBack) {
    for (int v = -300; v <= 300; ++v) {
        EXPECT_EQ(sliderValue(v * 0.01f, 0.01), v) << v;
        EXPECT_EQ(sliderValue(v * 0.1f, 0.1), v) << v;
    }
}

}  // namespace

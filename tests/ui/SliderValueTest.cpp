#include <gtest/gtest.h>

#include "ui/SliderValue.h"

namespace {

// Every position written as position x factor shows as that position again.
TEST(SliderValueTest, EveryWrittenPositionReadsBack) {
    for (int v = -300; v <= 300; ++v) {
        EXPECT_EQ(sliderValue(v * 0.01f, 0.01), v) << v;
        EXPECT_EQ(sliderValue(v * 0.1f, 0.1), v) << v;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mmd/VMDBezier.h"

namespace {

// Each of these inputs never comes within the tolerance, so an uncapped bisection would not return: a share
// outside [0, 1] (negative fractional frames, float rounding of large frames), NaN, and control bytes above 127
// as real files contain them.
struct Stuck {
    uint8_t x1, y1, x2, y2;
    float x;
};

class VMDBezierStuckTest : public ::testing::TestWithParam<Stuck> {};

TEST_P(VMDBezierStuckTest, EndsAfterTheBisectionCap) {
    const Stuck& p = GetParam();
    const mmd::VMDBezier curve = mmd::VMDBezier::FromBytes(p.x1, p.y1, p.x2, p.y2);
    const float u = curve.FindBezierX(p.x);
    EXPECT_GE(u, 0.0f);
    EXPECT_LE(u, 1.0f);
    EXPECT_TRUE(std::isfinite(curve.Interpolate(p.x)));
}

INSTANTIATE_TEST_SUITE_P(Cases, VMDBezierStuckTest,
                         ::testing::Values(Stuck{20, 20, 107, 107, -0.01f}, Stuck{20, 20, 107, 107, 1.5f},
                                           Stuck{20, 20, 107, 107, std::numeric_limits<float>::quiet_NaN()},
                                           Stuck{255, 255, 255, 0, 1.2f}, Stuck{255, 200, 0, 255, -0.3f},
                                           Stuck{200, 128, 250, 140, 0.999f},
                                           Stuck{0, 0, 255, 255, std::numeric_limits<float>::infinity()}));

}  // namespace

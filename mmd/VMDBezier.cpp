#include "mmd/VMDBezier.h"

#include <cmath>

namespace mmd {
namespace {

float Cubic(float u, float p1, float p2) {
    const float v = 1.0f - u;
    return 3.0f * v * v * u * p1 + 3.0f * v * u * u * p2 + u * u * u;
}

}  // namespace

VMDBezier VMDBezier::FromBytes(uint8_t x1, uint8_t y1, uint8_t x2, uint8_t y2) {
    constexpr float kScale = 1.0f / 127.0f;
    return {float(x1) * kScale, float(y1) * kScale, float(x2) * kScale, float(y2) * kScale};
}

float VMDBezier::EvalX(float u) const { return Cubic(u, x1, x2); }

float VMDBezier::EvalY(float u) const { return Cubic(u, y1, y2); }

float VMDBezier::FindBezierX(float x) const {
    constexpr float kTolerance = 1e-5f;
    float lo = 0.0f;
    float hi = 1.0f;
    float u = 0.5f;
    float xu = EvalX(u);
    for (int i = 0; i < kMaxBisections && !(std::fabs(x - xu) <= kTolerance); ++i) {
        if (x >= xu) {
            lo = u;
        } else {
            hi = u;
        }
        u = (lo + hi) * 0.5f;
        xu = EvalX(u);
    }
    return u;
}

}  // namespace mmd

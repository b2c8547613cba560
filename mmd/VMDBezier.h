#pragma once

#include <cstdint>

namespace mmd {

// One interpolation curve of a motion key: the cubic Bézier from (0, 0) to (1, 1) with control points (x1, y1) and
// (x2, y2). Motion files store each coordinate as a byte, value = byte / 127; bytes above 127 (found in real files)
// give coordinates above 1 and a curve whose x is not monotonic.
struct VMDBezier {
    float x1 = 20.0f / 127.0f;
    float y1 = 20.0f / 127.0f;
    float x2 = 107.0f / 127.0f;
    float y2 = 107.0f / 127.0f;

    // Most halvings FindBezierX makes; far below float precision, so it ends even on a non-monotonic curve or NaN.
    static constexpr int kMaxBisections = 32;

    // The curve from the four control bytes.
    static VMDBezier FromBytes(uint8_t x1, uint8_t y1, uint8_t x2, uint8_t y2);

    // x(u) and y(u) of the curve parameter u in [0, 1].
    float EvalX(float u) const;
    float EvalY(float u) const;
    // The curve parameter u whose x(u) is within 1e-5 of x (x in [0, 1]), found by bisection; after kMaxBisections
    // halvings the last midpoint is returned.
    float FindBezierX(float x) const;
    // y at the given x: the eased share of a key segment for the linear share x.
    float Interpolate(float x) const { return EvalY(FindBezierX(x)); }
};

}  // namespace mmd

#pragma once

#include <cmath>

// The slider position that shows a stored float `field` written as position x `factor` (factor 0.1 or 0.01):
// field / factor truncated toward zero. A float written from a position (0.29f for 29) sits a hair below
// the decimal value, so the quotient is nudged by 1e-4 toward its sign first; it always shows the position
// it was written from.
inline int sliderValue(float field, double factor) {
    const double quotient = static_cast<double>(field) / factor;
    return static_cast<int>(std::trunc(quotient + std::copysign(1e-4, quotient)));
}

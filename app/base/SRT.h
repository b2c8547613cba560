#pragma once

#include "app/base/Quaternion.h"
#include "app/base/Vector3.h"

// Scale, then rotation, then translation. The default (scale 0, identity rotation, no translation) is what
// the calibration stores before it has ever run; its ten floats in stored order are scale x, y, z,
// rotation w, x, y, z, translation x, y, z.
struct SRT {
    Vector3 scale{0.0f, 0.0f, 0.0f};
    Quaternion rotation;
    Vector3 translation;
};

inline bool operator==(const SRT& a, const SRT& b) {
    return a.scale == b.scale && a.rotation == b.rotation && a.translation == b.translation;
}
inline bool operator!=(const SRT& a, const SRT& b) { return !(a == b); }

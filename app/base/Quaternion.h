#pragma once

// Plain rotation quaternion (w, x, y, z; Hamilton product). Default is the identity rotation.
struct Quaternion {
    float w = 1.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline bool operator==(const Quaternion& a, const Quaternion& b) {
    return a.w == b.w && a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const Quaternion& a, const Quaternion& b) { return !(a == b); }

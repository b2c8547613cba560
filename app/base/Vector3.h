#pragma once

// Plain three-float vector of the face-capture, VR and body code (x, y, z). Units depend on the user:
// model units (0.1 m) for positions, degrees for the angle offsets of the settings store.
struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline bool operator==(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool operator!=(const Vector3& a, const Vector3& b) { return !(a == b); }

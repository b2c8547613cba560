#pragma once

#include <array>

// Plain 4x4 float matrix in column-major order: the element at row r, column c is m[4 * c + r], so the
// translation sits at indices 12, 13 and 14. Default is the identity.
struct Matrix4 {
    std::array<float, 16> m{1.0f, 0.0f, 0.0f, 0.0f,  //
                            0.0f, 1.0f, 0.0f, 0.0f,  //
                            0.0f, 0.0f, 1.0f, 0.0f,  //
                            0.0f, 0.0f, 0.0f, 1.0f};

    // Element at row r, column c; both in [0, 3].
    float& at(int r, int c) { return m[4 * c + r]; }
    float at(int r, int c) const { return m[4 * c + r]; }
};

inline bool operator==(const Matrix4& a, const Matrix4& b) { return a.m == b.m; }
inline bool operator!=(const Matrix4& a, const Matrix4& b) { return !(a == b); }

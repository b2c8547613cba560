#include "vr/BodyMath.h"

#include <cmath>
#include <cstring>
#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>

namespace bodymath {

namespace {
constexpr float kEpsilon = 1.1920929e-7f;
constexpr float kHalfPi = 1.57079632679489661923f;

float flushTiny(float v) { return std::fabs(v) < kEpsilon ? 0.0f : v; }
}  // namespace

Quaternion mul(const Quaternion& a, const Quaternion& b) {
    return Quaternion{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,  //
                      a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,  //
                      a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,  //
                      a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion conjugate(const Quaternion& q) { return Quaternion{q.w, -q.x, -q.y, -q.z}; }

Quaternion axisAngle(float x, float y, float z, float radians) {
    const float s = std::sin(radians * 0.5f);
    return Quaternion{std::cos(radians * 0.5f), x * s, y * s, z * s};
}

Vector3 rotate(const Quaternion& q, const Vector3& v) {
    // v + 2w(u × v) + 2u × (u × v), with u the vector part: no temporary quaternions.
    const float tx = 2.0f * (q.y * v.z - q.z * v.y);
    const float ty = 2.0f * (q.z * v.x - q.x * v.z);
    const float tz = 2.0f * (q.x * v.y - q.y * v.x);
    return Vector3{v.x + q.w * tx + (q.y * tz - q.z * ty),  //
                   v.y + q.w * ty + (q.z * tx - q.x * tz),  //
                   v.z + q.w * tz + (q.x * ty - q.y * tx)};
}

Quaternion shortestArc(const Vector3& a, const Vector3& b) {
    const float la = length(a);
    const float lb = length(b);
    if (la < 1e-12f || lb < 1e-12f) return Quaternion{};
    const Vector3 na{a.x / la, a.y / la, a.z / la};
    const Vector3 nb{b.x / lb, b.y / lb, b.z / lb};
    const float d = na.x * nb.x + na.y * nb.y + na.z * nb.z;
    if (d >= 1.0f - 1e-7f) return Quaternion{};
    if (d <= -1.0f + 1e-7f) {
        // Opposite directions: any perpendicular axis gives a shortest half turn; pick the most stable one.
        Vector3 axis = std::fabs(na.x) < 0.9f ? Vector3{0.0f, na.z, -na.y} : Vector3{-na.z, 0.0f, na.x};
        const float l = length(axis);
        return Quaternion{0.0f, axis.x / l, axis.y / l, axis.z / l};
    }
    const Vector3 c{na.y * nb.z - na.z * nb.y, na.z * nb.x - na.x * nb.z, na.x * nb.y - na.y * nb.x};
    const float s = std::sqrt((1.0f + d) * 2.0f);
    return Quaternion{s * 0.5f, c.x / s, c.y / s, c.z / s};
}

Quaternion lookRotation(const Vector3& direction, const Vector3& up) {
    float roll = 0.0f;
    float dz = direction.z;
    float u1 = up.z;
    float u2 = up.y;
    if (direction.y != 0.0f || direction.z != 0.0f) {
        roll = std::atan2(direction.y, direction.z);
        dz = flushTiny(std::sin(roll) * direction.y + std::cos(roll) * direction.z);
        u1 = flushTiny(std::sin(roll) * up.y + std::cos(roll) * up.z);
        u2 = flushTiny(std::cos(roll) * up.y - std::sin(roll) * up.z);
    }
    float yaw = 0.0f;
    float x = up.x;
    if (direction.x != 0.0f || dz != 0.0f) {
        yaw = std::atan2(dz, direction.x) - kHalfPi;
        x = flushTiny(std::cos(yaw) * up.x + std::sin(yaw) * u1);
    }
    float pitch = 0.0f;
    if (x != 0.0f || u2 != 0.0f) pitch = std::atan2(u2, x) - kHalfPi;
    Quaternion q = mul(mul(axisAngle(1.0f, 0.0f, 0.0f, -roll), axisAngle(0.0f, 1.0f, 0.0f, -yaw)),
                       axisAngle(0.0f, 0.0f, 1.0f, pitch));
    q.w = flushTiny(q.w);
    return q;
}

Vector3 add(const Vector3& a, const Vector3& b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; }

Vector3 sub(const Vector3& a, const Vector3& b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }

float length(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Matrix4 toMatrix(const Quaternion& q) {
    Matrix4 m;
    const float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    m.at(0, 0) = 1.0f - 2.0f * (yy + zz);
    m.at(0, 1) = 2.0f * (xy - wz);
    m.at(0, 2) = 2.0f * (xz + wy);
    m.at(1, 0) = 2.0f * (xy + wz);
    m.at(1, 1) = 1.0f - 2.0f * (xx + zz);
    m.at(1, 2) = 2.0f * (yz - wx);
    m.at(2, 0) = 2.0f * (xz - wy);
    m.at(2, 1) = 2.0f * (yz + wx);
    m.at(2, 2) = 1.0f - 2.0f * (xx + yy);
    return m;
}

Matrix4 mul(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a.at(row, k) * b.at(k, c);
            r.at(row, c) = s;
        }
    }
    return r;
}

Vector3 rotate(const Matrix4& m, const Vector3& v) {
    return Vector3{m.at(0, 0) * v.x + m.at(0, 1) * v.y + m.at(0, 2) * v.z,
                   m.at(1, 0) * v.x + m.at(1, 1) * v.y + m.at(1, 2) * v.z,
                   m.at(2, 0) * v.x + m.at(2, 1) * v.y + m.at(2, 2) * v.z};
}

Matrix4 toMatrix(const SRT& srt) {
    Matrix4 m = toMatrix(srt.rotation);
    const float scale[3] = {srt.scale.x, srt.scale.y, srt.scale.z};
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) m.at(r, c) *= scale[c];
    }
    m.at(0, 3) = srt.translation.x;
    m.at(1, 3) = srt.translation.y;
    m.at(2, 3) = srt.translation.z;
    return m;
}

Matrix4 inverse(const Matrix4& m) {
    glm::mat4 g;
    std::memcpy(&g[0][0], m.m.data(), sizeof(float) * 16);
    if (glm::determinant(g) == 0.0f) return Matrix4{};
    const glm::mat4 inv = glm::inverse(g);
    Matrix4 r;
    std::memcpy(r.m.data(), &inv[0][0], sizeof(float) * 16);
    return r;
}

Vector3 transformPoint(const Matrix4& m, const Vector3& v) {
    const Vector3 rotated = rotate(m, v);
    return Vector3{rotated.x + m.at(0, 3), rotated.y + m.at(1, 3), rotated.z + m.at(2, 3)};
}

Vector3 translationOf(const Matrix4& m) { return Vector3{m.at(0, 3), m.at(1, 3), m.at(2, 3)}; }

Quaternion rotationOf(const Matrix4& m) {
    glm::mat3 r;
    for (int c = 0; c < 3; ++c) {
        glm::vec3 column(m.at(0, c), m.at(1, c), m.at(2, c));
        const float len = glm::length(column);
        if (len > 0.0f) column /= len;
        r[c] = column;
    }
    return fromGlm(glm::quat_cast(r));
}

Matrix4 fromRotationTranslation(const Quaternion& q, const Vector3& t) {
    Matrix4 m = toMatrix(q);
    m.at(0, 3) = t.x;
    m.at(1, 3) = t.y;
    m.at(2, 3) = t.z;
    return m;
}

}  // namespace bodymath

#include "face/FaceMath.h"

#include <algorithm>
#include <cmath>

namespace facemath {

Quaternion multiply(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion fromEuler(float x, float y, float z) {
    const float cx = std::cos(x * 0.5f), sx = std::sin(x * 0.5f);
    const float cy = std::cos(y * 0.5f), sy = std::sin(y * 0.5f);
    const float cz = std::cos(z * 0.5f), sz = std::sin(z * 0.5f);
    return {cx * cy * cz + sx * sy * sz, sx * cy * cz - cx * sy * sz, cx * sy * cz + sx * cy * sz,
            cx * cy * sz - sx * sy * cz};
}

Vector3 toEuler(const Quaternion& q) {
    const float x = std::atan2(2.0f * (q.w * q.x + q.y * q.z), 1.0f - 2.0f * (q.x * q.x + q.y * q.y));
    const float y = std::asin(std::clamp(2.0f * (q.w * q.y - q.z * q.x), -1.0f, 1.0f));
    const float z = std::atan2(2.0f * (q.w * q.z + q.x * q.y), 1.0f - 2.0f * (q.y * q.y + q.z * q.z));
    return {x, y, z};
}

Quaternion rotationX(float radians) { return {std::cos(radians * 0.5f), std::sin(radians * 0.5f), 0.0f, 0.0f}; }

Quaternion rotationY(float radians) { return {std::cos(radians * 0.5f), 0.0f, std::sin(radians * 0.5f), 0.0f}; }

Quaternion slerp(const Quaternion& a, const Quaternion& b, float t) {
    const float dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    const float angle = std::acos(std::clamp(dot, -1.0f, 1.0f));
    if (angle < 0.01f) return a;
    const float sine = std::sin(angle);
    if (std::fabs(sine) < 0.01f) {
        return {(a.w + b.w) * 0.5f, (a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f, (a.z + b.z) * 0.5f};
    }
    const float ka = std::sin((1.0f - t) * angle) / sine;
    const float kb = std::sin(t * angle) / sine;
    return {ka * a.w + kb * b.w, ka * a.x + kb * b.x, ka * a.y + kb * b.y, ka * a.z + kb * b.z};
}

}  // namespace facemath

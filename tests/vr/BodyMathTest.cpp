// Quaternion helpers of the body controller: products, vector rotation, shortest arc and look rotation.
#include <gtest/gtest.h>

#include <cmath>

#include "vr/BodyMath.h"

namespace {

constexpr float kPi = 3.14159265358979f;

void expectVec(const Vector3& a, const Vector3& b, float tol = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

Vector3 normalised(const Vector3& v) {
    const float l = bodymath::length(v);
    return Vector3{v.x / l, v.y / l, v.z / l};
}

TEST(BodyMathTest, ProductAppliesTheRightOperandFirst) {
    const Quaternion rx = bodymath::axisAngle(1, 0, 0, kPi / 2);
    const Quaternion ry = bodymath::axisAngle(0, 1, 0, kPi / 2);
    // y first carries +z to +x; x then leaves +x alone.
    expectVec(bodymath::rotate(bodymath::mul(rx, ry), Vector3{0, 0, 1}), Vector3{1, 0, 0});
    // x first carries +z to -y; y then leaves -y alone.
    expectVec(bodymath::rotate(bodymath::mul(ry, rx), Vector3{0, 0, 1}), Vector3{0, -1, 0});
    const Quaternion q = bodymath::axisAngle(0.6f, 0.0f, 0.8f, 1.1f);
    const Quaternion id = bodymath::mul(q, bodymath::conjugate(q));
    EXPECT_NEAR(id.w, 1.0f, 1e-6f);
    // The matrix form agrees with the quaternion form.
    expectVec(bodymath::rotate(bodymath::toMatrix(q), Vector3{1, 2, 3}), bodymath::rotate(q, Vector3{1, 2, 3}));
    const Matrix4 m = bodymath::mul(bodymath::toMatrix(rx), bodymath::toMatrix(ry));
    expectVec(bodymath::rotate(m, Vector3{0, 0, 1}), Vector3{1, 0, 0});
}

TEST(BodyMathTest, ShortestArcCarriesOneDirectionOntoAnother) {
    const Vector3 a{1, 2, 0.5f};
    const Vector3 b{-3, 0.2f, 4};
    expectVec(bodymath::rotate(bodymath::shortestArc(a, b), normalised(a)), normalised(b));
    EXPECT_EQ(bodymath::shortestArc(a, Vector3{2, 4, 1}), Quaternion{}) << "parallel";
    EXPECT_EQ(bodymath::shortestArc(Vector3{}, b), Quaternion{}) << "zero length";
    const Vector3 up{0, 1, 0};
    const Quaternion flip = bodymath::shortestArc(up, Vector3{0, -2, 0});
    expectVec(bodymath::rotate(flip, up), Vector3{0, -1, 0});
    const Quaternion flipX = bodymath::shortestArc(Vector3{1, 0, 0}, Vector3{-1, 0, 0});
    expectVec(bodymath::rotate(flipX, Vector3{1, 0, 0}), Vector3{-1, 0, 0});
}

TEST(BodyMathTest, LookRotationTurnsPlusZOntoTheDirection) {
    const Vector3 up{0, 1, 0};
    const Quaternion x = bodymath::lookRotation(Vector3{1, 0, 0}, up);
    expectVec(bodymath::rotate(x, Vector3{0, 0, 1}), Vector3{1, 0, 0});
    EXPECT_NEAR(x.x, 0.0f, 1e-6f);
    EXPECT_NEAR(x.z, 0.0f, 1e-6f);
    EXPECT_NEAR(x.y, std::sin(kPi / 4), 1e-6f) << "a pure turn about y for a horizontal direction";
    const Vector3 diagonal = normalised(Vector3{-1, 0, 1});
    expectVec(bodymath::rotate(bodymath::lookRotation(diagonal, up), Vector3{0, 0, 1}), diagonal);
    expectVec(bodymath::rotate(bodymath::lookRotation(Vector3{0, 3, 0}, up), Vector3{0, 0, 1}), Vector3{0, 1, 0});
    const Vector3 general = normalised(Vector3{1, 2, 3});
    expectVec(bodymath::rotate(bodymath::lookRotation(general, up), Vector3{0, 0, 1}), general);
    const Quaternion ahead = bodymath::lookRotation(Vector3{0, 0, 1}, up);
    EXPECT_EQ(ahead.w, 1.0f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-7f);
    // Half a turn: w is below epsilon and set to exactly 0.
    EXPECT_EQ(bodymath::lookRotation(Vector3{0, 0, -1}, up).w, 0.0f);
}

}  // namespace

#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>

#include "app/base/Matrix4.h"
#include "app/base/Quaternion.h"
#include "app/base/SRT.h"
#include "app/base/Vector3.h"

// Vector, quaternion and matrix operations of the body controller (w, x, y, z; Hamilton product; radians;
// Matrix4 column-major with column vectors). Products read right to left: mul(a, b) applies b first.
namespace bodymath {

Quaternion mul(const Quaternion& a, const Quaternion& b);
Quaternion conjugate(const Quaternion& q);
// Rotation by `radians` about the unit axis (x, y, z).
Quaternion axisAngle(float x, float y, float z, float radians);
// q applied to v (q assumed unit).
Vector3 rotate(const Quaternion& q, const Vector3& v);
// The smallest rotation carrying the direction of a onto that of b; identity when either is (nearly) zero,
// half a turn about an axis perpendicular to a when they point in opposite directions.
Quaternion shortestArc(const Vector3& a, const Vector3& b);
// The rotation that carries +z onto the direction (dx, dy, dz) with the given up vector (see lookRotation in
// the chain set-up). Components below float epsilon in the intermediate terms are taken as 0.
Quaternion lookRotation(const Vector3& direction, const Vector3& up);

Vector3 add(const Vector3& a, const Vector3& b);
Vector3 sub(const Vector3& a, const Vector3& b);
float length(const Vector3& v);

// Rotation matrix of a unit quaternion and the product a · b (b applied first).
Matrix4 toMatrix(const Quaternion& q);
Matrix4 mul(const Matrix4& a, const Matrix4& b);
// The upper 3x3 applied to v.
Vector3 rotate(const Matrix4& m, const Vector3& v);

// Scale first, then rotation, then translation (T · R · S).
Matrix4 toMatrix(const SRT& srt);
// General inverse; the identity for a singular matrix.
Matrix4 inverse(const Matrix4& m);
// m applied to the point v (w = 1).
Vector3 transformPoint(const Matrix4& m, const Vector3& v);
Vector3 translationOf(const Matrix4& m);
// The rotation of the upper 3x3, its columns normalised first so a scaled matrix gives its pure rotation.
Quaternion rotationOf(const Matrix4& m);
// The matrix with rotation q and translation t.
Matrix4 fromRotationTranslation(const Quaternion& q, const Vector3& t);

// Interoperation with the model runtime's glm types.
inline glm::quat toGlm(const Quaternion& q) { return glm::quat(q.w, q.x, q.y, q.z); }
inline glm::vec3 toGlm(const Vector3& v) { return glm::vec3(v.x, v.y, v.z); }
inline Quaternion fromGlm(const glm::quat& q) { return Quaternion{q.w, q.x, q.y, q.z}; }
inline Vector3 fromGlm(const glm::vec3& v) { return Vector3{v.x, v.y, v.z}; }

}  // namespace bodymath

#pragma once

#include "app/base/Quaternion.h"
#include "app/base/Vector3.h"

// Quaternion operations of the face-capture code (w, x, y, z; Hamilton product; angles in radians).
namespace facemath {

// Hamilton product a ⊗ b: the rotation b applied first, then a.
Quaternion multiply(const Quaternion& a, const Quaternion& b);

// The rotation of Euler angles (x, y, z), built from the half angles; equals RZ(z) ⊗ RY(y) ⊗ RX(x).
Quaternion fromEuler(float x, float y, float z);

// Inverse of fromEuler for a unit quaternion: x and z in (-π, π], y in [-π/2, π/2].
Vector3 toEuler(const Quaternion& q);

// Rotation by `radians` about the X or Y axis.
Quaternion rotationX(float radians);
Quaternion rotationY(float radians);

// Spherical interpolation from a (t = 0) to b (t = 1) without choosing the shorter arc: returns a unchanged
// when the angle between them is below 0.01 rad, and their component-wise average when its sine is below 0.01.
Quaternion slerp(const Quaternion& a, const Quaternion& b, float t);

}  // namespace facemath

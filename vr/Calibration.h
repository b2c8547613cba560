#pragma once

#include <QString>

#include "app/base/Matrix4.h"
#include "app/base/SRT.h"
#include "app/base/Vector3.h"

class KySettings;

namespace mmd {
class MMDModel;
}

// Shoulder height of a model without a "右肩" bone, metres.
constexpr float kFallbackShoulderHeight = 1.4f;

// The mapping of the performer's tracking space onto the model, derived from the two controllers held out
// to the sides at shoulder height. Tracking space is metres, right-handed, y up.
struct Calibration {
    Vector3 center;                                       // midpoint of the two controllers
    Vector3 direction;                                    // the way the performer faces: horizontal unit, or zero
    float modelShoulderHeight = kFallbackShoulderHeight;  // metres
    float shoulderScale = 1.0f;                           // performer's shoulder height / the model's
    SRT srt;                                              // scale, facing, and the point below the centre
    Matrix4 matrix;                                       // srt as T · R · S
    Matrix4 inverseMatrix;                                // general inverse of `matrix` (identity if singular)
    SRT inverseSrt;                                       // see inverseRecord
};

// Calibrates from the controller positions `left` and `right` (tracking space) and the performer's shoulder
// height (metres). `model` (observed, may be null) gives the model's shoulder height from its "右肩" rest
// position; a model without one, or with it at or below the floor, uses kFallbackShoulderHeight. Logs the
// inputs and results at debug level.
Calibration calibrate(const Vector3& left, const Vector3& right, float userShoulderHeight, mmd::MMDModel* model);

// Scale 1/s per component (a zero component stays 0), the conjugate rotation, and the translation that undoes
// the rotation and translation only: −(q⁻¹ t), not divided by the scale.
SRT inverseRecord(const SRT& srt);

// Writes the self-position record, its matrix, the matrix's inverse and the inverse record into `settings`
// (persisted by its next save).
void storeCalibration(const Calibration& calibration, KySettings& settings);

// Debug-log forms: "Vector3(x, y, z)" and "Matrix4((row 0), (row 1), (row 2), (row 3))".
QString debugText(const Vector3& v);
QString debugText(const Matrix4& m);

#pragma once

#include <QtGlobal>
#include <array>

#include "app/base/Quaternion.h"
#include "app/base/Vector3.h"

// One parsed packet of the phone's stream. Plain and trivially copyable, so a reader on another thread can
// take a whole, consistent copy under the receiver's lock.
struct FaceFrame {
    // Slots 0..52 of the name table carry values; slot 0 ("shapeNull") collects names the table lacks.
    static constexpr int kValueCount = 53;

    qint64 timestamp = 0;                       // milliseconds since the Unix epoch when parsed; 0 = never
    std::array<float, kValueCount> values{};    // blend-shape values by slot, nominally 0..1
    Quaternion headRotation;                    // identity until a head item arrives
    Vector3 headAngles;                         // Euler angles (x, y, z) of headRotation, radians
    Vector3 headPosition;                       // as sent by the phone, x negated unless mirrored
    Quaternion leftEyeRotation;                 // the model's left eye (after the mirror exchange)
    Quaternion rightEyeRotation;                // the model's right eye
};

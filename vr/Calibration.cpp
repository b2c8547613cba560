#include "vr/Calibration.h"

#include <QStringList>
#include <QtDebug>
#include <cmath>
#include <glm/mat4x4.hpp>

#include "app/base/KySettings.h"
#include "face/FaceMath.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDNode.h"
#include "vr/BodyMath.h"

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr float kMetresPerModelUnit = 0.1f;

// The turn about the vertical by −90° that carries the direction from the centre to the left hand onto the
// way the performer faces.
const Quaternion kLeftToFacing{0.70710677f, 0.0f, -0.70710677f, 0.0f};

// The height of the model's "右肩" at rest in metres, or the fallback; the last such bone wins.
float modelShoulderHeight(mmd::MMDModel* model) {
    float height = kFallbackShoulderHeight;
    if (model == nullptr || model->GetNodeManager() == nullptr) return height;
    const mmd::MMDModel::MMDNodeManager* nodes = model->GetNodeManager();
    for (size_t i = 0; i < nodes->GetNodeCount(); ++i) {
        const mmd::MMDNode* node = nodes->GetNode(i);
        if (node->GetName() != "右肩") continue;
        const float y = kMetresPerModelUnit * glm::inverse(node->GetInverseInitTransform())[3].y;
        // A shoulder at or below the floor would give an infinite or negative scale.
        if (!(y > 0.0f) || !std::isfinite(y)) continue;
        height = y;
        qDebug() << "model shoulderHeight" << height;
    }
    return height;
}

float inverseScale(float s) { return s == 0.0f ? 0.0f : 1.0f / s; }

}  // namespace

Calibration calibrate(const Vector3& left, const Vector3& right, float userShoulderHeight, mmd::MMDModel* model) {
    Calibration c;
    c.center = {(left.x + right.x) * 0.5f, (left.y + right.y) * 0.5f, (left.z + right.z) * 0.5f};
    Vector3 d{left.x - c.center.x, 0.0f, left.z - c.center.z};
    const float length = bodymath::length(d);
    d = length > 0.0f ? Vector3{d.x / length, 0.0f, d.z / length} : Vector3{};
    c.direction = bodymath::rotate(kLeftToFacing, d);
    const Quaternion facing = bodymath::lookRotation(c.direction, Vector3{0.0f, 1.0f, 0.0f});

    const Vector3 euler = facemath::toEuler(facing);
    qDebug().noquote() << "vec0" << debugText(left);
    qDebug().noquote() << "vec1" << debugText(right);
    qDebug().noquote() << "center" << debugText(c.center);
    qDebug().noquote() << "vec0 - center" << debugText(bodymath::sub(left, c.center));
    qDebug().noquote() << "dir" << debugText(c.direction);
    qDebug().noquote() << "angle"
                       << debugText(Vector3{static_cast<float>(euler.x * kDegreesPerRadian),
                                            static_cast<float>(euler.y * kDegreesPerRadian),
                                            static_cast<float>(euler.z * kDegreesPerRadian)});

    c.modelShoulderHeight = modelShoulderHeight(model);
    c.shoulderScale = userShoulderHeight / c.modelShoulderHeight;
    qDebug() << "shoulderScale" << c.shoulderScale;

    const float s = c.shoulderScale;
    c.srt.scale = {s, s, s};
    c.srt.rotation = facing;
    c.srt.translation = {c.center.x, c.center.y - userShoulderHeight, c.center.z};
    c.matrix = bodymath::toMatrix(c.srt);
    c.inverseMatrix = bodymath::inverse(c.matrix);
    c.inverseSrt = inverseRecord(c.srt);

    Matrix4 translation;
    translation.at(0, 3) = 1.0f;
    translation.at(1, 3) = 2.0f;
    translation.at(2, 3) = 3.0f;
    qDebug().noquote() << debugText(bodymath::inverse(bodymath::toMatrix(c.srt)));
    qDebug().noquote() << debugText(bodymath::toMatrix(c.inverseSrt));
    qDebug().noquote() << debugText(translation);
    return c;
}

SRT inverseRecord(const SRT& srt) {
    SRT inverse;
    inverse.scale = {inverseScale(srt.scale.x), inverseScale(srt.scale.y), inverseScale(srt.scale.z)};
    inverse.rotation = bodymath::conjugate(srt.rotation);
    const Vector3 back = bodymath::rotate(inverse.rotation, srt.translation);
    inverse.translation = {-back.x, -back.y, -back.z};
    return inverse;
}

void storeCalibration(const Calibration& calibration, KySettings& settings) {
    settings.vrSelfPosSRT = calibration.srt;
    settings.vrSelfPosMatrix = calibration.matrix;
    settings.vrSelfPosInverseMatrix = calibration.inverseMatrix;
    settings.vrSelfPosInverseSRT = calibration.inverseSrt;
}

// Adding zero turns −0 into 0, so a log line does not show a sign the value does not have.
QString debugText(const Vector3& v) {
    return QStringLiteral("Vector3(%1, %2, %3)").arg(v.x + 0.0f).arg(v.y + 0.0f).arg(v.z + 0.0f);
}

QString debugText(const Matrix4& m) {
    QStringList rows;
    for (int r = 0; r < 4; ++r) {
        rows << QStringLiteral("(%1, %2, %3, %4)")
                    .arg(m.at(r, 0) + 0.0f)
                    .arg(m.at(r, 1) + 0.0f)
                    .arg(m.at(r, 2) + 0.0f)
                    .arg(m.at(r, 3) + 0.0f);
    }
    return QStringLiteral("Matrix4(") + rows.join(QStringLiteral(", ")) + QLatin1Char(')');
}

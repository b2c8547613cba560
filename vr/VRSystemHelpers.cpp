// The free functions around the VR connection: device class labels, pose and matrix helpers, and the eye set-up
// and frame wrappers the GL widget calls.
#include <glm/gtc/quaternion.hpp>

#include "vr/VRSystem.h"

using namespace mnxvr;

QString className(int deviceClass) {
    switch (deviceClass) {
        case TrackedDeviceClass_Invalid:
            return QStringLiteral("Invalid");
        case TrackedDeviceClass_HMD:
            return QStringLiteral("HMD");
        case TrackedDeviceClass_Controller:
            return QStringLiteral("Controller");
        case TrackedDeviceClass_GenericTracker:
            return QStringLiteral("GenericTracker");
        default:
            return QStringLiteral("Unknown");
    }
}

Matrix4 toMatrix4(const XrPosef& pose) {
    const glm::quat q(pose.orientation.w, pose.orientation.x, pose.orientation.y, pose.orientation.z);
    const glm::mat3 r = glm::mat3_cast(q);
    Matrix4 out;
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row) out.m[c * 4 + row] = r[c][row];
    out.m[12] = pose.position.x;
    out.m[13] = pose.position.y;
    out.m[14] = pose.position.z;
    return out;
}

bool invertMatrix(const Matrix4& matrix, Matrix4& out) {
    const auto& m = matrix.m;
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
             m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
             m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
             m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
              m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
             m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
             m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
             m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
              m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
             m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
              m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
              m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
             m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] + m[8] * m[1] * m[6] -
              m[8] * m[2] * m[5];
    const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0f) return false;
    for (int i = 0; i < 16; ++i) out.m[i] = inv[i] / det;
    return true;
}

void vrRecommendedRenderTargetSize(uint32_t& width, uint32_t& height) {
    width = vrSystem()->eyeWidth();
    height = vrSystem()->eyeHeight();
}

Matrix4 vrProjectionMatrix(EVREye eye, float nearZ, float farZ) { return vrSystem()->projection(eye, nearZ, farZ); }

Matrix4 vrEyeToHeadTransform(EVREye eye) { return vrSystem()->eyeToHead(eye); }

bool vrPollQuitRequest() { return vrSystem() != nullptr && vrSystem()->pollEvents(); }

bool vrSubmitSideBySide(unsigned int glTexture) {
    return vrSystem() != nullptr && vrSystem()->submitSideBySide(glTexture);
}

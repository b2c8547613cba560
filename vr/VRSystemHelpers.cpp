// The free functions around the VR connection: device class labels, pose and matrix helpers, and the eye set-up
// and frame wrappers the GL widget calls.
#include <algorithm>
#include <glm/gtc/quaternion.hpp>
#include <glm/gtc/type_ptr.hpp>

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
    const glm::mat4 m = glm::make_mat4(matrix.m.data());
    if (glm::determinant(m) == 0.0f) return false;
    const glm::mat4 inverse = glm::inverse(m);
    std::copy(glm::value_ptr(inverse), glm::value_ptr(inverse) + 16, out.m.begin());
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

#include "vr/VRSystem.h"

#include <QDebug>
#include <cstdint>
#include <vector>

#include "vr/VRRuntimeLoader.h"

using namespace mnxvr;

namespace {

struct InterfaceCache {
    uint32_t token = 0;
    IVRCompositor* compositor = nullptr;
    IVRInput* input = nullptr;
    IVRRenderModels* renderModels = nullptr;

    void clear() {
        compositor = nullptr;
        input = nullptr;
        renderModels = nullptr;
    }
};

IVRSystem* g_system = nullptr;
InterfaceCache g_cache;

// A stale token means the runtime reconnected and every cached pointer may be dangling.
template <typename T>
T* cached(T* InterfaceCache::*slot, const char* version) {
    if (!g_system) return nullptr;
    const uint32_t token = VR_GetInitToken();
    if (token != g_cache.token) {
        g_cache.clear();
        g_cache.token = token;
    }
    if (!(g_cache.*slot)) {
        EVRInitError error = VRInitError_None;
        g_cache.*slot = static_cast<T*>(VR_GetGenericInterface(version, &error));
    }
    return g_cache.*slot;
}

}  // namespace

bool initVR() {
    EVRInitError error = VRInitError_None;
    const uint32_t token = VR_InitInternal2(&error, VRApplication_Scene, nullptr);
    g_cache.clear();
    g_cache.token = token;
    g_system = nullptr;
    if (error == VRInitError_None) {
        if (VR_IsInterfaceVersionValid(IVRSystem_Version)) {
            g_system = static_cast<IVRSystem*>(VR_GetGenericInterface(IVRSystem_Version, &error));
            if (!g_system && error == VRInitError_None) error = VRInitError_Init_InterfaceNotFound;
            if (!g_system) VR_ShutdownInternal();
        } else {
            VR_ShutdownInternal();
            error = VRInitError_Init_InterfaceNotFound;
        }
    }
    if (error != VRInitError_None) {
        g_system = nullptr;
        qCritical().noquote() << VR_GetVRInitErrorAsEnglishDescription(error);
        return false;
    }
    if (!vrCompositor()) {
        VR_ShutdownInternal();
        g_system = nullptr;
        g_cache.clear();
        qCritical() << "Compositor initialization failed. See log file for details";
        return false;
    }
    qDebug() << "----------------------";
    qDebug() << "VR Ready";
    qDebug() << "----------------------";
    return true;
}

IVRSystem* vrSystem() { return g_system; }

void shutdownVR() {
    if (!g_system) return;
    VR_ShutdownInternal();
    g_system = nullptr;
    g_cache.clear();
}

IVRCompositor* vrCompositor() { return cached(&InterfaceCache::compositor, IVRCompositor_Version); }
IVRInput* vrInput() { return cached(&InterfaceCache::input, IVRInput_Version); }
IVRRenderModels* vrRenderModels() { return cached(&InterfaceCache::renderModels, IVRRenderModels_Version); }

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
        case TrackedDeviceClass_TrackingReference:
            return QStringLiteral("TrackingReference");
        default:
            return QStringLiteral("Unknown");
    }
}

Matrix4 toMatrix4(const HmdMatrix34_t& m) {
    Matrix4 out;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) out.m[c * 4 + r] = m.m[r][c];
    out.m[3] = out.m[7] = out.m[11] = 0.0f;
    out.m[15] = 1.0f;
    return out;
}

Matrix4 toMatrix4(const HmdMatrix44_t& m) {
    Matrix4 out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.m[c * 4 + r] = m.m[r][c];
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

ETrackedDeviceClass vrDeviceClass(TrackedDeviceIndex_t index) { return g_system->GetTrackedDeviceClass(index); }

EDeviceActivityLevel vrActivityLevel(TrackedDeviceIndex_t index) {
    return g_system->GetTrackedDeviceActivityLevel(index);
}

std::string vrStdStringProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop) {
    const uint32_t length = g_system->GetStringTrackedDeviceProperty(index, prop, nullptr, 0, nullptr);
    if (length == 0) return std::string();
    std::vector<char> buffer(length, '\0');
    g_system->GetStringTrackedDeviceProperty(index, prop, buffer.data(), length, nullptr);
    buffer.back() = '\0';
    return std::string(buffer.data());
}

QString vrStringProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop) {
    return QString::fromLatin1(vrStdStringProperty(index, prop).c_str());
}

float vrFloatProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop) {
    return g_system->GetFloatTrackedDeviceProperty(index, prop, nullptr);
}

bool vrBoolProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop) {
    return g_system->GetBoolTrackedDeviceProperty(index, prop, nullptr);
}

bool vrPollNextEvent(VREvent_t& event) { return g_system->PollNextEvent(&event, sizeof(VREvent_t)); }

void vrRecommendedRenderTargetSize(uint32_t& width, uint32_t& height) {
    g_system->GetRecommendedRenderTargetSize(&width, &height);
}

Matrix4 vrProjectionMatrix(EVREye eye, float nearZ, float farZ) {
    return toMatrix4(g_system->GetProjectionMatrix(eye, nearZ, farZ));
}

Matrix4 vrEyeToHeadTransform(EVREye eye) { return toMatrix4(g_system->GetEyeToHeadTransform(eye)); }

EVRCompositorError vrWaitGetPoses(TrackedDevicePose_t* renderPoses, uint32_t renderPoseCount,
                                  TrackedDevicePose_t* gamePoses, uint32_t gamePoseCount) {
    IVRCompositor* compositor = vrCompositor();
    if (!compositor) return VRCompositorError_InvalidTexture;
    return compositor->WaitGetPoses(renderPoses, renderPoseCount, gamePoses, gamePoseCount);
}

EVRCompositorError vrSubmit(EVREye eye, const Texture_t& texture, const VRTextureBounds_t& bounds,
                            EVRSubmitFlags flags) {
    IVRCompositor* compositor = vrCompositor();
    if (!compositor) return VRCompositorError_InvalidTexture;
    return compositor->Submit(eye, &texture, &bounds, flags);
}

EVRCompositorError vrSubmitSideBySide(unsigned int glTexture) {
    const Texture_t texture{reinterpret_cast<void*>(static_cast<uintptr_t>(glTexture)), TextureType_OpenGL,
                            ColorSpace_Gamma};
    const EVRCompositorError left = vrSubmit(Eye_Left, texture, {0.0f, 0.0f, 0.5f, 1.0f});
    const EVRCompositorError right = vrSubmit(Eye_Right, texture, {0.5f, 0.0f, 1.0f, 1.0f});
    return left != VRCompositorError_None ? left : right;
}

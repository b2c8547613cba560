#include "vr/SimulatedRuntime.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <thread>

#include "render/GLFunctions.h"
#include "vr/SimulatedRenderModel.h"

using namespace mnxvr;

namespace {

std::string lower(const std::string& s) {
    std::string out = s;
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

const char* staticInitErrorText(EVRInitError error) {
    switch (error) {
        case VRInitError_None:
            return "No Error (0)";
        case VRInitError_Init_InstallationNotFound:
            return "Installation Not Found (100)";
        case VRInitError_Init_InstallationCorrupt:
            return "Installation Corrupt (101)";
        case VRInitError_Init_InterfaceNotFound:
            return "Interface Not Found (105)";
        case VRInitError_Init_HmdNotFound:
            return "Hmd Not Found (108)";
        case VRInitError_Init_NotInitialized:
            return "Not Initialized (110)";
        default:
            return "Unknown Error (1)";
    }
}

}  // namespace

QString SimulatedRuntime::defaultSessionPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/resource/VR/simulated_session.json");
}

SimulatedRuntime::SimulatedRuntime(QString sessionPath) : m_sessionPath(std::move(sessionPath)) {}

SimulatedRuntime::~SimulatedRuntime() = default;

double SimulatedRuntime::sessionTime() const {
    if (m_manualTime) return *m_manualTime;
    return m_clock.isValid() ? static_cast<double>(m_clock.nsecsElapsed()) * 1e-9 : 0.0;
}

uint32_t SimulatedRuntime::InitInternal2(EVRInitError* error, EVRApplicationType type, const char*) {
    EVRInitError result = VRInitError_None;
    if (!m_connected) {
        QString reason;
        SimulatedSession session;
        if (type != VRApplication_Scene && type != VRApplication_Other) {
            result = VRInitError_Unknown;
            reason = QStringLiteral("Simulated VR runtime: unsupported application type");
        } else if (!SimulatedSession::load(m_sessionPath, session, reason)) {
            result = QFile::exists(m_sessionPath) ? VRInitError_Init_InstallationCorrupt
                                                  : VRInitError_Init_InstallationNotFound;
        } else if (!session.device(0) || session.device(0)->deviceClass != TrackedDeviceClass_HMD) {
            result = VRInitError_Init_HmdNotFound;
            reason = QStringLiteral("Simulated VR session has no headset at index 0: %1").arg(m_sessionPath);
        }
        if (result != VRInitError_None) {
            m_initErrorText = reason.toStdString();
        } else {
            m_session = std::move(session);
            m_connected = true;
            ++m_token;
            m_clock.start();
            m_lastFrame.reset();
            m_nextEvent = 0;
            m_actions.clear();
            m_actionSets.clear();
            m_sources.clear();
            m_activeSet = k_ulInvalidActionSetHandle;
            m_submissions[0] = Submission();
            m_submissions[1] = Submission();
        }
    }
    if (error) *error = result;
    return m_token;
}

void SimulatedRuntime::ShutdownInternal() { disconnect(); }

void SimulatedRuntime::disconnect() {
    m_connected = false;
    m_lastFrame.reset();
}

bool SimulatedRuntime::IsInterfaceVersionValid(const char* version) {
    if (!version) return false;
    for (const char* v : {IVRSystem_Version, IVRCompositor_Version, IVRInput_Version, IVRRenderModels_Version})
        if (std::strcmp(version, v) == 0) return true;
    return false;
}

void* SimulatedRuntime::GetGenericInterface(const char* version, EVRInitError* error) {
    void* result = nullptr;
    EVRInitError e = VRInitError_None;
    if (!m_connected) {
        e = VRInitError_Init_NotInitialized;
    } else if (version && std::strcmp(version, IVRSystem_Version) == 0) {
        result = static_cast<IVRSystem*>(this);
    } else if (version && std::strcmp(version, IVRCompositor_Version) == 0) {
        result = static_cast<IVRCompositor*>(this);
    } else if (version && std::strcmp(version, IVRInput_Version) == 0) {
        result = static_cast<IVRInput*>(this);
    } else if (version && std::strcmp(version, IVRRenderModels_Version) == 0) {
        result = static_cast<IVRRenderModels*>(this);
    } else {
        e = VRInitError_Init_InterfaceNotFound;
    }
    if (error) *error = e;
    return result;
}

const char* SimulatedRuntime::GetVRInitErrorAsEnglishDescription(EVRInitError error) {
    const bool sessionError = error == VRInitError_Init_InstallationNotFound ||
                              error == VRInitError_Init_InstallationCorrupt || error == VRInitError_Init_HmdNotFound ||
                              error == VRInitError_Unknown;
    if (sessionError && !m_initErrorText.empty()) return m_initErrorText.c_str();
    return staticInitErrorText(error);
}

// ---- system ----

ETrackedDeviceClass SimulatedRuntime::GetTrackedDeviceClass(TrackedDeviceIndex_t index) {
    const SimulatedDevice* d = m_connected ? m_session.device(index) : nullptr;
    return d ? d->deviceClass : TrackedDeviceClass_Invalid;
}

EDeviceActivityLevel SimulatedRuntime::GetTrackedDeviceActivityLevel(TrackedDeviceIndex_t index) {
    const SimulatedDevice* d = m_connected ? m_session.device(index) : nullptr;
    if (!d) return k_EDeviceActivityLevel_Unknown;
    return m_session.pose(*d, sessionTime()).bPoseIsValid ? k_EDeviceActivityLevel_UserInteraction
                                                          : k_EDeviceActivityLevel_Standby;
}

uint32_t SimulatedRuntime::GetStringTrackedDeviceProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop,
                                                          char* buffer, uint32_t bufferSize,
                                                          ETrackedPropertyError* error) {
    const SimulatedDevice* d = m_connected ? m_session.device(index) : nullptr;
    const std::string* value = nullptr;
    ETrackedPropertyError e = TrackedProp_Success;
    if (!d) {
        e = TrackedProp_InvalidDevice;
    } else if (prop == Prop_ModelNumber_String) {
        value = &d->modelNumber;
    } else if (prop == Prop_SerialNumber_String) {
        value = &d->serialNumber;
    } else if (prop == Prop_RenderModelName_String && !d->renderModelName.empty()) {
        value = &d->renderModelName;
    } else {
        e = TrackedProp_UnknownProperty;
    }
    uint32_t length = 0;
    if (value) {
        length = static_cast<uint32_t>(value->size() + 1);
        if (buffer && bufferSize >= length) {
            std::memcpy(buffer, value->c_str(), length);
        } else {
            e = TrackedProp_BufferTooSmall;
        }
    }
    if (error) *error = e;
    return length;
}

float SimulatedRuntime::GetFloatTrackedDeviceProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop,
                                                      ETrackedPropertyError* error) {
    const SimulatedDevice* d = m_connected ? m_session.device(index) : nullptr;
    ETrackedPropertyError e = !d                                           ? TrackedProp_InvalidDevice
                              : prop == Prop_DeviceBatteryPercentage_Float ? TrackedProp_Success
                                                                           : TrackedProp_UnknownProperty;
    if (error) *error = e;
    return e == TrackedProp_Success ? d->battery : 0.0f;
}

bool SimulatedRuntime::GetBoolTrackedDeviceProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop,
                                                    ETrackedPropertyError* error) {
    const SimulatedDevice* d = m_connected ? m_session.device(index) : nullptr;
    ETrackedPropertyError e = TrackedProp_InvalidDevice;
    bool value = false;
    if (d) {
        const auto it = d->boolProperties.find(prop);
        e = it == d->boolProperties.end() ? TrackedProp_UnknownProperty : TrackedProp_Success;
        value = it != d->boolProperties.end() && it->second;
    }
    if (error) *error = e;
    return value;
}

bool SimulatedRuntime::PollNextEvent(VREvent_t* event, uint32_t eventSize) {
    if (!m_connected || !event || eventSize != sizeof(VREvent_t) || m_nextEvent >= m_session.events.size())
        return false;
    const SimulatedEvent& e = m_session.events[m_nextEvent];
    const double now = sessionTime();
    if (e.time > now) return false;
    ++m_nextEvent;
    std::memset(event, 0, sizeof(VREvent_t));
    event->eventType = e.type;
    event->trackedDeviceIndex = e.device;
    event->eventAgeSeconds = static_cast<float>(now - e.time);
    return true;
}

void SimulatedRuntime::GetRecommendedRenderTargetSize(uint32_t* width, uint32_t* height) {
    if (width) *width = m_session.renderWidth;
    if (height) *height = m_session.renderHeight;
}

HmdMatrix44_t SimulatedRuntime::GetProjectionMatrix(EVREye eye, float nearZ, float farZ) {
    // The right eye mirrors the left one.
    const float l = eye == Eye_Right ? -m_session.tanRight : m_session.tanLeft;
    const float r = eye == Eye_Right ? -m_session.tanLeft : m_session.tanRight;
    const float b = m_session.tanDown, t = m_session.tanUp;
    HmdMatrix44_t p{};
    p.m[0][0] = 2.0f / (r - l);
    p.m[0][2] = (r + l) / (r - l);
    p.m[1][1] = 2.0f / (t - b);
    p.m[1][2] = (t + b) / (t - b);
    p.m[2][2] = -(farZ + nearZ) / (farZ - nearZ);
    p.m[2][3] = -2.0f * farZ * nearZ / (farZ - nearZ);
    p.m[3][2] = -1.0f;
    return p;
}

HmdMatrix34_t SimulatedRuntime::GetEyeToHeadTransform(EVREye eye) {
    HmdMatrix34_t m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = 1.0f;
    m.m[0][3] = (eye == Eye_Left ? -0.5f : 0.5f) * m_session.ipd;
    return m;
}

// ---- compositor ----

EVRCompositorError SimulatedRuntime::WaitGetPoses(TrackedDevicePose_t* renderPoses, uint32_t renderPoseCount,
                                                  TrackedDevicePose_t* gamePoses, uint32_t gamePoseCount) {
    if (m_pacing) {
        // Sleep to the next frame of a 90 Hz clock; a late caller starts a new clock rather than catching up.
        const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(kFrameSeconds));
        auto now = std::chrono::steady_clock::now();
        if (m_lastFrame && now < *m_lastFrame + period) {
            std::this_thread::sleep_until(*m_lastFrame + period);
            m_lastFrame = *m_lastFrame + period;
        } else {
            m_lastFrame = now;
        }
    }
    const double t = sessionTime();
    auto fill = [&](TrackedDevicePose_t* poses, uint32_t count) {
        if (!poses) return;
        for (uint32_t i = 0; i < count; ++i) {
            const SimulatedDevice* d = m_connected ? m_session.device(i) : nullptr;
            poses[i] = d ? m_session.pose(*d, t) : TrackedDevicePose_t{};
        }
    };
    fill(renderPoses, renderPoseCount);
    fill(gamePoses, gamePoseCount);
    return VRCompositorError_None;
}

EVRCompositorError SimulatedRuntime::Submit(EVREye eye, const Texture_t* texture, const VRTextureBounds_t* bounds,
                                            EVRSubmitFlags flags) {
    if (!texture || !texture->handle || texture->eType != TextureType_OpenGL) return VRCompositorError_InvalidTexture;
    const VRTextureBounds_t b = bounds ? *bounds : VRTextureBounds_t{0.0f, 0.0f, 1.0f, 1.0f};
    if (b.uMin < 0.0f || b.vMin < 0.0f || b.uMax > 1.0f || b.vMax > 1.0f || b.uMin >= b.uMax || b.vMin >= b.vMax)
        return VRCompositorError_InvalidBounds;
    Submission& s = m_submissions[eye == Eye_Right];
    s.texture = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(texture->handle));
    s.bounds = b;
    s.flags = flags;
    ++s.count;
    return VRCompositorError_None;
}

QImage SimulatedRuntime::readSubmittedEye(EVREye eye) const {
    const Submission& s = submission(eye);
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (!gl || s.count == 0 || !gl->glIsTexture(s.texture)) return QImage();
    GLint width = 0, height = 0;
    gl->glBindTexture(GL_TEXTURE_2D, s.texture);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width <= 0 || height <= 0) return QImage();
    QImage full(width, height, QImage::Format_RGBA8888);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, full.bits());
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    // v counts from the texture's first row, which GL stores at the bottom of the picture.
    const int x0 = static_cast<int>(s.bounds.uMin * width + 0.5f), x1 = static_cast<int>(s.bounds.uMax * width + 0.5f);
    const int y0 = static_cast<int>(s.bounds.vMin * height + 0.5f),
              y1 = static_cast<int>(s.bounds.vMax * height + 0.5f);
    return full.copy(x0, y0, x1 - x0, y1 - y0).mirrored(false, true);
}

// ---- render models ----

EVRRenderModelError SimulatedRuntime::LoadRenderModel_Async(const char* name, RenderModel_t** model) {
    if (!name || !model) return VRRenderModelError_InvalidArg;
    const std::string key = lower(name);
    bool known = false;
    for (const auto& d : m_session.devices)
        known = known || (!d.renderModelName.empty() && lower(d.renderModelName) == key);
    if (!known) return VRRenderModelError_InvalidModel;
    // The first call of a load only starts it, as a runtime reading from disk would.
    if (m_modelLoadCalls[key]++ == 0) return VRRenderModelError_Loading;
    m_modelLoadCalls.erase(key);
    *model = createSimulatedControllerModel(kControllerTextureId);
    ++m_liveModels;
    return VRRenderModelError_None;
}

void SimulatedRuntime::FreeRenderModel(RenderModel_t* model) {
    if (!model) return;
    freeSimulatedControllerModel(model);
    --m_liveModels;
}

EVRRenderModelError SimulatedRuntime::LoadTexture_Async(TextureID_t id, RenderModel_TextureMap_t** texture) {
    if (!texture) return VRRenderModelError_InvalidArg;
    if (id != kControllerTextureId) return VRRenderModelError_InvalidTexture;
    *texture = createSimulatedControllerTexture();
    ++m_liveTextures;
    return VRRenderModelError_None;
}

void SimulatedRuntime::FreeTexture(RenderModel_TextureMap_t* texture) {
    if (!texture) return;
    freeSimulatedControllerTexture(texture);
    --m_liveTextures;
}

const char* SimulatedRuntime::GetRenderModelErrorNameFromEnum(EVRRenderModelError error) {
    switch (error) {
        case VRRenderModelError_None:
            return "VRRenderModelError_None";
        case VRRenderModelError_Loading:
            return "VRRenderModelError_Loading";
        case VRRenderModelError_InvalidArg:
            return "VRRenderModelError_InvalidArg";
        case VRRenderModelError_InvalidModel:
            return "VRRenderModelError_InvalidModel";
        case VRRenderModelError_InvalidTexture:
            return "VRRenderModelError_InvalidTexture";
        default:
            return "VRRenderModelError_Unknown";
    }
}

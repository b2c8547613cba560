#include "vr/VRSystem.h"

#define XR_USE_GRAPHICS_API_OPENGL
#include <openxr/openxr_platform.h>
#include <openxr/openxr_reflection.h>

#include <QDebug>
#include <cmath>
#include <cstring>

#include "render/GLFunctions.h"
#include "vr/VRGraphicsBinding.h"

using namespace mnxvr;

namespace {

std::unique_ptr<VRSystem> g_system;

// GL_SRGB8_ALPHA8 first: the eyes are drawn gamma-encoded, which an sRGB swapchain shows as drawn.
constexpr int64_t kSwapchainFormats[] = {0x8C43, 0x8058};

Matrix4 fromFov(const XrFovf& fov, float nearZ, float farZ) {
    const float l = std::tan(fov.angleLeft), r = std::tan(fov.angleRight);
    const float t = std::tan(fov.angleUp), b = std::tan(fov.angleDown);
    Matrix4 p;
    p.at(0, 0) = 2.0f / (r - l);
    p.at(0, 2) = (r + l) / (r - l);
    p.at(1, 1) = 2.0f / (t - b);
    p.at(1, 2) = (t + b) / (t - b);
    p.at(2, 2) = -(farZ + nearZ) / (farZ - nearZ);
    p.at(2, 3) = -2.0f * farZ * nearZ / (farZ - nearZ);
    p.at(3, 2) = -1.0f;
    p.at(3, 3) = 0.0f;
    return p;
}

QString serialFromPersistentPath(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

}  // namespace

QString xrResultName(XrResult result) {
#define MNX_XR_RESULT_NAME(name, value) \
    case name:                          \
        return QStringLiteral(#name);
    switch (result) { XR_LIST_ENUM_XrResult(MNX_XR_RESULT_NAME) default : break; }
#undef MNX_XR_RESULT_NAME
    return QStringLiteral("XrResult %1").arg(int(result));
}

VRSystem::~VRSystem() {
    if (m_frameBegun) endFrameEmpty();
    // Normally released already by the GL teardown; here the GL context may be gone, so only the runtime's side.
    if (m_swapchain != XR_NULL_HANDLE) xrDestroySwapchain(m_swapchain);
    if (m_session != XR_NULL_HANDLE) xrDestroySession(m_session);
    if (m_instance != XR_NULL_HANDLE) xrDestroyInstance(m_instance);
}

void VRSystem::releaseGraphics() {
    if (m_frameBegun) endFrameEmpty();
    if (QOpenGLFunctions_4_1_Core* gl = glFunctions()) {
        if (m_readFramebuffer) gl->glDeleteFramebuffers(1, &m_readFramebuffer);
        if (m_drawFramebuffer) gl->glDeleteFramebuffers(1, &m_drawFramebuffer);
    }
    m_readFramebuffer = m_drawFramebuffer = 0;
    if (m_swapchain != XR_NULL_HANDLE) xrDestroySwapchain(m_swapchain);
    m_swapchain = XR_NULL_HANDLE;
    m_swapchainImages.clear();
}

std::unique_ptr<VRSystem> VRSystem::create(QString& reason) {
    std::unique_ptr<VRSystem> vr(new VRSystem);
    uint32_t count = 0;
    XrResult result = xrEnumerateInstanceExtensionProperties(nullptr, 0, &count, nullptr);
    std::vector<XrExtensionProperties> offered(count, XrExtensionProperties{XR_TYPE_EXTENSION_PROPERTIES});
    if (XR_SUCCEEDED(result)) result = xrEnumerateInstanceExtensionProperties(nullptr, count, &count, offered.data());
    if (XR_FAILED(result)) {
        reason = QStringLiteral("No OpenXR runtime: %1").arg(xrResultName(result));
        return nullptr;
    }
    bool gl = false;
    for (const auto& e : offered) {
        gl = gl || std::strcmp(e.extensionName, XR_KHR_OPENGL_ENABLE_EXTENSION_NAME) == 0;
        vr->m_trackerExtension = vr->m_trackerExtension ||
                                 std::strcmp(e.extensionName, XR_HTCX_VIVE_TRACKER_INTERACTION_EXTENSION_NAME) == 0;
    }
    if (!gl) {
        reason = QStringLiteral("The OpenXR runtime does not offer " XR_KHR_OPENGL_ENABLE_EXTENSION_NAME);
        return nullptr;
    }
    std::vector<const char*> extensions{XR_KHR_OPENGL_ENABLE_EXTENSION_NAME};
    if (vr->m_trackerExtension) extensions.push_back(XR_HTCX_VIVE_TRACKER_INTERACTION_EXTENSION_NAME);
    XrInstanceCreateInfo info{XR_TYPE_INSTANCE_CREATE_INFO};
    std::snprintf(info.applicationInfo.applicationName, sizeof(info.applicationInfo.applicationName), "Marionix");
    info.applicationInfo.applicationVersion = 101;
    std::snprintf(info.applicationInfo.engineName, sizeof(info.applicationInfo.engineName), "Marionix");
    info.applicationInfo.apiVersion = XR_CURRENT_API_VERSION;
    info.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
    info.enabledExtensionNames = extensions.data();
    result = xrCreateInstance(&info, &vr->m_instance);
    if (XR_FAILED(result)) {
        vr->m_instance = XR_NULL_HANDLE;
        reason = QStringLiteral("No OpenXR runtime: %1").arg(xrResultName(result));
        return nullptr;
    }
    XrSystemGetInfo systemInfo{XR_TYPE_SYSTEM_GET_INFO};
    systemInfo.formFactor = XR_FORM_FACTOR_HEAD_MOUNTED_DISPLAY;
    result = xrGetSystem(vr->m_instance, &systemInfo, &vr->m_systemId);
    if (XR_FAILED(result)) {
        // The runtime's own name for the result.
        char text[XR_MAX_RESULT_STRING_SIZE] = {};
        xrResultToString(vr->m_instance, result, text);
        reason = result == XR_ERROR_FORM_FACTOR_UNAVAILABLE
                     ? QStringLiteral("No headset: %1").arg(QString::fromLatin1(text))
                     : QStringLiteral("No head-mounted system: %1").arg(QString::fromLatin1(text));
        return nullptr;
    }
    XrSystemProperties properties{XR_TYPE_SYSTEM_PROPERTIES};
    xrGetSystemProperties(vr->m_instance, vr->m_systemId, &properties);
    XrViewConfigurationView views[2] = {{XR_TYPE_VIEW_CONFIGURATION_VIEW}, {XR_TYPE_VIEW_CONFIGURATION_VIEW}};
    result = xrEnumerateViewConfigurationViews(vr->m_instance, vr->m_systemId,
                                               XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO, 2, &count, views);
    if (XR_FAILED(result) || count != 2) {
        reason = QStringLiteral("The headset has no stereo view configuration: %1").arg(xrResultName(result));
        return nullptr;
    }
    vr->m_eyeWidth = views[0].recommendedImageRectWidth;
    vr->m_eyeHeight = views[0].recommendedImageRectHeight;
    // Until the first frame locates the eyes: 90 degrees each way, 64 mm apart.
    for (int eye = 0; eye < 2; ++eye) {
        vr->m_views[eye].type = XR_TYPE_VIEW;
        vr->m_views[eye].fov = XrFovf{-0.785398f, 0.785398f, 0.785398f, -0.785398f};
        vr->m_views[eye].pose.orientation.w = 1.0f;
        vr->m_views[eye].pose.position.x = eye == 0 ? -0.032f : 0.032f;
    }
    const QString head = QStringLiteral("/user/head");
    vr->m_devices[kHeadSlot] = TrackedDevice{TrackedDeviceClass_HMD, QString::fromUtf8(properties.systemName), head};
    vr->m_devices[kLeftHandSlot] =
        TrackedDevice{TrackedDeviceClass_Controller, QString(), QStringLiteral("/user/hand/left")};
    vr->m_devices[kRightHandSlot] =
        TrackedDevice{TrackedDeviceClass_Controller, QString(), QStringLiteral("/user/hand/right")};
    if (!vr->m_actions.create(vr->m_instance, vr->m_trackerExtension, reason)) return nullptr;
    return vr;
}

bool VRSystem::startSession(QString& reason) {
    PFN_xrGetOpenGLGraphicsRequirementsKHR requirements = nullptr;
    xrGetInstanceProcAddr(m_instance, "xrGetOpenGLGraphicsRequirementsKHR",
                          reinterpret_cast<PFN_xrVoidFunction*>(&requirements));
    XrGraphicsRequirementsOpenGLKHR needed{XR_TYPE_GRAPHICS_REQUIREMENTS_OPENGL_KHR};
    if (!requirements || XR_FAILED(requirements(m_instance, m_systemId, &needed))) {
        reason = QStringLiteral("xrGetOpenGLGraphicsRequirementsKHR failed");
        return false;
    }
    if (needed.minApiVersionSupported > XR_MAKE_VERSION(4, 1, 0)) {
        reason = QStringLiteral("The runtime needs a newer OpenGL than 4.1");
        return false;
    }
    std::string why;
    const void* binding = currentGraphicsBinding(why);
    if (!binding) {
        reason = QString::fromStdString(why);
        return false;
    }
    XrSessionCreateInfo info{XR_TYPE_SESSION_CREATE_INFO};
    info.next = binding;
    info.systemId = m_systemId;
    XrResult result = xrCreateSession(m_instance, &info, &m_session);
    if (XR_FAILED(result)) {
        m_session = XR_NULL_HANDLE;
        reason = QStringLiteral("xrCreateSession failed: %1").arg(xrResultName(result));
        return false;
    }
    // The stage is the floor-level room space the calibration and the body work in; LOCAL where there is none.
    XrReferenceSpaceCreateInfo spaceInfo{XR_TYPE_REFERENCE_SPACE_CREATE_INFO};
    spaceInfo.poseInReferenceSpace.orientation.w = 1.0f;
    spaceInfo.referenceSpaceType = XR_REFERENCE_SPACE_TYPE_STAGE;
    if (XR_FAILED(xrCreateReferenceSpace(m_session, &spaceInfo, &m_stage))) {
        spaceInfo.referenceSpaceType = XR_REFERENCE_SPACE_TYPE_LOCAL;
        xrCreateReferenceSpace(m_session, &spaceInfo, &m_stage);
    }
    spaceInfo.referenceSpaceType = XR_REFERENCE_SPACE_TYPE_VIEW;
    xrCreateReferenceSpace(m_session, &spaceInfo, &m_view);
    if (!m_actions.attach(m_session, reason)) return false;

    uint32_t count = 0;
    xrEnumerateSwapchainFormats(m_session, 0, &count, nullptr);
    std::vector<int64_t> formats(count);
    xrEnumerateSwapchainFormats(m_session, count, &count, formats.data());
    int64_t format = 0;
    for (int64_t wanted : kSwapchainFormats)
        if (format == 0 && std::find(formats.begin(), formats.end(), wanted) != formats.end()) format = wanted;
    if (format == 0) {
        reason = QStringLiteral("The runtime offers no 8-bit RGBA swapchain");
        return false;
    }
    XrSwapchainCreateInfo chain{XR_TYPE_SWAPCHAIN_CREATE_INFO};
    chain.usageFlags = XR_SWAPCHAIN_USAGE_COLOR_ATTACHMENT_BIT | XR_SWAPCHAIN_USAGE_TRANSFER_DST_BIT;
    chain.format = format;
    chain.sampleCount = 1;
    chain.width = 2 * m_eyeWidth;
    chain.height = m_eyeHeight;
    chain.faceCount = chain.arraySize = chain.mipCount = 1;
    result = xrCreateSwapchain(m_session, &chain, &m_swapchain);
    if (XR_FAILED(result)) {
        m_swapchain = XR_NULL_HANDLE;
        reason = QStringLiteral("xrCreateSwapchain failed: %1").arg(xrResultName(result));
        return false;
    }
    xrEnumerateSwapchainImages(m_swapchain, 0, &count, nullptr);
    std::vector<XrSwapchainImageOpenGLKHR> images(count, XrSwapchainImageOpenGLKHR{XR_TYPE_SWAPCHAIN_IMAGE_OPENGL_KHR});
    xrEnumerateSwapchainImages(m_swapchain, count, &count,
                               reinterpret_cast<XrSwapchainImageBaseHeader*>(images.data()));
    for (const auto& image : images) m_swapchainImages.push_back(image.image);
    if (QOpenGLFunctions_4_1_Core* gl = glFunctions()) {
        gl->glGenFramebuffers(1, &m_readFramebuffer);
        gl->glGenFramebuffers(1, &m_drawFramebuffer);
    }
    return true;
}

bool VRSystem::pollEvents() {
    bool quit = false;
    XrEventDataBuffer event{XR_TYPE_EVENT_DATA_BUFFER};
    while (xrPollEvent(m_instance, &event) == XR_SUCCESS) {
        switch (event.type) {
            case XR_TYPE_EVENT_DATA_SESSION_STATE_CHANGED: {
                m_state = reinterpret_cast<const XrEventDataSessionStateChanged&>(event).state;
                if (m_state == XR_SESSION_STATE_READY && m_session != XR_NULL_HANDLE) {
                    XrSessionBeginInfo begin{XR_TYPE_SESSION_BEGIN_INFO};
                    begin.primaryViewConfigurationType = XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO;
                    m_running = XR_SUCCEEDED(xrBeginSession(m_session, &begin));
                } else if (m_state == XR_SESSION_STATE_STOPPING) {
                    if (m_frameBegun) endFrameEmpty();
                    xrEndSession(m_session);
                    m_running = false;
                } else if (m_state == XR_SESSION_STATE_EXITING || m_state == XR_SESSION_STATE_LOSS_PENDING) {
                    quit = true;
                }
                break;
            }
            case XR_TYPE_EVENT_DATA_INSTANCE_LOSS_PENDING:
                quit = true;
                break;
            case XR_TYPE_EVENT_DATA_VIVE_TRACKER_CONNECTED_HTCX:
                refreshTrackers();
                break;
            default:
                break;
        }
        event = XrEventDataBuffer{XR_TYPE_EVENT_DATA_BUFFER};
    }
    return quit;
}

void VRSystem::refreshTrackers() {
    PFN_xrEnumerateViveTrackerPathsHTCX enumerate = nullptr;
    xrGetInstanceProcAddr(m_instance, "xrEnumerateViveTrackerPathsHTCX",
                          reinterpret_cast<PFN_xrVoidFunction*>(&enumerate));
    if (!enumerate) return;
    uint32_t count = 0;
    if (XR_FAILED(enumerate(m_instance, 0, &count, nullptr))) return;
    std::vector<XrViveTrackerPathsHTCX> paths(count, XrViveTrackerPathsHTCX{XR_TYPE_VIVE_TRACKER_PATHS_HTCX});
    if (XR_FAILED(enumerate(m_instance, count, &count, paths.data()))) return;
    for (const auto& p : paths) {
        // OpenXR locates a tracker only through its role.
        for (int r = 0; r < VRInputActions::kTrackerRoleCount; ++r) {
            if (p.rolePath == XR_NULL_PATH || p.rolePath != m_actions.trackerRolePaths[r]) continue;
            char text[XR_MAX_PATH_LENGTH] = {};
            uint32_t length = 0;
            xrPathToString(m_instance, p.persistentPath, sizeof(text), &length, text);
            TrackedDevice& d = m_devices[kFirstTrackerSlot + r];
            d.deviceClass = TrackedDeviceClass_GenericTracker;
            d.serialNumber = serialFromPersistentPath(QString::fromUtf8(text));
            d.modelNumber = QStringLiteral("Vive Tracker (%1)").arg(QLatin1String(VRInputActions::kTrackerRoles[r]));
        }
    }
}

void VRSystem::locate(XrSpace space, TrackedDevice& device) {
    XrSpaceVelocity velocity{XR_TYPE_SPACE_VELOCITY};
    XrSpaceLocation location{XR_TYPE_SPACE_LOCATION, &velocity};
    const bool located =
        space != XR_NULL_HANDLE && XR_SUCCEEDED(xrLocateSpace(space, m_stage, m_displayTime, &location));
    constexpr XrSpaceLocationFlags kValid =
        XR_SPACE_LOCATION_ORIENTATION_VALID_BIT | XR_SPACE_LOCATION_POSITION_VALID_BIT;
    device.valid = located && (location.locationFlags & kValid) == kValid;
    if (!device.valid) return;
    device.pose = toMatrix4(location.pose);
    const bool moving = (velocity.velocityFlags & XR_SPACE_VELOCITY_LINEAR_VALID_BIT) != 0;
    const bool turning = (velocity.velocityFlags & XR_SPACE_VELOCITY_ANGULAR_VALID_BIT) != 0;
    const float v[3] = {velocity.linearVelocity.x, velocity.linearVelocity.y, velocity.linearVelocity.z};
    const float w[3] = {velocity.angularVelocity.x, velocity.angularVelocity.y, velocity.angularVelocity.z};
    for (int k = 0; k < 3; ++k) {
        device.velocity[k] = moving ? v[k] : 0.0f;
        device.angularVelocity[k] = turning ? w[k] : 0.0f;
    }
}

bool VRSystem::beginFrame() {
    if (!m_running) return false;
    if (m_frameBegun) endFrameEmpty();
    XrFrameState frame{XR_TYPE_FRAME_STATE};
    if (XR_FAILED(xrWaitFrame(m_session, nullptr, &frame))) return false;
    if (XR_FAILED(xrBeginFrame(m_session, nullptr))) return false;
    m_frameBegun = true;
    m_shouldRender = frame.shouldRender == XR_TRUE;
    m_displayTime = frame.predictedDisplayTime;
    m_actions.sync(m_session);
    locate(m_view, m_devices[kHeadSlot]);
    locate(m_actions.hands[0].gripSpace, m_devices[kLeftHandSlot]);
    locate(m_actions.hands[1].gripSpace, m_devices[kRightHandSlot]);
    for (int r = 0; r < VRInputActions::kTrackerRoleCount; ++r) {
        TrackedDevice& d = m_devices[kFirstTrackerSlot + r];
        if (d.deviceClass == TrackedDeviceClass_GenericTracker) locate(m_actions.trackerSpaces[r], d);
    }
    XrViewLocateInfo info{XR_TYPE_VIEW_LOCATE_INFO};
    info.viewConfigurationType = XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO;
    info.displayTime = m_displayTime;
    info.space = m_stage;
    XrViewState state{XR_TYPE_VIEW_STATE};
    XrView views[2] = {{XR_TYPE_VIEW}, {XR_TYPE_VIEW}};
    uint32_t count = 0;
    constexpr XrViewStateFlags kValid = XR_VIEW_STATE_ORIENTATION_VALID_BIT | XR_VIEW_STATE_POSITION_VALID_BIT;
    if (XR_SUCCEEDED(xrLocateViews(m_session, &info, &state, 2, &count, views)) && count == 2 &&
        (state.viewStateFlags & kValid) == kValid) {
        m_views[0] = views[0];
        m_views[1] = views[1];
        m_viewsLocated = true;
    }
    return true;
}

void VRSystem::endFrameEmpty() {
    XrFrameEndInfo end{XR_TYPE_FRAME_END_INFO};
    end.displayTime = m_displayTime;
    end.environmentBlendMode = XR_ENVIRONMENT_BLEND_MODE_OPAQUE;
    xrEndFrame(m_session, &end);
    m_frameBegun = false;
}

bool VRSystem::submitSideBySide(unsigned int glTexture) {
    if (!m_frameBegun) return false;
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (!m_shouldRender || !m_viewsLocated || !gl || m_swapchainImages.empty()) {
        endFrameEmpty();
        return m_shouldRender;
    }
    uint32_t index = 0;
    if (XR_FAILED(xrAcquireSwapchainImage(m_swapchain, nullptr, &index))) {
        endFrameEmpty();
        return false;
    }
    XrSwapchainImageWaitInfo wait{XR_TYPE_SWAPCHAIN_IMAGE_WAIT_INFO};
    wait.timeout = XR_INFINITE_DURATION;
    const bool ready = XR_SUCCEEDED(xrWaitSwapchainImage(m_swapchain, &wait));
    if (ready) {
        // A raw copy: the sRGB swapchain takes the gamma-encoded pixels as they are.
        GLint read = 0, draw = 0;
        gl->glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
        gl->glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFramebuffer);
        gl->glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, glTexture, 0);
        gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_drawFramebuffer);
        gl->glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_swapchainImages[index],
                                   0);
        const GLboolean srgb = gl->glIsEnabled(GL_FRAMEBUFFER_SRGB);
        gl->glDisable(GL_FRAMEBUFFER_SRGB);
        const GLint w = GLint(2 * m_eyeWidth), h = GLint(m_eyeHeight);
        gl->glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        if (srgb) gl->glEnable(GL_FRAMEBUFFER_SRGB);
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read));
        gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(draw));
    }
    xrReleaseSwapchainImage(m_swapchain, nullptr);
    XrCompositionLayerProjectionView views[2] = {{XR_TYPE_COMPOSITION_LAYER_PROJECTION_VIEW},
                                                 {XR_TYPE_COMPOSITION_LAYER_PROJECTION_VIEW}};
    for (int eye = 0; eye < 2; ++eye) {
        views[eye].pose = m_views[eye].pose;
        views[eye].fov = m_views[eye].fov;
        views[eye].subImage.swapchain = m_swapchain;
        views[eye].subImage.imageRect =
            XrRect2Di{{GLint(eye * m_eyeWidth), 0}, {GLint(m_eyeWidth), GLint(m_eyeHeight)}};
    }
    XrCompositionLayerProjection layer{XR_TYPE_COMPOSITION_LAYER_PROJECTION};
    layer.space = m_stage;
    layer.viewCount = 2;
    layer.views = views;
    const XrCompositionLayerBaseHeader* layers[] = {reinterpret_cast<const XrCompositionLayerBaseHeader*>(&layer)};
    XrFrameEndInfo end{XR_TYPE_FRAME_END_INFO};
    end.displayTime = m_displayTime;
    end.environmentBlendMode = XR_ENVIRONMENT_BLEND_MODE_OPAQUE;
    end.layerCount = ready ? 1 : 0;
    end.layers = layers;
    const XrResult result = xrEndFrame(m_session, &end);
    m_frameBegun = false;
    return ready && XR_SUCCEEDED(result);
}

Matrix4 VRSystem::projection(EVREye eye, float nearZ, float farZ) const {
    return fromFov(m_views[eye].fov, nearZ, farZ);
}

Matrix4 VRSystem::eyeToHead(EVREye eye) const {
    // The views are located in stage space; the head's own pose takes them back into head space.
    const Matrix4 eyePose = toMatrix4(m_views[eye].pose);
    if (!m_viewsLocated || !m_devices[kHeadSlot].valid) {
        Matrix4 m;
        m.m[12] = m_views[eye].pose.position.x;
        return m;
    }
    Matrix4 headInverse;
    if (!invertMatrix(m_devices[kHeadSlot].pose, headInverse)) return Matrix4();
    Matrix4 out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += headInverse.at(r, k) * eyePose.at(k, c);
            out.at(r, c) = sum;
        }
    return out;
}

bool initVR() {
    g_system.reset();
    QString reason;
    std::unique_ptr<VRSystem> vr = VRSystem::create(reason);
    if (!vr) {
        qCritical().noquote() << reason;
        return false;
    }
    g_system = std::move(vr);
    qDebug() << "----------------------";
    qDebug() << "VR Ready";
    qDebug() << "----------------------";
    return true;
}

VRSystem* vrSystem() { return g_system.get(); }

bool startVRSession() {
    if (!g_system) return false;
    QString reason;
    if (g_system->startSession(reason)) return true;
    qCritical().noquote() << reason;
    qCritical() << "Compositor initialization failed. See log file for details";
    g_system.reset();
    return false;
}

void shutdownVR() { g_system.reset(); }

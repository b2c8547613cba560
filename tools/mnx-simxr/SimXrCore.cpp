// Instance, system, views, session life cycle, reference spaces, swapchains and the frame loop of the simulated
// headset.
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <glm/gtc/quaternion.hpp>
#include <thread>

#include "SimXr.h"
#include "SimXrControl.h"

namespace simxr {
namespace {

constexpr XrSystemId kSystemId = 1;
constexpr const char* kExtensions[] = {XR_KHR_OPENGL_ENABLE_EXTENSION_NAME,
                                       XR_HTCX_VIVE_TRACKER_INTERACTION_EXTENSION_NAME};
std::unique_ptr<Instance> g_instance;
std::optional<double> g_frozenTime;
bool g_pacing = true;
std::chrono::steady_clock::time_point g_sessionStart = std::chrono::steady_clock::now();
const auto g_epoch = std::chrono::steady_clock::now();

// "resource/VR/simulated_session.json" beside this library, unless MNX_SIMXR_SESSION names another file.
QString sessionPath() {
    const QByteArray overridden = qgetenv("MNX_SIMXR_SESSION");
    if (!overridden.isEmpty()) return QString::fromLocal8Bit(overridden);
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&sessionPath), &info) == 0 || info.dli_fname == nullptr) return QString();
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath() +
           QStringLiteral("/resource/VR/simulated_session.json");
}

template <typename T>
XrResult fill(uint32_t capacity, uint32_t* count, T* out, const std::vector<T>& items) {
    if (count == nullptr) return XR_ERROR_VALIDATION_FAILURE;
    *count = static_cast<uint32_t>(items.size());
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < items.size() || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    for (size_t i = 0; i < items.size(); ++i) out[i] = items[i];
    return XR_SUCCESS;
}

void copyName(char* out, size_t size, const std::string& text) { std::snprintf(out, size, "%s", text.c_str()); }

glm::mat4 eyeOffset(const SimSession& s, int eye) {
    glm::mat4 m(1.0f);
    m[3][0] = (eye == 0 ? -0.5f : 0.5f) * s.ipd;
    return m;
}

XrFovf eyeFov(const SimSession& s, int eye) {
    // The right eye mirrors the left one.
    const float l = eye == 1 ? -s.tanRight : s.tanLeft;
    const float r = eye == 1 ? -s.tanLeft : s.tanRight;
    return XrFovf{std::atan(l), std::atan(r), std::atan(s.tanUp), std::atan(s.tanDown)};
}

XrSpaceLocationFlags locatedFlags(bool valid) {
    return valid ? XR_SPACE_LOCATION_ORIENTATION_VALID_BIT | XR_SPACE_LOCATION_POSITION_VALID_BIT |
                       XR_SPACE_LOCATION_ORIENTATION_TRACKED_BIT | XR_SPACE_LOCATION_POSITION_TRACKED_BIT
                 : 0;
}

double timeOf(XrTime) { return sessionTime(); }

}  // namespace

Instance* instance() { return g_instance.get(); }
Instance* instanceOf(XrInstance handle) {
    return handle != XR_NULL_HANDLE && reinterpret_cast<Instance*>(handle) == g_instance.get() ? g_instance.get()
                                                                                               : nullptr;
}
Session* sessionOf(XrSession handle) {
    if (!g_instance || handle == XR_NULL_HANDLE) return nullptr;
    return reinterpret_cast<Session*>(handle) == g_instance->xrSession.get() ? g_instance->xrSession.get() : nullptr;
}

XrTime now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - g_epoch).count() + 1;
}

double sessionTime() {
    if (g_frozenTime) return *g_frozenTime;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - g_sessionStart).count();
}

void startSessionClock() { g_sessionStart = std::chrono::steady_clock::now(); }

glm::mat4 toMatrix(const XrPosef& pose) {
    const glm::quat q(pose.orientation.w, pose.orientation.x, pose.orientation.y, pose.orientation.z);
    glm::mat4 m = glm::mat4_cast(q);
    m[3] = glm::vec4(pose.position.x, pose.position.y, pose.position.z, 1.0f);
    return m;
}

XrPosef toPose(const glm::mat4& m) {
    const glm::quat q = glm::normalize(glm::quat_cast(glm::mat3(m)));
    return XrPosef{{q.x, q.y, q.z, q.w}, {m[3][0], m[3][1], m[3][2]}};
}

bool spacePose(const Instance& in, const Space& space, double t, glm::mat4& out) {
    glm::mat4 base(1.0f);
    if (space.isAction) {
        const SimDevice* device = nullptr;
        for (const std::string& path : space.action->bound) {
            const std::string* sub = pathText(space.subaction);
            if (sub && path.compare(0, sub->size() + 1, *sub + "/") != 0) continue;
            if (path.rfind("/user/hand/left/", 0) == 0) device = in.session.handDevice("left");
            if (path.rfind("/user/hand/right/", 0) == 0) device = in.session.handDevice("right");
            const std::string trackerPrefix = "/user/vive_tracker_htcx/role/";
            if (path.rfind(trackerPrefix, 0) == 0) {
                const std::string rest = path.substr(trackerPrefix.size());
                device = in.session.trackerWithRole(rest.substr(0, rest.find('/')));
            }
            if (device) break;
        }
        if (!device) return false;
        const SimPose pose = in.session.pose(*device, t);
        if (!pose.valid) return false;
        base = pose.matrix;
    } else if (space.reference == XR_REFERENCE_SPACE_TYPE_VIEW) {
        const SimDevice* head = in.session.headset();
        if (!head) return false;
        const SimPose pose = in.session.pose(*head, t);
        if (!pose.valid) return false;
        base = pose.matrix;
    }
    out = base * toMatrix(space.offset);
    return true;
}

void pushEvent(const XrEventDataBuffer& event) { g_instance->events.push_back(event); }

void setState(Session& session, XrSessionState state) {
    session.state = state;
    XrEventDataBuffer buffer{};
    auto* e = reinterpret_cast<XrEventDataSessionStateChanged*>(&buffer);
    e->type = XR_TYPE_EVENT_DATA_SESSION_STATE_CHANGED;
    e->session = reinterpret_cast<XrSession>(&session);
    e->state = state;
    e->time = now();
    pushEvent(buffer);
}

void checkTimeline(Instance& in) {
    Session* s = in.xrSession.get();
    if (!s) return;
    const auto& exits = in.session.exitRequests;
    while (s->nextExit < exits.size() && exits[s->nextExit] <= sessionTime()) {
        ++s->nextExit;
        if (s->running && !s->exitRequested) {
            s->exitRequested = true;
            setState(*s, XR_SESSION_STATE_STOPPING);
        }
    }
}

}  // namespace simxr

using namespace simxr;

// ---- instance and system ----

XrResult simEnumerateInstanceExtensionProperties(const char* layer, uint32_t capacity, uint32_t* count,
                                                 XrExtensionProperties* out) {
    if (layer != nullptr) return XR_ERROR_API_LAYER_NOT_PRESENT;
    std::vector<XrExtensionProperties> items;
    for (const char* name : kExtensions) {
        XrExtensionProperties p{XR_TYPE_EXTENSION_PROPERTIES};
        copyName(p.extensionName, sizeof(p.extensionName), name);
        p.extensionVersion = 1;
        items.push_back(p);
    }
    if (count == nullptr) return XR_ERROR_VALIDATION_FAILURE;
    *count = static_cast<uint32_t>(items.size());
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < items.size() || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    for (size_t i = 0; i < items.size(); ++i) {
        out[i].extensionVersion = items[i].extensionVersion;
        std::memcpy(out[i].extensionName, items[i].extensionName, sizeof(out[i].extensionName));
    }
    return XR_SUCCESS;
}

XrResult simCreateInstance(const XrInstanceCreateInfo* info, XrInstance* out) {
    if (info == nullptr || out == nullptr || info->type != XR_TYPE_INSTANCE_CREATE_INFO)
        return XR_ERROR_VALIDATION_FAILURE;
    if (g_instance) return XR_ERROR_LIMIT_REACHED;
    auto in = std::make_unique<Instance>();
    for (uint32_t i = 0; i < info->enabledExtensionCount; ++i) {
        const std::string name = info->enabledExtensionNames[i];
        if (name == XR_KHR_OPENGL_ENABLE_EXTENSION_NAME)
            in->glEnabled = true;
        else if (name == XR_HTCX_VIVE_TRACKER_INTERACTION_EXTENSION_NAME)
            in->trackersEnabled = true;
        else
            return XR_ERROR_EXTENSION_NOT_PRESENT;
    }
    if (!SimSession::load(sessionPath(), in->session, in->sessionError)) in->session = SimSession{};
    g_instance = std::move(in);
    *out = reinterpret_cast<XrInstance>(g_instance.get());
    return XR_SUCCESS;
}

XrResult simDestroyInstance(XrInstance handle) {
    if (!instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
    g_instance.reset();
    return XR_SUCCESS;
}

XrResult simGetInstanceProperties(XrInstance handle, XrInstanceProperties* out) {
    if (!instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
    out->runtimeVersion = XR_MAKE_VERSION(1, 0, 0);
    copyName(out->runtimeName, sizeof(out->runtimeName), "Marionix Simulated Headset");
    return XR_SUCCESS;
}

XrResult simGetSystem(XrInstance handle, const XrSystemGetInfo* info, XrSystemId* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    if (info->formFactor != XR_FORM_FACTOR_HEAD_MOUNTED_DISPLAY) return XR_ERROR_FORM_FACTOR_UNSUPPORTED;
    if (!in->sessionError.isEmpty() || !in->session.headset()) {
        // The client only sees the result code; the reason goes to the runtime's own diagnostics.
        std::fprintf(stderr, "mnx-simxr: no headset: %s\n",
                     in->sessionError.isEmpty() ? "the session has no HMD" : qPrintable(in->sessionError));
        return XR_ERROR_FORM_FACTOR_UNAVAILABLE;
    }
    *out = kSystemId;
    return XR_SUCCESS;
}

XrResult simGetSystemProperties(XrInstance handle, XrSystemId system, XrSystemProperties* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    if (system != kSystemId) return XR_ERROR_SYSTEM_INVALID;
    out->systemId = kSystemId;
    out->vendorId = 0;
    const std::string& model = in->session.headset()->modelNumber;
    copyName(out->systemName, sizeof(out->systemName), model.empty() ? "Marionix Simulated Headset" : model);
    out->graphicsProperties.maxLayerCount = 16;
    out->graphicsProperties.maxSwapchainImageWidth = 8192;
    out->graphicsProperties.maxSwapchainImageHeight = 8192;
    out->trackingProperties.orientationTracking = XR_TRUE;
    out->trackingProperties.positionTracking = XR_TRUE;
    return XR_SUCCESS;
}

XrResult simEnumerateViewConfigurations(XrInstance handle, XrSystemId system, uint32_t capacity, uint32_t* count,
                                        XrViewConfigurationType* out) {
    if (!instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
    if (system != kSystemId) return XR_ERROR_SYSTEM_INVALID;
    return fill(capacity, count, out, std::vector<XrViewConfigurationType>{XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO});
}

XrResult simGetViewConfigurationProperties(XrInstance handle, XrSystemId system, XrViewConfigurationType type,
                                           XrViewConfigurationProperties* out) {
    if (!instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
    if (system != kSystemId) return XR_ERROR_SYSTEM_INVALID;
    if (type != XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO) return XR_ERROR_VIEW_CONFIGURATION_TYPE_UNSUPPORTED;
    out->viewConfigurationType = type;
    out->fovMutable = XR_FALSE;
    return XR_SUCCESS;
}

XrResult simEnumerateViewConfigurationViews(XrInstance handle, XrSystemId system, XrViewConfigurationType type,
                                            uint32_t capacity, uint32_t* count, XrViewConfigurationView* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    if (system != kSystemId) return XR_ERROR_SYSTEM_INVALID;
    if (type != XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO) return XR_ERROR_VIEW_CONFIGURATION_TYPE_UNSUPPORTED;
    XrViewConfigurationView view{XR_TYPE_VIEW_CONFIGURATION_VIEW};
    view.recommendedImageRectWidth = view.maxImageRectWidth = in->session.renderWidth;
    view.recommendedImageRectHeight = view.maxImageRectHeight = in->session.renderHeight;
    view.recommendedSwapchainSampleCount = view.maxSwapchainSampleCount = 1;
    *count = 2;
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < 2 || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    for (int i = 0; i < 2; ++i) {
        void* next = out[i].next;
        out[i] = view;
        out[i].next = next;
    }
    return XR_SUCCESS;
}

XrResult simEnumerateEnvironmentBlendModes(XrInstance handle, XrSystemId system, XrViewConfigurationType,
                                           uint32_t capacity, uint32_t* count, XrEnvironmentBlendMode* out) {
    if (!instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
    if (system != kSystemId) return XR_ERROR_SYSTEM_INVALID;
    return fill(capacity, count, out, std::vector<XrEnvironmentBlendMode>{XR_ENVIRONMENT_BLEND_MODE_OPAQUE});
}

XrResult simGetOpenGLGraphicsRequirementsKHR(XrInstance handle, XrSystemId system,
                                             XrGraphicsRequirementsOpenGLKHR* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    if (system != kSystemId) return XR_ERROR_SYSTEM_INVALID;
    out->minApiVersionSupported = XR_MAKE_VERSION(3, 3, 0);
    out->maxApiVersionSupported = XR_MAKE_VERSION(4, 6, 0);
    in->graphicsRequirementsQueried = true;
    return XR_SUCCESS;
}

// ---- session ----

XrResult simCreateSession(XrInstance handle, const XrSessionCreateInfo* info, XrSession* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    if (info->systemId != kSystemId) return XR_ERROR_SYSTEM_INVALID;
    if (!in->graphicsRequirementsQueried) return XR_ERROR_GRAPHICS_REQUIREMENTS_CALL_MISSING;
    const auto* binding = static_cast<const XrBaseInStructure*>(info->next);
    if (binding == nullptr || binding->type != XR_TYPE_GRAPHICS_BINDING_OPENGL_XLIB_KHR)
        return XR_ERROR_GRAPHICS_DEVICE_INVALID;
    if (reinterpret_cast<const XrGraphicsBindingOpenGLXlibKHR*>(binding)->glxContext == nullptr)
        return XR_ERROR_GRAPHICS_DEVICE_INVALID;
    if (in->xrSession) return XR_ERROR_LIMIT_REACHED;
    in->xrSession = std::make_unique<Session>();
    startSessionClock();
    setState(*in->xrSession, XR_SESSION_STATE_IDLE);
    setState(*in->xrSession, XR_SESSION_STATE_READY);
    *out = reinterpret_cast<XrSession>(in->xrSession.get());
    return XR_SUCCESS;
}

XrResult simDestroySession(XrSession handle) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (!qEnvironmentVariableIsEmpty("MNX_SIMXR_VERBOSE"))
        std::fprintf(stderr, "mnx-simxr: session ended, frames submitted: left %d, right %d\n", s->submitted[0].count,
                     s->submitted[1].count);
    for (auto& chain : s->swapchains) glDeleteTextures(GLsizei(chain->images.size()), chain->images.data());
    for (ActionSet* set : s->attached) set->attached = false;
    g_instance->xrSession.reset();
    return XR_SUCCESS;
}

XrResult simBeginSession(XrSession handle, const XrSessionBeginInfo* info) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (info->primaryViewConfigurationType != XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO)
        return XR_ERROR_VIEW_CONFIGURATION_TYPE_UNSUPPORTED;
    if (s->running) return XR_ERROR_SESSION_RUNNING;
    if (s->state != XR_SESSION_STATE_READY) return XR_ERROR_SESSION_NOT_READY;
    s->running = true;
    setState(*s, XR_SESSION_STATE_SYNCHRONIZED);
    setState(*s, XR_SESSION_STATE_VISIBLE);
    setState(*s, XR_SESSION_STATE_FOCUSED);
    return XR_SUCCESS;
}

XrResult simEndSession(XrSession handle) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (!s->running) return XR_ERROR_SESSION_NOT_RUNNING;
    if (s->state != XR_SESSION_STATE_STOPPING) return XR_ERROR_SESSION_NOT_STOPPING;
    s->running = false;
    s->frameBegun = s->frameWaited = false;
    setState(*s, XR_SESSION_STATE_IDLE);
    if (s->exitRequested) setState(*s, XR_SESSION_STATE_EXITING);
    return XR_SUCCESS;
}

XrResult simRequestExitSession(XrSession handle) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (!s->running) return XR_ERROR_SESSION_NOT_RUNNING;
    if (!s->exitRequested) {
        s->exitRequested = true;
        setState(*s, XR_SESSION_STATE_STOPPING);
    }
    return XR_SUCCESS;
}

XrResult simPollEvent(XrInstance handle, XrEventDataBuffer* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    checkTimeline(*in);
    if (in->events.empty()) return XR_EVENT_UNAVAILABLE;
    *out = in->events.front();
    in->events.pop_front();
    return XR_SUCCESS;
}

// ---- spaces ----

XrResult simEnumerateReferenceSpaces(XrSession handle, uint32_t capacity, uint32_t* count, XrReferenceSpaceType* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    return fill(capacity, count, out,
                std::vector<XrReferenceSpaceType>{XR_REFERENCE_SPACE_TYPE_VIEW, XR_REFERENCE_SPACE_TYPE_LOCAL,
                                                  XR_REFERENCE_SPACE_TYPE_STAGE});
}

XrResult simCreateReferenceSpace(XrSession handle, const XrReferenceSpaceCreateInfo* info, XrSpace* out) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (info->referenceSpaceType != XR_REFERENCE_SPACE_TYPE_VIEW &&
        info->referenceSpaceType != XR_REFERENCE_SPACE_TYPE_LOCAL &&
        info->referenceSpaceType != XR_REFERENCE_SPACE_TYPE_STAGE)
        return XR_ERROR_REFERENCE_SPACE_UNSUPPORTED;
    auto space = std::make_unique<Space>();
    space->reference = info->referenceSpaceType;
    space->offset = info->poseInReferenceSpace;
    *out = reinterpret_cast<XrSpace>(space.get());
    s->spaces.push_back(std::move(space));
    return XR_SUCCESS;
}

XrResult simGetReferenceSpaceBoundsRect(XrSession handle, XrReferenceSpaceType, XrExtent2Df* bounds) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    *bounds = XrExtent2Df{3.0f, 3.0f};
    return XR_SUCCESS;
}

Space* spaceOf(XrSpace handle) {
    if (!g_instance || !g_instance->xrSession) return nullptr;
    for (auto& s : g_instance->xrSession->spaces)
        if (reinterpret_cast<XrSpace>(s.get()) == handle) return s.get();
    return nullptr;
}

XrResult simCreateActionSpace(XrSession handle, const XrActionSpaceCreateInfo* info, XrSpace* out) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    Action* action = actionOf(info->action);
    if (!action) return XR_ERROR_HANDLE_INVALID;
    if (action->type != XR_ACTION_TYPE_POSE_INPUT) return XR_ERROR_ACTION_TYPE_MISMATCH;
    auto space = std::make_unique<Space>();
    space->isAction = true;
    space->action = action;
    space->subaction = info->subactionPath;
    space->offset = info->poseInActionSpace;
    *out = reinterpret_cast<XrSpace>(space.get());
    s->spaces.push_back(std::move(space));
    return XR_SUCCESS;
}

XrResult simDestroySpace(XrSpace handle) {
    Session* s = g_instance ? g_instance->xrSession.get() : nullptr;
    if (!s) return XR_ERROR_HANDLE_INVALID;
    for (auto it = s->spaces.begin(); it != s->spaces.end(); ++it) {
        if (reinterpret_cast<XrSpace>(it->get()) == handle) {
            s->spaces.erase(it);
            return XR_SUCCESS;
        }
    }
    return XR_ERROR_HANDLE_INVALID;
}

XrResult simLocateSpace(XrSpace spaceHandle, XrSpace baseHandle, XrTime time, XrSpaceLocation* out) {
    Space* space = spaceOf(spaceHandle);
    Space* base = spaceOf(baseHandle);
    if (!space || !base) return XR_ERROR_HANDLE_INVALID;
    if (time <= 0) return XR_ERROR_TIME_INVALID;
    const double t = timeOf(time);
    glm::mat4 a(1.0f), b(1.0f);
    const bool valid = spacePose(*g_instance, *space, t, a) && spacePose(*g_instance, *base, t, b);
    out->locationFlags = locatedFlags(valid);
    out->pose = valid ? toPose(glm::inverse(b) * a) : XrPosef{{0, 0, 0, 1}, {0, 0, 0}};
    for (auto* next = static_cast<XrBaseOutStructure*>(out->next); next; next = next->next) {
        if (next->type != XR_TYPE_SPACE_VELOCITY) continue;
        reinterpret_cast<XrSpaceVelocity*>(next)->velocityFlags = 0;
    }
    return XR_SUCCESS;
}

XrResult simLocateViews(XrSession handle, const XrViewLocateInfo* info, XrViewState* state, uint32_t capacity,
                        uint32_t* count, XrView* views) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    Space* base = spaceOf(info->space);
    if (!base) return XR_ERROR_HANDLE_INVALID;
    if (info->viewConfigurationType != XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO)
        return XR_ERROR_VIEW_CONFIGURATION_TYPE_UNSUPPORTED;
    if (info->displayTime <= 0) return XR_ERROR_TIME_INVALID;
    *count = 2;
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < 2 || views == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    const double t = timeOf(info->displayTime);
    Space view;
    view.reference = XR_REFERENCE_SPACE_TYPE_VIEW;
    glm::mat4 head(1.0f), b(1.0f);
    const bool valid = spacePose(*g_instance, view, t, head) && spacePose(*g_instance, *base, t, b);
    state->viewStateFlags = locatedFlags(valid);
    const SimSession& session = g_instance->session;
    for (int eye = 0; eye < 2; ++eye) {
        views[eye].pose = toPose(glm::inverse(b) * head * eyeOffset(session, eye));
        views[eye].fov = eyeFov(session, eye);
    }
    return XR_SUCCESS;
}

// ---- frames ----

XrResult simWaitFrame(XrSession handle, const XrFrameWaitInfo*, XrFrameState* out) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (!s->running) return XR_ERROR_SESSION_NOT_RUNNING;
    if (g_pacing) {
        // Sleep to the next frame of a 90 Hz clock; a late caller starts a new clock rather than catching up.
        const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(kFrameSeconds));
        const auto t = std::chrono::steady_clock::now();
        if (s->lastFrame && t < *s->lastFrame + period) {
            std::this_thread::sleep_until(*s->lastFrame + period);
            s->lastFrame = *s->lastFrame + period;
        } else {
            s->lastFrame = t;
        }
    }
    checkTimeline(*g_instance);
    s->frameWaited = true;
    out->predictedDisplayPeriod = XrDuration(kFrameSeconds * 1e9);
    out->predictedDisplayTime = now() + out->predictedDisplayPeriod;
    out->shouldRender = s->state == XR_SESSION_STATE_VISIBLE || s->state == XR_SESSION_STATE_FOCUSED;
    return XR_SUCCESS;
}

XrResult simBeginFrame(XrSession handle, const XrFrameBeginInfo*) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (!s->running) return XR_ERROR_SESSION_NOT_RUNNING;
    if (!s->frameWaited) return XR_ERROR_CALL_ORDER_INVALID;
    s->frameWaited = false;
    const bool discarded = s->frameBegun;
    s->frameBegun = true;
    return discarded ? XR_FRAME_DISCARDED : XR_SUCCESS;
}

XrResult simEndFrame(XrSession handle, const XrFrameEndInfo* info) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (!s->running) return XR_ERROR_SESSION_NOT_RUNNING;
    if (!s->frameBegun) return XR_ERROR_CALL_ORDER_INVALID;
    if (info->displayTime <= 0) return XR_ERROR_TIME_INVALID;
    if (info->environmentBlendMode != XR_ENVIRONMENT_BLEND_MODE_OPAQUE)
        return XR_ERROR_ENVIRONMENT_BLEND_MODE_UNSUPPORTED;
    s->frameBegun = false;
    for (uint32_t i = 0; i < info->layerCount; ++i) {
        const XrCompositionLayerBaseHeader* layer = info->layers[i];
        if (layer == nullptr) return XR_ERROR_LAYER_INVALID;
        if (layer->type != XR_TYPE_COMPOSITION_LAYER_PROJECTION) continue;
        const auto* projection = reinterpret_cast<const XrCompositionLayerProjection*>(layer);
        if (projection->viewCount != 2 || !spaceOf(projection->space)) return XR_ERROR_VALIDATION_FAILURE;
        for (int eye = 0; eye < 2; ++eye) {
            const XrSwapchainSubImage& sub = projection->views[eye].subImage;
            Swapchain* chain = swapchainOf(sub.swapchain);
            if (!chain) return XR_ERROR_HANDLE_INVALID;
            if (!chain->released) return XR_ERROR_LAYER_INVALID;
            const XrRect2Di& r = sub.imageRect;
            if (r.offset.x < 0 || r.offset.y < 0 || r.extent.width <= 0 || r.extent.height <= 0 ||
                uint32_t(r.offset.x + r.extent.width) > chain->width ||
                uint32_t(r.offset.y + r.extent.height) > chain->height)
                return XR_ERROR_SWAPCHAIN_RECT_INVALID;
            s->submitted[eye].texture = chain->images[*chain->released];
            s->submitted[eye].rect = r;
            ++s->submitted[eye].count;
        }
    }
    return XR_SUCCESS;
}

// ---- test control ----

extern "C" {

void mnxsimxr_set_session_time(double seconds) {
    if (seconds < 0.0) {
        if (g_frozenTime)
            g_sessionStart =
                std::chrono::steady_clock::now() - std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                       std::chrono::duration<double>(*g_frozenTime));
        g_frozenTime.reset();
    } else {
        g_frozenTime = seconds;
    }
}

void mnxsimxr_set_pacing(int on) { g_pacing = on != 0; }

int mnxsimxr_submitted(int eye, unsigned* texture, int rect[4]) {
    if (eye < 0 || eye > 1 || !g_instance || !g_instance->xrSession) return 0;
    const Submission& s = g_instance->xrSession->submitted[eye];
    if (texture) *texture = s.texture;
    if (rect) {
        rect[0] = s.rect.offset.x;
        rect[1] = s.rect.offset.y;
        rect[2] = s.rect.extent.width;
        rect[3] = s.rect.extent.height;
    }
    return s.count;
}

}  // extern "C"

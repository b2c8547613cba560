#pragma once

#include <openxr/openxr.h>

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/base/Matrix4.h"
#include "vr/VRInputActions.h"

// The process-wide VR connection through the system's OpenXR loader: instance and head-mounted system at
// start-up, the session bound to the app's GL context once that exists, the frame loop (xrWaitFrame paces the
// paint), one side-by-side swapchain for both eyes and the tracked poses of the frame. GUI thread only. While
// vrSystem() is null (VR off or failed) nothing here reaches the runtime.
namespace mnxvr {

enum EVREye : int { Eye_Left = 0, Eye_Right = 1 };

// Device classes of the device list: 0 Invalid, 1 HMD, 2 Controller, 3 GenericTracker (OpenXR exposes no base
// stations).
enum ETrackedDeviceClass : int {
    TrackedDeviceClass_Invalid = 0,
    TrackedDeviceClass_HMD = 1,
    TrackedDeviceClass_Controller = 2,
    TrackedDeviceClass_GenericTracker = 3,
};

using TrackedDeviceIndex_t = uint32_t;
constexpr uint32_t k_unMaxTrackedDeviceCount = 64;
constexpr TrackedDeviceIndex_t k_unTrackedDeviceIndexInvalid = 0xFFFFFFFFu;
// Fixed device slots: the head, the two hands, then one slot per vive tracker role.
constexpr TrackedDeviceIndex_t kHeadSlot = 0;
constexpr TrackedDeviceIndex_t kLeftHandSlot = 1;
constexpr TrackedDeviceIndex_t kRightHandSlot = 2;
constexpr TrackedDeviceIndex_t kFirstTrackerSlot = 3;

// One slot's device as the latest frame located it; poses device-to-stage-space, column-major, metres.
struct TrackedDevice {
    ETrackedDeviceClass deviceClass = TrackedDeviceClass_Invalid;
    QString modelNumber;
    QString serialNumber;  // "/user/head", "/user/hand/left", "/user/hand/right" or a tracker's serial
    Matrix4 pose;
    float velocity[3] = {0.0f, 0.0f, 0.0f};         // metres per second
    float angularVelocity[3] = {0.0f, 0.0f, 0.0f};  // radians per second
    bool valid = false;
};

}  // namespace mnxvr

class VRSystem {
public:
    ~VRSystem();
    VRSystem(const VRSystem&) = delete;
    VRSystem& operator=(const VRSystem&) = delete;

    // Instance with XR_KHR_opengl_enable (and the vive tracker extension when offered) and the head-mounted
    // system; null with the runtime's reason when the loader finds no runtime or the runtime no headset.
    static std::unique_ptr<VRSystem> create(QString& reason);
    // Session bound to the current GL context, spaces, actions and the swapchain; false with a reason.
    bool startSession(QString& reason);

    // Handles the runtime's events (session state, trackers); true once the runtime wants the app to end.
    bool pollEvents();
    // Waits for the runtime's next frame, begins it, syncs the actions and locates every device and both eyes.
    // False while the session is not running (nothing is located then).
    bool beginFrame();
    // Copies the side-by-side image (both eyes, 2 x eye width by eye height) into the swapchain and ends the
    // frame with one projection layer; ends it empty when the runtime does not want pixels. False on failure.
    bool submitSideBySide(unsigned int glTexture);

    // Destroys the swapchain and the copy's framebuffers; call with the GL context current (the GL teardown does,
    // through releaseVRGraphics). Frames after it are ended empty. Safe to call twice.
    void releaseGraphics();

    uint32_t eyeWidth() const { return m_eyeWidth; }
    uint32_t eyeHeight() const { return m_eyeHeight; }
    // OpenGL clip matrix and eye-to-head transform of the latest located views (column-major).
    Matrix4 projection(mnxvr::EVREye eye, float nearZ, float farZ) const;
    Matrix4 eyeToHead(mnxvr::EVREye eye) const;
    const mnxvr::TrackedDevice& device(mnxvr::TrackedDeviceIndex_t slot) const { return m_devices[slot]; }
    const VRInputActions& actions() const { return m_actions; }
    XrSession session() const { return m_session; }
    XrInstance instance() const { return m_instance; }
    bool sessionRunning() const { return m_running; }

private:
    VRSystem() = default;
    void refreshTrackers();
    void locate(XrSpace space, mnxvr::TrackedDevice& device);
    void endFrameEmpty();

    XrInstance m_instance = XR_NULL_HANDLE;
    XrSystemId m_systemId = XR_NULL_SYSTEM_ID;
    XrSession m_session = XR_NULL_HANDLE;
    XrSessionState m_state = XR_SESSION_STATE_UNKNOWN;
    XrSpace m_stage = XR_NULL_HANDLE;
    XrSpace m_view = XR_NULL_HANDLE;
    XrSwapchain m_swapchain = XR_NULL_HANDLE;
    std::vector<uint32_t> m_swapchainImages;
    unsigned int m_readFramebuffer = 0, m_drawFramebuffer = 0;
    bool m_trackerExtension = false;
    bool m_running = false;
    bool m_frameBegun = false;
    bool m_shouldRender = false;
    XrTime m_displayTime = 0;
    uint32_t m_eyeWidth = 0, m_eyeHeight = 0;
    XrView m_views[2]{};
    bool m_viewsLocated = false;
    VRInputActions m_actions;
    std::array<mnxvr::TrackedDevice, mnxvr::k_unMaxTrackedDeviceCount> m_devices{};
};

// Connects (instance and system); false with a critical log line of the runtime's reason. Call once at
// start-up when Global/UseVR is set.
bool initVR();
// The connection, or null when VR is not running.
VRSystem* vrSystem();
// Starts the session on the current GL context (call from the GL initialisation); on failure logs critical
// lines and shuts VR down, so vrSystem() is null afterwards.
bool startVRSession();
// Ends the session and the instance; safe to call twice.
void shutdownVR();

// Log label of a device class: "Invalid", "HMD", "Controller", "GenericTracker", else "Unknown".
QString className(int deviceClass);
// An OpenXR pose as a column-major matrix.
Matrix4 toMatrix4(const XrPosef& pose);
// General inverse by cofactors; false and `out` untouched when the determinant is exactly 0.
bool invertMatrix(const Matrix4& m, Matrix4& out);
// The text of a result code.
QString xrResultName(XrResult result);

// Eye set-up for the frame loop; each needs vrSystem() non-null.
void vrRecommendedRenderTargetSize(uint32_t& width, uint32_t& height);
Matrix4 vrProjectionMatrix(mnxvr::EVREye eye, float nearZ, float farZ);
Matrix4 vrEyeToHeadTransform(mnxvr::EVREye eye);
// True once the runtime asks the app to end (session exiting or lost).
bool vrPollQuitRequest();
// Submits both halves of one side-by-side OpenGL texture: left eye the left half, right eye the right half.
bool vrSubmitSideBySide(unsigned int glTexture);

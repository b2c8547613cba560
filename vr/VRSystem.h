#pragma once

#include <QString>
#include <string>

#include "app/base/Matrix4.h"
#include "vr/VRRuntime.h"

// The process-wide VR runtime connection: connect, the system interface, the cached other interfaces and the
// thin wrappers the rest of the program calls. Everything is GUI-thread only. While the system pointer is null
// (VR off or failed) nothing here reaches the runtime.

// Connects as a scene application; false (with a critical log line) when the runtime, the headset, the system
// interface or the compositor is missing. Call once at start-up when Global/UseVR is set.
bool initVR();
// The system interface, or null when VR is not running.
mnxvr::IVRSystem* vrSystem();
// Disconnects if connected and clears the system pointer and the cache; safe to call twice.
void shutdownVR();

// The cached interfaces: re-fetched after the runtime's init token changes; null while VR is not running or
// the runtime lacks the interface.
mnxvr::IVRCompositor* vrCompositor();
mnxvr::IVRInput* vrInput();
mnxvr::IVRRenderModels* vrRenderModels();

// Log label of a device class: "Invalid", "HMD", "Controller", "GenericTracker", "TrackingReference", else
// "Unknown".
QString className(int deviceClass);

// Row-major 3x4 (fourth row 0 0 0 1) and 4x4 runtime matrices as column-major Matrix4.
Matrix4 toMatrix4(const mnxvr::HmdMatrix34_t& m);
Matrix4 toMatrix4(const mnxvr::HmdMatrix44_t& m);
// General inverse by cofactors; false and `out` untouched when the determinant is exactly 0.
bool invertMatrix(const Matrix4& m, Matrix4& out);

// Wrappers on the system interface; each needs vrSystem() non-null.
mnxvr::ETrackedDeviceClass vrDeviceClass(mnxvr::TrackedDeviceIndex_t index);
mnxvr::EDeviceActivityLevel vrActivityLevel(mnxvr::TrackedDeviceIndex_t index);
// ASCII string property; empty when the device lacks it.
QString vrStringProperty(mnxvr::TrackedDeviceIndex_t index, mnxvr::TrackedDeviceProperty prop);
std::string vrStdStringProperty(mnxvr::TrackedDeviceIndex_t index, mnxvr::TrackedDeviceProperty prop);
float vrFloatProperty(mnxvr::TrackedDeviceIndex_t index, mnxvr::TrackedDeviceProperty prop);
bool vrBoolProperty(mnxvr::TrackedDeviceIndex_t index, mnxvr::TrackedDeviceProperty prop);
// Takes the next event; false when none is pending. The frame loop quits on mnxvr::VREvent_Quit.
bool vrPollNextEvent(mnxvr::VREvent_t& event);
// Eye set-up: pixels of one eye, its clip matrix and its eye-to-head transform (column-major).
void vrRecommendedRenderTargetSize(uint32_t& width, uint32_t& height);
Matrix4 vrProjectionMatrix(mnxvr::EVREye eye, float nearZ, float farZ);
Matrix4 vrEyeToHeadTransform(mnxvr::EVREye eye);

// Compositor wrappers; they return the compositor's error (VRCompositorError_None on success) and do nothing
// without a compositor.
mnxvr::EVRCompositorError vrWaitGetPoses(mnxvr::TrackedDevicePose_t* renderPoses, uint32_t renderPoseCount,
                                         mnxvr::TrackedDevicePose_t* gamePoses, uint32_t gamePoseCount);
mnxvr::EVRCompositorError vrSubmit(mnxvr::EVREye eye, const mnxvr::Texture_t& texture,
                                   const mnxvr::VRTextureBounds_t& bounds,
                                   mnxvr::EVRSubmitFlags flags = mnxvr::Submit_Default);
// Submits both halves of one side-by-side OpenGL texture: left eye (0, 0, 0.5, 1), right eye (0.5, 0, 1, 1).
// Returns the first error.
mnxvr::EVRCompositorError vrSubmitSideBySide(unsigned int glTexture);

#pragma once

#include "vr/VRRuntimeTypes.h"

// The VR runtime as the application sees it: plain abstract interfaces over the records of VRRuntimeTypes.h,
// so that an adapter to a real runtime can stand behind them without touching the callers. Nothing here is
// thread-safe; everything runs on the GUI thread.
namespace mnxvr {

class IVRSystem {
public:
    virtual ~IVRSystem() = default;
    virtual ETrackedDeviceClass GetTrackedDeviceClass(TrackedDeviceIndex_t index) = 0;
    virtual EDeviceActivityLevel GetTrackedDeviceActivityLevel(TrackedDeviceIndex_t index) = 0;
    // Returns the length including the terminator (0 when absent); writes at most `bufferSize` bytes, ASCII.
    virtual uint32_t GetStringTrackedDeviceProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop,
                                                    char* buffer, uint32_t bufferSize,
                                                    ETrackedPropertyError* error) = 0;
    // `error` may be null; absent properties give 0 / false.
    virtual float GetFloatTrackedDeviceProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop,
                                                ETrackedPropertyError* error) = 0;
    virtual bool GetBoolTrackedDeviceProperty(TrackedDeviceIndex_t index, TrackedDeviceProperty prop,
                                              ETrackedPropertyError* error) = 0;
    // Takes the next pending event; false when there is none. `eventSize` must be sizeof(VREvent_t).
    virtual bool PollNextEvent(VREvent_t* event, uint32_t eventSize) = 0;
    // Pixels of one eye.
    virtual void GetRecommendedRenderTargetSize(uint32_t* width, uint32_t* height) = 0;
    // OpenGL-style clip matrix of one eye (eye space to clip space).
    virtual HmdMatrix44_t GetProjectionMatrix(EVREye eye, float nearZ, float farZ) = 0;
    // Eye space to head space.
    virtual HmdMatrix34_t GetEyeToHeadTransform(EVREye eye) = 0;
};

class IVRCompositor {
public:
    virtual ~IVRCompositor() = default;
    // Blocks until the compositor wants the next frame, then fills the poses predicted for it.
    virtual EVRCompositorError WaitGetPoses(TrackedDevicePose_t* renderPoses, uint32_t renderPoseCount,
                                            TrackedDevicePose_t* gamePoses, uint32_t gamePoseCount) = 0;
    // Hands one eye's image to the compositor; `bounds` null means the whole texture.
    virtual EVRCompositorError Submit(EVREye eye, const Texture_t* texture, const VRTextureBounds_t* bounds,
                                      EVRSubmitFlags flags) = 0;
};

class IVRInput {
public:
    virtual ~IVRInput() = default;
    // Absolute path of the action manifest (local 8-bit encoding).
    virtual EVRInputError SetActionManifestPath(const char* path) = 0;
    virtual EVRInputError GetActionSetHandle(const char* name, VRActionSetHandle_t* handle) = 0;
    virtual EVRInputError GetActionHandle(const char* name, VRActionHandle_t* handle) = 0;
    virtual EVRInputError GetInputSourceHandle(const char* path, VRInputValueHandle_t* handle) = 0;
    virtual EVRInputError UpdateActionState(VRActiveActionSet_t* sets, uint32_t setSize, uint32_t setCount) = 0;
    virtual EVRInputError GetDigitalActionData(VRActionHandle_t action, InputDigitalActionData_t* data,
                                               uint32_t dataSize, VRInputValueHandle_t restrictToDevice) = 0;
    virtual EVRInputError GetAnalogActionData(VRActionHandle_t action, InputAnalogActionData_t* data, uint32_t dataSize,
                                              VRInputValueHandle_t restrictToDevice) = 0;
    virtual EVRInputError GetPoseActionDataForNextFrame(VRActionHandle_t action, ETrackingUniverseOrigin origin,
                                                        InputPoseActionData_t* data, uint32_t dataSize,
                                                        VRInputValueHandle_t restrictToDevice) = 0;
    virtual EVRInputError GetOriginTrackedDeviceInfo(VRInputValueHandle_t origin, InputOriginInfo_t* info,
                                                     uint32_t infoSize) = 0;
};

class IVRRenderModels {
public:
    virtual ~IVRRenderModels() = default;
    // Returns VRRenderModelError_Loading until the model is ready; call again with the same name.
    virtual EVRRenderModelError LoadRenderModel_Async(const char* name, RenderModel_t** model) = 0;
    virtual void FreeRenderModel(RenderModel_t* model) = 0;
    virtual EVRRenderModelError LoadTexture_Async(TextureID_t id, RenderModel_TextureMap_t** texture) = 0;
    virtual void FreeTexture(RenderModel_TextureMap_t* texture) = 0;
    // A static name; never null.
    virtual const char* GetRenderModelErrorNameFromEnum(EVRRenderModelError error) = 0;
};

// What the client loader offers: the connection, its token and the interfaces by version string.
class VRRuntime {
public:
    virtual ~VRRuntime() = default;
    // Connects; returns the new init token.
    virtual uint32_t InitInternal2(EVRInitError* error, EVRApplicationType type, const char* startupInfo) = 0;
    virtual void ShutdownInternal() = 0;
    virtual bool IsInterfaceVersionValid(const char* version) = 0;
    // The interface of that version (IVRSystem*, IVRCompositor*, ... cast to void*) or null with an error.
    virtual void* GetGenericInterface(const char* version, EVRInitError* error) = 0;
    // Changes with every connection; cached interfaces of another token are stale.
    virtual uint32_t GetInitToken() = 0;
    // English text of an init error; never null.
    virtual const char* GetVRInitErrorAsEnglishDescription(EVRInitError error) = 0;
};

}  // namespace mnxvr

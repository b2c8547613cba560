#pragma once

#include <cstddef>
#include <cstdint>

// The handles, constants, error codes and records of the VR runtime interface (VRRuntime.h), laid out as the
// OpenVR client interface lays them out (sizes checked below). All matrices are row-major; tracking space is
// right-handed, metres, y up, -z forward.
namespace mnxvr {

using TrackedDeviceIndex_t = uint32_t;
using VRActionHandle_t = uint64_t;
using VRActionSetHandle_t = uint64_t;
using VRInputValueHandle_t = uint64_t;
using TextureID_t = int32_t;
using TrackedDeviceProperty = int32_t;

constexpr uint32_t k_unMaxTrackedDeviceCount = 64;
constexpr TrackedDeviceIndex_t k_unTrackedDeviceIndexInvalid = 0xFFFFFFFFu;
constexpr uint64_t k_ulInvalidActionHandle = 0;
constexpr uint64_t k_ulInvalidActionSetHandle = 0;
constexpr uint64_t k_ulInvalidInputValueHandle = 0;

// Interface versions the application asks for.
constexpr const char* IVRSystem_Version = "IVRSystem_022";
constexpr const char* IVRCompositor_Version = "IVRCompositor_026";
constexpr const char* IVRInput_Version = "IVRInput_010";
constexpr const char* IVRRenderModels_Version = "IVRRenderModels_006";

enum ETrackedDeviceClass : int32_t {
    TrackedDeviceClass_Invalid = 0,
    TrackedDeviceClass_HMD = 1,
    TrackedDeviceClass_Controller = 2,
    TrackedDeviceClass_GenericTracker = 3,
    TrackedDeviceClass_TrackingReference = 4,
};

enum EDeviceActivityLevel : int32_t {
    k_EDeviceActivityLevel_Unknown = -1,
    k_EDeviceActivityLevel_Idle = 0,
    k_EDeviceActivityLevel_UserInteraction = 1,
    k_EDeviceActivityLevel_UserInteraction_Timeout = 2,
    k_EDeviceActivityLevel_Standby = 3,
};

// Device properties the application reads.
constexpr TrackedDeviceProperty Prop_ModelNumber_String = 1001;
constexpr TrackedDeviceProperty Prop_SerialNumber_String = 1002;
constexpr TrackedDeviceProperty Prop_RenderModelName_String = 1003;
constexpr TrackedDeviceProperty Prop_DeviceBatteryPercentage_Float = 1012;
// The boolean property the device log prints when a device is first seen.
constexpr TrackedDeviceProperty Prop_DeviceLogged_Bool = 1043;

enum ETrackedPropertyError : int32_t {
    TrackedProp_Success = 0,
    TrackedProp_WrongDataType = 1,
    TrackedProp_InvalidDevice = 3,
    TrackedProp_UnknownProperty = 6,
    TrackedProp_BufferTooSmall = 8,
};

enum EVREye : int32_t { Eye_Left = 0, Eye_Right = 1 };

enum ETrackingResult : int32_t {
    TrackingResult_Uninitialized = 1,
    TrackingResult_Running_OK = 200,
    TrackingResult_Running_OutOfRange = 201,
};

enum ETrackingUniverseOrigin : int32_t {
    TrackingUniverseSeated = 0,
    TrackingUniverseStanding = 1,
};

enum EVRApplicationType : int32_t { VRApplication_Other = 0, VRApplication_Scene = 1 };

enum EVRInitError : int32_t {
    VRInitError_None = 0,
    VRInitError_Unknown = 1,
    VRInitError_Init_InstallationNotFound = 100,
    VRInitError_Init_InstallationCorrupt = 101,
    VRInitError_Init_InterfaceNotFound = 105,
    VRInitError_Init_HmdNotFound = 108,
    VRInitError_Init_NotInitialized = 110,
};

enum EVRCompositorError : int32_t {
    VRCompositorError_None = 0,
    VRCompositorError_InvalidTexture = 107,
    VRCompositorError_InvalidBounds = 109,
};

enum EVRInputError : int32_t {
    VRInputError_None = 0,
    VRInputError_NameNotFound = 1,
    VRInputError_WrongType = 2,
    VRInputError_InvalidHandle = 3,
    VRInputError_InvalidParam = 4,
    VRInputError_NoData = 10,
    VRInputError_MismatchedActionManifest = 13,
    VRInputError_MissingSkeletonData = 14,
};

enum EVRRenderModelError : int32_t {
    VRRenderModelError_None = 0,
    VRRenderModelError_Loading = 100,
    VRRenderModelError_InvalidArg = 300,
    VRRenderModelError_InvalidModel = 301,
    VRRenderModelError_InvalidTexture = 400,
};

enum ETextureType : int32_t { TextureType_OpenGL = 1 };
enum EColorSpace : int32_t { ColorSpace_Auto = 0, ColorSpace_Gamma = 1, ColorSpace_Linear = 2 };
enum EVRSubmitFlags : int32_t { Submit_Default = 0 };

// Event type that asks the application to quit.
constexpr uint32_t VREvent_Quit = 700;

// Three rows of four: rotation in the left 3x3, translation in the last column.
struct HmdMatrix34_t {
    float m[3][4];
};
// Four rows of four.
struct HmdMatrix44_t {
    float m[4][4];
};
struct HmdVector3_t {
    float v[3];
};

struct TrackedDevicePose_t {
    HmdMatrix34_t mDeviceToAbsoluteTracking;  // device space to tracking space
    HmdVector3_t vVelocity;                   // metres per second, tracking space
    HmdVector3_t vAngularVelocity;            // radians per second, tracking space
    ETrackingResult eTrackingResult;
    bool bPoseIsValid;
    bool bDeviceIsConnected;
};

// One event; eventType 0 never appears. The data bytes are event specific and unused by the application.
struct VREvent_t {
    uint32_t eventType;
    TrackedDeviceIndex_t trackedDeviceIndex;
    float eventAgeSeconds;
    uint32_t reserved;
    uint8_t data[48];
};

// An OpenGL texture: `handle` carries the texture name (GLuint) cast through uintptr_t.
struct Texture_t {
    void* handle;
    ETextureType eType;
    EColorSpace eColorSpace;
};
// The part of a texture one eye uses, in texture coordinates (0..1).
struct VRTextureBounds_t {
    float uMin, vMin, uMax, vMax;
};

struct VRActiveActionSet_t {
    VRActionSetHandle_t ulActionSet;
    VRInputValueHandle_t ulRestrictedToDevice;
    VRActionSetHandle_t ulSecondaryActionSet;
    uint32_t unPadding;
    int32_t nPriority;
};

struct InputDigitalActionData_t {
    bool bActive;  // bound and live
    VRInputValueHandle_t activeOrigin;
    bool bState;    // pressed
    bool bChanged;  // differs from the previous UpdateActionState
    float fUpdateTime;
};

struct InputAnalogActionData_t {
    bool bActive;
    VRInputValueHandle_t activeOrigin;
    float x, y, z;
    float deltaX, deltaY, deltaZ;
    float fUpdateTime;
};

struct InputPoseActionData_t {
    bool bActive;
    VRInputValueHandle_t activeOrigin;
    TrackedDevicePose_t pose;
};

struct InputOriginInfo_t {
    VRInputValueHandle_t devicePath;
    TrackedDeviceIndex_t trackedDeviceIndex;
    char rchRenderModelComponentName[128];
};

// 32 bytes a vertex: position (metres, model space), normal, texture coordinate.
struct RenderModel_Vertex_t {
    HmdVector3_t vPosition;
    HmdVector3_t vNormal;
    float rfTextureCoord[2];
};

// Owned by the runtime until FreeRenderModel.
struct RenderModel_t {
    const RenderModel_Vertex_t* rVertexData;
    uint32_t unVertexCount;
    const uint16_t* rIndexData;  // three per triangle
    uint32_t unTriangleCount;
    TextureID_t diffuseTextureId;
};

// RGBA, 8 bits a channel, top row first; owned by the runtime until FreeTexture.
struct RenderModel_TextureMap_t {
    uint16_t unWidth, unHeight;
    const uint8_t* rubTextureMapData;
};

static_assert(sizeof(TrackedDevicePose_t) == 80, "pose record layout");
static_assert(sizeof(VREvent_t) == 64, "event record layout");
static_assert(sizeof(InputDigitalActionData_t) == 24, "digital record layout");
static_assert(sizeof(InputAnalogActionData_t) == 48, "analog record layout");
static_assert(sizeof(InputPoseActionData_t) == 96, "pose action record layout");
static_assert(sizeof(InputOriginInfo_t) == 144, "origin record layout");
static_assert(sizeof(RenderModel_Vertex_t) == 32, "render model vertex layout");

}  // namespace mnxvr

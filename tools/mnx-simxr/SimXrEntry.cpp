// The loader's way in: interface negotiation and xrGetInstanceProcAddr over the runtime's entry points. The
// negotiation records are those of the loader-runtime interface (version 1); the OpenXR 1.0.20 headers of this
// platform do not ship them.
#include <openxr/openxr_reflection.h>

#include <cstring>
#include <type_traits>

#include "SimXr.h"

namespace {

enum LoaderInterfaceStruct : uint32_t { kLoaderInfo = 1, kRuntimeRequest = 3 };

struct XrNegotiateLoaderInfo {
    uint32_t structType;
    uint32_t structVersion;
    size_t structSize;
    uint32_t minInterfaceVersion;
    uint32_t maxInterfaceVersion;
    XrVersion minApiVersion;
    XrVersion maxApiVersion;
};

struct XrNegotiateRuntimeRequest {
    uint32_t structType;
    uint32_t structVersion;
    size_t structSize;
    uint32_t runtimeInterfaceVersion;
    XrVersion runtimeApiVersion;
    PFN_xrGetInstanceProcAddr getInstanceProcAddr;
};

}  // namespace

#define MNX_SIMXR_FUNCTIONS(F)                                                                                         \
    F(EnumerateInstanceExtensionProperties)                                                                            \
    F(CreateInstance)                                                                                                  \
    F(DestroyInstance)                                                                                                 \
    F(GetInstanceProperties) F(GetSystem) F(GetSystemProperties) F(EnumerateViewConfigurations)                        \
        F(GetViewConfigurationProperties) F(EnumerateViewConfigurationViews) F(EnumerateEnvironmentBlendModes)         \
            F(GetOpenGLGraphicsRequirementsKHR) F(CreateSession) F(DestroySession) F(BeginSession) F(EndSession)       \
                F(RequestExitSession) F(PollEvent) F(EnumerateReferenceSpaces) F(CreateReferenceSpace)                 \
                    F(GetReferenceSpaceBoundsRect) F(CreateActionSpace) F(DestroySpace) F(LocateSpace) F(LocateViews)  \
                        F(EnumerateSwapchainFormats) F(CreateSwapchain) F(DestroySwapchain)                            \
                            F(EnumerateSwapchainImages) F(AcquireSwapchainImage) F(WaitSwapchainImage)                 \
                                F(ReleaseSwapchainImage) F(WaitFrame) F(BeginFrame) F(EndFrame) F(StringToPath)        \
                                    F(PathToString) F(CreateActionSet) F(DestroyActionSet) F(CreateAction)             \
                                        F(DestroyAction) F(SuggestInteractionProfileBindings)                          \
                                            F(AttachSessionActionSets) F(GetCurrentInteractionProfile) F(SyncActions)  \
                                                F(GetActionStateBoolean) F(GetActionStateFloat)                        \
                                                    F(GetActionStateVector2f) F(GetActionStatePose)                    \
                                                        F(EnumerateBoundSourcesForAction)                              \
                                                            F(GetInputSourceLocalizedName) F(ApplyHapticFeedback)      \
                                                                F(StopHapticFeedback) F(EnumerateViveTrackerPathsHTCX) \
                                                                    F(ResultToString) F(StructureTypeToString)         \
                                                                        F(EnumerateApiLayerProperties)

#define MNX_SIMXR_DECLARE(name) extern std::remove_pointer_t<PFN_xr##name> sim##name;
MNX_SIMXR_FUNCTIONS(MNX_SIMXR_DECLARE)

XrResult simEnumerateApiLayerProperties(uint32_t, uint32_t* count, XrApiLayerProperties*) {
    if (count == nullptr) return XR_ERROR_VALIDATION_FAILURE;
    *count = 0;
    return XR_SUCCESS;
}

XrResult simResultToString(XrInstance handle, XrResult value, char buffer[XR_MAX_RESULT_STRING_SIZE]) {
    if (!simxr::instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
#define MNX_SIMXR_RESULT(name, number)                                 \
    case name:                                                         \
        std::snprintf(buffer, XR_MAX_RESULT_STRING_SIZE, "%s", #name); \
        return XR_SUCCESS;
    switch (value) { XR_LIST_ENUM_XrResult(MNX_SIMXR_RESULT) default : break; }
    std::snprintf(buffer, XR_MAX_RESULT_STRING_SIZE, "XR_%s_%d", value < 0 ? "UNKNOWN_FAILURE" : "UNKNOWN_SUCCESS",
                  int(value));
    return XR_SUCCESS;
}

XrResult simStructureTypeToString(XrInstance handle, XrStructureType value, char buffer[XR_MAX_STRUCTURE_NAME_SIZE]) {
    if (!simxr::instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
#define MNX_SIMXR_STRUCT(name, number)                                  \
    case name:                                                          \
        std::snprintf(buffer, XR_MAX_STRUCTURE_NAME_SIZE, "%s", #name); \
        return XR_SUCCESS;
    switch (value) { XR_LIST_ENUM_XrStructureType(MNX_SIMXR_STRUCT) default : break; }
    std::snprintf(buffer, XR_MAX_STRUCTURE_NAME_SIZE, "XR_UNKNOWN_STRUCTURE_TYPE_%d", int(value));
    return XR_SUCCESS;
}

PFN_xrVoidFunction simxr::lookup(const char* name) {
#define MNX_SIMXR_LOOKUP(fn) \
    if (std::strcmp(name, "xr" #fn) == 0) return reinterpret_cast<PFN_xrVoidFunction>(&sim##fn);
    MNX_SIMXR_FUNCTIONS(MNX_SIMXR_LOOKUP)
    return nullptr;
}

XrResult simGetInstanceProcAddr(XrInstance handle, const char* name, PFN_xrVoidFunction* function) {
    if (name == nullptr || function == nullptr) return XR_ERROR_VALIDATION_FAILURE;
    *function = nullptr;
    if (std::strcmp(name, "xrGetInstanceProcAddr") == 0) {
        *function = reinterpret_cast<PFN_xrVoidFunction>(&simGetInstanceProcAddr);
        return XR_SUCCESS;
    }
    // Without an instance only the three functions that make one are reachable.
    if (handle == XR_NULL_HANDLE) {
        if (std::strcmp(name, "xrEnumerateInstanceExtensionProperties") != 0 &&
            std::strcmp(name, "xrEnumerateApiLayerProperties") != 0 && std::strcmp(name, "xrCreateInstance") != 0)
            return XR_ERROR_HANDLE_INVALID;
    } else if (!simxr::instanceOf(handle)) {
        return XR_ERROR_HANDLE_INVALID;
    }
    *function = simxr::lookup(name);
    return *function ? XR_SUCCESS : XR_ERROR_FUNCTION_UNSUPPORTED;
}

extern "C" __attribute__((visibility("default"))) XrResult xrNegotiateLoaderRuntimeInterface(
    const XrNegotiateLoaderInfo* loaderInfo, XrNegotiateRuntimeRequest* request) {
    if (loaderInfo == nullptr || request == nullptr || loaderInfo->structType != kLoaderInfo ||
        loaderInfo->structVersion != 1 || loaderInfo->structSize != sizeof(XrNegotiateLoaderInfo) ||
        request->structType != kRuntimeRequest || request->structVersion != 1 ||
        request->structSize != sizeof(XrNegotiateRuntimeRequest) || loaderInfo->minInterfaceVersion > 1 ||
        loaderInfo->maxInterfaceVersion < 1 || loaderInfo->minApiVersion > XR_CURRENT_API_VERSION)
        return XR_ERROR_INITIALIZATION_FAILED;
    request->runtimeInterfaceVersion = 1;
    request->runtimeApiVersion = XR_CURRENT_API_VERSION;
    request->getInstanceProcAddr = &simGetInstanceProcAddr;
    return XR_SUCCESS;
}

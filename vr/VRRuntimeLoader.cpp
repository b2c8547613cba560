#include "vr/VRRuntimeLoader.h"

#include <QCoreApplication>

#include "vr/SimulatedRuntime.h"

namespace mnxvr {
namespace {

std::unique_ptr<VRRuntime>& installed() {
    static std::unique_ptr<VRRuntime> runtime;
    return runtime;
}

}  // namespace

void installVRRuntime(std::unique_ptr<VRRuntime> runtime) { installed() = std::move(runtime); }

VRRuntime& vrRuntime() {
    auto& runtime = installed();
    if (!runtime) runtime = std::make_unique<SimulatedRuntime>(SimulatedRuntime::defaultSessionPath());
    return *runtime;
}

uint32_t VR_InitInternal2(EVRInitError* error, EVRApplicationType type, const char* startupInfo) {
    return vrRuntime().InitInternal2(error, type, startupInfo);
}
void VR_ShutdownInternal() { vrRuntime().ShutdownInternal(); }
bool VR_IsInterfaceVersionValid(const char* version) { return vrRuntime().IsInterfaceVersionValid(version); }
void* VR_GetGenericInterface(const char* version, EVRInitError* error) {
    return vrRuntime().GetGenericInterface(version, error);
}
uint32_t VR_GetInitToken() { return vrRuntime().GetInitToken(); }
const char* VR_GetVRInitErrorAsEnglishDescription(EVRInitError error) {
    return vrRuntime().GetVRInitErrorAsEnglishDescription(error);
}

}  // namespace mnxvr

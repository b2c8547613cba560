#pragma once

#include <memory>

#include "vr/VRRuntime.h"

// The client loader: which runtime the VR_* calls reach. Unless one is installed, the first call creates the
// simulated runtime playing "resource/VR/simulated_session.json" beside the executable (this platform has no
// other runtime), so nothing is created while VR stays off.
namespace mnxvr {

// Replaces the runtime the loader hands out (null: back to the default on next use). Tests install fakes here.
void installVRRuntime(std::unique_ptr<VRRuntime> runtime);
// The runtime the next VR_* call reaches, creating the default one if none is installed.
VRRuntime& vrRuntime();

uint32_t VR_InitInternal2(EVRInitError* error, EVRApplicationType type, const char* startupInfo);
void VR_ShutdownInternal();
bool VR_IsInterfaceVersionValid(const char* version);
void* VR_GetGenericInterface(const char* version, EVRInitError* error);
uint32_t VR_GetInitToken();
const char* VR_GetVRInitErrorAsEnglishDescription(EVRInitError error);

}  // namespace mnxvr

#pragma once
// Test controls of the simulated headset runtime, exported beside xrNegotiateLoaderRuntimeInterface. A test
// reaches them with dlopen(<the runtime library>, RTLD_NOLOAD) and dlsym once the loader has loaded it.

#define MNX_SIMXR_EXPORT __attribute__((visibility("default")))

extern "C" {
// Freezes session time at `seconds`; a negative value lets the clock run on from there.
MNX_SIMXR_EXPORT void mnxsimxr_set_session_time(double seconds);
// Whether xrWaitFrame sleeps to the 90 Hz frame clock (on by default).
MNX_SIMXR_EXPORT void mnxsimxr_set_pacing(int on);
// Projection layers submitted for `eye` (0 left, 1 right) in this session; the GL texture and the
// rectangle (x, y, width, height) of the latest one.
MNX_SIMXR_EXPORT int mnxsimxr_submitted(int eye, unsigned* texture, int rect[4]);
}

#pragma once

#include <functional>

class iFacialMoCap;

// The orchestrator's face-capture receiver, for subsystems below the application layer (the body controller)
// that may not link the orchestrator. Not owned here; null while no capture thread exists. GUI thread only.
iFacialMoCap* faceReceiver();
// Whether the orchestrator's capture thread runs; false without a receiver, true when it gave no query.
bool faceCaptureRunning();
// Publishes (or, with null, withdraws) the receiver and the query of the capture thread's state. The caller
// keeps ownership and withdraws both before the receiver dies.
void setFaceReceiver(iFacialMoCap* receiver, std::function<bool()> captureRunning = {});

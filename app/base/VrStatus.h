#pragma once

// Whether the VR runtime connection is up for this run. False until the VR start-up reports success; the
// control window shows the tracked-device rows only while it is true. Callable from any thread.
bool vrRunning();
void setVrRunning(bool running);

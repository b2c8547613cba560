#pragma once

class VRController;

// The input-action singleton; see VRController's class comment. Created only while VR is running (call with
// the GL context current); the accessor is null otherwise.
VRController* createVRController();
VRController* vrController();
// Releases the GL objects of the two hand markers (context current); safe to call twice and without a
// controller.
void releaseVRGraphics();

#include "vr/VRController.h"

VRController* createVRController() { return nullptr; }
VRController* vrController() { return nullptr; }
void releaseVRGraphics() {}

#pragma once

#include "mmd/PMXFile.h"

namespace mnxc {

// The bundled sample character, complete: mesh, materials with texture paths relative to the model folder ("tex/…",
// see SampleTextures), skeleton with IK, facial, material and group morphs, display frames, rigid bodies and joints.
// The same data on every call.
mmd::PMXFileData BuildSampleCharacter();

}  // namespace mnxc

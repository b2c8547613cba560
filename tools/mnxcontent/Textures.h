#pragma once

#include <map>
#include <string>

#include "Image.h"

namespace mnxc {

// The sample character's textures by the relative path its materials use (e.g. "tex/skin.png").
std::map<std::string, Image> SampleTextures();

// Shared toon ramp n (1..10), 32 x 32: light at the top, shade at the bottom.
Image ToonRamp(int n);

}  // namespace mnxc

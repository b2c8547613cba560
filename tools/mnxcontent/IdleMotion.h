#pragma once

#include <string>

namespace mnxc {

// The idle loops of the bundled pose sets, as VMD file bytes. Keys use the standard MMD bone names only (センター,
// 下半身, 上半身, 上半身2, 首, 頭, 左腕/右腕, 左ひじ/右ひじ) and the blink morph "まばたき", so they suit any
// conventionally rigged model; legs are left to the model's leg IK, which keeps the feet where they stand. Every
// bone's last key repeats its first one, so the clock's restart after the last key is seamless. Same bytes on
// every call.

// Weight shifting gently from foot to foot, breathing, a slow head drift; arms hanging at the sides. 7 s.
std::string DefaultIdleMotion();

// Standing at ease on the left leg with the right knee loose, head tilted, slow deep breaths and a wandering
// look. 8 s.
std::string RelaxedIdleMotion();

}  // namespace mnxc

#pragma once

#include <string>
#include <vector>

namespace mnxc {

// The hand shapes the VR hand control switches between.
enum class HandShape { Default, Rock, Paper, Scissors, One, ThumbsUp };

// Every shape, in the order of the hand control's pose numbers (the relaxed default first).
const std::vector<HandShape>& HandShapes();

// File stem of a shape's pose on one side (side +1 left, -1 right), e.g. "handRock_R".
std::string HandPoseStem(HandShape shape, int side);

// The pose as VPD file bytes: the fifteen finger bones of that side and nothing else, rotations in MMD's
// (left-handed) frame, no translations. The left hand is the mirror image of the right. Same bytes on every call.
std::string HandPoseFile(HandShape shape, int side);

}  // namespace mnxc

#pragma once

#include <array>
#include <cstring>

// The humanoid bones of the VMC protocol, their parents in the humanoid hierarchy and the standard model bones
// they drive. The table is fixed: a bone's position in it is its index everywhere in vmc/.
namespace vmc {

// How the model's rest pose differs from the protocol's T-pose for a bone.
enum class RestFix {
    kNone,        // the model's rest direction is taken as the T-pose one (spine, legs, head, shoulders)
    kOwnArm,      // turned so the bone (towards its child) points along the side's horizontal axis
    kFromParent,  // the fix of its parent (hands, fingers): follows the forearm
};

struct HumanoidBone {
    const char* name;   // protocol name, e.g. "LeftUpperArm"
    int parent;         // index of the humanoid parent; -1 for Hips
    const char* model;  // UTF-8 name of the model bone it drives; nullptr when none does
    const char* child;  // model bone the rest direction points to (kOwnArm only)
    RestFix fix;
    int side;  // +1 left (+x in the model), -1 right, 0 centre
};

constexpr int kHumanoidBoneCount = 55;
constexpr int kHips = 0;

// The table, parents before children.
const std::array<HumanoidBone, kHumanoidBoneCount>& humanoidBones();
// Index of a protocol bone name (exact), or -1. Bounded work: one pass over the table.
int humanoidIndex(const char* name);

// VRM expression presets with their standard model morphs; presets without a standard morph have model null.
struct VrmPreset {
    const char* name;   // e.g. "A", "Blink_L"
    const char* morph;  // UTF-8, e.g. "あ"; nullptr when no standard morph exists
};
constexpr int kVrmPresetCount = 17;
const std::array<VrmPreset, kVrmPresetCount>& vrmPresets();
// Index of a preset name (exact), or -1.
int vrmPresetIndex(const char* name);

}  // namespace vmc

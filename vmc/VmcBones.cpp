#include "vmc/VmcBones.h"

namespace vmc {
namespace {

// Fingers: proximal, intermediate, distal of one finger on one side, chained to the hand.
#define MNX_FINGER(side, finger, hand, first, m0, m1, m2, sign)                                                   \
    HumanoidBone{side #finger "Proximal", hand, m0, nullptr, RestFix::kFromParent, sign},                         \
        HumanoidBone{side #finger "Intermediate", first, m1, nullptr, RestFix::kFromParent, sign}, HumanoidBone { \
        side #finger "Distal", first + 1, m2, nullptr, RestFix::kFromParent, sign                                 \
    }

const std::array<HumanoidBone, kHumanoidBoneCount> kBones = {{
    {"Hips", -1, "下半身", nullptr, RestFix::kNone, 0},
    {"Spine", 0, "上半身", nullptr, RestFix::kNone, 0},
    {"Chest", 1, "上半身2", nullptr, RestFix::kNone, 0},
    {"UpperChest", 2, nullptr, nullptr, RestFix::kNone, 0},
    {"Neck", 3, "首", nullptr, RestFix::kNone, 0},
    {"Head", 4, "頭", nullptr, RestFix::kNone, 0},
    {"LeftEye", 5, "左目", nullptr, RestFix::kNone, 1},
    {"RightEye", 5, "右目", nullptr, RestFix::kNone, -1},
    {"Jaw", 5, nullptr, nullptr, RestFix::kNone, 0},
    {"LeftShoulder", 3, "左肩", nullptr, RestFix::kNone, 1},
    {"LeftUpperArm", 9, "左腕", "左ひじ", RestFix::kOwnArm, 1},
    {"LeftLowerArm", 10, "左ひじ", "左手首", RestFix::kOwnArm, 1},
    {"LeftHand", 11, "左手首", nullptr, RestFix::kFromParent, 1},
    {"RightShoulder", 3, "右肩", nullptr, RestFix::kNone, -1},
    {"RightUpperArm", 13, "右腕", "右ひじ", RestFix::kOwnArm, -1},
    {"RightLowerArm", 14, "右ひじ", "右手首", RestFix::kOwnArm, -1},
    {"RightHand", 15, "右手首", nullptr, RestFix::kFromParent, -1},
    {"LeftUpperLeg", 0, "左足", nullptr, RestFix::kNone, 1},
    {"LeftLowerLeg", 17, "左ひざ", nullptr, RestFix::kNone, 1},
    {"LeftFoot", 18, "左足首", nullptr, RestFix::kNone, 1},
    {"LeftToes", 19, nullptr, nullptr, RestFix::kNone, 1},
    {"RightUpperLeg", 0, "右足", nullptr, RestFix::kNone, -1},
    {"RightLowerLeg", 21, "右ひざ", nullptr, RestFix::kNone, -1},
    {"RightFoot", 22, "右足首", nullptr, RestFix::kNone, -1},
    {"RightToes", 23, nullptr, nullptr, RestFix::kNone, -1},
    MNX_FINGER("Left", Thumb, 12, 25, "左親指０", "左親指１", "左親指２", 1),
    MNX_FINGER("Left", Index, 12, 28, "左人指１", "左人指２", "左人指３", 1),
    MNX_FINGER("Left", Middle, 12, 31, "左中指１", "左中指２", "左中指３", 1),
    MNX_FINGER("Left", Ring, 12, 34, "左薬指１", "左薬指２", "左薬指３", 1),
    MNX_FINGER("Left", Little, 12, 37, "左小指１", "左小指２", "左小指３", 1),
    MNX_FINGER("Right", Thumb, 16, 40, "右親指０", "右親指１", "右親指２", -1),
    MNX_FINGER("Right", Index, 16, 43, "右人指１", "右人指２", "右人指３", -1),
    MNX_FINGER("Right", Middle, 16, 46, "右中指１", "右中指２", "右中指３", -1),
    MNX_FINGER("Right", Ring, 16, 49, "右薬指１", "右薬指２", "右薬指３", -1),
    MNX_FINGER("Right", Little, 16, 52, "右小指１", "右小指２", "右小指３", -1),
}};
#undef MNX_FINGER

const std::array<VrmPreset, kVrmPresetCount> kPresets = {{
    {"A", "あ"},
    {"I", "い"},
    {"U", "う"},
    {"E", "え"},
    {"O", "お"},
    {"Blink", "まばたき"},
    {"Blink_L", "ウィンク"},
    {"Blink_R", "ウィンク右"},
    {"Joy", "笑い"},
    {"Angry", "怒り"},
    {"Sorrow", "困る"},
    {"Fun", "にこり"},
    {"LookUp", nullptr},
    {"LookDown", nullptr},
    {"LookLeft", nullptr},
    {"LookRight", nullptr},
    {"Neutral", nullptr},
}};

}  // namespace

const std::array<HumanoidBone, kHumanoidBoneCount>& humanoidBones() { return kBones; }

int humanoidIndex(const char* name) {
    for (int i = 0; i < kHumanoidBoneCount; ++i) {
        if (std::strcmp(kBones[static_cast<size_t>(i)].name, name) == 0) return i;
    }
    return -1;
}

const std::array<VrmPreset, kVrmPresetCount>& vrmPresets() { return kPresets; }

int vrmPresetIndex(const char* name) {
    for (int i = 0; i < kVrmPresetCount; ++i) {
        if (std::strcmp(kPresets[static_cast<size_t>(i)].name, name) == 0) return i;
    }
    return -1;
}

}  // namespace vmc

#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "face/FaceFrame.h"
#include "vmc/VmcBones.h"

namespace vmc {

// What a VMC sender has told us so far, in the protocol's own space: left-handed, Y up, metres, rotations
// local to the humanoid parent and relative to the T-pose. Plain and trivially copyable, so the GUI thread can
// take a whole copy under the receiver's lock.
struct VmcFrame {
    struct Pose {
        float px = 0.0f, py = 0.0f, pz = 0.0f;
        float qx = 0.0f, qy = 0.0f, qz = 0.0f, qw = 1.0f;
    };

    std::int64_t stamp = 0;                      // steady-clock ms of the last datagram that changed it; 0 = never
    Pose root;                                   // /VMC/Ext/Root/Pos
    std::array<Pose, kHumanoidBoneCount> bones;  // /VMC/Ext/Bone/Pos by humanoid index
    std::bitset<kHumanoidBoneCount> received;    // bones named at least once
    // Applied blend shapes (/VMC/Ext/Blend/Apply): ARKit names by the phone stream's slot (mirror order at the
    // time of receipt), VRM presets by preset index. 0..1.
    std::array<float, FaceFrame::kValueCount> arkit{};
    std::array<float, kVrmPresetCount> presets{};
    bool hasArkit = false;  // an ARKit name was ever applied
};

}  // namespace vmc

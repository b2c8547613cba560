#pragma once

#include <lo/lo.h>

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vmc/VmcFrame.h"

namespace vmc {

// Sends one VMC bundle per rendered frame: /VMC/Ext/OK, /VMC/Ext/T, the root, the humanoid bones, the 52 ARKit
// values and the VRM presets, then /VMC/Ext/Blend/Apply. The messages are built once with liblo; each frame
// only rewrites their numbers, serialises the bundle into a buffer of fixed size and sends it, so a frame
// allocates nothing. GUI thread.
class VmcSender {
public:
    static constexpr int kDefaultPort = 39540;

    VmcSender();
    ~VmcSender();
    VmcSender(const VmcSender&) = delete;
    VmcSender& operator=(const VmcSender&) = delete;

    // (Re)builds the bundle for the humanoid bones set in `bones`. Allocates.
    void build(const std::bitset<kHumanoidBoneCount>& bones);
    // The destination: a dotted IPv4 address or "localhost", and a port 1..65535. False (destination unchanged)
    // for anything else.
    bool setDestination(const std::string& host, int port);
    bool hasDestination() const { return m_port != 0; }

    // Fills the bundle from `frame` (bones, root, frame.arkit in the phone stream's natural order when
    // `naturalOrder`, else its exchanged order, frame.presets) and `timeSeconds`, and sends it. False when not
    // built, without a destination, or when the send fails. Allocation-free.
    bool send(const VmcFrame& frame, bool naturalOrder, float timeSeconds);
    // The last serialised bundle (OSC 1.0 bytes).
    const char* data() const { return m_buffer.data(); }
    std::size_t size() const { return m_size; }

private:
    struct PoseMessage {
        lo_arg** argv = nullptr;  // name, px, py, pz, qx, qy, qz, qw; owned by its message
        int bone = -1;            // humanoid index, -1 for the root
    };
    static void writePose(const PoseMessage& message, const VmcFrame::Pose& pose);
    void release();

    lo_bundle m_bundle = nullptr;
    lo_arg** m_time = nullptr;
    std::vector<PoseMessage> m_poses;
    std::array<lo_arg**, FaceFrame::kValueCount> m_arkit{};  // by natural slot; slot 0 unused
    std::array<int, FaceFrame::kValueCount> m_exchangedSlot{};
    std::array<lo_arg**, kVrmPresetCount> m_presets{};
    std::vector<char> m_buffer;
    std::size_t m_size = 0;
    std::string m_host;
    int m_port = 0;
};

}  // namespace vmc

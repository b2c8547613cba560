#pragma once

#include <lo/lo.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "vmc/VmcFrame.h"

namespace vmc {

// Turns VMC messages into a VmcFrame. Registers its handlers on a liblo server, which does all OSC decoding
// (bundles, type tags, padding); the handlers only look names up in fixed tables. One thread at a time: the
// receiver's thread, or a test or fuzzer feeding datagrams directly. Allocation-free itself; liblo allocates
// while decoding.
class VmcMessageHandler {
public:
    // Messages beyond this count in one datagram are ignored, which bounds the work a datagram can cause.
    static constexpr int kMaxMessagesPerDatagram = 1024;

    VmcMessageHandler();
    VmcMessageHandler(const VmcMessageHandler&) = delete;
    VmcMessageHandler& operator=(const VmcMessageHandler&) = delete;

    // Adds the handlers to `server` (not owned; must outlive the registration) and turns off its bundle queue, so
    // time-tagged bundles apply at once, as every VMC receiver does.
    void attach(lo_server server);
    // Decodes one datagram of any bytes through `server` (which attach() prepared). False when liblo rejects it.
    bool dispatch(lo_server server, const void* data, std::size_t size);
    // Call before and after each datagram that the server decodes on its own (its receive calls).
    void beginDatagram();
    // True when the datagram changed the frame; the frame then carries `stampMs`.
    bool endDatagram(std::int64_t stampMs);

    const VmcFrame& frame() const { return m_frame; }
    // The phone stream's name order for ARKit names: natural (mirror on) or exchanged.
    void setNaturalOrder(bool natural) { m_natural.store(natural); }
    // Messages handled since construction (tests).
    long handledCount() const { return m_handled; }

private:
    static int onBone(const char* path, const char* types, lo_arg** argv, int argc, lo_message msg, void* user);
    static int onRoot(const char* path, const char* types, lo_arg** argv, int argc, lo_message msg, void* user);
    static int onBlendValue(const char* path, const char* types, lo_arg** argv, int argc, lo_message msg, void* user);
    static int onBlendApply(const char* path, const char* types, lo_arg** argv, int argc, lo_message msg, void* user);
    static int onOther(const char* path, const char* types, lo_arg** argv, int argc, lo_message msg, void* user);
    bool admit();

    VmcFrame m_frame;
    std::array<float, FaceFrame::kValueCount> m_pendingArkit{};
    std::array<float, kVrmPresetCount> m_pendingPresets{};
    bool m_pendingHasArkit = false;
    std::atomic<bool> m_natural{true};
    int m_inDatagram = 0;
    bool m_changed = false;
    long m_handled = 0;
};

}  // namespace vmc

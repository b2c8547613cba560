// libFuzzer target: the face stream's framing on arbitrary bytes, delivered in reads whose sizes the input
// chooses, with every packet it cuts parsed as the receiver parses it. Checks the buffer bound.
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "face/PacketFramer.h"
#include "face/iFacialMoCap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static iFacialMoCap receiver;
    static PacketFramer framer;
    framer.reset();
    size_t at = 0;
    while (at < size) {
        // The first byte of every read gives its length, so coalesced and split packets are both explored.
        const size_t n = std::min<size_t>(size - at - 1, 1 + data[at] * 4u);
        framer.append(reinterpret_cast<const char*>(data + at + 1), n);
        at += 1 + n;
        if (framer.pending() > PacketFramer::kMaxPending) __builtin_trap();
        const char* packet = nullptr;
        size_t packetSize = 0;
        if (framer.takeNewest(&packet, &packetSize)) {
            if (std::memchr(packet, 0, packetSize) != nullptr) __builtin_trap();
            receiver.Parse(QString::fromUtf8(packet, static_cast<int>(packetSize)));
        }
    }
    return 0;
}

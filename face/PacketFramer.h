#pragma once

#include <cstddef>
#include <vector>

// Cuts the phone's TCP byte stream into packets. The stream has no message boundaries: two packets may arrive
// in one read and one packet may be cut across two. Packets end with the trailer "___iFacialMocap"; older
// phone apps send none, and then a read that leaves the buffer ending in "|" is taken as one whole packet
// (until the connection shows a trailer once). The buffer is bounded: a peer that never ends a packet cannot
// grow memory; its bytes are dropped up to the next trailer. Allocates only at construction.
class PacketFramer {
public:
    static constexpr std::size_t kMaxPending = 64 * 1024;  // bytes kept while waiting for a trailer

    PacketFramer();

    // Appends the bytes of one read and cuts the packets they complete; any size is fine.
    void append(const char* data, std::size_t size);
    // The newest complete packet since the last call (trailer included when it had one, cut at its first NUL
    // byte); older complete ones are gone. False when none is complete. `packet` stays valid until the next
    // append or takeNewest.
    bool takeNewest(const char** packet, std::size_t* size);
    // Forgets everything: a new connection starts clean.
    void reset();
    // Bytes waiting for the rest of their packet (never more than kMaxPending).
    std::size_t pending() const { return m_size; }

private:
    void dropFront(std::size_t count);
    void keepPacket(const char* begin, std::size_t size);

    std::vector<char> m_buffer;  // [0, m_size): bytes after the last trailer
    std::size_t m_size = 0;
    std::vector<char> m_packet;  // the newest complete packet, m_packetSize bytes
    std::size_t m_packetSize = 0;
    bool m_hasPacket = false;
    bool m_trailerSeen = false;  // this connection ends its packets with the trailer
    bool m_resync = false;       // bytes were dropped: the text up to the next trailer is a broken packet
};

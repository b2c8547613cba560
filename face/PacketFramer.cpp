#include "face/PacketFramer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kTrailer[] = "___iFacialMocap";
constexpr std::size_t kTrailerLength = sizeof(kTrailer) - 1;
constexpr std::size_t kReadRoom = 8192;

}  // namespace

PacketFramer::PacketFramer() {
    m_buffer.resize(PacketFramer::kMaxPending + kReadRoom);
    m_packet.resize(PacketFramer::kMaxPending + kReadRoom);
}

void PacketFramer::reset() {
    m_size = 0;
    m_hasPacket = false;
    m_trailerSeen = false;
    m_resync = false;
}

void PacketFramer::dropFront(std::size_t count) {
    std::memmove(m_buffer.data(), m_buffer.data() + count, m_size - count);
    m_size -= count;
}

void PacketFramer::keepPacket(const char* begin, std::size_t size) {
    const void* nul = std::memchr(begin, 0, size);
    m_packetSize = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : size;
    std::memcpy(m_packet.data(), begin, m_packetSize);
    m_hasPacket = true;
}

void PacketFramer::append(const char* data, std::size_t size) {
    while (size > 0) {
        const std::size_t n = std::min(size, m_buffer.size() - m_size);
        // A trailer may straddle the previous read and this one.
        std::size_t scanFrom = m_size >= kTrailerLength ? m_size - (kTrailerLength - 1) : 0;
        std::memcpy(m_buffer.data() + m_size, data, n);
        m_size += n;
        data += n;
        size -= n;
        for (;;) {
            char* begin = m_buffer.data();
            const char* at = std::search(begin + scanFrom, begin + m_size, kTrailer, kTrailer + kTrailerLength);
            if (at == begin + m_size) break;
            const std::size_t packetEnd = static_cast<std::size_t>(at - begin) + kTrailerLength;
            m_trailerSeen = true;
            // A packet whose start was dropped is no packet; the one after it is.
            if (!m_resync) keepPacket(begin, packetEnd);
            m_resync = false;
            dropFront(packetEnd);
            scanFrom = 0;
        }
        if (m_size > kMaxPending) {
            // Keep only what could be the start of a trailer cut by the read.
            dropFront(m_size - (kTrailerLength - 1));
            m_resync = true;
        }
    }
}

bool PacketFramer::takeNewest(const char** packet, std::size_t* size) {
    const bool endsItem = m_size > 0 && m_buffer[m_size - 1] == '|';
    if (m_resync && !m_trailerSeen && endsItem) {
        // A sender without trailers: the read that ends an item ends the broken packet too.
        m_size = 0;
        m_resync = false;
        return false;
    }
    if (!m_hasPacket && !m_trailerSeen && !m_resync && endsItem) {
        keepPacket(m_buffer.data(), m_size);
        m_size = 0;
    }
    if (!m_hasPacket) return false;
    m_hasPacket = false;
    *packet = m_packet.data();
    *size = m_packetSize;
    return true;
}

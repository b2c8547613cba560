#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Thin portable socket layer for the face-capture link. POSIX sockets here; a Winsock build provides the
// same functions (and starts the socket library itself on first use, so callers never do).
namespace net {

// Native socket handle (a file descriptor here, a SOCKET under Winsock). kInvalidSocket when there is none.
using SocketHandle = std::intptr_t;
constexpr SocketHandle kInvalidSocket = -1;

class SocketWakeup;

// Sends one UDP datagram of `size` bytes to a dotted IPv4 address from a fresh socket that is closed at once.
// False when the address is not a dotted IPv4 address or the send fails.
bool sendDatagram(const std::string& ipv4, std::uint16_t port, const char* data, std::size_t size);

// A TCP socket bound to every local IPv4 address at `port` and listening; address reuse is on so that a
// later listen on the same port succeeds while old connections linger. kInvalidSocket on failure.
SocketHandle listenTcp(std::uint16_t port, int backlog);

// Accepts one pending connection of a listening socket; kInvalidSocket on failure. When `peerIpv4` is given it
// receives the peer's dotted IPv4 address (empty when it has none).
SocketHandle acceptTcp(SocketHandle listener, std::string* peerIpv4 = nullptr);

// Turns on TCP keepalive so that a peer that vanished without closing is eventually reported as an error.
bool enableKeepAlive(SocketHandle socket);

enum class WaitResult { Ready, TimedOut, Interrupted, Failed };

// Blocks until `socket` is readable (data, a pending connection, or the peer closing), `wakeup` is signalled
// (Interrupted, checked first), or `timeoutMs` passes; a negative time-out waits without limit.
WaitResult waitReadable(SocketHandle socket, int timeoutMs, const SocketWakeup& wakeup);

// Receives at most `size` bytes: the count received, 0 when the peer closed, negative on error.
long receive(SocketHandle socket, char* buffer, std::size_t size);

// Closes a socket; kInvalidSocket is ignored.
void closeSocket(SocketHandle socket);

}  // namespace net

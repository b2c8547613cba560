// POSIX implementation of the face-capture socket layer.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

#include "face/Socket.h"
#include "face/SocketLibrary.h"
#include "face/SocketWakeup.h"

namespace net {
namespace {

int fd(SocketHandle handle) { return static_cast<int>(handle); }

}  // namespace

bool sendDatagram(const std::string& ipv4, std::uint16_t port, const char* data, std::size_t size) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, ipv4.c_str(), &address.sin_addr) != 1) return false;
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    const ssize_t sent =
        ::sendto(s, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::close(s);
    return sent == static_cast<ssize_t>(size);
}

SocketHandle listenTcp(std::uint16_t port, int backlog) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return kInvalidSocket;
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || ::listen(s, backlog) != 0) {
        ::close(s);
        return kInvalidSocket;
    }
    return s;
}

SocketHandle acceptTcp(SocketHandle listener, std::string* peerIpv4) {
    sockaddr_in peer{};
    socklen_t length = sizeof(peer);
    int s;
    do {
        s = ::accept4(fd(listener), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    } while (s < 0 && errno == EINTR);
    if (peerIpv4 != nullptr) {
        char text[INET_ADDRSTRLEN] = {};
        const bool known =
            s >= 0 && peer.sin_family == AF_INET && inet_ntop(AF_INET, &peer.sin_addr, text, sizeof(text));
        *peerIpv4 = known ? text : "";
    }
    return s < 0 ? kInvalidSocket : s;
}

bool enableKeepAlive(SocketHandle socket) {
    const int on = 1;
    return ::setsockopt(fd(socket), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on)) == 0;
}

WaitResult waitReadable(SocketHandle socket, int timeoutMs, const SocketWakeup& wakeup) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        pollfd fds[2] = {{fd(wakeup.handle()), POLLIN, 0}, {fd(socket), POLLIN, 0}};
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int n = ::poll(fds, 2, wait);
        if (n < 0) {
            if (errno == EINTR) continue;
            return WaitResult::Failed;
        }
        if (fds[0].revents != 0) return WaitResult::Interrupted;
        if (n == 0) return WaitResult::TimedOut;
        if (fds[1].revents & POLLNVAL) return WaitResult::Failed;
        return WaitResult::Ready;
    }
}

long receive(SocketHandle socket, char* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::recv(fd(socket), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

void closeSocket(SocketHandle socket) {
    if (socket != kInvalidSocket) ::close(fd(socket));
}

SocketWakeup::SocketWakeup() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_readHandle = fds[0];
        m_writeHandle = fds[1];
    }
}

SocketWakeup::~SocketWakeup() {
    closeSocket(m_readHandle);
    closeSocket(m_writeHandle);
}

void SocketWakeup::signal() {
    const char byte = 1;
    // A full pipe is already signalled, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(fd(m_writeHandle), &byte, 1);
}

void SocketWakeup::clear() {
    char drain[64];
    while (::read(fd(m_readHandle), drain, sizeof(drain)) > 0) {
    }
}

bool SocketWakeup::isSignalled() const {
    pollfd p{fd(m_readHandle), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

// POSIX sockets need no library start-up.
SocketLibrary::SocketLibrary() : m_started(true) {}

SocketLibrary::~SocketLibrary() = default;

std::string lastSocketError() { return std::system_category().message(errno); }

}  // namespace net

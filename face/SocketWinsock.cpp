// Winsock implementation of the face-capture socket layer.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before windows.h, or windows.h drags in the old winsock.h.
#include <windows.h>

#include <chrono>
#include <climits>
#include <string>

#include "face/Socket.h"
#include "face/SocketLibrary.h"
#include "face/SocketWakeup.h"

namespace net {
namespace {

SOCKET native(SocketHandle handle) { return static_cast<SOCKET>(handle); }

// Every socket the layer opens holds one start-up of the library, given back when the socket is closed.
bool startLibrary() {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
}

void endLibrary() { ::WSACleanup(); }

// A socket with its own library use; INVALID_SOCKET (and no use held) on failure.
SOCKET openSocket(int type, int protocol) {
    if (!startLibrary()) return INVALID_SOCKET;
    const SOCKET s = ::WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) endLibrary();
    return s;
}

void setNonBlocking(SOCKET s) {
    u_long on = 1;
    ::ioctlsocket(s, FIONBIO, &on);
}

}  // namespace

SocketLibrary::SocketLibrary() : m_started(startLibrary()) {}

SocketLibrary::~SocketLibrary() {
    if (m_started) endLibrary();
}

std::string lastSocketError() {
    const int code = ::WSAGetLastError();
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                         reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result;
    if (length > 0 && text != nullptr) {
        const int bytes =
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        result.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
        if (bytes > 0) {
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), bytes, nullptr, nullptr);
        }
        while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
            result.pop_back();
        }
    }
    if (text != nullptr) ::LocalFree(text);
    if (result.empty()) result = "Winsock error " + std::to_string(code);
    return result;
}

bool sendDatagram(const std::string& ipv4, std::uint16_t port, const char* data, std::size_t size) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (size > static_cast<std::size_t>(INT_MAX)) return false;
    if (::inet_pton(AF_INET, ipv4.c_str(), &address.sin_addr) != 1) return false;
    const SOCKET s = openSocket(SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return false;
    const int sent =
        ::sendto(s, data, static_cast<int>(size), 0, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    closeSocket(static_cast<SocketHandle>(s));
    return sent == static_cast<int>(size);
}

SocketHandle listenTcp(std::uint16_t port, int backlog) {
    const SOCKET s = openSocket(SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kInvalidSocket;
    // No SO_REUSEADDR here: on Windows it lets a second socket take a port that is still listening. Winsock
    // already binds a port whose old connections linger in TIME_WAIT, which is all a repeated Start needs.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || ::listen(s, backlog) != 0) {
        closeSocket(static_cast<SocketHandle>(s));
        return kInvalidSocket;
    }
    return static_cast<SocketHandle>(s);
}

SocketHandle acceptTcp(SocketHandle listener, std::string* peerIpv4) {
    sockaddr_in peer{};
    int length = sizeof(peer);
    SOCKET s = INVALID_SOCKET;
    if (startLibrary()) {
        s = ::accept(native(listener), reinterpret_cast<sockaddr*>(&peer), &length);
        if (s == INVALID_SOCKET) endLibrary();
    }
    if (peerIpv4 != nullptr) {
        char text[INET_ADDRSTRLEN] = {};
        const bool known = s != INVALID_SOCKET && peer.sin_family == AF_INET &&
                           ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof(text)) != nullptr;
        *peerIpv4 = known ? text : "";
    }
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

bool enableKeepAlive(SocketHandle socket) {
    const BOOL on = TRUE;
    return ::setsockopt(native(socket), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof(on)) == 0;
}

WaitResult waitReadable(SocketHandle socket, int timeoutMs, const SocketWakeup& wakeup) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        WSAPOLLFD fds[2] = {{native(wakeup.handle()), POLLRDNORM, 0}, {native(socket), POLLRDNORM, 0}};
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int n = ::WSAPoll(fds, 2, wait);
        if (n == SOCKET_ERROR) {
            if (::WSAGetLastError() == WSAEINTR) continue;
            return WaitResult::Failed;
        }
        if (fds[0].revents != 0) return WaitResult::Interrupted;
        if (n == 0) return WaitResult::TimedOut;
        if (fds[1].revents & POLLNVAL) return WaitResult::Failed;
        return WaitResult::Ready;
    }
}

long receive(SocketHandle socket, char* buffer, std::size_t size) {
    const int capped = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    const int n = ::recv(native(socket), buffer, capped, 0);
    return n == SOCKET_ERROR ? -1L : static_cast<long>(n);
}

void closeSocket(SocketHandle socket) {
    if (socket == kInvalidSocket) return;
    ::closesocket(native(socket));
    endLibrary();
}

// Winsock cannot wait on a pipe, so the flag is a pair of loopback datagram sockets: signal() sends one byte to
// the read socket, which is connected to the write socket so that no other sender can raise the flag.
SocketWakeup::SocketWakeup() {
    SOCKET reader = openSocket(SOCK_DGRAM, IPPROTO_UDP);
    SOCKET writer = openSocket(SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in readerAddress{};
    sockaddr_in writerAddress{};
    int readerLength = sizeof(readerAddress);
    int writerLength = sizeof(writerAddress);
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool paired = reader != INVALID_SOCKET && writer != INVALID_SOCKET &&
                        ::bind(reader, reinterpret_cast<const sockaddr*>(&loopback), sizeof(loopback)) == 0 &&
                        ::bind(writer, reinterpret_cast<const sockaddr*>(&loopback), sizeof(loopback)) == 0 &&
                        ::getsockname(reader, reinterpret_cast<sockaddr*>(&readerAddress), &readerLength) == 0 &&
                        ::getsockname(writer, reinterpret_cast<sockaddr*>(&writerAddress), &writerLength) == 0 &&
                        ::connect(writer, reinterpret_cast<const sockaddr*>(&readerAddress), readerLength) == 0 &&
                        ::connect(reader, reinterpret_cast<const sockaddr*>(&writerAddress), writerLength) == 0;
    if (!paired) {
        closeSocket(reader == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(reader));
        closeSocket(writer == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(writer));
        return;
    }
    setNonBlocking(reader);
    setNonBlocking(writer);
    m_readHandle = static_cast<SocketHandle>(reader);
    m_writeHandle = static_cast<SocketHandle>(writer);
}

SocketWakeup::~SocketWakeup() {
    closeSocket(m_readHandle);
    closeSocket(m_writeHandle);
}

void SocketWakeup::signal() {
    const char byte = 1;
    // A full receive buffer is already signalled, so a failed send loses nothing.
    ::send(native(m_writeHandle), &byte, 1, 0);
}

void SocketWakeup::clear() {
    char drain[64];
    while (::recv(native(m_readHandle), drain, sizeof(drain), 0) > 0) {
    }
}

bool SocketWakeup::isSignalled() const {
    WSAPOLLFD p{native(m_readHandle), POLLRDNORM, 0};
    return ::WSAPoll(&p, 1, 0) > 0;
}

}  // namespace net

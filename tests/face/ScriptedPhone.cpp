#include "ScriptedPhone.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

sockaddr_in loopback(unsigned short port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace

ScriptedPhone::ScriptedPhone() {
    m_udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_udp, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    const sockaddr_in a = loopback(49983);
    if (::bind(m_udp, reinterpret_cast<const sockaddr*>(&a), sizeof(a)) != 0) {
        ::close(m_udp);
        m_udp = -1;
    }
}

ScriptedPhone::~ScriptedPhone() {
    closeStream();
    if (m_udp >= 0) ::close(m_udp);
}

bool ScriptedPhone::nextCommand(std::string& bytes, int timeoutMs) {
    pollfd p{m_udp, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return false;
    char buffer[2048];
    const ssize_t n = ::recv(m_udp, buffer, sizeof(buffer), 0);
    if (n < 0) return false;
    bytes.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

void ScriptedPhone::drainCommands() {
    std::string ignored;
    while (nextCommand(ignored, 0)) {
    }
}

bool ScriptedPhone::connectStream(int timeoutMs) {
    closeStream();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in a = loopback(49986);
        if (::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof(a)) == 0) {
            const int on = 1;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
            m_tcp = s;
            return true;
        }
        ::close(s);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

bool ScriptedPhone::send(const std::string& bytes) {
    if (m_tcp < 0) return false;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_tcp, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void ScriptedPhone::closeStream() {
    if (m_tcp >= 0) ::close(m_tcp);
    m_tcp = -1;
}

bool ScriptedPhone::waitStreamClosed(int timeoutMs) {
    if (m_tcp < 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() < 0) return false;
        pollfd p{m_tcp, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[256];
        const ssize_t n = ::recv(m_tcp, buffer, sizeof(buffer), 0);
        if (n <= 0) {
            closeStream();
            return true;
        }
    }
}

std::string ScriptedPhone::packet(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += item + "|";
    while (text.size() < 100) text += '|';
    return text;
}

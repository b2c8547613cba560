#pragma once

#include <string>

namespace net {

// One counted use of the platform's socket library. Winsock must be started (WSAStartup, version 2.0) before any
// socket call and ended (WSACleanup) exactly once per successful start; POSIX needs neither, so there this is a
// no-op. The socket layer holds one use per socket it opens and releases it when the socket is closed, so the
// library stays up exactly as long as something needs it and one user's clean-up never ends it under another
// (the VMC receiver and Qt start Winsock too).
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary();
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;

    // False when the start-up failed; socket calls then fail too.
    bool isStarted() const { return m_started; }

private:
    bool m_started = false;
};

// Text of the calling thread's last socket error (WSAGetLastError under Winsock, errno on POSIX), for log lines.
std::string lastSocketError();

}  // namespace net

#pragma once

#include "face/Socket.h"

namespace net {

// A level-triggered flag that another thread raises to wake a blocked net::waitReadable. It stays raised
// until clear(), so a signal sent before the wait starts is not lost. signal() and clear() are thread-safe.
class SocketWakeup {
public:
    SocketWakeup();
    ~SocketWakeup();
    SocketWakeup(const SocketWakeup&) = delete;
    SocketWakeup& operator=(const SocketWakeup&) = delete;

    // Raises the flag; cheap and non-blocking, callable from any thread.
    void signal();
    // Lowers the flag.
    void clear();
    // Whether the flag is raised, without waiting.
    bool isSignalled() const;
    // Handle that becomes readable while the flag is raised (for net::waitReadable only).
    SocketHandle handle() const { return m_readHandle; }

private:
    SocketHandle m_readHandle = kInvalidSocket;
    SocketHandle m_writeHandle = kInvalidSocket;
};

}  // namespace net

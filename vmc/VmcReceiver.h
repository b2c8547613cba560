#pragma once

#include <lo/lo.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "vmc/VmcFrame.h"
#include "vmc/VmcMessageHandler.h"

namespace vmc {

// Receives VMC over UDP on its own worker thread (like the face-capture worker): the thread waits on the
// socket, lets liblo decode each datagram into the handler and publishes the result under a lock; the GUI
// thread reads whole frames. start() and stop() belong to the GUI thread; latest() and isRunning() to any.
class VmcReceiver {
public:
    static constexpr int kDefaultPort = 39539;

    VmcReceiver();
    // Stops the thread when it runs.
    ~VmcReceiver();
    VmcReceiver(const VmcReceiver&) = delete;
    VmcReceiver& operator=(const VmcReceiver&) = delete;

    // Binds every local IPv4 address at `port` (1..65535; 0 picks a free port, see port()) and starts the worker.
    // False, with the reason in lastError(), when the port cannot be bound; a running receiver is restarted.
    bool start(int port);
    // Ends the worker and closes the socket; waits at most one poll interval. Safe when not running.
    void stop();
    bool isRunning() const { return m_running.load(); }
    // The bound port while running (after start(0) the one the system chose), else 0.
    int port() const { return m_port.load(); }
    const std::string& lastError() const { return m_error; }

    // A copy of the newest frame; its stamp is 0 until a datagram carried something usable.
    VmcFrame latest() const;
    // Copies the newest frame into `out` only when its stamp differs from out.stamp. Allocation-free.
    bool latestIfNewer(VmcFrame& out) const;
    // ARKit names map by the phone stream's natural (mirror on) or exchanged order.
    void setNaturalOrder(bool natural) { m_handler.setNaturalOrder(natural); }
    // Datagrams received since start (any content).
    long datagramCount() const { return m_datagrams.load(); }

private:
    void run();

    lo_server m_server = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<int> m_port{0};
    std::atomic<long> m_datagrams{0};
    std::string m_error;

    VmcMessageHandler m_handler;  // worker thread only while running
    mutable std::mutex m_lock;    // guards m_latest
    VmcFrame m_latest;
};

// The steady clock in milliseconds, as VmcFrame::stamp uses it.
std::int64_t steadyMs();

}  // namespace vmc

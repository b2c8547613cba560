#include "vmc/VmcReceiver.h"

#include <chrono>
#include <string>

namespace vmc {
namespace {

// The worker checks for a stop request this often; it bounds how long stop() waits.
constexpr int kPollMs = 50;

thread_local std::string* t_bindError = nullptr;

void onServerError(int number, const char* message, const char* where) {
    if (t_bindError == nullptr) return;
    *t_bindError = std::string(message != nullptr ? message : "unknown error") + " (" + std::to_string(number) +
                   (where != nullptr ? std::string(", ") + where : std::string()) + ")";
}

}  // namespace

std::int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

VmcReceiver::VmcReceiver() = default;

VmcReceiver::~VmcReceiver() { stop(); }

bool VmcReceiver::start(int port) {
    stop();
    m_error.clear();
    if (port < 0 || port > 65535) {
        m_error = "port " + std::to_string(port) + " is outside 1..65535";
        return false;
    }
    const std::string portText = port == 0 ? std::string() : std::to_string(port);
    t_bindError = &m_error;
    m_server = lo_server_new_with_proto(port == 0 ? nullptr : portText.c_str(), LO_UDP, &onServerError);
    t_bindError = nullptr;
    if (m_server == nullptr) {
        if (m_error.empty()) m_error = "cannot listen on UDP port " + portText;
        return false;
    }
    m_handler.attach(m_server);
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_latest = VmcFrame{};
    }
    m_port.store(lo_server_get_port(m_server));
    m_datagrams.store(0);
    m_stopRequested.store(false);
    m_running.store(true);
    m_thread = std::thread(&VmcReceiver::run, this);
    return true;
}

void VmcReceiver::stop() {
    if (m_thread.joinable()) {
        m_stopRequested.store(true);
        m_thread.join();
    }
    if (m_server != nullptr) {
        lo_server_free(m_server);
        m_server = nullptr;
    }
    m_running.store(false);
    m_port.store(0);
}

void VmcReceiver::run() {
    while (!m_stopRequested.load()) {
        m_handler.beginDatagram();
        // Decodes at most one datagram, or returns after the poll interval.
        if (lo_server_recv_noblock(m_server, kPollMs) <= 0) continue;
        m_datagrams.fetch_add(1);
        if (m_handler.endDatagram(steadyMs())) {
            const std::lock_guard<std::mutex> guard(m_lock);
            m_latest = m_handler.frame();
        }
    }
}

VmcFrame VmcReceiver::latest() const {
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_latest;
}

bool VmcReceiver::latestIfNewer(VmcFrame& out) const {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (m_latest.stamp == out.stamp) return false;
    out = m_latest;
    return true;
}

}  // namespace vmc

// The socket layer on the loopback interface, on POSIX and (in the Windows cross build, under Wine) Winsock.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "face/Socket.h"
#include "face/SocketLibrary.h"
#include "face/SocketWakeup.h"

namespace {

using namespace std::chrono_literals;

// The phone's side of a stream, written against the platform API directly so it does not share our mistakes.
class LoopbackClient {
public:
    explicit LoopbackClient(std::uint16_t port) {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~LoopbackClient() { close(); }
    bool connected() const { return m_connected; }
    bool send(const std::string& bytes) {
        return ::send(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
    }
    void close() {
        if (!m_connected) return;
#ifdef _WIN32
        ::closesocket(m_socket);
#else
        ::close(m_socket);
#endif
        m_connected = false;
    }

private:
    net::SocketLibrary m_library;  // the client's own start-up, separate from the layer's
#ifdef _WIN32
    SOCKET m_socket = INVALID_SOCKET;
#else
    int m_socket = -1;
#endif
    bool m_connected = false;
};

// Listens on the first free port of a small range, so parallel runs on one machine do not collide.
net::SocketHandle listenOnFreePort(std::uint16_t& port) {
    for (port = 47310; port < 47340; ++port) {
        const net::SocketHandle s = net::listenTcp(port, 1);
        if (s != net::kInvalidSocket) return s;
    }
    return net::kInvalidSocket;
}

// Winsock counts its start-ups: a layer that ended the library once too often would close the sockets still open
// (the wake-up's, the listener) under them; so sockets come and go first.
TEST(SocketTest, StreamOverLoopbackFromAcceptToOrderlyCloseAndAWakeup) {
    net::SocketWakeup wakeup;
    for (int i = 0; i < 3; ++i) {
        std::uint16_t port = 0;
        net::closeSocket(listenOnFreePort(port));
        EXPECT_TRUE(net::sendDatagram("127.0.0.1", 9, "x", 1));
        EXPECT_FALSE(net::sendDatagram("phone.local", 9, "x", 1));
        net::closeSocket(net::kInvalidSocket);
    }
    std::uint16_t port = 0;
    const net::SocketHandle listener = listenOnFreePort(port);
    ASSERT_NE(listener, net::kInvalidSocket) << net::lastSocketError();

    EXPECT_EQ(net::waitReadable(listener, 50, wakeup), net::WaitResult::TimedOut);
    LoopbackClient client(port);
    ASSERT_TRUE(client.connected());
    ASSERT_EQ(net::waitReadable(listener, 2000, wakeup), net::WaitResult::Ready);
    std::string peer = "stale";
    const net::SocketHandle stream = net::acceptTcp(listener, &peer);
    ASSERT_NE(stream, net::kInvalidSocket) << net::lastSocketError();
    EXPECT_EQ(peer, "127.0.0.1");
    EXPECT_TRUE(net::enableKeepAlive(stream));

    ASSERT_TRUE(client.send("jawOpen-40|"));
    ASSERT_EQ(net::waitReadable(stream, 2000, wakeup), net::WaitResult::Ready);
    char buffer[64] = {};
    ASSERT_EQ(net::receive(stream, buffer, sizeof(buffer)), 11);
    EXPECT_EQ(std::string(buffer, 11), "jawOpen-40|");
    client.close();
    ASSERT_EQ(net::waitReadable(stream, 2000, wakeup), net::WaitResult::Ready);
    EXPECT_EQ(net::receive(stream, buffer, sizeof(buffer)), 0);
    net::closeSocket(stream);

    // The wake-up ends a wait without limit; level-triggered, it holds until cleared.
    auto waited = std::async(std::launch::async, [&] { return net::waitReadable(listener, -1, wakeup); });
    EXPECT_EQ(waited.wait_for(100ms), std::future_status::timeout);
    wakeup.signal();
    ASSERT_EQ(waited.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(waited.get(), net::WaitResult::Interrupted);
    EXPECT_EQ(net::waitReadable(listener, 0, wakeup), net::WaitResult::Interrupted);
    wakeup.clear();
    EXPECT_EQ(net::waitReadable(listener, 30, wakeup), net::WaitResult::TimedOut);
    net::closeSocket(listener);

    // A repeated start listens on the same port again.
    const net::SocketHandle again = net::listenTcp(port, 1);
    EXPECT_NE(again, net::kInvalidSocket) << net::lastSocketError();
    net::closeSocket(again);
}

}  // namespace

// The receiver's network side against a scripted phone on the loopback interface (ports 49983 and 49986).
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "ScriptedPhone.h"
#include "face/iFacialMoCap.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::string kToken = "kertoplavimu5083wolqienbuxa27604zq8461";
const std::string kStart = std::string("iFacialMocap_UDPTCP_") + kToken + '\0';
const std::string kStop = std::string("iFacialMocap_UDPTCPSTOP_") + kToken + '\0';
const std::string kLookForward = std::string("iFacialMocap_lookForward") + '\0';

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(phone.isListening()) << "UDP port 49983 is taken";
        iFacialMoCap::Settings settings;
        settings.camAddress = "127.0.0.1";
        receiver.setSettings(settings);
    }

    // Starts the receiver on another thread and plays the phone's side of the handshake.
    std::future<net::SocketHandle> startAndConnect() {
        auto started = std::async(std::launch::async, [this] { return receiver.Start(); });
        std::string command;
        EXPECT_TRUE(phone.nextCommand(command, 2000));
        EXPECT_EQ(command, kStart);
        EXPECT_TRUE(phone.connectStream(1500));
        return started;
    }

    ScriptedPhone phone;
    iFacialMoCap receiver;
};

TEST_F(LinkTest, StartSendsTheExactStartCommandAndAcceptsThePhone) {
    auto started = startAndConnect();
    EXPECT_NE(started.get(), 0);
    EXPECT_TRUE(receiver.isConnected());
    EXPECT_EQ(kStart.size(), 59u);

    const std::string text = ScriptedPhone::packet({"jawOpen-40", "=head#0,0,0,1,2,3"});
    ASSERT_TRUE(phone.send(text));
    auto received = std::async(std::launch::async, [this] { return receiver.Receive(); });
    const QString packet = received.get();
    EXPECT_EQ(packet.toStdString(), text);
    receiver.Parse(packet);
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(receiver.IndexOf("jawOpen")), 0.40f);
    // The first head item after Start is the new centre.
    EXPECT_FLOAT_EQ(receiver.LatestFrame().headPosition.y, 0.0f);
}

TEST_F(LinkTest, StartWithoutAPhoneGivesUpAfterTwoSeconds) {
    const auto begin = Clock::now();
    EXPECT_EQ(receiver.Start(), 0);
    const auto took = Clock::now() - begin;
    EXPECT_GE(took, 1900ms);
    EXPECT_LE(took, 3000ms);
    EXPECT_FALSE(receiver.isConnected());
    EXPECT_TRUE(receiver.Receive().isEmpty());
}

TEST_F(LinkTest, StopSendsTheStopCommandAndWakesABlockedReceive) {
    auto started = startAndConnect();
    ASSERT_NE(started.get(), 0);
    // The phone stays silent: only the stop request can end the receive.
    auto received = std::async(std::launch::async, [this] { return receiver.Receive(); });
    EXPECT_EQ(received.wait_for(100ms), std::future_status::timeout);
    receiver.Stop();
    ASSERT_EQ(received.wait_for(1s), std::future_status::ready);
    EXPECT_TRUE(received.get().isEmpty());
    EXPECT_FALSE(receiver.isConnected());
    std::string command;
    ASSERT_TRUE(phone.nextCommand(command, 1000));
    EXPECT_EQ(command, kStop);
    EXPECT_EQ(command.size(), 63u);
    EXPECT_TRUE(phone.waitStreamClosed(1000));
}

TEST_F(LinkTest, InterruptEndsTheWaitForThePhone) {
    auto started = std::async(std::launch::async, [this] { return receiver.Start(); });
    std::string command;
    ASSERT_TRUE(phone.nextCommand(command, 2000));
    const auto begin = Clock::now();
    receiver.Interrupt();
    EXPECT_EQ(started.get(), 0);
    EXPECT_LT(Clock::now() - begin, 500ms);
}

TEST_F(LinkTest, LookForwardSendsTheExactCommand) {
    receiver.LookForward();
    std::string command;
    ASSERT_TRUE(phone.nextCommand(command, 1000));
    EXPECT_EQ(command, kLookForward);
    EXPECT_EQ(command.size(), 25u);
}

TEST_F(LinkTest, NothingIsSentToAPhoneThatWasNeverStarted) {
    receiver.Stop();
    std::string command;
    EXPECT_FALSE(phone.nextCommand(command, 200));
}

TEST_F(LinkTest, PacketIsReadUpToItsFirstNul) {
    auto started = startAndConnect();
    ASSERT_NE(started.get(), 0);
    ASSERT_TRUE(phone.send(std::string("jawOpen-10|") + '\0' + "mouthClose-20|"));
    EXPECT_EQ(receiver.Receive(), QStringLiteral("jawOpen-10|"));
}

TEST_F(LinkTest, PhoneLeavingMidPacketEndsTheConnection) {
    auto started = startAndConnect();
    ASSERT_NE(started.get(), 0);
    const std::string half = ScriptedPhone::packet({"jawOpen-40", "mouthClose-20"}).substr(0, 60);
    ASSERT_TRUE(phone.send(half));
    phone.closeStream();
    const QString first = receiver.Receive();
    EXPECT_EQ(first.toStdString(), half);
    receiver.Parse(first);  // too short: ignored
    EXPECT_TRUE(receiver.Receive().isEmpty());
    EXPECT_FALSE(receiver.isConnected());
}

TEST_F(LinkTest, RepeatedStartsListenAgainAndLeakNoSocket) {
    const int before = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        auto started = startAndConnect();
        ASSERT_NE(started.get(), 0) << "cycle " << i;
        ASSERT_TRUE(phone.send(ScriptedPhone::packet({"jawOpen-" + std::to_string(i % 100)})));
        const QString text = receiver.Receive();
        receiver.Parse(text);
        ASSERT_FLOAT_EQ(receiver.BlendShapeValue(receiver.IndexOf("jawOpen")), (i % 100) * 0.01f);
        if (i % 2 == 0) {
            phone.closeStream();
            EXPECT_TRUE(receiver.Receive().isEmpty());
        } else {
            receiver.Disconnect();
            phone.closeStream();
        }
    }
    EXPECT_EQ(openDescriptors(), before);
}

}  // namespace

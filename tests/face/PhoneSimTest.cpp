// The phone stand-in as a separate process against the real receiver on the loopback interface, grouping packets
// into TCP writes the way Wi-Fi delivers them.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <future>

#include "face/iFacialMoCap.h"

namespace {

class PhoneSimTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override {
        phone.kill();
        phone.waitForFinished(5000);
    }

    QProcess phone;
    QByteArray m_output;
    iFacialMoCap receiver;
};

// Fails when a read is taken for a packet: a split "jawOpen-4" + "5|..." reads as 0.04, a coalesced pair as
// the older packet, and an open mouth flickers shut.
TEST_P(PhoneSimTest, HeldOpenMouthShowsInEveryPacket) {
    phone.setProgram(QStringLiteral(MNX_PHONE_EXE));
    phone.setArguments({"--bind", "127.0.0.1", "--chunk", GetParam(), "--hold", "jawOpen=45"});
    phone.start();
    ASSERT_TRUE(phone.waitForStarted(5000));
    // It says so once its command port is bound.
    while (!m_output.contains("listening")) {
        ASSERT_TRUE(phone.waitForReadyRead(5000)) << m_output.constData();
        m_output += phone.readAllStandardOutput();
    }
    iFacialMoCap::Settings settings;
    settings.camAddress = "127.0.0.1";
    receiver.setSettings(settings);
    auto started = std::async(std::launch::async, [this] { return receiver.Start(); });
    ASSERT_NE(started.get(), 0) << "the stand-in never connected: " << m_output.constData();
    const int jawOpen = receiver.IndexOf(QStringLiteral("jawOpen"));
    for (int i = 0; i < 60; ++i) {
        const QString packet = receiver.Receive();
        ASSERT_TRUE(packet.endsWith(QStringLiteral("___iFacialMocap"))) << "packet " << i;
        receiver.Parse(packet);
        ASSERT_FLOAT_EQ(receiver.BlendShapeValue(jawOpen), 0.45f) << "packet " << i;
    }
    receiver.Stop();
}

INSTANTIATE_TEST_SUITE_P(Writes, PhoneSimTest, ::testing::Values("whole", "coalesce", "split"));

}  // namespace

// The phone stand-in grouping packets into TCP writes the way Wi-Fi delivers them, against the real receiver.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <future>

#include "face/iFacialMoCap.h"

namespace {

class PhoneChunkTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override {
        if (phone.state() != QProcess::NotRunning) {
            phone.kill();
            phone.waitForFinished(5000);
        }
    }
    QProcess phone;
    iFacialMoCap receiver;
};

// Fails when a read is taken for a packet: a split "jawOpen-4" + "5|..." reads as 0.04, a coalesced pair as
// the older packet, and an open mouth flickers shut.
TEST_P(PhoneChunkTest, HeldOpenMouthShowsInEveryPacket) {
    phone.setProgram(QStringLiteral(MNX_PHONE_EXE));
    phone.setArguments({"--bind", "127.0.0.1", "--chunk", GetParam(), "--hold", "jawOpen=45"});
    phone.start();
    ASSERT_TRUE(phone.waitForStarted(5000));
    QByteArray output;
    while (!output.contains("listening")) {
        ASSERT_TRUE(phone.waitForReadyRead(5000)) << output.constData();
        output += phone.readAllStandardOutput();
    }
    iFacialMoCap::Settings settings;
    settings.camAddress = "127.0.0.1";
    receiver.setSettings(settings);
    auto started = std::async(std::launch::async, [this] { return receiver.Start(); });
    ASSERT_NE(started.get(), 0) << "the stand-in never connected";
    const int jawOpen = receiver.IndexOf(QStringLiteral("jawOpen"));
    for (int i = 0; i < 60; ++i) {
        const QString packet = receiver.Receive();
        ASSERT_FALSE(packet.isEmpty()) << "packet " << i;
        ASSERT_TRUE(packet.endsWith(QStringLiteral("___iFacialMocap"))) << "packet " << i;
        receiver.Parse(packet);
        ASSERT_FLOAT_EQ(receiver.BlendShapeValue(jawOpen), 0.45f) << "packet " << i;
    }
    receiver.Stop();
}

INSTANTIATE_TEST_SUITE_P(Writes, PhoneChunkTest, ::testing::Values("whole", "coalesce", "split"));

}  // namespace

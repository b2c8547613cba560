// The phone stand-in as a separate process against the real receiver on the loopback interface.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QThread>
#include <csignal>
#include <future>

#include "face/iFacialMoCap.h"

namespace {

class PhoneSimTest : public ::testing::Test {
protected:
    void startPhone(const QStringList& arguments) {
        phone.setProgram(QStringLiteral(MNX_PHONE_EXE));
        phone.setArguments(QStringList{"--bind", "127.0.0.1"} + arguments);
        phone.start();
        ASSERT_TRUE(phone.waitForStarted(5000));
        // It says so once its command port is bound.
        while (!m_output.contains("listening")) {
            ASSERT_TRUE(phone.waitForReadyRead(5000)) << m_output.constData();
            m_output += phone.readAllStandardOutput();
        }
    }
    void TearDown() override {
        if (phone.state() != QProcess::NotRunning) {
            phone.kill();
            phone.waitForFinished(5000);
        }
    }

    QProcess phone;
    QByteArray m_output;
    iFacialMoCap receiver;
};

TEST_F(PhoneSimTest, HeldValueStreamsUntilStopAndInterruptEndsCleanly) {
    startPhone({"--hold", "jawOpen=100"});
    iFacialMoCap::Settings settings;
    settings.camAddress = "127.0.0.1";
    receiver.setSettings(settings);
    auto started = std::async(std::launch::async, [this] { return receiver.Start(); });
    ASSERT_NE(started.get(), 0) << "the stand-in never connected: " << m_output.constData();
    // Several packets in a row, each a full frame.
    for (int i = 0; i < 5; ++i) {
        const QString packet = receiver.Receive();
        ASSERT_GE(packet.size(), 100) << i;
        receiver.Parse(packet);
    }
    EXPECT_FLOAT_EQ(receiver.BlendShapeValue(receiver.IndexOf("jawOpen")), 1.0f);
    receiver.LookForward();
    receiver.Stop();
    // After the stop the stand-in closes the stream: a receive comes back empty instead of blocking.
    auto drained = std::async(std::launch::async, [this] {
        for (int i = 0; i < 1000; ++i) {
            if (receiver.Receive().isEmpty()) return true;
        }
        return false;
    });
    ASSERT_EQ(drained.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(drained.get());

    ::kill(static_cast<pid_t>(phone.processId()), SIGINT);
    ASSERT_TRUE(phone.waitForFinished(5000));
    EXPECT_EQ(phone.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(phone.exitCode(), 0);
    m_output += phone.readAllStandardOutput();
    EXPECT_TRUE(m_output.contains("look")) << "look-forward commands are printed: " << m_output.constData();
}

TEST_F(PhoneSimTest, RecordWritesOneTimestampedPacketPerLine) {
    const QString path = QString::fromStdString(testing::TempDir()) + "/session.txt";
    phone.setProgram(QStringLiteral(MNX_PHONE_EXE));
    phone.setArguments({"--record", path, "--seconds", "1"});
    phone.start();
    ASSERT_TRUE(phone.waitForFinished(10000));
    EXPECT_EQ(phone.exitCode(), 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    int packets = 0;
    for (const QByteArray& line : lines) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        ++packets;
        EXPECT_TRUE(line.contains("=head#")) << line.constData();
    }
    EXPECT_GE(packets, 55);
    EXPECT_LE(packets, 65);
}

}  // namespace

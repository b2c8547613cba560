// The orchestrator against a scripted phone on the loopback interface: what the capture toggle, the stop, a
// missing phone and a restart send and report.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringList>
#include <QThread>
#include <memory>

#include "ScriptedPhone.h"
#include "app/KySolution.h"
#include "app/base/KySettings.h"
#include "face/iFacialMoCap.h"

namespace {

const std::string kToken = "kertoplavimu5083wolqienbuxa27604zq8461";
const std::string kStart = std::string("iFacialMocap_UDPTCP_") + kToken + '\0';
const std::string kStop = std::string("iFacialMocap_UDPTCPSTOP_") + kToken + '\0';

QStringList g_log;

void capture(QtMsgType, const QMessageLogContext&, const QString& message) { g_log.append(message); }

// Runs the event loop until `done` holds or `timeoutMs` passes.
template <typename Predicate>
bool waitFor(Predicate done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

class KySolutionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(phone.isListening()) << "UDP port 49983 is taken";
        settings = std::make_unique<KySettings>();
        settings->camAddress = QStringLiteral("127.0.0.1");
        setKySettings(settings.get());
        solution = std::make_unique<KySolution>();
        g_log.clear();
        previous = qInstallMessageHandler(capture);
    }
    void TearDown() override {
        solution.reset();
        qInstallMessageHandler(previous);
        setKySettings(nullptr);
    }

    // The start datagram arrives and the phone connects.
    void answerStart() {
        std::string command;
        ASSERT_TRUE(phone.nextCommand(command, 2000));
        EXPECT_EQ(command, kStart);
        ASSERT_TRUE(phone.connectStream(1500));
    }

    ScriptedPhone phone;
    std::unique_ptr<KySettings> settings;
    std::unique_ptr<KySolution> solution;
    QtMessageHandler previous = nullptr;
};

TEST_F(KySolutionTest, StartReportsCaptureAndPacketsReachTheReceiver) {
    QSignalSpy captured(solution.get(), SIGNAL(captured(bool)));
    solution->threadRun();
    ASSERT_EQ(captured.count(), 1);
    EXPECT_TRUE(captured.first().first().toBool());
    answerStart();
    ASSERT_TRUE(phone.send(ScriptedPhone::packet({"jawOpen-75", "eyeBlink_L-20"})));
    iFacialMoCap* receiver = solution->receiver();
    ASSERT_NE(receiver, nullptr);
    EXPECT_TRUE(waitFor([&] { return receiver->BlendShapeValue(receiver->IndexOf("jawOpen")) > 0.7f; }, 2000));
    EXPECT_TRUE(solution->isRunning());
}

TEST_F(KySolutionTest, StopSendsTheStopCommandAndReportsTheEndTwice) {
    QSignalSpy captured(solution.get(), SIGNAL(captured(bool)));
    solution->threadRun();
    answerStart();
    phone.drainCommands();
    solution->threadQuit();
    std::string command;
    ASSERT_TRUE(phone.nextCommand(command, 1000));
    EXPECT_EQ(command, kStop);
    // Once from the stop itself, once when the finished thread reaches the time-out slot.
    EXPECT_TRUE(waitFor([&] { return captured.count() >= 3; }, 2000));
    ASSERT_EQ(captured.count(), 3);
    EXPECT_FALSE(captured.at(1).first().toBool());
    EXPECT_FALSE(captured.at(2).first().toBool());
    EXPECT_FALSE(solution->isRunning());
}

TEST_F(KySolutionTest, NoPhoneEndsCaptureAfterAboutTwoSeconds) {
    QSignalSpy captured(solution.get(), SIGNAL(captured(bool)));
    QElapsedTimer timer;
    timer.start();
    solution->threadRun();
    ASSERT_TRUE(waitFor([&] { return captured.count() >= 2; }, 5000));
    EXPECT_FALSE(captured.last().first().toBool());
    EXPECT_TRUE(g_log.contains(QStringLiteral("KySolution::onCaptureTimeout")));
    EXPECT_GE(timer.elapsed(), 1500);
    EXPECT_FALSE(solution->isRunning());
}

TEST_F(KySolutionTest, StartStopStartReconnects) {
    solution->threadRun();
    answerStart();
    solution->threadQuit();
    phone.closeStream();
    phone.drainCommands();
    solution->threadRun();
    answerStart();
    ASSERT_TRUE(phone.send(ScriptedPhone::packet({"mouthSmile_L-50"})));
    iFacialMoCap* receiver = solution->receiver();
    EXPECT_TRUE(waitFor([&] { return receiver->BlendShapeValue(receiver->IndexOf("mouthSmile_L")) > 0.4f; }, 2000));
}

TEST_F(KySolutionTest, ToggleStartsAndStopsAndLookForwardReachesThePhone) {
    QSignalSpy captured(solution.get(), SIGNAL(captured(bool)));
    QSignalSpy look(solution.get(), SIGNAL(emitLook()));
    solution->onGlobalMenuR_LongPressed();
    answerStart();
    EXPECT_TRUE(solution->isRunning());
    solution->onGlobalMenuR_Pressed();
    std::string command;
    ASSERT_TRUE(phone.nextCommand(command, 1000));
    EXPECT_EQ(command, std::string("iFacialMocap_lookForward") + '\0');
    EXPECT_EQ(look.count(), 1);
    solution->onGlobalMenuR_LongPressed();
    EXPECT_FALSE(solution->isRunning());
    EXPECT_FALSE(captured.last().first().toBool());
}

}  // namespace

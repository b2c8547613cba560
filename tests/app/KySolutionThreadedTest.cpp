// The orchestrator against a scripted phone on the loopback interface: what the capture toggle, the stop, a
// missing phone and a restart send and report; however fast the user toggles, a stop is never lost, the GUI
// thread never waits on the network, and the phone hears one stop per stop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <algorithm>
#include <memory>
#include <vector>

#include "ScriptedPhone.h"
#include "app/KySolution.h"
#include "app/base/KySettings.h"
#include "face/iFacialMoCap.h"

namespace {

const std::string kToken = "kertoplavimu5083wolqienbuxa27604zq8461";
const std::string kStart = std::string("iFacialMocap_UDPTCP_") + kToken + '\0';
const std::string kStop = std::string("iFacialMocap_UDPTCPSTOP_") + kToken + '\0';

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

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
        previous = qInstallMessageHandler(quiet);
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

TEST_F(KySolutionTest, NoPhoneEndsCaptureAfterAboutTwoSeconds) {
    QSignalSpy captured(solution.get(), &KySolution::captured);
    QElapsedTimer timer;
    timer.start();
    solution->threadRun();
    ASSERT_TRUE(waitFor([&] { return captured.count() >= 2; }, 5000));
    EXPECT_FALSE(captured.last().first().toBool());
    EXPECT_GE(timer.elapsed(), 1500);
    EXPECT_FALSE(solution->isRunning());
}

TEST_F(KySolutionTest, StartStopStartReconnectsAndPacketsReachTheReceiver) {
    QSignalSpy captured(solution.get(), &KySolution::captured);
    solution->threadRun();
    ASSERT_GE(captured.count(), 1);
    EXPECT_TRUE(captured.first().first().toBool());
    answerStart();
    solution->threadQuit();
    phone.closeStream();
    phone.drainCommands();
    solution->threadRun();
    answerStart();
    ASSERT_TRUE(phone.send(ScriptedPhone::packet({"mouthSmile_L-50"})));
    iFacialMoCap* receiver = solution->receiver();
    EXPECT_TRUE(waitFor([&] { return receiver->BlendShapeValue(receiver->IndexOf("mouthSmile_L")) > 0.4f; }, 2000));
    EXPECT_TRUE(solution->isRunning());
}

// Fails when Start clears a stop raised before it ran: the stop then waits out the 2 s connection window.
// The stop still joins the capture thread, whose start-up the scheduler of a loaded machine can delay past a
// frame now and then; a lost stop costs the full 2 s connection window every time.
TEST_F(KySolutionTest, FastDoubleToggleNeverBlocksTheGuiForAFrame) {
    std::vector<qint64> stops;
    for (int i = 0; i < 100; ++i) {
        solution->onGlobalMenuR_LongPressed();  // F5: start
        QElapsedTimer stop;
        stop.start();
        solution->onGlobalMenuR_LongPressed();  // F5 again within a millisecond: stop
        stops.push_back(stop.elapsed());
        ASSERT_FALSE(solution->isRunning()) << "cycle " << i;
        QCoreApplication::processEvents();
        phone.drainCommands();
    }
    std::sort(stops.begin(), stops.end());
    EXPECT_LT(stops[94], 16) << "95th percentile of the GUI thread's wait in a stop, ms";
    EXPECT_LT(stops.back(), 500) << "longest wait of the GUI thread in a stop, ms";
}

// Fails when the capture switch's echo of captured(false) stops again and sends a second stop datagram.
TEST_F(KySolutionTest, OneUserStopSendsOneStopDatagram) {
    // The capture page's switch echoing the first captured(false) with a stop request of its own.
    bool echoed = false;
    QObject::connect(solution.get(), &KySolution::captured, solution.get(), [&](bool on) {
        if (on || echoed) return;
        echoed = true;
        solution->threadQuit();
    });
    solution->threadRun();
    std::string command;
    ASSERT_TRUE(phone.nextCommand(command, 2000));
    ASSERT_TRUE(phone.connectStream(1500));
    solution->threadQuit();
    QCoreApplication::processEvents();
    int stops = 0;
    while (phone.nextCommand(command, 300)) stops += command == kStop ? 1 : 0;
    EXPECT_EQ(stops, 1);
}

}  // namespace

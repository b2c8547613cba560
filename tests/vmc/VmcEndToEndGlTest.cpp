// VMC through the whole app in one process: VMC chosen as the capture source, F5 on the main window starts the
// receiver, a sender written with liblo streams at 60 Hz, and the main window's frames show the result.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "AppTestSupport.h"
#include "LoPackets.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmdr/Model.h"
#include "scene/TzRenderer.h"
#include "vmc/VmcCharacter.h"
#include "vmc/VmcReceiver.h"

namespace {

using namespace std::chrono_literals;

TEST(VmcEndToEndGlTest, F5StartsVmcAndTheRaisedArmAndOpenMouthShowThenReleaseToIdle) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::unique_ptr<KySettings> settings = startAppServices(dir.filePath("config.ini"));
    int port = 0;
    {
        vmc::VmcReceiver probe;
        ASSERT_TRUE(probe.start(0));
        port = probe.port();
    }
    settings->captureType = KySettings::kCaptureVmc;
    settings->vmcReceivePort = port;
    // Far enough back to see the arms, not only the face.
    settings->lookCam = Vector3{0.0f, -4.0f, 34.0f};
    std::unique_ptr<MainWidget> window = openMainWindow();
    ASSERT_TRUE(window);
    if (window->renderer() == nullptr) GTEST_SKIP() << "no OpenGL 4.1 core context";
    window->loadScene();
    settings->lookCam = Vector3{0.0f, -4.0f, 34.0f};
    mmdr::Model* model = window->renderer()->appContext()->m_mainModel;
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(model->m_vmc);

    QTest::qWait(800);
    const QImage rest = window->grabFramebuffer();

    // The main window's F5 action (an X server without a window manager never makes the window active, so the
    // key itself would not reach the shortcut).
    QAction* f5 = nullptr;
    for (QAction* action : window->actions()) {
        if (action->shortcut() == QKeySequence(Qt::Key_F5)) f5 = action;
    }
    ASSERT_NE(f5, nullptr);
    f5->trigger();
    ASSERT_TRUE(kySolution()->vmcReceiver()->isRunning()) << "F5 did not start the VMC receiver";

    std::atomic<bool> sending{true};
    std::thread sender([port, &sending] {
        const float s = std::sqrt(0.5f);
        auto next = std::chrono::steady_clock::now();
        while (sending) {
            sendLoBundle(port, {{"LeftUpperArm", {0.0f, 0.0f, -s, s}}}, {{"A", 1.0f}});
            next += 16667us;
            std::this_thread::sleep_until(next);
        }
    });
    QTest::qWait(1000);
    const QImage raised = window->grabFramebuffer();
    mmd::MMDModel& runtime = *model->m_mmdModel;
    const auto y = [&runtime](const char* name) {
        return runtime.GetNodeManager()
            ->GetNode(static_cast<size_t>(runtime.GetNodeManager()->FindNodeIndex(name)))
            ->GetGlobalTransform()[3]
            .y;
    };
    const float elbowAboveShoulder = y("左ひじ") - y("左腕");
    sending = false;
    sender.join();
    // The hand-back waits for the freeze and then eases; on a loaded machine frames come late, so wait for it.
    for (int i = 0; i < 100 && model->m_vmc->weight() != 0.0f; ++i) QTest::qWait(100);
    QTest::qWait(300);
    const QImage released = window->grabFramebuffer();
    const float weightAfter = model->m_vmc->weight();
    const float mouthAfter = runtime.GetMorphManager()
                                 ->GetMorph(static_cast<size_t>(runtime.GetMorphManager()->FindMorphIndex("あ")))
                                 ->GetWeight();

    EXPECT_GT(elbowAboveShoulder, 1.0f) << "the left arm rises";
    // The model's left side is at +x, which the desktop camera shows on the right.
    const QRect leftArm(rest.width() / 2, 0, rest.width() / 2, rest.height() / 2);
    EXPECT_GT(differingPixels(rest, raised, leftArm), 300) << "the raised arm shows";
    EXPECT_EQ(weightAfter, 0.0f);
    // Where the raised hand was, above the head: empty again once the sender fell silent.
    const QRect hand(rest.width() * 53 / 100, rest.height() * 8 / 100, rest.width() * 4 / 100,
                     rest.height() * 17 / 100);
    const int raisedHand = differingPixels(rest, raised, hand);
    EXPECT_GT(raisedHand, 100);
    // The idle motion and the hair keep moving, so "back" means far closer to the rest frame than the raised one.
    EXPECT_LT(differingPixels(rest, released, hand) * 4, raisedHand) << "back in the idle pose";
    EXPECT_EQ(mouthAfter, 0.0f) << "the mouth closes with the release";

    kySolution()->threadQuit();
    window->cleanup();
    window.reset();
    setKySettings(nullptr);
}

}  // namespace

// The whole app in one process with a scripted phone on the loopback interface. Face capture: the phone streams
// packets at 60 Hz, the orchestrator's worker parses them and the main window's next frames show the result on
// the bundled sample character (the face latency benchmark measures how soon). Overlays: a real model that lacks
// "上半身2", started the way the app starts: the missing-bone report and the face-capture debug overlay are drawn
// over the finished frame, so the character and the text show together, as crisp as over the bare background.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "AppTestSupport.h"
#include "ScriptedPhone.h"
#include "app/Application.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/KySettings.h"
#include "face/iFacialMoCap.h"
#include "mmdr/AppContext.h"
#include "mmdr/Model.h"
#include "scene/TzRenderer.h"
#include "vr/ExtarnalController.h"

namespace {

using namespace std::chrono_literals;

class AppWithPhoneTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_phone.isListening()) << "UDP port 49983 is taken";
        ASSERT_TRUE(m_dir.isValid());
        m_settings = startAppServices(m_dir.filePath("config.ini"));
        m_settings->camAddress = QStringLiteral("127.0.0.1");
    }
    void TearDown() override {
        m_running = false;
        if (m_sender.joinable()) m_sender.join();
        if (KySolution* solution = kySolution()) solution->threadQuit();
        if (m_window) m_window->cleanup();
        m_window.reset();
        setKySettings(nullptr);
    }

    // Capture on, the phone answers the start command and connects.
    void connectPhone() {
        kySolution()->threadRun();
        std::string command;
        ASSERT_TRUE(m_phone.nextCommand(command, 2000));
        ASSERT_TRUE(m_phone.connectStream(1500));
    }

    static int count(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& matches) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) n += matches(image.pixelColor(x, y));
        }
        return n;
    }

    ScriptedPhone m_phone;
    QTemporaryDir m_dir;
    std::unique_ptr<KySettings> m_settings;
    std::unique_ptr<MainWidget> m_window;
    std::thread m_sender;
    std::atomic<bool> m_running{true};
};

// What the phone streams; switched by the test while the sender runs.
enum class Face { Neutral, MouthOpen, HeadTurned };

class FaceCaptureEndToEndTest : public AppWithPhoneTest {
protected:
    void SetUp() override {
        AppWithPhoneTest::SetUp();
        m_window = openMainWindow();
        ASSERT_TRUE(m_window);
        if (m_window->renderer() == nullptr) GTEST_SKIP() << "no OpenGL 4.1 core context";
        m_window->loadScene();
        mmdr::Model* model = m_window->renderer()->appContext()->m_mainModel;
        ASSERT_NE(model, nullptr) << "the sample character did not load";
        ASSERT_TRUE(model->m_controller && model->m_controller->isReady());
        m_controller = model->m_controller.get();
        connectPhone();
        m_sender = std::thread([this] { stream(); });
    }

    void stream() {
        int n = 0;
        auto next = std::chrono::steady_clock::now();
        while (m_running) {
            const Face face = m_face.load();
            const int jaw = face == Face::MouthOpen ? 100 : 0;
            // A real face never holds perfectly still; a stream whose head repeats exactly counts as frozen.
            const std::string pitch = (n++ % 2) != 0 ? "0.1" : "0";
            const std::string head = "=head#" + pitch + (face == Face::HeadTurned ? ",30,0,0,0,0" : ",0,0,0,0,0");
            if (!m_phone.send(ScriptedPhone::packet({"jawOpen-" + std::to_string(jaw), head}))) break;
            next += 16667us;
            std::this_thread::sleep_until(next);
        }
    }

    // Switches the phone to `face` and waits, however slowly the machine runs, until the receiver has parsed it.
    // The very next frame must use that packet or a newer one, never hold it back; then the app draws at least
    // 12 frames and 1 s, so the character's smoothing (10 frames) settles, and a last frame is returned.
    QImage show(Face face, const std::function<bool(const FaceFrame&)>& parsed) {
        m_face = face;
        iFacialMoCap* receiver = kySolution()->receiver();
        QElapsedTimer waited;
        waited.start();
        while (!parsed(receiver->LatestFrame())) {
            if (waited.elapsed() > 30000) {
                ADD_FAILURE() << "the receiver never parsed the new face";
                return QImage();
            }
            QTest::qWait(10);
        }
        const qint64 stamp = receiver->LatestFrame().timestamp;
        m_window->grabFramebuffer();
        EXPECT_GE(m_controller->stampBegin(), stamp) << "a frame used an older packet than the newest";
        QElapsedTimer settle;
        settle.start();
        const uint64_t start = m_window->frameCount();
        while ((m_window->frameCount() - start < 12 || settle.elapsed() < 1000) && settle.elapsed() < 60000) {
            QTest::qWait(20);
        }
        return m_window->grabFramebuffer();
    }

    ExtarnalController* m_controller = nullptr;
    std::atomic<Face> m_face{Face::Neutral};
};

TEST_F(FaceCaptureEndToEndTest, MouthAndHeadFollowThePhone) {
    iFacialMoCap* receiver = kySolution()->receiver();
    const int jaw = receiver->IndexOf(QStringLiteral("jawOpen"));
    const QImage neutral = show(Face::Neutral, [](const FaceFrame& f) { return f.timestamp != 0; });
    const QImage open = show(Face::MouthOpen, [jaw](const FaceFrame& f) { return f.values[jaw] > 0.99f; });
    const QImage turned = show(Face::HeadTurned, [](const FaceFrame& f) { return std::fabs(f.headAngles.y) > 0.3f; });
    ASSERT_FALSE(neutral.isNull() || open.isNull() || turned.isNull());
    neutral.save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/face_neutral.png"));
    open.save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/face_mouth_open.png"));
    turned.save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/face_head_turned.png"));
    // The desktop camera frames the head: the mouth sits a quarter of the view below the middle.
    const QRect mouth(neutral.width() * 2 / 5, neutral.height() * 3 / 4, neutral.width() / 5, neutral.height() / 8);
    EXPECT_FALSE(m_controller->isCaptureFrozen());
    EXPECT_GT(differingPixels(neutral, open, mouth), 40) << "the open mouth shows";
    const QRect head(neutral.width() / 4, 0, neutral.width() / 2, neutral.height());
    EXPECT_GT(differingPixels(open, turned, head), 400) << "the turned head shows";
}

enum class Overlay { Message, Debug };

class OverlayFrameTest : public AppWithPhoneTest, public testing::WithParamInterface<Overlay> {
protected:
    void SetUp() override {
        AppWithPhoneTest::SetUp();
        // A copy of the real model in a folder of its own.
        const QString fixture = QStringLiteral(MNX_FIXTURES_DIR "/real/miku_v2");
        const QString model = m_dir.filePath("resource/model/miku_v2");
        ASSERT_TRUE(QDir().mkpath(model));
        for (const char* file : {"index.pmx", "eyeM2.bmp"}) {
            ASSERT_TRUE(QFile::copy(fixture + "/" + file, model + "/" + file)) << file;
        }
        m_window = std::make_unique<MainWidget>();
        // As if chosen in the control window.
        m_settings->pmxName = model + "/index.pmx";
        m_window->resize(640, 360);
        m_settings->mainGeometry = QRect(24, 64, 640, 360);
        showMainWindow(*m_window, *m_settings);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        if (m_window->renderer() == nullptr) GTEST_SKIP() << "no OpenGL 4.1 core context";
        ASSERT_NE(m_window->renderer()->appContext()->m_mainModel, nullptr);
        ASSERT_TRUE(m_settings->messageText.contains(QStringLiteral("上半身2"))) << "the missing-bone report";
    }

    QImage frame() { return m_window->grabFramebuffer(); }
};

bool isMessageRed(const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }

bool isDebugBlue(const QColor& c) {
    return std::abs(c.red() - 32) < 40 && std::abs(c.green() - 128) < 40 && std::abs(c.blue() - 172) < 40;
}

TEST_P(OverlayFrameTest, FigureAndTextShowInTheSameFrameAndTheTextStaysCrisp) {
    const Overlay overlay = GetParam();
    const QString report = m_settings->messageText;
    m_settings->messageText.clear();
    const QImage plain = frame();

    if (overlay != Overlay::Message) {
        // The debug overlay needs a phone the receiver reports as connected.
        connectPhone();
        ASSERT_TRUE(m_phone.send(ScriptedPhone::packet({"jawOpen-0", "=head#0,0,0,0,0,0"})));
        for (int i = 0; i < 500 && !kySolution()->receiver()->isConnected(); ++i) QTest::qWait(20);
        ASSERT_TRUE(kySolution()->receiver()->isConnected());
        m_window->onDebugDraw();
    }
    if (overlay != Overlay::Debug) m_settings->messageText = report;
    const QImage withOverlay = frame();
    // The same text over the bare background: the scene hidden, everything else as it is.
    m_window->renderer()->setSceneReady(false);
    const QImage textAlone = frame();
    m_window->renderer()->setSceneReady(true);
    const QString shots = QStringLiteral(MNX_TEST_OUTPUT_DIR "/overlay_%1_%2.png").arg(int(overlay));
    plain.save(shots.arg("plain"));
    withOverlay.save(shots.arg("frame"));
    textAlone.save(shots.arg("text"));

    // The figure: the middle of the view, right of every overlay text and bar.
    const QRect figure(260, 0, 120, plain.height());
    const QColor background = plain.pixelColor(plain.width() - 2, plain.height() - 2);
    const auto notBackground = [&](const QColor& c) {
        return std::abs(c.red() - background.red()) + std::abs(c.green() - background.green()) +
                   std::abs(c.blue() - background.blue()) >
               24;
    };
    const int figurePixels = count(plain, figure, notBackground);
    ASSERT_GT(figurePixels, figure.width() * figure.height() / 10) << "the model is drawn at all";
    EXPECT_GT(count(withOverlay, figure, notBackground), figurePixels * 9 / 10) << "the figure stays";

    // The text, and the same glyph pixels as when drawn alone (not doubled, not torn).
    const QRect text(0, 0, 240, plain.height());
    const auto matches = overlay == Overlay::Debug ? isDebugBlue : isMessageRed;
    const int alone = count(textAlone, text, matches);
    ASSERT_GT(alone, 100) << "the text is drawn over the background";
    int differing = 0;
    for (int y = text.top(); y <= text.bottom(); ++y) {
        for (int x = text.left(); x <= text.right(); ++x) {
            differing += matches(withOverlay.pixelColor(x, y)) != matches(textAlone.pixelColor(x, y));
        }
    }
    EXPECT_LT(differing, alone / 10) << "glyph pixels differ from the text drawn alone";
}

INSTANTIATE_TEST_SUITE_P(Overlays, OverlayFrameTest, testing::Values(Overlay::Message, Overlay::Debug),
                         [](const testing::TestParamInfo<Overlay>& info) {
                             return std::string(info.param == Overlay::Message ? "Message" : "Debug");
                         });

}  // namespace

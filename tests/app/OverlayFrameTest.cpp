// A real model that lacks "上半身2", started the way the app starts: the missing-bone report and the face-capture
// debug overlay are drawn over the finished frame, so the character and the text show together, and the text
// looks the same as when it is drawn over the bare background.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <string>

#include "AppTestSupport.h"
#include "ScriptedPhone.h"
#include "app/Application.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/KySettings.h"
#include "face/iFacialMoCap.h"
#include "mmdr/AppContext.h"
#include "render/TzRenderer.h"

namespace {

enum class Overlay { Message, Debug, Both };

class OverlayFrameTest : public testing::TestWithParam<Overlay> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // A copy of the real model in a folder of its own.
        const QString fixture = QStringLiteral(MNX_FIXTURES_DIR "/real/miku_v2");
        const QString model = m_dir.filePath("resource/model/miku_v2");
        ASSERT_TRUE(QDir().mkpath(model));
        for (const char* file : {"index.pmx", "eyeM2.bmp"}) {
            ASSERT_TRUE(QFile::copy(fixture + "/" + file, model + "/" + file)) << file;
        }
        m_settings = startAppServices(m_dir.filePath("config.ini"));
        m_settings->camAddress = QStringLiteral("127.0.0.1");
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
    void TearDown() override {
        if (KySolution* solution = kySolution()) solution->threadQuit();
        if (m_window) m_window->cleanup();
        m_window.reset();
        setKySettings(nullptr);
    }

    // The face-capture receiver reports a phone, as the debug overlay needs.
    void connectPhone() {
        ASSERT_TRUE(m_phone.isListening()) << "UDP port 49983 is taken";
        kySolution()->threadRun();
        std::string command;
        ASSERT_TRUE(m_phone.nextCommand(command, 2000));
        ASSERT_TRUE(m_phone.connectStream(1500));
        ASSERT_TRUE(m_phone.send(ScriptedPhone::packet({"jawOpen-0", "=head#0,0,0,0,0,0"})));
        for (int i = 0; i < 100 && !kySolution()->receiver()->isConnected(); ++i) QTest::qWait(20);
        ASSERT_TRUE(kySolution()->receiver()->isConnected());
    }

    QImage frame() { return m_window->grabFramebuffer(); }

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

    const bool debug = overlay != Overlay::Message;
    if (debug) {
        connectPhone();
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
    if (overlay == Overlay::Both) {
        EXPECT_GT(count(withOverlay, text, isMessageRed), 100);
    }
}

INSTANTIATE_TEST_SUITE_P(Overlays, OverlayFrameTest, testing::Values(Overlay::Message, Overlay::Debug, Overlay::Both),
                         [](const testing::TestParamInfo<Overlay>& info) {
                             return std::string(info.param == Overlay::Message ? "Message"
                                                : info.param == Overlay::Debug ? "Debug"
                                                                               : "Both");
                         });

}  // namespace

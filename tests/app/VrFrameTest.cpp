// The main window with the simulated VR runtime: both eyes are rendered each frame and submitted side by side,
// the shipped session calibrates the performer and moves the sample character's arms and fingers, a quit event
// from the runtime saves the settings and ends the event loop, a broken session leaves VR off.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <glm/gtc/quaternion.hpp>
#include <memory>

#include "AppTestSupport.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/KySettings.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDNode.h"
#include "mmdr/AppContext.h"
#include "mmdr/Model.h"
#include "render/TzRenderer.h"
#include "vr/SimulatedRuntime.h"
#include "vr/VRRuntimeLoader.h"
#include "vr/VRSystem.h"

namespace {

class VrFrameTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_settings = startAppServices(m_dir.filePath("config.ini"));
    }
    void TearDown() override {
        if (m_window) m_window->cleanup();
        m_window.reset();
        shutdownVR();
        mnxvr::installVRRuntime(nullptr);
        setKySettings(nullptr);
    }

    // Installs a simulated runtime playing `session`, connects and opens the main window with the sample.
    // With `frozen` the session clock stays at 0 until the test moves it, however long the window takes.
    SimulatedRuntime* start(const QString& session, bool frozen = false) {
        auto runtime = std::make_unique<SimulatedRuntime>(session);
        SimulatedRuntime* raw = runtime.get();
        mnxvr::installVRRuntime(std::move(runtime));
        m_vrUp = initVR();
        if (frozen) raw->setSessionTime(0.0);
        m_window = openMainWindow();
        if (!m_window || m_window->renderer() == nullptr) return nullptr;
        m_window->loadScene();
        return raw;
    }

    // A copy of the shipped session with a quit event at `seconds`.
    QString sessionWithQuit(double seconds) {
        QFile shipped(SimulatedRuntime::defaultSessionPath());
        EXPECT_TRUE(shipped.open(QIODevice::ReadOnly));
        QJsonObject root = QJsonDocument::fromJson(shipped.readAll()).object();
        QJsonArray timeline = root.value("timeline").toArray();
        timeline.append(QJsonObject{{"t", seconds}, {"event", 700}, {"device", 0}});
        root.insert("timeline", timeline);
        const QString path = m_dir.filePath("quit_session.json");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(root).toJson());
        return path;
    }

    // Lets at least `frames` more frames be painted, however slowly the machine draws them.
    bool waitFrames(int frames, int timeoutMs = 30000) {
        const uint64_t start = m_window->frameCount();
        QElapsedTimer clock;
        clock.start();
        while (m_window->frameCount() - start < uint64_t(frames) && clock.elapsed() < timeoutMs) QTest::qWait(20);
        return m_window->frameCount() - start >= uint64_t(frames);
    }
    mmd::MMDNode* node(const char* name) const {
        mmd::MMDModel* model = m_window->renderer()->appContext()->m_mainModel->m_mmdModel.get();
        const int i = model->GetNodeManager()->FindNodeIndex(name);
        return i >= 0 ? model->GetNodeManager()->GetNode(size_t(i)) : nullptr;
    }
    static float height(const mmd::MMDNode* n) { return n->GetGlobalTransform()[3][1]; }

    QTemporaryDir m_dir;
    std::unique_ptr<KySettings> m_settings;
    std::unique_ptr<MainWidget> m_window;
    bool m_vrUp = false;
};

// Share of pixels that are not the eye's clear colour (0.3, 0.3, 0.4).
double drawnShare(const QImage& eye) {
    int drawn = 0;
    for (int y = 0; y < eye.height(); ++y) {
        for (int x = 0; x < eye.width(); ++x) {
            const QColor c = eye.pixelColor(x, y);
            drawn += std::abs(c.red() - 77) + std::abs(c.green() - 77) + std::abs(c.blue() - 102) > 12;
        }
    }
    return double(drawn) / double(eye.width() * eye.height());
}

TEST_F(VrFrameTest, BothEyesAreRenderedAndSubmittedEveryFrame) {
    SimulatedRuntime* runtime = start(SimulatedRuntime::defaultSessionPath());
    ASSERT_NE(runtime, nullptr) << "no OpenGL 4.1 core context";
    ASSERT_TRUE(m_vrUp);
    EXPECT_EQ(m_window->eyeWidth, runtime->session().renderWidth);
    const uint64_t frames = m_window->frameCount();
    QElapsedTimer clock;
    clock.start();
    // A few frames, however slow the machine draws them.
    while (m_window->frameCount() - frames < 3 && clock.elapsed() < 20000) QTest::qWait(50);
    QTest::qWait(500);
    const int painted = static_cast<int>(m_window->frameCount() - frames);
    std::printf("frames with VR on: %d in %.1f s\n", painted, clock.elapsed() / 1000.0);
    ASSERT_GE(painted, 3);
    EXPECT_GE(runtime->submission(mnxvr::Eye_Left).count, painted);
    EXPECT_EQ(runtime->submission(mnxvr::Eye_Left).count, runtime->submission(mnxvr::Eye_Right).count);
    EXPECT_FLOAT_EQ(runtime->submission(mnxvr::Eye_Right).bounds.uMin, 0.5f);

    m_window->makeCurrent();
    const QImage left = runtime->readSubmittedEye(mnxvr::Eye_Left);
    const QImage right = runtime->readSubmittedEye(mnxvr::Eye_Right);
    m_window->doneCurrent();
    ASSERT_FALSE(left.isNull());
    ASSERT_FALSE(right.isNull());
    left.save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/vr_left_eye.png"));
    right.save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/vr_right_eye.png"));
    // The room fills most of each eye, and the eyes see it from slightly different places.
    EXPECT_GT(drawnShare(left), 0.5);
    EXPECT_GT(drawnShare(right), 0.5);
    EXPECT_NE(left, right);
}

TEST_F(VrFrameTest, ShippedSessionCalibratesAndDrivesArmsAndFingers) {
    SimulatedRuntime* runtime = start(SimulatedRuntime::defaultSessionPath(), true);
    ASSERT_NE(runtime, nullptr) << "no OpenGL 4.1 core context";
    ASSERT_TRUE(m_vrUp);
    ASSERT_NE(m_window->renderer()->appContext()->m_mainModel, nullptr);
    // Session time 0: the performer stands with the arms out and holds the left menu button; after two seconds of
    // real time the long press calibrates.
    QElapsedTimer clock;
    clock.start();
    while (m_settings->vrSelfPosSRT.scale.x == 0.0f && clock.elapsed() < 30000) QTest::qWait(50);
    ASSERT_GT(m_settings->vrSelfPosSRT.scale.x, 0.0f) << "the menu long press calibrated";
    // Facing -z: half a turn about y.
    EXPECT_NEAR(std::fabs(m_settings->vrSelfPosSRT.rotation.y), 1.0f, 1e-4f);

    // Both hands above the head with the triggers pulled all the way.
    runtime->setSessionTime(4.0);
    ASSERT_TRUE(waitFrames(3));
    const float head = height(node("頭"));
    EXPECT_GT(height(node("右手首")), head);
    EXPECT_GT(height(node("左手首")), head);
    const glm::quat fist = node("右人指２")->GetAnimationRotate();
    EXPECT_LT(std::fabs(fist.w), 0.99f) << "the pulled trigger closes the fingers";
    m_window->grabFramebuffer().save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/vr_body_arms_up.png"));

    // Reaching forward, triggers released, the left grip held: the hands come down in front of the body.
    runtime->setSessionTime(6.0);
    ASSERT_TRUE(waitFrames(3));
    QTest::qWait(700);  // the grip pose eases in over 400 ms
    ASSERT_TRUE(waitFrames(1));
    EXPECT_LT(height(node("右手首")), head);
    EXPECT_LT(std::fabs(glm::dot(node("右人指２")->GetAnimationRotate(), fist)), 0.9999f);
    m_window->grabFramebuffer().save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/vr_body_reach.png"));
}

TEST_F(VrFrameTest, QuitEventSavesTheSettingsAndEndsTheLoop) {
    m_settings->camAddress = QStringLiteral("10.1.2.3");
    SimulatedRuntime* runtime = start(sessionWithQuit(1.0), true);
    ASSERT_NE(runtime, nullptr) << "no OpenGL 4.1 core context";
    ASSERT_TRUE(m_vrUp);
    ASSERT_FALSE(QFile::exists(m_dir.filePath("config.ini")));
    // The loop the quit ends; the guard ends it otherwise, and then the test fails.
    bool guardFired = false;
    // Once the loop runs, let session time pass the quit event.
    QTimer::singleShot(100, [runtime] { runtime->setSessionTime(2.0); });
    QTimer::singleShot(15000, [&] {
        guardFired = true;
        QCoreApplication::exit(3);
    });
    const int code = QCoreApplication::exec();
    EXPECT_FALSE(guardFired);
    EXPECT_EQ(code, 0);
    QSettings ini(m_dir.filePath("config.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Global/CamAddress").toString(), QStringLiteral("10.1.2.3"));
}

TEST_F(VrFrameTest, BrokenSessionLeavesTheAppRunningWithoutVr) {
    const QString path = m_dir.filePath("broken.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ not json");
    file.close();
    SimulatedRuntime* runtime = start(path);
    ASSERT_NE(runtime, nullptr) << "no OpenGL 4.1 core context";
    EXPECT_FALSE(m_vrUp);
    EXPECT_EQ(vrSystem(), nullptr);
    const uint64_t frames = m_window->frameCount();
    QTest::qWait(300);
    EXPECT_GT(m_window->frameCount(), frames) << "the desktop view keeps running";
    EXPECT_EQ(runtime->submission(mnxvr::Eye_Left).count, 0);
}

}  // namespace

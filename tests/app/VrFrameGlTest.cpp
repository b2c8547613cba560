// The main window with VR through the system's OpenXR loader and the simulated headset (XR_RUNTIME_JSON in the
// test's environment): both eyes are rendered each frame and submitted side by side.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_1_Core>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "../vr/VrTestSupport.h"
#include "AppTestSupport.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/KySettings.h"
#include "mmdr/AppContext.h"
#include "scene/TzRenderer.h"
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
        setKySettings(nullptr);
    }

    // Plays the shipped session on the simulated headset, connects and opens the main window with the sample.
    bool start() {
        m_vrUp = initVR();
        m_window = openMainWindow();
        if (!m_window || m_window->renderer() == nullptr) return false;
        m_window->loadScene();
        return true;
    }

    // The latest image submitted for an eye, read back from the runtime's swapchain, top row first.
    QImage submittedEye(int eye) {
        unsigned texture = 0;
        int rect[4] = {};
        if (vrtest::SimXr::submitted(eye, &texture, rect) <= 0 || texture == 0) return QImage();
        m_window->makeCurrent();
        QOpenGLFunctions_4_1_Core* gl = QOpenGLContext::currentContext()->versionFunctions<QOpenGLFunctions_4_1_Core>();
        GLuint framebuffer = 0;
        gl->glGenFramebuffers(1, &framebuffer);
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        gl->glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        QImage image(rect[2], rect[3], QImage::Format_RGBA8888);
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        gl->glReadPixels(rect[0], rect[1], rect[2], rect[3], GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
        gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        gl->glDeleteFramebuffers(1, &framebuffer);
        m_window->doneCurrent();
        return image.mirrored();
    }

    // Lets at least `frames` more frames be painted, however slowly the machine draws them.
    bool waitFrames(int frames, int timeoutMs = 30000) {
        const uint64_t start = m_window->frameCount();
        QElapsedTimer clock;
        clock.start();
        while (m_window->frameCount() - start < uint64_t(frames) && clock.elapsed() < timeoutMs) QTest::qWait(20);
        return m_window->frameCount() - start >= uint64_t(frames);
    }
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
    ASSERT_TRUE(start()) << "no OpenGL 4.1 core context";
    ASSERT_TRUE(m_vrUp);
    ASSERT_TRUE(waitFrames(1));
    const int before = vrtest::SimXr::submitted(0);
    const uint64_t frames = m_window->frameCount();
    ASSERT_TRUE(waitFrames(3));
    const int painted = static_cast<int>(m_window->frameCount() - frames);
    EXPECT_GE(vrtest::SimXr::submitted(0) - before, painted - 1);
    EXPECT_EQ(vrtest::SimXr::submitted(0), vrtest::SimXr::submitted(1));
    int rect[4] = {};
    vrtest::SimXr::submitted(1, nullptr, rect);
    EXPECT_EQ(rect[0], 640) << "the right eye is the right half";

    const QImage left = submittedEye(0);
    const QImage right = submittedEye(1);
    ASSERT_FALSE(left.isNull());
    ASSERT_FALSE(right.isNull());
    left.save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/vr_left_eye.png"));
    right.save(QStringLiteral(MNX_TEST_OUTPUT_DIR "/vr_right_eye.png"));
    // The room fills most of each eye, and the eyes see it from slightly different places.
    EXPECT_GT(drawnShare(left), 0.5);
    EXPECT_GT(drawnShare(right), 0.5);
    EXPECT_NE(left, right);
}

}  // namespace

#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "render/GLFunctions.h"
#include "render/GLTextMessageSurface.h"
#include "render/GlTestContext.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 256;

class GLTextMessageSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(8, 8)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        m_surface = std::make_unique<GLTextMessageSurface>(QSize(kWidth, kHeight));
        ASSERT_NE(m_surface->texture(), 0u);
    }
    void TearDown() override { m_surface.reset(); }

    // The texture as an image, its first row (t = 0) last, so that the painting reads the right way up.
    QImage image() {
        QImage out(kWidth, kHeight, QImage::Format_RGBA8888);
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glBindTexture(GL_TEXTURE_2D, m_surface->texture());
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        gl->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.bits());
        gl->glBindTexture(GL_TEXTURE_2D, 0);
        return out.mirrored(false, true);
    }

    // Overwrites the whole texture with one colour, to see whether a render paints again.
    void stain() {
        const std::vector<unsigned char> red(static_cast<size_t>(kWidth * kHeight * 4), 255);
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glBindTexture(GL_TEXTURE_2D, m_surface->texture());
        gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, red.data());
        gl->glBindTexture(GL_TEXTURE_2D, 0);
    }

    // Ink of the title: pixels in the title band that are clearly lighter than the panel background.
    static int titleInk(const QImage& picture) {
        int ink = 0;
        for (int y = 20; y < 70; ++y) {
            for (int x = 60; x < 600; ++x) {
                if (picture.pixelColor(x, y).red() > 120) {
                    ++ink;
                }
            }
        }
        return ink;
    }

    GlTestContext m_context;
    std::unique_ptr<GLTextMessageSurface> m_surface;
};

TEST_F(GLTextMessageSurfaceTest, PaintsBackgroundAccentBarsAndTitle) {
    m_surface->setTitle(QStringLiteral("NAVIGATOR"));
    m_surface->render();
    EXPECT_TRUE(m_surface->isPainted());
    const QImage picture = image();
    const QColor leftBar = picture.pixelColor(3, 128);
    const QColor rightBar = picture.pixelColor(kWidth - 4, 128);
    const QColor panel = picture.pixelColor(800, 200);
    for (const QColor& bar : {leftBar, rightBar}) {
        EXPECT_LT(bar.red(), 40);
        EXPECT_GT(bar.green(), 180);
        EXPECT_GT(bar.blue(), 180);
    }
    // The translucent dark panel: blue-grey, neither transparent nor opaque.
    EXPECT_LT(panel.red(), 80);
    EXPECT_LT(panel.red(), panel.blue());
    EXPECT_GT(panel.alpha(), 150);
    EXPECT_LT(panel.alpha(), 230);
    EXPECT_GT(titleInk(picture), 200);
    if (HasFailure()) {
        saveTestImage(picture, "GLTextMessageSurface");
    }
}

TEST_F(GLTextMessageSurfaceTest, SecondRenderRepaintsNothing) {
    m_surface->render();
    stain();
    m_surface->setTitle(QStringLiteral("changed"));
    m_surface->render();
    EXPECT_EQ(image().pixelColor(800, 200), QColor(255, 255, 255, 255));
    EXPECT_EQ(m_surface->title(), QStringLiteral("changed"));
}

TEST_F(GLTextMessageSurfaceTest, AnimationTickRepaintsWithTheNewTitle) {
    m_surface->render();
    EXPECT_EQ(titleInk(image()), 0);
    m_surface->setTitle(QStringLiteral("NAVIGATOR"));
    m_surface->animation()->setStartValue(0.0);
    m_surface->animation()->setEndValue(1.0);
    m_surface->animation()->setCurrentTime(0);
    m_surface->animation()->setDuration(100);
    m_surface->animation()->setCurrentTime(50);
    EXPECT_FALSE(m_surface->isPainted());
    m_surface->render();
    EXPECT_TRUE(m_surface->isPainted());
    EXPECT_GT(titleInk(image()), 200);
}

}  // namespace

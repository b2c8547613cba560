#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>
#include <array>
#include <vector>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/OpenGlOffscreenSurface.h"

namespace {

// Paints the left half red with QPainter over a GL clear to blue, and counts the calls it gets.
class HalfRedSurface : public OpenGlOffscreenSurface {
public:
    using OpenGlOffscreenSurface::OpenGlOffscreenSurface;
    int initialized = 0;
    int painted = 0;
    std::array<GLint, 4> viewport{};

protected:
    void initializeGL() override { ++initialized; }
    void resizeGL(int, int) override {}
    void paintGL() override {
        ++painted;
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glGetIntegerv(GL_VIEWPORT, viewport.data());
        gl->glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        QPainter painter(paintDevice());
        painter.fillRect(0, 0, textureSize().width() / 2, textureSize().height(), Qt::red);
    }
};

class OpenGlOffscreenSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(8, 8)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
    }
    GlTestContext m_context;
};

std::vector<unsigned char> texel(GLuint texture, int width, int height, int x, int y) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 4));
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    const auto at = pixels.begin() + (y * width + x) * 4;
    return std::vector<unsigned char>(at, at + 4);
}

TEST_F(OpenGlOffscreenSurfaceTest, RendersIntoItsTexture) {
    HalfRedSurface surface(QSize(64, 32));
    ASSERT_NE(surface.texture(), 0u);
    surface.render();
    EXPECT_EQ(surface.viewport, (std::array<GLint, 4>{0, 0, 64, 32}));
    EXPECT_EQ(texel(surface.texture(), 64, 32, 4, 16), (std::vector<unsigned char>{255, 0, 0, 255}));
    EXPECT_EQ(texel(surface.texture(), 64, 32, 60, 16), (std::vector<unsigned char>{0, 0, 255, 255}));
    GLint bound = -1;
    glFunctions()->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(OpenGlOffscreenSurfaceTest, InitializesOnceAndPaintsEachRender) {
    HalfRedSurface surface(QSize(16, 16));
    surface.render();
    surface.render();
    surface.render();
    EXPECT_EQ(surface.initialized, 1);
    EXPECT_EQ(surface.painted, 3);
}

TEST_F(OpenGlOffscreenSurfaceTest, EmptySizePaintsNothing) {
    HalfRedSurface surface(QSize(0, 16));
    EXPECT_EQ(surface.texture(), 0u);
    surface.render();
    EXPECT_EQ(surface.painted, 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <array>
#include <memory>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/TexturedQuad.h"
#include "render/TzOpenGLShaderProgram.h"

namespace {

using Rgba = std::array<int, 4>;

Rgba pixel(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return {c.red(), c.green(), c.blue(), c.alpha()};
}

class TexturedQuadTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(32, 32)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        m_program = std::make_unique<TzOpenGLShaderProgram>();
        ASSERT_TRUE(m_program->addVertexShaderFile(":/glsl/resources/glsl/2d_vert.glsl"));
        ASSERT_TRUE(m_program->addFragmentShaderFile(":/glsl/resources/glsl/2d_frag.glsl"));
        m_program->bindAttributeLocation("vertex", 0);
        m_program->bindAttributeLocation("color", 1);
        m_program->bindAttributeLocation("texcoord", 2);
        ASSERT_TRUE(m_program->link());
        ASSERT_TRUE(m_quad.create(m_program.get()));
        m_texture = makeTexture();
        m_context.bindTarget(0.0f, 0.0f, 0.0f, 1.0f);
    }

    void TearDown() override {
        if (glFunctions() != nullptr) {
            glFunctions()->glDeleteTextures(1, &m_texture);
        }
        m_quad.destroy();
        m_program.reset();
    }

    // 2 x 2 texels as GL stores them, first row first: red, green; then blue, half-transparent white.
    static GLuint makeTexture() {
        const unsigned char texels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128};
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        GLuint texture = 0;
        gl->glGenTextures(1, &texture);
        gl->glBindTexture(GL_TEXTURE_2D, texture);
        gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl->glBindTexture(GL_TEXTURE_2D, 0);
        return texture;
    }

    GlTestContext m_context;
    std::unique_ptr<TzOpenGLShaderProgram> m_program;
    TexturedQuad m_quad;
    GLuint m_texture = 0;
};

TEST_F(TexturedQuadTest, ShowsTheTextureUprightInPixelCoordinates) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glEnable(GL_BLEND);
    gl->glEnable(GL_CULL_FACE);
    gl->glCullFace(GL_FRONT_AND_BACK);
    m_quad.drawTexturedQuad(32, 32, 16, 16, m_texture);
    const QImage image = m_context.readTarget();
    // The last texture row is at the top of the quad, as a rendered framebuffer would show it; blending is
    // off, so the half-transparent texel is written as it is.
    EXPECT_EQ(pixel(image, 4, 4), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixel(image, 12, 4), (Rgba{255, 255, 255, 128}));
    EXPECT_EQ(pixel(image, 4, 12), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 12, 12), (Rgba{0, 255, 0, 255}));
    // Only the 16 x 16 pixels from the top-left are covered.
    EXPECT_EQ(pixel(image, 20, 4), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 4, 20), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(gl->glIsEnabled(GL_BLEND), GL_FALSE);
    EXPECT_EQ(gl->glIsEnabled(GL_CULL_FACE), GL_FALSE);
}

TEST_F(TexturedQuadTest, QuadFollowsTheViewportScale) {
    // A 64 x 64 layout on the 32 x 32 target: the 32 x 32 quad covers the top-left quarter of the pixels.
    m_quad.drawTexturedQuad(64, 64, 32, 32, m_texture);
    const QImage image = m_context.readTarget();
    EXPECT_EQ(pixel(image, 2, 2), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixel(image, 14, 14), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pixel(image, 17, 17), (Rgba{0, 0, 0, 255}));
}

TEST_F(TexturedQuadTest, RepeatedDrawsReuseTheBuffers) {
    m_quad.drawTexturedQuad(32, 32, 32, 32, m_texture);
    m_quad.drawTexturedQuad(32, 32, 8, 8, m_texture);
    const QImage image = m_context.readTarget();
    EXPECT_EQ(pixel(image, 2, 2), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixel(image, 6, 2), (Rgba{255, 255, 255, 128}));
    EXPECT_EQ(pixel(image, 20, 20), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(glFunctions()->glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TexturedQuadTest, EmptyViewportDrawsNothing) {
    for (const auto& size : {std::array<int, 2>{0, 32}, std::array<int, 2>{32, 0}, std::array<int, 2>{-4, -4}}) {
        m_quad.drawTexturedQuad(size[0], size[1], 16, 16, m_texture);
    }
    EXPECT_EQ(pixel(m_context.readTarget(), 4, 4), (Rgba{0, 0, 0, 255}));
}

TEST_F(TexturedQuadTest, DestroyTwiceAndDrawAfterIsHarmless) {
    m_quad.destroy();
    m_quad.destroy();
    EXPECT_FALSE(m_quad.isCreated());
    m_quad.drawTexturedQuad(32, 32, 16, 16, m_texture);
    EXPECT_EQ(pixel(m_context.readTarget(), 4, 4), (Rgba{0, 0, 0, 255}));
}

}  // namespace

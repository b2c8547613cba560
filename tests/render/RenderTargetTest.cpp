#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/RenderTarget.h"

namespace {

class RenderTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(8, 8)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
    }
    GlTestContext m_context;
};

std::vector<unsigned char> readTexture(GLuint texture, int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 4));
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

TEST_F(RenderTargetTest, DrawsIntoItsTextureAndReleasesToTheDefaultFramebuffer) {
    RenderTarget target;
    ASSERT_TRUE(target.create(24, 10));
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    GLint bound = -1;
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    target.bind();
    std::array<GLint, 4> viewport{};
    gl->glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 24, 10}));
    // Views drawn into the target depth-test, so the depth attachment must be real.
    gl->glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    gl->glClearDepth(0.25);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLint depthBits = 0;
    gl->glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE,
                                              &depthBits);
    EXPECT_GT(depthBits, 0);
    target.release();
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);

    const auto pixels = readTexture(target.texture(), 24, 10);
    EXPECT_EQ(std::vector<unsigned char>(pixels.begin(), pixels.begin() + 4),
              (std::vector<unsigned char>{0, 255, 0, 255}));
    EXPECT_EQ(std::vector<unsigned char>(pixels.end() - 4, pixels.end()), (std::vector<unsigned char>{0, 255, 0, 255}));
}

TEST_F(RenderTargetTest, EmptySizeCreatesNothing) {
    for (const auto& size : {std::array<int, 2>{0, 4}, std::array<int, 2>{4, 0}, std::array<int, 2>{-1, 4}}) {
        RenderTarget target;
        EXPECT_FALSE(target.create(size[0], size[1]));
        EXPECT_EQ(target.framebuffer(), 0u);
        EXPECT_EQ(target.texture(), 0u);
        EXPECT_EQ(target.depthBuffer(), 0u);
    }
}

TEST_F(RenderTargetTest, RecreateAndDestroyReleaseTheObjects) {
    RenderTarget target;
    ASSERT_TRUE(target.create(4, 4));
    const GLuint firstTexture = target.texture();
    ASSERT_TRUE(target.create(8, 2));
    EXPECT_EQ(target.width(), 8);
    EXPECT_EQ(target.height(), 2);
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const GLuint texture = target.texture();
    const GLuint framebuffer = target.framebuffer();
    EXPECT_TRUE(firstTexture == texture || gl->glIsTexture(firstTexture) == GL_FALSE);
    target.destroy();
    target.destroy();
    EXPECT_EQ(gl->glIsTexture(texture), GL_FALSE);
    EXPECT_EQ(gl->glIsFramebuffer(framebuffer), GL_FALSE);
    EXPECT_EQ(target.texture(), 0u);
}

}  // namespace

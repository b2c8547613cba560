#include <gtest/gtest.h>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_access.hpp>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/ShadowMap.h"

namespace {

class ShadowMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(16, 16)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
    }
    GlTestContext m_context;
};

TEST_F(ShadowMapTest, DefaultsBeforeSetup) {
    ShadowMap map;
    EXPECT_EQ(map.GetWidth(), 1024);
    EXPECT_EQ(map.GetHeight(), 1024);
    EXPECT_FLOAT_EQ(map.GetBias(), 0.005f);
    EXPECT_EQ(map.GetFramebuffer(), 0u);
    EXPECT_EQ(map.GetShadowMapTexture(), 0u);
}

TEST_F(ShadowMapTest, DepthFramebufferComparesLessOrEqual) {
    ShadowMap map;
    ASSERT_TRUE(map.Setup());
    EXPECT_GE(map.GetInPos(), 0);
    EXPECT_GE(map.GetWVP(), 0);
    ASSERT_TRUE(map.InitDepthFramebuffer(4096, 4096));
    EXPECT_EQ(map.GetWidth(), 4096);
    EXPECT_EQ(map.GetHeight(), 4096);

    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    GLint mode = 0;
    GLint func = 0;
    GLint format = 0;
    gl->glBindTexture(GL_TEXTURE_2D, map.GetShadowMapTexture());
    gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, &mode);
    gl->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, &func);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(mode, GL_COMPARE_REF_TO_TEXTURE);
    EXPECT_EQ(func, GL_LEQUAL);
    EXPECT_EQ(format, GL_DEPTH_COMPONENT16);

    const GLuint texture = map.GetShadowMapTexture();
    const GLuint fbo = map.GetFramebuffer();
    map.Clear();
    EXPECT_FALSE(gl->glIsTexture(texture));
    EXPECT_FALSE(gl->glIsFramebuffer(fbo));
    EXPECT_EQ(map.GetProgram(), 0u);
    map.Clear();
}

TEST_F(ShadowMapTest, IncompleteFramebufferKeepsThePreviousSize) {
    ShadowMap map;
    ASSERT_TRUE(map.InitDepthFramebuffer(256, 128));
    EXPECT_FALSE(map.InitDepthFramebuffer(0, 0));
    EXPECT_EQ(map.GetWidth(), 256);
    EXPECT_EQ(map.GetHeight(), 128);
}

TEST_F(ShadowMapTest, LightMatricesFrameTheSceneAlongTheLight) {
    ShadowMap map;
    map.CalcShadowMap(glm::vec3(-90.0f, -180.0f, -90.0f));
    const glm::mat4& projection = map.GetShadowProjectionMatrix();
    EXPECT_FLOAT_EQ(projection[0][0], 1.0f / 15.0f);
    EXPECT_FLOAT_EQ(projection[1][1], 1.0f / 15.0f);
    EXPECT_FLOAT_EQ(projection[2][2], -0.05f);
    EXPECT_FLOAT_EQ(projection[3][2], -0.5f);

    const glm::mat4& view = map.GetShadowViewMatrix();
    // The aimed-at point lies one unit in front of the light's eye...
    const glm::vec4 center = view * glm::vec4(0.0f, 5.0f, 0.0f, 1.0f);
    EXPECT_NEAR(center.x, 0.0f, 1e-5f);
    EXPECT_NEAR(center.y, 0.0f, 1e-5f);
    EXPECT_NEAR(center.z, -1.0f, 1e-5f);
    // ...and the light travels along the view's -z.
    const glm::vec3 along = glm::vec3(view * glm::vec4(glm::normalize(glm::vec3(-90.0f, -180.0f, -90.0f)), 0.0f));
    EXPECT_NEAR(along.z, -1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(map.GetBias(), 0.005f);
}

TEST_F(ShadowMapTest, VerticalLightStillGivesAFiniteView) {
    ShadowMap map;
    map.CalcShadowMap(glm::vec3(0.0f, -1.0f, 0.0f));
    const glm::mat4& view = map.GetShadowViewMatrix();
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_TRUE(std::isfinite(view[c][r]));
        }
    }
    const glm::vec4 below = view * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_NEAR(below.z, -6.0f, 1e-5f);
}

}  // namespace

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

TEST_F(ShadowMapTest, DepthFramebufferComparesLessOrEqual) {
    ShadowMap map;
    ASSERT_TRUE(map.Setup());
    ASSERT_TRUE(map.InitDepthFramebuffer(4096, 4096));

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
}

TEST_F(ShadowMapTest, LightMatricesFrameTheSceneAlongTheLight) {
    ShadowMap map;
    map.CalcShadowMap(glm::vec3(-90.0f, -180.0f, -90.0f));
    const glm::mat4& view = map.GetShadowViewMatrix();
    // The aimed-at point lies one unit in front of the light's eye...
    const glm::vec4 center = view * glm::vec4(0.0f, 5.0f, 0.0f, 1.0f);
    EXPECT_NEAR(center.x, 0.0f, 1e-5f);
    EXPECT_NEAR(center.y, 0.0f, 1e-5f);
    EXPECT_NEAR(center.z, -1.0f, 1e-5f);
    // ...and the light travels along the view's -z.
    const glm::vec3 along = glm::vec3(view * glm::vec4(glm::normalize(glm::vec3(-90.0f, -180.0f, -90.0f)), 0.0f));
    EXPECT_NEAR(along.z, -1.0f, 1e-5f);
}

}  // namespace

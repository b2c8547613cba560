#include <gtest/gtest.h>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/ShaderUtil.h"

namespace {

class ShaderUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(16, 16)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
    }
    GlTestContext m_context;
};

TEST_F(ShaderUtilTest, MissingFileIsReportedWithoutCompiling) {
    LogCapture log;
    EXPECT_EQ(CreateShaderProgram("mmd.vert", "no_such.frag"), 0u);
    EXPECT_EQ(log.lines(), QStringList{"Failed to open shader file. [no_such.frag]."});
}

TEST_F(ShaderUtilTest, CompileErrorLogsTheCompilerAndReleasesTheOtherStage) {
    LogCapture log;
    EXPECT_EQ(CreateShaderProgram("mmd_shadow_shader.vert", "test_broken.frag"), 0u);
    ASSERT_EQ(log.lines().size(), 3) << log.lines().join("\n").toStdString();
    EXPECT_TRUE(log.lines()[0].contains("undeclared_thing")) << log.lines()[0].toStdString();
    EXPECT_EQ(log.lines()[1], "Failed to compile shader.");
    EXPECT_EQ(log.lines()[2], "DeleteShader");
}

TEST_F(ShaderUtilTest, LinkErrorLogsTheLinkerAndFails) {
    LogCapture log;
    EXPECT_EQ(CreateShaderProgram("test_unmatched.vert", "test_unmatched.frag"), 0u);
    ASSERT_GE(log.lines().size(), 2);
    EXPECT_TRUE(log.lines()[log.lines().size() - 2].contains("vs_Mismatch")) << log.lines().join("\n").toStdString();
    EXPECT_EQ(log.lines().last(), "Failed to link shader.");
}

}  // namespace

#include <gtest/gtest.h>

#include <QUuid>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/MmdEdgeShader.h"
#include "render/MmdGroundShadowShader.h"
#include "render/MmdShader.h"
#include "render/ShaderUtil.h"
#include "render/TzOpenGLShaderProgram.h"

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

TEST_F(ShaderUtilTest, MmdProgramsBuildWithTheirLocations) {
    MmdShader mmd;
    ASSERT_TRUE(mmd.Setup());
    EXPECT_NE(mmd.m_prog, 0u);
    EXPECT_GE(mmd.m_inPos, 0);
    EXPECT_GE(mmd.m_inNor, 0);
    EXPECT_GE(mmd.m_inUV, 0);
    for (GLint location : {mmd.m_uWV, mmd.m_uWVP, mmd.m_uTransBrow, mmd.m_uDiffuse, mmd.m_uAlpha, mmd.m_uTexMode,
                           mmd.m_uTex, mmd.m_uSphereTexMode, mmd.m_uToonTex, mmd.m_uLightDir, mmd.m_uLightWVP,
                           mmd.m_uShadowMap, mmd.m_uShadowMapEnabled, mmd.m_uCameraPosition}) {
        EXPECT_GE(location, 0);
    }
    // The factors are set by the renderer but not read by the shader; the linker drops them.
    EXPECT_EQ(mmd.m_uTexMulFactor, -1);
    glFunctions()->glUseProgram(mmd.m_prog);
    glFunctions()->glUniform4f(mmd.m_uTexMulFactor, 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(glFunctions()->glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glFunctions()->glUseProgram(0);

    mmd.Clear();
    EXPECT_EQ(mmd.m_prog, 0u);
    mmd.Clear();
}

TEST_F(ShaderUtilTest, BothEdgeVariantsShareAttributeLocations) {
    MmdEdgeShader variable;
    MmdEdgeShader fixed;
    ASSERT_TRUE(variable.Setup(true));
    ASSERT_TRUE(fixed.Setup(false));
    EXPECT_EQ(variable.m_vsFile, "mmd_edge_variable.vert");
    EXPECT_EQ(fixed.m_vsFile, "mmd_edge_fixed.vert");
    EXPECT_EQ(variable.m_inPos, fixed.m_inPos);
    EXPECT_EQ(variable.m_inNor, fixed.m_inNor);
    EXPECT_EQ(variable.m_inEdge, fixed.m_inEdge);
    EXPECT_GE(variable.m_inEdge, 0);
    EXPECT_GE(fixed.m_uEdgeColor, 0);
    EXPECT_GE(fixed.m_uBrightness, 0);
    EXPECT_GE(fixed.m_uScreenSize, 0);
}

TEST_F(ShaderUtilTest, GroundShadowProgramBuilds) {
    MmdGroundShadowShader ground;
    ASSERT_TRUE(ground.Setup());
    EXPECT_GE(ground.m_inPos, 0);
    EXPECT_GE(ground.m_uWVP, 0);
    EXPECT_GE(ground.m_uShadowColor, 0);
}

TEST_F(ShaderUtilTest, MissingFragmentFileIsReportedWithoutCompiling) {
    LogCapture log;
    EXPECT_EQ(CreateShaderProgram("mmd.vert", "no_such.frag"), 0u);
    EXPECT_EQ(log.lines(), QStringList{"Failed to open shader file. [no_such.frag]."});
}

TEST_F(ShaderUtilTest, MissingVertexFileIsReportedFirst) {
    LogCapture log;
    EXPECT_EQ(CreateShaderProgram("no_such.vert", "also_missing.frag"), 0u);
    EXPECT_EQ(log.lines(), QStringList{"Failed to open shader file. [no_such.vert]."});
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

TEST_F(ShaderUtilTest, CompileWarningsAreLoggedToo) {
    // A unique comment keeps Mesa from answering out of its shader cache, which would skip the warning.
    const std::string source =
        "#version 410\nout vec4 out_Color;\nvoid main() { float unset; out_Color = vec4(unset); }\n// " +
        QUuid::createUuid().toString().toStdString() + "\n";
    LogCapture log;
    const GLuint shader = CreateShader(GL_FRAGMENT_SHADER, source);
    EXPECT_NE(shader, 0u);
    EXPECT_EQ(log.count("Failed"), 0);
    EXPECT_EQ(log.lines().size(), 1) << "the compiler's warning about 'unset' reaches the log";
    glFunctions()->glDeleteShader(shader);
}

TEST_F(ShaderUtilTest, CreateShaderRejectsGarbage) {
    LogCapture log;
    EXPECT_EQ(CreateShader(GL_VERTEX_SHADER, std::string("\0\xff garbage", 10)), 0u);
    EXPECT_EQ(log.count("Failed to compile shader."), 1);
}

struct QtProgramCase {
    const char* vertex;
    const char* fragment;
    std::vector<std::pair<const char*, int>> attributes;
};

class TzProgramTest : public ShaderUtilTest, public ::testing::WithParamInterface<QtProgramCase> {};

TEST_P(TzProgramTest, BuildsFromResourcesWithBoundLocations) {
    const QtProgramCase& c = GetParam();
    TzOpenGLShaderProgram program;
    ASSERT_TRUE(program.addVertexShaderFile(QString(kGlslResourcePrefix) + c.vertex));
    ASSERT_TRUE(program.addFragmentShaderFile(QString(kGlslResourcePrefix) + c.fragment));
    for (const auto& [name, location] : c.attributes) {
        program.bindAttributeLocation(name, location);
    }
    ASSERT_TRUE(program.link()) << program.log().toStdString();
    for (const auto& [name, location] : c.attributes) {
        const int actual = program.attributeLocation(name);
        // An attribute the shader never reads may be dropped by the linker.
        EXPECT_TRUE(actual == location || actual == -1) << name;
    }
    EXPECT_GE(program.attributeLocation("vertex"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, TzProgramTest,
    ::testing::Values(
        QtProgramCase{"vrmesh_vert.glsl", "vrmesh_frag.glsl", {{"vertex", 0}, {"normal", 1}, {"texcoord", 2}}},
        QtProgramCase{"sysmesh_vert.glsl", "sysmesh_frag.glsl", {{"vertex", 0}, {"texcoord", 1}}},
        QtProgramCase{"2d_vert.glsl", "2d_frag.glsl", {{"vertex", 0}, {"color", 1}, {"texcoord", 2}}}));

TEST_F(ShaderUtilTest, MissingQtShaderFilesAreLogged) {
    LogCapture log;
    TzOpenGLShaderProgram program;
    EXPECT_FALSE(program.addVertexShaderFile(":/glsl/resources/glsl/missing.glsl"));
    EXPECT_FALSE(program.addFragmentShaderFile(":/glsl/resources/glsl/missing.glsl"));
    EXPECT_EQ(log.count("failed load vertex shader"), 1);
    EXPECT_EQ(log.count("failed load fragment shader"), 1);
}

}  // namespace

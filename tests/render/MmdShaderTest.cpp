// Pixel tests of the model programs' GLSL: toon ramp, sphere map, transbrow depth pull, shadow lookup and the
// two outline variants, drawn with raw GL so that each shading rule is checked on its own.
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <vector>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/MmdEdgeShader.h"
#include "render/MmdShader.h"
#include "render/ShadowMap.h"

namespace {

constexpr int kSize = 64;

struct Mesh {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> uvs;
    std::vector<float> edges;
    std::vector<unsigned> indices;
};

// Axis-aligned square of half-size h centred at c, in the plane given by the normal (+z or +y), wound CCW when
// seen from the side the normal points to.
Mesh square(glm::vec3 c, float h, glm::vec3 normal) {
    Mesh m;
    const glm::vec3 u = normal.z != 0.0f ? glm::vec3(1, 0, 0) : glm::vec3(1, 0, 0);
    const glm::vec3 v = normal.z != 0.0f ? glm::vec3(0, 1, 0) : glm::vec3(0, 0, -1);
    m.positions = {c - u * h - v * h, c + u * h - v * h, c + u * h + v * h, c - u * h + v * h};
    m.normals.assign(4, normal);
    m.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    m.edges.assign(4, 1.0f);
    m.indices = {0, 1, 2, 0, 2, 3};
    return m;
}

Mesh sphere(float radius) {
    Mesh m;
    const int rings = 24;
    const int segments = 32;
    for (int r = 0; r <= rings; ++r) {
        const float phi = glm::pi<float>() * static_cast<float>(r) / rings;
        for (int s = 0; s <= segments; ++s) {
            const float theta = 2.0f * glm::pi<float>() * static_cast<float>(s) / segments;
            const glm::vec3 n(std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta));
            m.positions.push_back(n * radius);
            m.normals.push_back(n);
            m.uvs.emplace_back(0.0f, 0.0f);
            m.edges.push_back(1.0f);
        }
    }
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const unsigned a = static_cast<unsigned>(r * (segments + 1) + s);
            const unsigned b = a + segments + 1;
            m.indices.insert(m.indices.end(), {a, a + 1, b, b, a + 1, b + 1});
        }
    }
    return m;
}

// Uploads a mesh into buffers bound to the given attribute locations (-1 = unused) and draws it.
class GpuMesh {
public:
    GpuMesh(const Mesh& mesh, GLint pos, GLint nor, GLint uv, GLint edge) : m_count(mesh.indices.size()) {
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glGenVertexArrays(1, &m_vao);
        gl->glBindVertexArray(m_vao);
        attribute(pos, 3, mesh.positions.data(), mesh.positions.size() * 12);
        attribute(nor, 3, mesh.normals.data(), mesh.normals.size() * 12);
        attribute(uv, 2, mesh.uvs.data(), mesh.uvs.size() * 8);
        attribute(edge, 1, mesh.edges.data(), mesh.edges.size() * 4);
        GLuint ebo = 0;
        gl->glGenBuffers(1, &ebo);
        m_buffers.push_back(ebo);
        gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
        gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.indices.size() * 4), mesh.indices.data(),
                         GL_STATIC_DRAW);
        gl->glBindVertexArray(0);
    }
    ~GpuMesh() {
        glFunctions()->glDeleteVertexArrays(1, &m_vao);
        glFunctions()->glDeleteBuffers(static_cast<GLsizei>(m_buffers.size()), m_buffers.data());
    }
    void draw() {
        glFunctions()->glBindVertexArray(m_vao);
        glFunctions()->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(m_count), GL_UNSIGNED_INT, nullptr);
        glFunctions()->glBindVertexArray(0);
    }

private:
    void attribute(GLint location, int size, const void* data, size_t bytes) {
        if (location < 0) {
            return;
        }
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        GLuint buffer = 0;
        gl->glGenBuffers(1, &buffer);
        m_buffers.push_back(buffer);
        gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
        gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
        gl->glVertexAttribPointer(static_cast<GLuint>(location), size, GL_FLOAT, GL_FALSE, 0, nullptr);
        gl->glEnableVertexAttribArray(static_cast<GLuint>(location));
    }
    GLuint m_vao = 0;
    std::vector<GLuint> m_buffers;
    size_t m_count;
};

GLuint makeTexture(int width, int height, const std::vector<unsigned char>& rgba) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    GLuint texture = 0;
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void expectColor(const QImage& image, int x, int y, QColor expected, const char* what, int tolerance = 3) {
    const QColor actual = image.pixelColor(x, y);
    const bool near = std::abs(actual.red() - expected.red()) <= tolerance &&
                      std::abs(actual.green() - expected.green()) <= tolerance &&
                      std::abs(actual.blue() - expected.blue()) <= tolerance;
    if (!near) {
        const QString path = saveTestImage(image, QString("MmdShaderTest_") + what);
        ADD_FAILURE() << what << " at (" << x << ", " << y << "): got " << actual.name().toStdString() << ", expected "
                      << expected.name().toStdString() << "; image " << path.toStdString();
    }
}

class MmdShaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(kSize, kSize)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        ASSERT_TRUE(m_mmd.Setup());
        m_view = glm::lookAt(glm::vec3(0, 0, 5), glm::vec3(0), glm::vec3(0, 1, 0));
        m_projection = glm::ortho(-2.0f, 2.0f, -2.0f, 2.0f, 0.1f, 20.0f);
        m_dummy = makeTexture(1, 1, {0, 0, 0, 0});
    }
    void TearDown() override {
        if (m_dummy != 0) {
            glFunctions()->glDeleteTextures(1, &m_dummy);
        }
    }

    // Sets the material and light uniforms of a plain white-lit material and binds the dummy on units 0-2.
    void useMmd(glm::vec3 lightDirView, float transBrow = 0.0f) {
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glUseProgram(m_mmd.m_prog);
        const glm::mat4 wvp = m_projection * m_view;
        gl->glUniformMatrix4fv(m_mmd.m_uWV, 1, GL_FALSE, glm::value_ptr(m_view));
        gl->glUniformMatrix4fv(m_mmd.m_uWVP, 1, GL_FALSE, glm::value_ptr(wvp));
        gl->glUniform1f(m_mmd.m_uTransBrow, transBrow);
        gl->glUniform3f(m_mmd.m_uAmbient, 0.2f, 0.2f, 0.2f);
        gl->glUniform3f(m_mmd.m_uDiffuse, 0.8f, 0.8f, 0.8f);
        gl->glUniform3f(m_mmd.m_uSpecular, 0.0f, 0.0f, 0.0f);
        gl->glUniform1f(m_mmd.m_uSpecularPower, 5.0f);
        gl->glUniform1f(m_mmd.m_uAlpha, 1.0f);
        gl->glUniform3f(m_mmd.m_uLightColor, 0.6f, 0.6f, 0.6f);
        gl->glUniform3fv(m_mmd.m_uLightDir, 1, glm::value_ptr(lightDirView));
        gl->glUniform3f(m_mmd.m_uCameraPosition, 0.0f, 0.0f, 5.0f);
        gl->glUniform1i(m_mmd.m_uTex, 0);
        gl->glUniform1i(m_mmd.m_uSphereTex, 1);
        gl->glUniform1i(m_mmd.m_uToonTex, 2);
        gl->glUniform1i(m_mmd.m_uShadowMap, 3);
        gl->glUniform1i(m_mmd.m_uTexMode, 0);
        gl->glUniform1i(m_mmd.m_uSphereTexMode, 0);
        gl->glUniform1i(m_mmd.m_uToonTexMode, 0);
        gl->glUniform1i(m_mmd.m_uShadowMapEnabled, 0);
        for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1, GL_TEXTURE2}) {
            gl->glActiveTexture(unit);
            gl->glBindTexture(GL_TEXTURE_2D, m_dummy);
        }
    }

    void bindTexture(GLenum unit, GLuint texture) {
        glFunctions()->glActiveTexture(unit);
        glFunctions()->glBindTexture(GL_TEXTURE_2D, texture);
        glFunctions()->glActiveTexture(GL_TEXTURE0);
    }

    GlTestContext m_context;
    MmdShader m_mmd;
    glm::mat4 m_view{1.0f};
    glm::mat4 m_projection{1.0f};
    GLuint m_dummy = 0;
};

struct ToonCase {
    const char* name;
    glm::vec3 lightDir;  // view space, the direction the light travels
    int toonRow;         // the ramp row expected at the quad's centre
};

class ToonTest : public MmdShaderTest, public ::testing::WithParamInterface<ToonCase> {};

TEST_P(ToonTest, TexturedQuadIsBaseTimesTextureTimesToonRamp) {
    GpuMesh quad(square(glm::vec3(0), 1.0f, glm::vec3(0, 0, 1)), m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV, -1);
    const GLuint texture = makeTexture(1, 1, {200, 100, 50, 255});
    // Row 0 (t = 0) dark grey, row 1 (t = 1) white.
    const GLuint toon = makeTexture(1, 2, {128, 128, 128, 255, 255, 255, 255, 255});
    m_context.bindTarget();
    useMmd(GetParam().lightDir);
    glFunctions()->glUniform1i(m_mmd.m_uTexMode, 1);
    glFunctions()->glUniform1i(m_mmd.m_uToonTexMode, 1);
    bindTexture(GL_TEXTURE0, texture);
    bindTexture(GL_TEXTURE2, toon);
    quad.draw();
    const QImage image = m_context.readTarget();

    // Base colour: clamp(0.8 * 0.6 + 0.2) = 0.68, no N.L term.
    const float ramp = GetParam().toonRow == 1 ? 1.0f : 128.0f / 255.0f;
    const QColor expected(qRound(0.68f * 200 * ramp), qRound(0.68f * 100 * ramp), qRound(0.68f * 50 * ramp));
    expectColor(image, kSize / 2, kSize / 2, expected, GetParam().name);
    expectColor(image, 2, 2, QColor(0, 0, 0), "outside the quad");
    glFunctions()->glDeleteTextures(1, &texture);
    glFunctions()->glDeleteTextures(1, &toon);
}

INSTANTIATE_TEST_SUITE_P(Light, ToonTest,
                         ::testing::Values(ToonCase{"lit", glm::vec3(0, 0, -1), 1},
                                           ToonCase{"backlit", glm::vec3(0, 0, 1), 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MmdShaderTest, SphereMapMultipliesOrAdds) {
    GpuMesh quad(square(glm::vec3(0), 1.0f, glm::vec3(0, 0, 1)), m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV, -1);
    const GLuint sphereTexture = makeTexture(1, 1, {128, 64, 0, 255});
    const float base = 0.68f * 255.0f;
    for (int mode : {1, 2, 3}) {
        m_context.bindTarget();
        useMmd(glm::vec3(0, 0, -1));
        glFunctions()->glUniform1i(m_mmd.m_uSphereTexMode, mode);
        bindTexture(GL_TEXTURE1, sphereTexture);
        quad.draw();
        const QImage image = m_context.readTarget();
        QColor expected(qRound(base), qRound(base), qRound(base));
        if (mode == 1) {
            expected = QColor(qRound(base * 128 / 255), qRound(base * 64 / 255), 0);
        } else if (mode == 2) {
            expected = QColor(255, qRound(base + 64), qRound(base));
        }
        expectColor(image, kSize / 2, kSize / 2, expected,
                    mode == 1   ? "sphere_mul"
                    : mode == 2 ? "sphere_add"
                                : "sphere_other");
    }
    glFunctions()->glDeleteTextures(1, &sphereTexture);
}

TEST_F(MmdShaderTest, TransBrowPullsClipDepthWithoutPerspectiveDivide) {
    GpuMesh quad(square(glm::vec3(0), 1.0f, glm::vec3(0, 0, 1)), m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV, -1);
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    float depth[2] = {0.0f, 0.0f};
    for (int i = 0; i < 2; ++i) {
        m_context.bindTarget();
        // Transbrow weight 1 x "Global/TransBrow" 1 x 0.25 = a pull of 0.25.
        useMmd(glm::vec3(0, 0, -1), i == 0 ? 0.0f : 0.25f);
        quad.draw();
        gl->glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[i]);
    }
    // Orthographic: w = 1, so 0.25 in clip z is 0.25 in NDC, an eighth of the [0, 1] window depth range.
    EXPECT_NEAR(depth[0] - depth[1], 0.125f, 1e-4f);

    // A brow behind the hair shows through it once pulled.
    GpuMesh hair(square(glm::vec3(0, 0, 0.3f), 1.0f, glm::vec3(0, 0, 1)), m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV,
                 -1);
    const GLuint red = makeTexture(1, 1, {255, 0, 0, 255});
    const GLuint green = makeTexture(1, 1, {0, 255, 0, 255});
    for (float pull : {0.0f, 0.125f}) {
        m_context.bindTarget();
        useMmd(glm::vec3(0, 0, -1));
        gl->glUniform1i(m_mmd.m_uTexMode, 1);
        bindTexture(GL_TEXTURE0, red);
        hair.draw();
        useMmd(glm::vec3(0, 0, -1), pull);
        gl->glUniform1i(m_mmd.m_uTexMode, 1);
        bindTexture(GL_TEXTURE0, green);
        quad.draw();
        const QImage image = m_context.readTarget();
        const int g = qRound(0.68f * 255);
        expectColor(image, kSize / 2, kSize / 2, pull == 0.0f ? QColor(g, 0, 0) : QColor(0, g, 0),
                    pull == 0.0f ? "brow_hidden" : "brow_through_hair");
    }
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDeleteTextures(1, &red);
    gl->glDeleteTextures(1, &green);
}

TEST_F(MmdShaderTest, ShadowReceiverDarkensWhereTheCasterBlocksTheLight) {
    ShadowMap shadow;
    ASSERT_TRUE(shadow.Setup());
    ASSERT_TRUE(shadow.InitDepthFramebuffer(1024, 1024));
    const glm::vec3 lightDir(0.0f, -1.0f, 0.0f);
    shadow.CalcShadowMap(lightDir);
    QOpenGLFunctions_4_1_Core* gl = glFunctions();

    // Depth pass: only the caster, a 2 x 2 square 3 units above the ground.
    GpuMesh caster(square(glm::vec3(0, 3, 0), 1.0f, glm::vec3(0, 1, 0)), shadow.GetInPos(), -1, -1, -1);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, shadow.GetFramebuffer());
    gl->glViewport(0, 0, shadow.GetWidth(), shadow.GetHeight());
    gl->glClear(GL_DEPTH_BUFFER_BIT);
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LESS);
    gl->glUseProgram(shadow.GetProgram());
    const glm::mat4 lightVP = shadow.GetShadowProjectionMatrix() * shadow.GetShadowViewMatrix();
    gl->glUniformMatrix4fv(shadow.GetWVP(), 1, GL_FALSE, glm::value_ptr(lightVP));
    caster.draw();

    // Main pass from above: only the 8 x 8 ground, a shadow receiver with a toon ramp.
    m_view = glm::lookAt(glm::vec3(0, 10, 0), glm::vec3(0), glm::vec3(0, 0, -1));
    m_projection = glm::ortho(-4.0f, 4.0f, -4.0f, 4.0f, 0.1f, 20.0f);
    GpuMesh ground(square(glm::vec3(0), 4.0f, glm::vec3(0, 1, 0)), m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV, -1);
    const GLuint toon = makeTexture(1, 2, {128, 128, 128, 255, 255, 255, 255, 255});
    m_context.bindTarget();
    gl->glDepthFunc(GL_LEQUAL);
    useMmd(glm::mat3(m_view) * lightDir);
    glm::mat4 textureSpace(0.5f);
    textureSpace[3] = glm::vec4(0.5f, 0.5f, 0.5f, 1.0f);
    const glm::mat4 lightWVP =
        glm::translate(glm::mat4(1.0f), glm::vec3(0, 0, -shadow.GetBias())) * textureSpace * lightVP;
    gl->glUniformMatrix4fv(m_mmd.m_uLightWVP, 1, GL_FALSE, glm::value_ptr(lightWVP));
    gl->glUniform1i(m_mmd.m_uShadowMapEnabled, 1);
    gl->glUniform1i(m_mmd.m_uToonTexMode, 1);
    bindTexture(GL_TEXTURE2, toon);
    bindTexture(GL_TEXTURE3, shadow.GetShadowMapTexture());
    ground.draw();
    bindTexture(GL_TEXTURE3, 0);
    gl->glDisable(GL_DEPTH_TEST);
    const QImage image = m_context.readTarget();

    const int lit = qRound(0.68f * 255);
    const int shaded = qRound(0.68f * 128);
    expectColor(image, kSize / 2, kSize / 2, QColor(shaded, shaded, shaded), "shadow_centre");
    // The caster covers [-1, 1] of the [-4, 4] view: a quarter of the width around the centre.
    expectColor(image, kSize / 2 + kSize / 4, kSize / 2, QColor(lit, lit, lit), "shadow_lit_side");
    expectColor(image, kSize / 2, kSize / 2 - kSize / 4, QColor(lit, lit, lit), "shadow_lit_top");
    gl->glDeleteTextures(1, &toon);
}

struct EdgeCase {
    const char* name;
    bool variable;
    float brightness;
    QColor expected;
};

class EdgeTest : public MmdShaderTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(EdgeTest, OutlineSurroundsTheSilhouette) {
    const EdgeCase& c = GetParam();
    MmdEdgeShader edge;
    ASSERT_TRUE(edge.Setup(c.variable));
    const Mesh ball = sphere(1.0f);
    GpuMesh edgeMesh(ball, edge.m_inPos, edge.m_inNor, -1, edge.m_inEdge);
    GpuMesh mainMesh(ball, m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV, -1);
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    m_context.bindTarget();
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    gl->glEnable(GL_CULL_FACE);
    gl->glFrontFace(GL_CCW);

    useMmd(glm::vec3(0, 0, -1));
    gl->glCullFace(GL_BACK);
    mainMesh.draw();

    gl->glUseProgram(edge.m_prog);
    const glm::mat4 wvp = m_projection * m_view;
    gl->glUniformMatrix4fv(edge.m_uWV, 1, GL_FALSE, glm::value_ptr(m_view));
    gl->glUniformMatrix4fv(edge.m_uWVP, 1, GL_FALSE, glm::value_ptr(wvp));
    gl->glUniform2f(edge.m_uScreenSize, kSize, kSize);
    // Fixed: 2 px wide. Variable at w = 1: a third of that per unit of size, so 6 gives the same 2 px.
    gl->glUniform1f(edge.m_uEdgeSize, c.variable ? 6.0f : 2.0f);
    gl->glUniform4f(edge.m_uEdgeColor, 0.5f, 0.0f, 0.0f, 1.0f);
    gl->glUniform1f(edge.m_uBrightness, c.brightness);
    gl->glCullFace(GL_FRONT);
    edgeMesh.draw();
    gl->glDisable(GL_CULL_FACE);
    gl->glDisable(GL_DEPTH_TEST);
    const QImage image = m_context.readTarget();

    // The ball's radius is 1 of the 2-unit half view: 16 px. Its rim ends at 16 px from the centre, the
    // outline covers the next 2 px, beyond that is background.
    const int centre = kSize / 2;
    const int body = qRound(0.68f * 255);
    expectColor(image, centre, centre, QColor(body, body, body), (std::string(c.name) + "_body").c_str());
    expectColor(image, centre + 17, centre, c.expected, (std::string(c.name) + "_outline").c_str(), 8);
    expectColor(image, centre, centre - 18, c.expected, (std::string(c.name) + "_outline_top").c_str(), 8);
    expectColor(image, centre + 21, centre, QColor(0, 0, 0), (std::string(c.name) + "_background").c_str());
}

INSTANTIATE_TEST_SUITE_P(Variants, EdgeTest,
                         ::testing::Values(EdgeCase{"fixed", false, 0.0f, QColor(128, 0, 0)},
                                           EdgeCase{"variable", true, 0.0f, QColor(128, 0, 0)},
                                           EdgeCase{"brightened", false, 0.5f, QColor(255, 0, 0)},
                                           EdgeCase{"darkened", false, -1.0f, QColor(0, 0, 0)}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

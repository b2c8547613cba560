// Pixel tests of the model program's GLSL: toon ramp and sphere map, drawn with raw GL so that each shading rule
// is checked on its own (shadows, outlines and the brow pull are drawn by the model tests).
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <vector>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/MmdShader.h"

namespace {

constexpr int kSize = 64;

struct Mesh {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> uvs;
    std::vector<unsigned> indices;
};

// The square [-1, 1] x [-1, 1] in the z = 0 plane, facing the viewer at +z.
Mesh square() {
    Mesh m;
    m.positions = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    m.normals.assign(4, glm::vec3(0, 0, 1));
    m.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    m.indices = {0, 1, 2, 0, 2, 3};
    return m;
}

// Uploads a mesh into buffers bound to the given attribute locations (-1 = unused) and draws it.
class GpuMesh {
public:
    GpuMesh(const Mesh& mesh, GLint pos, GLint nor, GLint uv) : m_count(mesh.indices.size()) {
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glGenVertexArrays(1, &m_vao);
        gl->glBindVertexArray(m_vao);
        attribute(pos, 3, mesh.positions.data(), mesh.positions.size() * 12);
        attribute(nor, 3, mesh.normals.data(), mesh.normals.size() * 12);
        attribute(uv, 2, mesh.uvs.data(), mesh.uvs.size() * 8);
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
    void useMmd(glm::vec3 lightDirView) {
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glUseProgram(m_mmd.m_prog);
        const glm::mat4 wvp = m_projection * m_view;
        gl->glUniformMatrix4fv(m_mmd.m_uWV, 1, GL_FALSE, glm::value_ptr(m_view));
        gl->glUniformMatrix4fv(m_mmd.m_uWVP, 1, GL_FALSE, glm::value_ptr(wvp));
        gl->glUniform1f(m_mmd.m_uTransBrow, 0.0f);
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
    GpuMesh quad(square(), m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV);
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
    GpuMesh quad(square(), m_mmd.m_inPos, m_mmd.m_inNor, m_mmd.m_inUV);
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

}  // namespace

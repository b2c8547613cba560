#include "render/TexturedQuad.h"

#include <array>
#include <cstring>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "render/GLFunctions.h"
#include "render/TzOpenGLShaderProgram.h"

namespace {
constexpr int kStride = TexturedQuad::kFloatsPerVertex * static_cast<int>(sizeof(float));
constexpr std::array<GLuint, 6> kIndices{0, 1, 2, 2, 3, 0};
}  // namespace

TexturedQuad::~TexturedQuad() { destroy(); }

bool TexturedQuad::create(TzOpenGLShaderProgram* program) {
    destroy();
    m_program = program;
    if (m_program == nullptr || !m_vertexArray.create()) {
        return false;
    }
    QOpenGLVertexArrayObject::Binder binder(&m_vertexArray);
    if (!m_vertices.create() || !m_indices.create()) {
        return false;
    }
    m_vertices.setUsagePattern(QOpenGLBuffer::DynamicDraw);
    m_vertices.bind();
    m_vertices.allocate(4 * kStride);
    m_indices.setUsagePattern(QOpenGLBuffer::DynamicDraw);
    m_indices.bind();
    m_indices.allocate(kIndices.data(), static_cast<int>(sizeof(kIndices)));

    m_program->bind();
    m_program->enableAttributeArray("vertex");
    m_program->setAttributeBuffer("vertex", GL_FLOAT, 0, 3, kStride);
    m_program->enableAttributeArray("color");
    m_program->setAttributeBuffer("color", GL_FLOAT, 3 * sizeof(float), 4, kStride);
    m_program->enableAttributeArray("texcoord");
    m_program->setAttributeBuffer("texcoord", GL_FLOAT, 7 * sizeof(float), 2, kStride);
    m_program->release();
    m_vertexArray.release();
    m_vertices.release();
    m_matrixLocation = m_program->uniformLocation("vertMatrix");
    m_diffuseLocation = m_program->uniformLocation("diffuse");
    m_quadWidth = m_quadHeight = -1;
    return true;
}

void TexturedQuad::drawTexturedQuad(int viewportWidth, int viewportHeight, int width, int height, GLuint texture) {
    if (!isCreated() || viewportWidth < 1 || viewportHeight < 1) {
        return;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glDisable(GL_CULL_FACE);
    gl->glDisable(GL_BLEND);
    gl->glFrontFace(GL_CCW);

    m_program->bind();
    const glm::mat4 pixels =
        glm::ortho(0.0f, static_cast<float>(viewportWidth), static_cast<float>(viewportHeight), 0.0f, -1.0f, 1.0f);
    gl->glUniformMatrix4fv(m_matrixLocation, 1, GL_FALSE, glm::value_ptr(pixels));

    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    const float quad[4][kFloatsPerVertex] = {
        {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f},
        {w, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f},
        {w, h, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f},
        {0.0f, h, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f},
    };
    if (width != m_quadWidth || height != m_quadHeight) {
        m_vertices.bind();
        m_vertices.write(0, quad, static_cast<int>(sizeof(quad)));
        m_vertices.release();
        m_quadWidth = width;
        m_quadHeight = height;
    }

    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glUniform1i(m_diffuseLocation, 0);
    m_vertexArray.bind();
    gl->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(kIndices.size()), GL_UNSIGNED_INT, nullptr);
    m_vertexArray.release();
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    m_program->release();
}

void TexturedQuad::destroy() {
    if (m_indices.isCreated()) m_indices.destroy();
    if (m_vertices.isCreated()) m_vertices.destroy();
    if (m_vertexArray.isCreated()) m_vertexArray.destroy();
}

#include "render/SystemMesh.h"

#include <QDebug>
#include <QImage>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>
#include <vector>

#include "render/GLFunctions.h"
#include "render/ObjReader.h"
#include "render/TzOpenGLShaderProgram.h"

namespace {

TzOpenGLShaderProgram* g_program = nullptr;

// The locations the renderer binds before linking; used when no program is there to ask.
constexpr int kVertexLocation = 0;
constexpr int kTexcoordLocation = 1;

glm::mat4 toGlm(const Matrix4& m) { return glm::make_mat4(m.m.data()); }

}  // namespace

SystemMesh::~SystemMesh() { release(); }

void SystemMesh::setProgram(TzOpenGLShaderProgram* program) { g_program = program; }

TzOpenGLShaderProgram* SystemMesh::program() { return g_program; }

void SystemMesh::setPosition(float x, float y, float z) {
    m_translationMatrix = Matrix4{};
    m_translationMatrix.m[12] = x;
    m_translationMatrix.m[13] = y;
    m_translationMatrix.m[14] = z;
}

void SystemMesh::setBlendFunc(GLenum source, GLenum destination) {
    m_blendSource = source;
    m_blendDestination = destination;
}

Matrix4 SystemMesh::modelViewProjection(const Matrix4& viewProjection) const {
    const glm::mat4 combined =
        toGlm(viewProjection) * toGlm(m_translationMatrix) * toGlm(m_rotationMatrix) * toGlm(m_scaleMatrix);
    Matrix4 out;
    const float* p = glm::value_ptr(combined);
    std::copy(p, p + 16, out.m.begin());
    return out;
}

void SystemMesh::initialize() {
    release();
    m_vertexArray = std::make_unique<QOpenGLVertexArrayObject>();
    m_vertexArray->create();
    m_vertexArray->bind();

    const std::vector<float> vertices = ObjReader::read(m_objPath, m_scale);
    m_vertexCount = static_cast<int>(vertices.size() / kFloatsPerVertex);
    qDebug().noquote().nospace() << "SystemMesh::initialize(void) " << m_name << " " << vertices.size() << " "
                                 << kStride;

    m_vertexBuffer = std::make_unique<QOpenGLBuffer>(QOpenGLBuffer::VertexBuffer);
    m_vertexBuffer->create();
    m_vertexBuffer->setUsagePattern(QOpenGLBuffer::StaticDraw);
    m_vertexBuffer->bind();
    m_vertexBuffer->allocate(vertices.data(), static_cast<int>(vertices.size() * sizeof(float)));

    int vertexLocation = kVertexLocation;
    int texcoordLocation = kTexcoordLocation;
    if (g_program != nullptr) {
        g_program->bind();
        vertexLocation = g_program->attributeLocation("vertex");
        texcoordLocation = g_program->attributeLocation("texcoord");
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (vertexLocation >= 0) {
        gl->glEnableVertexAttribArray(static_cast<GLuint>(vertexLocation));
        gl->glVertexAttribPointer(static_cast<GLuint>(vertexLocation), 3, GL_FLOAT, GL_FALSE, kStride, nullptr);
    }
    if (texcoordLocation >= 0) {
        gl->glEnableVertexAttribArray(static_cast<GLuint>(texcoordLocation));
        gl->glVertexAttribPointer(static_cast<GLuint>(texcoordLocation), 2, GL_FLOAT, GL_FALSE, kStride,
                                  reinterpret_cast<const void*>(3 * sizeof(float)));
    }

    if (!m_imagePath.isEmpty()) {
        const QImage image(m_imagePath);
        if (!image.isNull()) {
            // Row 0 of the image becomes t = 0, which is where the flipped OBJ coordinates (1 - v) expect it.
            m_texture = std::make_unique<QOpenGLTexture>(image, QOpenGLTexture::GenerateMipMaps);
            m_texture->setMinificationFilter(QOpenGLTexture::LinearMipMapLinear);
            m_texture->setMagnificationFilter(QOpenGLTexture::Linear);
        }
    }

    m_vertexBuffer->release();
    if (g_program != nullptr) {
        g_program->release();
    }
    m_vertexArray->release();
}

void SystemMesh::draw(const Matrix4& viewProjection) {
    if (g_program == nullptr || m_vertexArray == nullptr || m_vertexCount == 0) {
        return;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glDisable(GL_CULL_FACE);
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(m_blendSource, m_blendDestination);
    gl->glFrontFace(GL_CCW);

    m_vertexArray->bind();
    g_program->bind();
    m_vertexBuffer->bind();
    gl->glActiveTexture(GL_TEXTURE0);
    if (m_externalTexture != 0) {
        gl->glBindTexture(GL_TEXTURE_2D, m_externalTexture);
    } else if (m_texture != nullptr) {
        m_texture->bind(0);
    }
    const Matrix4 matrix = modelViewProjection(viewProjection);
    g_program->setUniformMatrix4("matrix", matrix.m.data());
    g_program->setUniformValue("leftEye", true);
    g_program->setUniformValue("overUnder", false);
    g_program->setUniformValue("diffuse", 0);

    gl->glDrawArrays(GL_TRIANGLES, 0, m_vertexCount);

    gl->glBindTexture(GL_TEXTURE_2D, 0);
    m_vertexBuffer->release();
    g_program->release();
    m_vertexArray->release();
}

void SystemMesh::release() {
    if (m_texture != nullptr) {
        m_texture->destroy();
        m_texture.reset();
    }
    if (m_vertexBuffer != nullptr) {
        m_vertexBuffer->destroy();
        m_vertexBuffer.reset();
    }
    if (m_vertexArray != nullptr) {
        m_vertexArray->destroy();
        m_vertexArray.reset();
    }
    m_vertexCount = 0;
}

#include "vr/GLRenderModel.h"

#include <QDebug>
#include <QOpenGLContext>
#include <cstddef>

#include "render/GLFunctions.h"
#include "vr/ControllerModel.h"

namespace {

// EXT_texture_filter_anisotropic; the 4.1 core headers do not name them.
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;
constexpr GLenum kMaxTextureMaxAnisotropy = 0x84FF;

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

GLRenderModel::~GLRenderModel() { release(); }

bool GLRenderModel::build(const void* vertices, unsigned int vertexCount, const unsigned short* indices,
                          unsigned int triangleCount, const unsigned char* rgba, int width, int height) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (!gl || !vertices || !indices || !rgba || vertexCount == 0 || triangleCount == 0 || width <= 0 || height <= 0)
        return false;
    release();
    constexpr GLsizei kStride = 32;
    gl->glGenVertexArrays(1, &m_vertexArray);
    gl->glBindVertexArray(m_vertexArray);
    gl->glGenBuffers(1, &m_vertexBuffer);
    gl->glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount) * kStride, vertices, GL_STATIC_DRAW);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<const void*>(0));
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<const void*>(12));
    gl->glEnableVertexAttribArray(2);
    gl->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<const void*>(24));
    gl->glGenBuffers(1, &m_indexBuffer);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(triangleCount) * 3 * sizeof(uint16_t), indices,
                     GL_STATIC_DRAW);
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    gl->glGenTextures(1, &m_texture);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, m_texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    gl->glGenerateMipmap(GL_TEXTURE_2D);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    const QOpenGLContext* context = QOpenGLContext::currentContext();
    if (context && context->hasExtension(QByteArrayLiteral("GL_EXT_texture_filter_anisotropic"))) {
        GLfloat largest = 1.0f;
        gl->glGetFloatv(kMaxTextureMaxAnisotropy, &largest);
        gl->glTexParameterf(GL_TEXTURE_2D, kTextureMaxAnisotropy, largest);
    }
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    m_indexCount = static_cast<GLsizei>(triangleCount * 3);
    return true;
}

void GLRenderModel::draw() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (!gl || !m_vertexArray) return;
    gl->glBindVertexArray(m_vertexArray);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, m_texture);
    gl->glDrawElements(GL_TRIANGLES, m_indexCount, GL_UNSIGNED_SHORT, nullptr);
    gl->glBindVertexArray(0);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
}

void GLRenderModel::release() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (gl) {
        if (m_vertexBuffer) gl->glDeleteBuffers(1, &m_vertexBuffer);
        if (m_indexBuffer) gl->glDeleteBuffers(1, &m_indexBuffer);
        if (m_vertexArray) gl->glDeleteVertexArrays(1, &m_vertexArray);
        if (m_texture) gl->glDeleteTextures(1, &m_texture);
    }
    m_vertexBuffer = m_indexBuffer = m_vertexArray = m_texture = 0;
    m_indexCount = 0;
}

GLRenderModel* loadRenderModel(std::vector<std::unique_ptr<GLRenderModel>>& cache, const std::string& name) {
    for (const auto& model : cache)
        if (equalIgnoringCase(model->name(), name)) return model.get();
    auto gpu = std::make_unique<GLRenderModel>(name);
    if (!buildControllerModel(*gpu)) {
        qDebug("Unable to load render model %s - %s\n", name.c_str(), "no GL context");
        return nullptr;
    }
    GLRenderModel* result = gpu.get();
    cache.push_back(std::move(gpu));
    qDebug() << "render model added.";
    return result;
}

#pragma once

#include <QOpenGLBuffer>
#include <QOpenGLFunctions_4_1_Core>
#include <QOpenGLTexture>
#include <QOpenGLVertexArrayObject>
#include <QString>
#include <memory>

#include "app/base/Matrix4.h"

class TzOpenGLShaderProgram;

// A small textured triangle mesh of the VR scene, read from an OBJ resource and drawn with the system-mesh
// program ("vertex" at location 0, "texcoord" at 1; "matrix", "leftEye", "overUnder", "diffuse"). Owners set the
// paths, load scale, placement matrices and blend factors, call initialize once, then draw each frame. A missing
// mesh or image leaves the mesh empty or untextured; drawing it is harmless. GL work needs the context current.
class SystemMesh {
public:
    static constexpr int kFloatsPerVertex = 5;
    static constexpr int kStride = kFloatsPerVertex * static_cast<int>(sizeof(float));

    SystemMesh() = default;
    ~SystemMesh();
    SystemMesh(const SystemMesh&) = delete;
    SystemMesh& operator=(const SystemMesh&) = delete;

    // The process-wide system-mesh program, owned by the renderer; null until it is built. Meshes draw only
    // while it is set.
    static void setProgram(TzOpenGLShaderProgram* program);
    static TzOpenGLShaderProgram* program();

    // Builds the vertex data, buffer and texture from the paths and scale set before; logs
    // "SystemMesh::initialize(void) " with the name, the number of floats and the stride in bytes.
    void initialize();
    // Draws with matrix = view-projection after translation after rotation after scale (the scale acts first).
    // Face culling ends up off and blending on with the mesh's factors.
    void draw(const Matrix4& viewProjection);
    // Destroys texture, buffer and vertex-array object (those that exist); safe to call twice.
    void release();

    void setName(const QString& name) { m_name = name; }
    // Resource path of the OBJ mesh.
    void setObjPath(const QString& path) { m_objPath = path; }
    // Resource path of the texture image; empty for none.
    void setImagePath(const QString& path) { m_imagePath = path; }
    // Multiplies the OBJ positions when initialize reads them (0.1 unless set).
    void setScale(float scale) { m_scale = scale; }
    // GL texture id shown instead of the own texture; 0 for none. Not owned.
    void setExternalTexture(GLuint texture) { m_externalTexture = texture; }
    // Sets the translation matrix to a translation by (x, y, z).
    void setPosition(float x, float y, float z);
    void setScaleMatrix(const Matrix4& m) { m_scaleMatrix = m; }
    void setRotationMatrix(const Matrix4& m) { m_rotationMatrix = m; }
    void setTranslationMatrix(const Matrix4& m) { m_translationMatrix = m; }
    // glBlendFunc factors used while drawing (source alpha, one minus source alpha unless set).
    void setBlendFunc(GLenum source, GLenum destination);

    const QString& name() const { return m_name; }
    const QString& objPath() const { return m_objPath; }
    const QString& imagePath() const { return m_imagePath; }
    float scale() const { return m_scale; }
    const Matrix4& scaleMatrix() const { return m_scaleMatrix; }
    GLenum blendSource() const { return m_blendSource; }
    GLenum blendDestination() const { return m_blendDestination; }
    // Vertices of the triangle list (3 per triangle); 0 before initialize and for an unreadable mesh.
    int vertexCount() const { return m_vertexCount; }
    // The combined matrix draw uploads, for a given view-projection.
    Matrix4 modelViewProjection(const Matrix4& viewProjection) const;

private:
    std::unique_ptr<QOpenGLBuffer> m_vertexBuffer;
    std::unique_ptr<QOpenGLVertexArrayObject> m_vertexArray;
    std::unique_ptr<QOpenGLTexture> m_texture;
    int m_vertexCount = 0;
    float m_scale = 0.1f;
    GLuint m_externalTexture = 0;
    QString m_name;
    QString m_objPath;
    QString m_imagePath;
    Matrix4 m_scaleMatrix;
    Matrix4 m_translationMatrix;
    Matrix4 m_rotationMatrix;
    GLenum m_blendSource = GL_SRC_ALPHA;
    GLenum m_blendDestination = GL_ONE_MINUS_SRC_ALPHA;
};

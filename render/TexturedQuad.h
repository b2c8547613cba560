#pragma once

#include <QOpenGLBuffer>
#include <QOpenGLFunctions_4_1_Core>
#include <QOpenGLVertexArrayObject>

class TzOpenGLShaderProgram;

// A 2D quad that puts a texture on screen in pixel coordinates, drawn with the 2D program ("vertex", "color",
// "texcoord"; "vertMatrix", "diffuse"). Holds its vertex-array object with a 4-vertex buffer (9 floats each:
// position, white colour, texture coordinate) and a 6-index buffer. The program is observed, not owned. Create,
// draw and destroy it with the GL context current.
class TexturedQuad {
public:
    static constexpr int kFloatsPerVertex = 9;

    TexturedQuad() = default;
    ~TexturedQuad();
    TexturedQuad(const TexturedQuad&) = delete;
    TexturedQuad& operator=(const TexturedQuad&) = delete;

    // Builds the buffers and the attribute bindings for `program` (linked); false if any GL object fails.
    bool create(TzOpenGLShaderProgram* program);
    // Draws `texture` over the pixels (0, 0) to (width, height) from the top-left of a viewportWidth x
    // viewportHeight viewport. The texture's first row (t = 0) lands at the bottom of the quad, the way a
    // rendered framebuffer is stored. Culling and blending end up off. A viewport below one pixel draws nothing.
    void drawTexturedQuad(int viewportWidth, int viewportHeight, int width, int height, GLuint texture);
    // Destroys the buffers and the vertex-array object; safe to call twice.
    void destroy();

    bool isCreated() const { return m_vertexArray.isCreated(); }

private:
    TzOpenGLShaderProgram* m_program = nullptr;
    QOpenGLVertexArrayObject m_vertexArray;
    QOpenGLBuffer m_vertices{QOpenGLBuffer::VertexBuffer};
    QOpenGLBuffer m_indices{QOpenGLBuffer::IndexBuffer};
    GLint m_matrixLocation = -1;
    GLint m_diffuseLocation = -1;
    // The size the vertex buffer holds; the corners are rewritten only when it changes.
    int m_quadWidth = -1;
    int m_quadHeight = -1;
};

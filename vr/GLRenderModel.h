#pragma once

#include <QtGui/qopengl.h>

#include <memory>
#include <string>
#include <vector>

// A controller model on the GPU: 32-byte vertices (attribute 0 position, 1 normal, 2 texture coordinate),
// 16-bit triangle indices and an RGBA texture with mipmaps. Built and destroyed with the GL context current.
class GLRenderModel {
public:
    explicit GLRenderModel(std::string name) : m_name(std::move(name)) {}
    ~GLRenderModel();
    GLRenderModel(const GLRenderModel&) = delete;
    GLRenderModel& operator=(const GLRenderModel&) = delete;

    // Uploads the geometry and the texture; `rgba` is width x height x 4 bytes. False for empty input.
    bool build(const void* vertices, unsigned int vertexCount, const unsigned short* indices,
               unsigned int triangleCount, const unsigned char* rgba, int width, int height);
    // Draws with whatever program is bound; the texture goes to unit 0.
    void draw();
    // Deletes the GL objects that exist; safe to call twice.
    void release();

    const std::string& name() const { return m_name; }
    GLsizei indexCount() const { return m_indexCount; }
    GLuint texture() const { return m_texture; }

private:
    std::string m_name;
    GLuint m_vertexArray = 0;
    GLuint m_vertexBuffer = 0;
    GLuint m_indexBuffer = 0;
    GLuint m_texture = 0;
    GLsizei m_indexCount = 0;
};

// The cached model of `name` (compared ignoring letter case), else builds the project's controller mesh under that
// name, appends it to `cache` and returns it; null (with a debug line) without a GL context.
GLRenderModel* loadRenderModel(std::vector<std::unique_ptr<GLRenderModel>>& cache, const std::string& name);

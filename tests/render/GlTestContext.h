#pragma once

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_1_Core>
#include <QStringList>
#include <memory>

// An OpenGL 4.1 core context on an offscreen surface, made current and installed as the process-wide GL
// function table, with one RGBA8 + depth framebuffer to draw into and read back. Tests skip when no such
// context can be had (no display).
class GlTestContext {
public:
    GlTestContext() = default;
    ~GlTestContext();

    // Creates the context and a width x height target; false when no 4.1 core context is available.
    bool create(int width, int height);
    QOpenGLFunctions_4_1_Core* gl() { return m_gl.get(); }
    // Binds the target framebuffer, sets the viewport to it and clears colour and depth.
    void bindTarget(float r = 0.0f, float g = 0.0f, float b = 0.0f, float a = 1.0f);
    // Reads the target back, top row first (as a person sees it).
    QImage readTarget();
    int width() const { return m_width; }
    int height() const { return m_height; }
    GLuint framebuffer() const { return m_fbo; }

private:
    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<QOpenGLFunctions_4_1_Core> m_gl;
    GLuint m_fbo = 0;
    GLuint m_color = 0;
    GLuint m_depth = 0;
    int m_width = 0;
    int m_height = 0;
};

// Saves an image under the test build folder ("artifacts/<name>.png") and returns its path; used to keep the
// rendered and expected pictures of a failed pixel test.
QString saveTestImage(const QImage& image, const QString& name);

// Collects every Qt message (debug and above) while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const QStringList& lines() const;
    // Number of lines that start with the given text.
    int count(const QString& prefix) const;
    void clear();
};

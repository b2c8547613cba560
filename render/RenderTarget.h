#pragma once

#include <QOpenGLFunctions_4_1_Core>

// A framebuffer to draw into and show as a texture: RGBA8 colour texture (linear filters, default wrap) and a
// depth renderbuffer. Owns the three GL objects; create and destroy it with the GL context current and the
// process-wide function table installed.
class RenderTarget {
public:
    RenderTarget() = default;
    ~RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    // (Re)creates the objects at width x height pixels and leaves framebuffer 0 bound. False, with nothing
    // created, for a size below 1 pixel; false, with the objects kept, when the framebuffer is incomplete.
    bool create(int width, int height);
    // Binds the framebuffer and sets the viewport to the whole target.
    void bind() const;
    // Binds framebuffer 0 (the caller restores its own framebuffer and viewport).
    void release() const;
    // Deletes the objects; safe to call twice.
    void destroy();

    GLuint framebuffer() const { return m_framebuffer; }
    GLuint texture() const { return m_texture; }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    GLuint m_framebuffer = 0;
    GLuint m_texture = 0;
    GLuint m_depth = 0;
    int m_width = 0;
    int m_height = 0;
};

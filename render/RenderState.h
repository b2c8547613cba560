#pragma once

#include <QOpenGLFunctions_4_1_Core>

// The fixed-function state one pass draws with. Every pass applies a whole RenderState before drawing, so no pass
// depends on what the previous one (the last frame, an overlay, a panel redraw, Qt's painter) happened to leave.
// The defaults are OpenGL's own initial state, which is also what Qt's painter and texture uploads expect.
struct RenderState {
    bool depthTest = false;
    GLenum depthFunc = GL_LESS;
    bool depthWrite = true;
    bool cullFace = false;
    GLenum cullMode = GL_BACK;
    GLenum frontFace = GL_CCW;
    bool blend = false;
    GLenum blendSource = GL_SRC_ALPHA;
    GLenum blendDestination = GL_ONE_MINUS_SRC_ALPHA;
    bool multisample = true;

    bool operator==(const RenderState& other) const;
    bool operator!=(const RenderState& other) const { return !(*this == other); }

    // Sets every field through the process-wide function table (glFunctions()); the GL context must be current.
    void apply() const;

    // Depth test and writes on with `function`; the rest as it is.
    RenderState withDepth(GLenum function) const;
    // Culls the `mode` faces (GL_BACK, GL_FRONT); GL_NONE switches culling off.
    RenderState withCulling(GLenum mode) const;
    // Blends with source alpha over the target when `on`.
    RenderState withBlending(bool on) const;
};

// Binds `framebuffer` for drawing and reading and sets the viewport to width x height from the origin.
void bindRenderTarget(GLuint framebuffer, int width, int height);

// Leaves the context as Qt's painter and any later texture upload expect it: the initial fixed-function state
// above, no program, vertex array or buffers bound, texture unit 0 active with nothing bound, and the pixel
// unpack alignment at its default of 4.
void restoreDefaultRenderState();

// Sets the pixel unpack alignment for one upload and puts the previous value back when it goes.
class ScopedUnpackAlignment {
public:
    explicit ScopedUnpackAlignment(GLint alignment);
    ~ScopedUnpackAlignment();
    ScopedUnpackAlignment(const ScopedUnpackAlignment&) = delete;
    ScopedUnpackAlignment& operator=(const ScopedUnpackAlignment&) = delete;

private:
    GLint m_previous = 4;
};

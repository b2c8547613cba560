#include "render/RenderState.h"

#include "render/GLFunctions.h"

namespace {

void setEnabled(QOpenGLFunctions_4_1_Core* gl, GLenum capability, bool on) {
    if (on) {
        gl->glEnable(capability);
    } else {
        gl->glDisable(capability);
    }
}

}  // namespace

bool RenderState::operator==(const RenderState& other) const {
    return depthTest == other.depthTest && depthFunc == other.depthFunc && depthWrite == other.depthWrite &&
           cullFace == other.cullFace && cullMode == other.cullMode && frontFace == other.frontFace &&
           blend == other.blend && blendSource == other.blendSource && blendDestination == other.blendDestination &&
           multisample == other.multisample;
}

void RenderState::apply() const {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    setEnabled(gl, GL_DEPTH_TEST, depthTest);
    gl->glDepthFunc(depthFunc);
    gl->glDepthMask(depthWrite ? GL_TRUE : GL_FALSE);
    setEnabled(gl, GL_CULL_FACE, cullFace);
    gl->glCullFace(cullMode);
    gl->glFrontFace(frontFace);
    setEnabled(gl, GL_BLEND, blend);
    gl->glBlendFunc(blendSource, blendDestination);
    setEnabled(gl, GL_MULTISAMPLE, multisample);
}

RenderState RenderState::withDepth(GLenum function) const {
    RenderState state = *this;
    state.depthTest = true;
    state.depthWrite = true;
    state.depthFunc = function;
    return state;
}

RenderState RenderState::withCulling(GLenum mode) const {
    RenderState state = *this;
    state.cullFace = mode != GL_NONE;
    if (mode != GL_NONE) state.cullMode = mode;
    return state;
}

RenderState RenderState::withBlending(bool on) const {
    RenderState state = *this;
    state.blend = on;
    return state;
}

void bindRenderTarget(GLuint framebuffer, int width, int height) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl->glViewport(0, 0, width, height);
}

void restoreDefaultRenderState() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    RenderState().apply();
    gl->glUseProgram(0);
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

ScopedUnpackAlignment::ScopedUnpackAlignment(GLint alignment) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glGetIntegerv(GL_UNPACK_ALIGNMENT, &m_previous);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

ScopedUnpackAlignment::~ScopedUnpackAlignment() { glFunctions()->glPixelStorei(GL_UNPACK_ALIGNMENT, m_previous); }

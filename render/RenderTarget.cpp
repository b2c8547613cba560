#include "render/RenderTarget.h"

#include "render/GLFunctions.h"

RenderTarget::~RenderTarget() { destroy(); }

bool RenderTarget::create(int width, int height) {
    destroy();
    if (width < 1 || height < 1) {
        return false;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    m_width = width;
    m_height = height;
    gl->glGenFramebuffers(1, &m_framebuffer);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);

    gl->glGenTextures(1, &m_texture);
    gl->glBindTexture(GL_TEXTURE_2D, m_texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glBindTexture(GL_TEXTURE_2D, 0);

    gl->glGenRenderbuffers(1, &m_depth);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, m_depth);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, width, height);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, 0);

    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_texture, 0);
    gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    const bool complete = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

void RenderTarget::bind() const {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    gl->glViewport(0, 0, m_width, m_height);
}

void RenderTarget::release() const { glFunctions()->glBindFramebuffer(GL_FRAMEBUFFER, 0); }

void RenderTarget::destroy() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (gl != nullptr) {
        if (m_framebuffer != 0) gl->glDeleteFramebuffers(1, &m_framebuffer);
        if (m_texture != 0) gl->glDeleteTextures(1, &m_texture);
        if (m_depth != 0) gl->glDeleteRenderbuffers(1, &m_depth);
    }
    m_framebuffer = 0;
    m_texture = 0;
    m_depth = 0;
    m_width = 0;
    m_height = 0;
}

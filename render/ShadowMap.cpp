#include "render/ShadowMap.h"

#include <cmath>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "render/GLFunctions.h"
#include "render/ShaderUtil.h"

ShadowMap::~ShadowMap() { Clear(); }

bool ShadowMap::Setup() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (m_prog != 0) {
        gl->glDeleteProgram(m_prog);
    }
    m_prog = CreateShaderProgram(m_vsFile, m_fsFile);
    if (m_prog == 0) {
        return false;
    }
    m_inPos = gl->glGetAttribLocation(m_prog, "in_Pos");
    m_uWVP = gl->glGetUniformLocation(m_prog, "u_WVP");
    return true;
}

bool ShadowMap::InitDepthFramebuffer(int width, int height) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (m_shadowMap != 0) {
        gl->glDeleteTextures(1, &m_shadowMap);
    }
    if (m_fbo != 0) {
        gl->glDeleteFramebuffers(1, &m_fbo);
    }
    gl->glGenTextures(1, &m_shadowMap);
    gl->glBindTexture(GL_TEXTURE_2D, m_shadowMap);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT16, width, height, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    gl->glBindTexture(GL_TEXTURE_2D, 0);

    gl->glGenFramebuffers(1, &m_fbo);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, m_shadowMap, 0);
    gl->glDrawBuffer(GL_NONE);
    const GLenum status = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        return false;
    }
    m_width = width;
    m_height = height;
    return true;
}

void ShadowMap::CalcShadowMap(const glm::vec3& lightDir) {
    const float length = glm::length(lightDir);
    const glm::vec3 light = length > 0.0f ? lightDir / length : glm::vec3(0.0f);
    m_nearCopy = m_near;
    m_farCopy = m_far;

    const glm::vec3 center(0.0f, 5.0f, 0.0f);
    // A light straight along the vertical axis would make the usual up vector parallel to the view direction
    // and the look-at matrix NaN; any horizontal up vector frames the same orthographic box then.
    const glm::vec3 up = std::abs(light.y) > 0.9999f ? glm::vec3(0.0f, 0.0f, 1.0f) : glm::vec3(0.0f, 1.0f, 0.0f);
    m_view = glm::lookAtRH(center - light, center, up);
    m_projection = glm::orthoRH_NO(-15.0f, 15.0f, -15.0f, 15.0f, -10.0f, 30.0f);
    m_bias = 0.005f;
}

void ShadowMap::Clear() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (m_shadowMap != 0) {
        gl->glDeleteTextures(1, &m_shadowMap);
        m_shadowMap = 0;
    }
    if (m_fbo != 0) {
        gl->glDeleteFramebuffers(1, &m_fbo);
        m_fbo = 0;
    }
    if (m_prog != 0) {
        gl->glDeleteProgram(m_prog);
        m_prog = 0;
    }
}

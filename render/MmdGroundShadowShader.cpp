#include "render/MmdGroundShadowShader.h"

#include "render/GLFunctions.h"
#include "render/ShaderUtil.h"

MmdGroundShadowShader::~MmdGroundShadowShader() { Clear(); }

bool MmdGroundShadowShader::Setup() {
    Clear();
    m_vsFile = "mmd_ground_shadow.vert";
    m_fsFile = "mmd_ground_shadow.frag";
    m_prog = CreateShaderProgram(m_vsFile, m_fsFile);
    if (m_prog == 0) {
        return false;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    m_inPos = gl->glGetAttribLocation(m_prog, "in_Pos");
    m_uWVP = gl->glGetUniformLocation(m_prog, "u_WVP");
    m_uShadowColor = gl->glGetUniformLocation(m_prog, "u_ShadowColor");
    return true;
}

void MmdGroundShadowShader::Clear() {
    if (m_prog != 0) {
        glFunctions()->glDeleteProgram(m_prog);
        m_prog = 0;
    }
}

#include "render/MmdEdgeShader.h"

#include <QDebug>

#include "render/GLFunctions.h"
#include "render/ShaderUtil.h"

MmdEdgeShader::~MmdEdgeShader() { Clear(); }

bool MmdEdgeShader::Setup(bool variableWidth) {
    Clear();
    m_vsFile = variableWidth ? "mmd_edge_variable.vert" : "mmd_edge_fixed.vert";
    m_fsFile = "mmd_edge.frag";
    m_prog = CreateShaderProgram(m_vsFile, m_fsFile);
    if (m_prog == 0) {
        qDebug() << "failed load shader.";
        return false;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    m_inPos = gl->glGetAttribLocation(m_prog, "in_Pos");
    m_inNor = gl->glGetAttribLocation(m_prog, "in_Nor");
    m_inEdge = gl->glGetAttribLocation(m_prog, "in_Edge");

    m_uWV = gl->glGetUniformLocation(m_prog, "u_WV");
    m_uWVP = gl->glGetUniformLocation(m_prog, "u_WVP");
    m_uScreenSize = gl->glGetUniformLocation(m_prog, "u_ScreenSize");
    m_uEdgeSize = gl->glGetUniformLocation(m_prog, "u_EdgeSize");
    m_uBrightness = gl->glGetUniformLocation(m_prog, "u_Brightness");
    m_uEdgeColor = gl->glGetUniformLocation(m_prog, "u_EdgeColor");
    return true;
}

void MmdEdgeShader::Clear() {
    if (m_prog != 0) {
        glFunctions()->glDeleteProgram(m_prog);
        m_prog = 0;
    }
}

#include "render/MmdShader.h"

#include <QDebug>

#include "render/GLFunctions.h"
#include "render/ShaderUtil.h"

MmdShader::~MmdShader() { Clear(); }

bool MmdShader::Setup() {
    Clear();
    m_vsFile = "mmd.vert";
    m_fsFile = "mmd.frag";
    m_prog = CreateShaderProgram(m_vsFile, m_fsFile);
    if (m_prog == 0) {
        qDebug() << "failed load shader.";
        return false;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    m_inPos = gl->glGetAttribLocation(m_prog, "in_Pos");
    m_inNor = gl->glGetAttribLocation(m_prog, "in_Nor");
    m_inUV = gl->glGetAttribLocation(m_prog, "in_UV");

    m_uWV = gl->glGetUniformLocation(m_prog, "u_WV");
    m_uWVP = gl->glGetUniformLocation(m_prog, "u_WVP");
    m_uTransBrow = gl->glGetUniformLocation(m_prog, "u_transBrow");
    m_uAmbient = gl->glGetUniformLocation(m_prog, "u_Ambient");
    m_uDiffuse = gl->glGetUniformLocation(m_prog, "u_Diffuse");
    m_uSpecular = gl->glGetUniformLocation(m_prog, "u_Specular");
    m_uSpecularPower = gl->glGetUniformLocation(m_prog, "u_SpecularPower");
    m_uAlpha = gl->glGetUniformLocation(m_prog, "u_Alpha");
    m_uTexMode = gl->glGetUniformLocation(m_prog, "u_TexMode");
    m_uTex = gl->glGetUniformLocation(m_prog, "u_Tex");
    m_uTexMulFactor = gl->glGetUniformLocation(m_prog, "u_TexMulFactor");
    m_uTexAddFactor = gl->glGetUniformLocation(m_prog, "u_TexAddFactor");
    m_uSphereTexMode = gl->glGetUniformLocation(m_prog, "u_SphereTexMode");
    m_uSphereTex = gl->glGetUniformLocation(m_prog, "u_SphereTex");
    m_uSphereTexMulFactor = gl->glGetUniformLocation(m_prog, "u_SphereTexMulFactor");
    m_uSphereTexAddFactor = gl->glGetUniformLocation(m_prog, "u_SphereTexAddFactor");
    m_uToonTexMode = gl->glGetUniformLocation(m_prog, "u_ToonTexMode");
    m_uToonTex = gl->glGetUniformLocation(m_prog, "u_ToonTex");
    m_uToonTexMulFactor = gl->glGetUniformLocation(m_prog, "u_ToonTexMulFactor");
    m_uToonTexAddFactor = gl->glGetUniformLocation(m_prog, "u_ToonTexAddFactor");
    m_uLightColor = gl->glGetUniformLocation(m_prog, "u_LightColor");
    m_uLightDir = gl->glGetUniformLocation(m_prog, "u_LightDir");
    m_uLightWVP = gl->glGetUniformLocation(m_prog, "u_LightWVP");
    m_uShadowMap = gl->glGetUniformLocation(m_prog, "u_ShadowMap");
    m_uShadowMapEnabled = gl->glGetUniformLocation(m_prog, "u_ShadowMapEnabled");
    m_uCameraPosition = gl->glGetUniformLocation(m_prog, "u_CameraPosition");
    return true;
}

void MmdShader::Clear() {
    if (m_prog != 0) {
        glFunctions()->glDeleteProgram(m_prog);
        m_prog = 0;
    }
}

#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <string>

// The toon-shading program of the model's main pass ("mmd.vert" / "mmd.frag") with its cached locations.
// Every location is -1 until Setup links the program; a location the compiler removed stays -1 (GL ignores it).
// Owns the GL program; destroy it with the GL context current.
class MmdShader {
public:
    MmdShader() = default;
    ~MmdShader();
    MmdShader(const MmdShader&) = delete;
    MmdShader& operator=(const MmdShader&) = delete;

    // Builds the program and queries every location. Logs "failed load shader." and returns false on failure.
    bool Setup();
    // Deletes the program (if any) and sets its id to 0; safe to call twice.
    void Clear();

    std::string m_vsFile;
    std::string m_fsFile;
    GLuint m_prog = 0;

    // Attributes.
    GLint m_inPos = -1;
    GLint m_inNor = -1;
    GLint m_inUV = -1;

    // Uniforms, in the order the program declares its interface.
    GLint m_uWV = -1;
    GLint m_uWVP = -1;
    GLint m_uTransBrow = -1;
    GLint m_uAmbient = -1;
    GLint m_uDiffuse = -1;
    GLint m_uSpecular = -1;
    GLint m_uSpecularPower = -1;
    GLint m_uAlpha = -1;
    GLint m_uTexMode = -1;
    GLint m_uTex = -1;
    GLint m_uTexMulFactor = -1;
    GLint m_uTexAddFactor = -1;
    GLint m_uSphereTexMode = -1;
    GLint m_uSphereTex = -1;
    GLint m_uSphereTexMulFactor = -1;
    GLint m_uSphereTexAddFactor = -1;
    GLint m_uToonTexMode = -1;
    GLint m_uToonTex = -1;
    GLint m_uToonTexMulFactor = -1;
    GLint m_uToonTexAddFactor = -1;
    GLint m_uLightColor = -1;
    GLint m_uLightDir = -1;
    GLint m_uLightWVP = -1;
    GLint m_uShadowMap = -1;
    GLint m_uShadowMapEnabled = -1;
    GLint m_uCameraPosition = -1;
};

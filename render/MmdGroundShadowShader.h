#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <string>

// The flat ground-shadow program ("mmd_ground_shadow.vert" / ".frag"). Built with the other model programs but
// not drawn with. Owns the GL program; destroy it with the GL context current.
class MmdGroundShadowShader {
public:
    MmdGroundShadowShader() = default;
    ~MmdGroundShadowShader();
    MmdGroundShadowShader(const MmdGroundShadowShader&) = delete;
    MmdGroundShadowShader& operator=(const MmdGroundShadowShader&) = delete;

    // Builds the program and queries its locations; false on failure (the loader has logged why).
    bool Setup();
    // Deletes the program (if any) and sets its id to 0; safe to call twice.
    void Clear();

    std::string m_vsFile;
    std::string m_fsFile;
    GLuint m_prog = 0;

    GLint m_inPos = -1;

    GLint m_uWVP = -1;
    GLint m_uShadowColor = -1;
};

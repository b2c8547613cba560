#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <string>

// The outline program of the model's edge pass. One class serves both variants: the variable-width outline
// ("mmd_edge_variable.vert", thins with distance; used for the VR eyes) and the fixed-width one
// ("mmd_edge_fixed.vert", constant pixel width; used for the desktop view), both with "mmd_edge.frag".
// Both variants get the same attribute locations, so one vertex-array object serves either.
// Owns the GL program; destroy it with the GL context current.
class MmdEdgeShader {
public:
    MmdEdgeShader() = default;
    ~MmdEdgeShader();
    MmdEdgeShader(const MmdEdgeShader&) = delete;
    MmdEdgeShader& operator=(const MmdEdgeShader&) = delete;

    // Builds the variable-width (true) or fixed-width (false) variant and queries every location.
    // Logs "failed load shader." and returns false on failure.
    bool Setup(bool variableWidth);
    // Deletes the program (if any) and sets its id to 0; safe to call twice.
    void Clear();

    std::string m_vsFile;
    std::string m_fsFile;
    GLuint m_prog = 0;

    GLint m_inPos = -1;
    GLint m_inNor = -1;
    GLint m_inEdge = -1;

    GLint m_uWV = -1;
    GLint m_uWVP = -1;
    GLint m_uScreenSize = -1;
    GLint m_uEdgeSize = -1;
    GLint m_uBrightness = -1;
    GLint m_uEdgeColor = -1;
};

#pragma once

#include <QOpenGLFunctions_4_1_Core>

// One loaded material texture: the GL id (0 = none) and whether it was uploaded with four channels (RGBA).
struct Texture {
    GLuint m_texture = 0;
    bool m_hasAlpha = false;
};

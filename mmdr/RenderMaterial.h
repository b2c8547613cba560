#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <string>

namespace mmd {
struct MMDMaterial;
}

namespace mmdr {

// The GL side of one model material, in the model's material order.
struct RenderMaterial {
    std::string m_name;
    const mmd::MMDMaterial* m_source = nullptr;
    GLuint m_texture = 0;
    bool m_textureHasAlpha = false;
    GLuint m_sphereTexture = 0;
    GLuint m_toonTexture = 0;
    // 1 for brows drawn through the hair, else 0.
    float m_transBrowWeight = 0.0f;
};

// Whether a material of that name is a brow that shows through the hair.
bool IsTransBrowMaterial(const std::string& name);

}  // namespace mmdr

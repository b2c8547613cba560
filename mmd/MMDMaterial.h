#pragma once

#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <cstdint>
#include <string>

namespace mmd {

// Drawing parameters of one material, as the renderer reads them after UpdateMorphAnimation. Colours are linear
// factors as stored in the model; texture paths are absolute-or-model-relative paths with "\" separators, empty for
// none.
struct MMDMaterial {
    enum class SphereTextureMode : int32_t { None = 0, Mul = 1, Add = 2 };

    glm::vec4 m_diffuse{1.0f};  // RGBA
    glm::vec3 m_specular{0.0f};
    float m_specularPower = 1.0f;
    glm::vec3 m_ambient{0.2f};
    uint8_t m_edgeFlag = 0;  // 1: draw the edge (outline)
    float m_edgeSize = 0.0f;
    glm::vec4 m_edgeColor{0.0f, 0.0f, 0.0f, 1.0f};
    std::string m_texture;
    std::string m_sphereTexture;
    SphereTextureMode m_sphereTextureMode = SphereTextureMode::None;
    std::string m_toonTexture;
    // Material-morph factors applied to the sampled textures: colour · mul + add.
    glm::vec4 m_textureMulFactor{1.0f};
    glm::vec4 m_sphereTextureMulFactor{1.0f};
    glm::vec4 m_toonTextureMulFactor{1.0f};
    glm::vec4 m_textureAddFactor{0.0f};
    glm::vec4 m_sphereTextureAddFactor{0.0f};
    glm::vec4 m_toonTextureAddFactor{0.0f};
    bool m_bothFace = false;  // no back-face culling
    bool m_groundShadow = true;
    bool m_shadowCaster = true;
    bool m_shadowReceiver = true;
};

}  // namespace mmd

#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/MmdEdgeShader.h"
#include "render/MmdGroundShadowShader.h"
#include "render/MmdShader.h"
#include "render/ShadowMap.h"
#include "render/Texture.h"
#include "render/TextureCache.h"

namespace mmdr {
class Model;
}

// What every model draws with: the resource folders, the model programs, the shadow map, the camera of the
// current view, the texture cache and the models themselves. Lives on the GUI thread; every call needs the GL
// context current. Models are not owned: whoever enters them keeps them alive and removes them before deleting.
class AppContext {
public:
    AppContext();
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    // Folders, shadow map, programs, dummy textures, matrices. Logs "shadowmap Setup Fail." when the shadow map
    // cannot be built. On failure later steps are skipped and what was built stays.
    bool Setup();
    // The shared texture of a material's image file; id 0 when it cannot be loaded.
    Texture GetTexture(const std::string& path);

    // Each over a copy of the model lists (accessories, then the main model), so a model may be entered meanwhile.
    // Accessories are always animated and uploaded, drawn and shadow-cast only when accessories are shown.
    void UpdateAnimation();
    void UpdateGpu();
    void DrawShadowMap();
    void Draw(bool variableEdge);

    // Accessories are shown unless the settings store says otherwise.
    static bool RenderAccessories();

    std::string m_resourceDir;
    std::string m_toonDir;
    std::string m_poseDir;
    std::string m_modelDir;

    std::unique_ptr<MmdShader> m_mmdShader;
    std::unique_ptr<MmdEdgeShader> m_mmdEdgeShader;
    std::unique_ptr<MmdEdgeShader> m_mmdEdgeFixedShader;
    std::unique_ptr<MmdGroundShadowShader> m_mmdGroundShadowShader;
    std::unique_ptr<ShadowMap> m_shadowMap;

    glm::mat4 m_baseScale{1.0f};
    glm::mat4 m_baseViewOffset{1.0f};
    glm::mat4 m_viewMat{1.0f};
    glm::mat4 m_projMat{1.0f};
    int32_t m_screenWidth = 1;
    int32_t m_screenHeight = 1;
    float m_fov = 0.0f;
    float m_near = 0.0f;
    float m_far = 100.0f;
    glm::vec3 m_cameraPosition{0.0f};

    TextureCache m_textures;

    std::vector<mmdr::Model*> m_accessories;
    mmdr::Model* m_mainModel = nullptr;

    // Seconds since the previous frame: the physics step.
    float m_elapsed = 0.0f;
    float m_accumulated = 0.0f;
    // The motion clock's reading in seconds, on the clock the motions were started on. Unset, motions follow the
    // real-time clock (VMDAnimation::Now); tools and tests set it so that the same inputs give the same picture.
    std::optional<double> m_motionClock;
    // Off: the rigid bodies are not simulated and the figure shows the animated pose alone.
    bool m_physicsEnabled = true;

private:
    // Fills the scratch list with the models to visit; the caller iterates the scratch, so models entered meanwhile
    // wait for the next pass. Reused, so a frame allocates nothing once the list has grown.
    const std::vector<mmdr::Model*>& models(bool withAccessories);

    std::vector<mmdr::Model*> m_visit;
};

#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <string>

// The light's depth map: a 16-bit depth texture with hardware comparison (less-or-equal, linear filtering, so
// a shadow sampler gets filtered comparison results), its framebuffer, the light matrices and the depth-only
// program ("mmd_shadow_shader.vert" / ".frag"). Owns its GL objects; destroy it with the GL context current.
class ShadowMap {
public:
    ShadowMap() = default;
    ~ShadowMap();
    ShadowMap(const ShadowMap&) = delete;
    ShadowMap& operator=(const ShadowMap&) = delete;

    // Builds the depth program and queries "in_Pos" and "u_WVP"; false on failure (the loader has logged why).
    bool Setup();
    // (Re)creates the depth texture and framebuffer at w x h texels. On success the map takes that size; on an
    // incomplete framebuffer it fails and keeps its previous size.
    bool InitDepthFramebuffer(int width, int height);
    // Recomputes the light matrices for a light travelling along lightDir (any length; normalised here; a zero
    // vector leaves the light view degenerate). The light looks at the point 5 units above the origin through
    // an orthographic box of x, y in [-15, 15] and depth [-10, 30] (runtime right-handed frame).
    void CalcShadowMap(const glm::vec3& lightDir);
    // Deletes the texture and framebuffer (ids back to 0), then the program; safe to call twice.
    void Clear();

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    GLuint GetFramebuffer() const { return m_fbo; }
    GLuint GetShadowMapTexture() const { return m_shadowMap; }
    const glm::mat4& GetShadowViewMatrix() const { return m_view; }
    const glm::mat4& GetShadowProjectionMatrix() const { return m_projection; }
    float GetBias() const { return m_bias; }
    GLuint GetProgram() const { return m_prog; }
    GLint GetInPos() const { return m_inPos; }
    GLint GetWVP() const { return m_uWVP; }

private:
    std::string m_vsFile = "mmd_shadow_shader.vert";
    std::string m_fsFile = "mmd_shadow_shader.frag";
    glm::mat4 m_view{1.0f};
    glm::mat4 m_projection{1.0f};
    float m_nearCopy = 0.0f;
    float m_farCopy = 0.0f;
    GLuint m_prog = 0;
    GLint m_inPos = -1;
    GLint m_uWVP = -1;
    GLuint m_shadowMap = 0;
    GLuint m_fbo = 0;
    int m_width = 1024;
    int m_height = 1024;
    float m_near = 0.0f;
    float m_far = 80.0f;
    float m_bias = 0.005f;
};

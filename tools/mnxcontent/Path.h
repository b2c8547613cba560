#pragma once

#include <functional>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "MeshBuilder.h"

namespace mnxc {

// A smooth centre line through control points (Catmull-Rom), resampled by arc length, with frames carried along it
// by parallel transport so tubes do not twist.
class Path {
public:
    struct Frame {
        glm::vec3 position{0.0f};
        glm::vec3 tangent{0.0f, 1.0f, 0.0f};
        glm::vec3 normal{1.0f, 0.0f, 0.0f};    // first cross-section axis
        glm::vec3 binormal{0.0f, 0.0f, 1.0f};  // tangent x normal
    };

    // At least two points; normalHint is projected onto the plane across the first segment.
    Path(const std::vector<glm::vec3>& points, const glm::vec3& normalHint);

    float Length() const { return m_length; }
    // Frame at arc length s, clamped to [0, Length()].
    Frame At(float s) const;

private:
    std::vector<Frame> m_samples;
    std::vector<float> m_arc;
    float m_length = 0.0f;
};

// Cross-section half-widths (along normal, along binormal) at t = s / length.
using RadiusFn = std::function<glm::vec2(float t)>;

// Surface of a tube around path: u runs round the section from the normal axis, v along the path. The texture
// takes u across and v along, both in [0, 1]. An exponent below 1 squares the section off (superellipse), which
// suits palms and soles; 1 keeps it elliptic.
MeshBuilder::SurfaceFn Tube(const Path& path, RadiusFn radius, float exponent = 1.0f);

// Factor that closes a tube end as a hemisphere: distance d from the end, cap length c.
float RoundEnd(float d, float c);

// Smoothstep from edge0 to edge1 (either order).
float Smooth(float edge0, float edge1, float x);

// Linear interpolation of a curve given as (x, value) keys with ascending x; flat outside.
float Curve(const std::vector<glm::vec2>& keys, float x);

}  // namespace mnxc

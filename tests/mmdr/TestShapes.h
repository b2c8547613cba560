#pragma once
// Shapes for the drawable-model GL tests, built through the test model builder.

#include <array>
#include <cmath>
#include <cstdint>
#include <glm/gtc/constants.hpp>
#include <string>

#include "support/ModelBuilder.h"

namespace mnx::test {

// Axis-aligned square in the file frame's z = z0 plane, facing the viewer at -z (the way PMX models face), with
// its own material.
inline void addSquare(ModelBuilder& b, float cx, float cy, float z0, float half, const std::string& material,
                      int bone) {
    const int first = b.AddVertex({cx - half, cy - half, z0}, bone);
    b.AddVertex({cx + half, cy - half, z0}, bone);
    b.AddVertex({cx + half, cy + half, z0}, bone);
    b.AddVertex({cx - half, cy + half, z0}, bone);
    for (int i = 0; i < 4; ++i) b.Vertex(first + i).m_normal = glm::vec3(0.0f, 0.0f, -1.0f);
    const uint32_t v = static_cast<uint32_t>(first);
    // Clockwise as the viewer at -z sees it, as MMD models are wound.
    b.AddTriangle(v, v + 2, v + 1);
    b.AddTriangle(v, v + 3, v + 2);
    b.AddMaterial(material);
}

// A sphere of smooth outward normals (the outline pass pushes the hull out along them), wound like the square.
inline void addSphere(ModelBuilder& b, float radius, const std::string& material, int bone, int rings, int segments) {
    const int first = static_cast<int>(b.Data().m_vertices.size());
    for (int r = 0; r <= rings; ++r) {
        const float phi = glm::pi<float>() * static_cast<float>(r) / rings;
        for (int s = 0; s <= segments; ++s) {
            const float theta = glm::two_pi<float>() * static_cast<float>(s) / segments;
            const glm::vec3 n(std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta));
            b.Vertex(b.AddVertex(n * radius, bone)).m_normal = n;
        }
    }
    const auto& vertices = b.Data().m_vertices;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const uint32_t a = static_cast<uint32_t>(first + r * (segments + 1) + s);
            const uint32_t c = a + segments + 1;
            for (const std::array<uint32_t, 3>& t : {std::array<uint32_t, 3>{a, a + 1, c}, {c, a + 1, c + 1}}) {
                const glm::vec3 p0 = vertices[t[0]].m_position;
                const glm::vec3 p1 = vertices[t[1]].m_position;
                const glm::vec3 p2 = vertices[t[2]].m_position;
                if (glm::dot(glm::cross(p1 - p0, p2 - p0), p0 + p1 + p2) >= 0.0f) {
                    b.AddTriangle(t[0], t[1], t[2]);
                } else {
                    b.AddTriangle(t[0], t[2], t[1]);
                }
            }
        }
    }
    b.AddMaterial(material);
}

}  // namespace mnx::test

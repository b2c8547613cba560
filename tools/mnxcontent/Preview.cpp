#include "Preview.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>
#include <glm/vec2.hpp>

namespace mnxc {
namespace {

struct ScreenVertex {
    glm::vec3 p;  // pixel x, pixel y, depth (smaller is nearer)
    glm::vec3 n;  // view-space normal
    glm::vec2 uv;
};

class Raster {
public:
    Raster(int w, int h) : m_image(w, h, glm::vec4(0.93f, 0.93f, 0.95f, 1.0f)), m_depth(static_cast<size_t>(w) * h,
                                                                                      std::numeric_limits<float>::max()) {}

    template <typename Shade>
    void Triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, Shade shade) {
        const float area = Edge(a.p, b.p, c.p);
        if (std::fabs(area) < 1e-8f) {
            return;
        }
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.p.x, b.p.x, c.p.x}))));
        const int x1 = std::min(m_image.width - 1, static_cast<int>(std::ceil(std::max({a.p.x, b.p.x, c.p.x}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.p.y, b.p.y, c.p.y}))));
        const int y1 = std::min(m_image.height - 1, static_cast<int>(std::ceil(std::max({a.p.y, b.p.y, c.p.y}))));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const glm::vec3 p(x + 0.5f, y + 0.5f, 0.0f);
                const float w0 = Edge(b.p, c.p, p) / area;
                const float w1 = Edge(c.p, a.p, p) / area;
                const float w2 = Edge(a.p, b.p, p) / area;
                if (w0 < 0.0f || w1 < 0.0f || w2 < 0.0f) {
                    continue;
                }
                const float z = a.p.z * w0 + b.p.z * w1 + c.p.z * w2;
                float& depth = m_depth[static_cast<size_t>(y) * m_image.width + x];
                if (z >= depth) {
                    continue;
                }
                const glm::vec3 n = glm::normalize(a.n * w0 + b.n * w1 + c.n * w2);
                const glm::vec2 uv = a.uv * w0 + b.uv * w1 + c.uv * w2;
                const glm::vec4 colour = shade(n, uv);
                if (colour.a < 0.02f) {
                    continue;
                }
                const glm::vec4 under = m_image.Get(x, y);
                m_image.Set(x, y, glm::vec4(glm::mix(glm::vec3(under), glm::vec3(colour), colour.a), 1.0f));
                if (colour.a > 0.5f) {
                    depth = z;
                }
            }
        }
    }

    Image& image() { return m_image; }

private:
    static float Edge(const glm::vec3& a, const glm::vec3& b, const glm::vec3& p) {
        return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    }

    Image m_image;
    std::vector<float> m_depth;
};

}  // namespace

Image RenderPreview(const mmd::PMXFileData& pmx, const std::map<std::string, Image>& textures,
                    const PreviewOptions& options, const std::vector<glm::vec3>& positions) {
    Raster raster(options.width, options.height);
    const float yaw = glm::radians(options.yawDegrees);
    const float cy = std::cos(yaw);
    const float sy = std::sin(yaw);
    const float scale = options.height / options.viewHeight;
    auto view = [&](const glm::vec3& p) {
        const glm::vec3 d = p - options.centre;
        return glm::vec3(d.x * cy - d.z * sy, d.y, d.x * sy + d.z * cy);
    };
    auto toScreen = [&](const glm::vec3& v) {
        return glm::vec3(options.width * 0.5f + v.x * scale, options.height * 0.5f - v.y * scale, v.z);
    };
    std::vector<ScreenVertex> verts(pmx.m_vertices.size());
    std::vector<glm::vec3> viewPos(pmx.m_vertices.size());
    for (size_t i = 0; i < pmx.m_vertices.size(); ++i) {
        const glm::vec3 p = positions.empty() ? pmx.m_vertices[i].m_position : positions[i];
        viewPos[i] = view(p);
        verts[i].p = toScreen(viewPos[i]);
        verts[i].n = view(pmx.m_vertices[i].m_normal + options.centre);
        verts[i].uv = pmx.m_vertices[i].m_uv;
    }
    const glm::vec3 light = glm::normalize(glm::vec3(-0.35f, 0.55f, -1.0f));
    size_t first = 0;
    for (const mmd::PMXMaterial& m : pmx.m_materials) {
        const size_t count = static_cast<size_t>(m.m_faceIndexCount) / 3;
        const Image* texture = nullptr;
        if (m.m_textureIndex >= 0 && static_cast<size_t>(m.m_textureIndex) < pmx.m_textures.size()) {
            const auto it = textures.find(pmx.m_textures[m.m_textureIndex]);
            texture = it == textures.end() ? nullptr : &it->second;
        }
        const bool both = (m.m_drawFlags & mmd::kPMXDrawBothFace) != 0;
        // Outline: back faces pushed out along the normals, drawn in the edge colour.
        if ((m.m_drawFlags & mmd::kPMXDrawEdge) && m.m_edgeSize > 0.0f && m.m_diffuse.a > 0.0f) {
            for (size_t f = first; f < first + count; ++f) {
                ScreenVertex sv[3];
                for (int k = 0; k < 3; ++k) {
                    const uint32_t vi = pmx.m_faces[f].m_vertices[k];
                    sv[k] = verts[vi];
                    const float push = 0.035f * m.m_edgeSize * pmx.m_vertices[vi].m_edgeScale;
                    sv[k].p = toScreen(viewPos[vi] + verts[vi].n * push);
                }
                const glm::vec3 pn = glm::cross(sv[1].p - sv[0].p, sv[2].p - sv[0].p);
                if (pn.z > 0.0f) {  // screen Y points down: front faces have positive z here
                    continue;
                }
                const glm::vec4 edge = m.m_edgeColor;
                raster.Triangle(sv[0], sv[2], sv[1], [&](const glm::vec3&, const glm::vec2&) { return edge; });
            }
        }
        for (size_t f = first; f < first + count; ++f) {
            const ScreenVertex& a = verts[pmx.m_faces[f].m_vertices[0]];
            const ScreenVertex& b = verts[pmx.m_faces[f].m_vertices[1]];
            const ScreenVertex& c = verts[pmx.m_faces[f].m_vertices[2]];
            // Front faces have cross(b - a, c - a) toward the viewer (-Z); on screen Y points down, so such a
            // triangle is clockwise in pixel space.
            const glm::vec3 n = glm::cross(viewPos[pmx.m_faces[f].m_vertices[1]] - viewPos[pmx.m_faces[f].m_vertices[0]],
                                           viewPos[pmx.m_faces[f].m_vertices[2]] - viewPos[pmx.m_faces[f].m_vertices[0]]);
            const bool front = n.z < 0.0f;
            if (!front && !both) {
                continue;
            }
            auto shade = [&](const glm::vec3& normal, const glm::vec2& uv) {
                glm::vec3 nn = front ? normal : -normal;
                const float lit = glm::dot(nn, light);
                glm::vec4 base = glm::vec4(glm::vec3(m.m_diffuse) * 0.6f + m.m_ambient, m.m_diffuse.a);
                base = glm::clamp(base, 0.0f, 1.0f);
                if (texture) {
                    base *= texture->Sample(uv.x, uv.y);
                }
                const float toon = lit > 0.05f ? 1.0f : 0.78f;
                return glm::vec4(glm::vec3(base) * toon, base.a);
            };
            raster.Triangle(a, b, c, shade);
        }
        first += count;
    }
    return raster.image();
}

}  // namespace mnxc

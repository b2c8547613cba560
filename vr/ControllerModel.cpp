#include "vr/ControllerModel.h"

#include <cstdint>
#include <vector>

#include "vr/GLRenderModel.h"

namespace {

constexpr int kTextureSize = 64;

// The 32-byte vertex GLRenderModel draws.
struct Vertex {
    float position[3];  // metres, controller space
    float normal[3];
    float uv[2];
};
static_assert(sizeof(Vertex) == 32, "render model vertex layout");

}  // namespace

bool buildControllerModel(GLRenderModel& model) {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    const float hx = 0.02f, hy = 0.015f, z0 = -0.03f, z1 = 0.11f;
    // Per face: outward normal and four corners counter-clockwise seen from outside.
    struct Face {
        float n[3];
        float c[4][3];
    };
    const Face faces[6] = {
        {{1, 0, 0}, {{hx, -hy, z1}, {hx, -hy, z0}, {hx, hy, z0}, {hx, hy, z1}}},
        {{-1, 0, 0}, {{-hx, -hy, z0}, {-hx, -hy, z1}, {-hx, hy, z1}, {-hx, hy, z0}}},
        {{0, 1, 0}, {{-hx, hy, z1}, {hx, hy, z1}, {hx, hy, z0}, {-hx, hy, z0}}},
        {{0, -1, 0}, {{-hx, -hy, z0}, {hx, -hy, z0}, {hx, -hy, z1}, {-hx, -hy, z1}}},
        {{0, 0, 1}, {{-hx, -hy, z1}, {hx, -hy, z1}, {hx, hy, z1}, {-hx, hy, z1}}},
        {{0, 0, -1}, {{hx, -hy, z0}, {-hx, -hy, z0}, {-hx, hy, z0}, {hx, hy, z0}}},
    };
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (const Face& f : faces) {
        const auto base = static_cast<uint16_t>(vertices.size());
        for (int i = 0; i < 4; ++i) {
            Vertex v{};
            for (int k = 0; k < 3; ++k) {
                v.position[k] = f.c[i][k];
                v.normal[k] = f.n[k];
            }
            v.uv[0] = uv[i][0];
            v.uv[1] = uv[i][1];
            vertices.push_back(v);
        }
        // Clockwise order of the counter-clockwise corners.
        for (uint16_t i : {0, 2, 1, 0, 3, 2}) indices.push_back(static_cast<uint16_t>(base + i));
    }
    std::vector<uint8_t> pixels(kTextureSize * kTextureSize * 4);
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            uint8_t* p = &pixels[(y * kTextureSize + x) * 4];
            const bool stripe = y >= 8 && y < 16;  // a blue band near the tip
            const bool grid = (x % 16 == 0) || (y % 16 == 0);
            p[0] = stripe ? 40 : grid ? 110 : 70;
            p[1] = stripe ? 120 : grid ? 110 : 70;
            p[2] = stripe ? 230 : grid ? 115 : 76;
            p[3] = 255;
        }
    }
    return model.build(vertices.data(), static_cast<unsigned>(vertices.size()), indices.data(),
                       static_cast<unsigned>(indices.size() / 3), pixels.data(), kTextureSize, kTextureSize);
}

#include "vr/SimulatedRenderModel.h"

#include <map>
#include <memory>
#include <vector>

using namespace mnxvr;

namespace {

struct OwnedModel {
    RenderModel_t header{};
    std::vector<RenderModel_Vertex_t> vertices;
    std::vector<uint16_t> indices;
};

struct OwnedTexture {
    RenderModel_TextureMap_t header{};
    std::vector<uint8_t> pixels;
};

constexpr int kTextureSize = 64;

// Live copies by the address handed out; the runtime's callers only ever see the headers.
std::map<const RenderModel_t*, std::unique_ptr<OwnedModel>>& liveModels() {
    static std::map<const RenderModel_t*, std::unique_ptr<OwnedModel>> models;
    return models;
}
std::map<const RenderModel_TextureMap_t*, std::unique_ptr<OwnedTexture>>& liveTextures() {
    static std::map<const RenderModel_TextureMap_t*, std::unique_ptr<OwnedTexture>> textures;
    return textures;
}

}  // namespace

RenderModel_t* createSimulatedControllerModel(TextureID_t textureId) {
    auto ownedPtr = std::make_unique<OwnedModel>();
    OwnedModel* owned = ownedPtr.get();
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
        const auto base = static_cast<uint16_t>(owned->vertices.size());
        for (int i = 0; i < 4; ++i) {
            RenderModel_Vertex_t v{};
            for (int k = 0; k < 3; ++k) {
                v.vPosition.v[k] = f.c[i][k];
                v.vNormal.v[k] = f.n[k];
            }
            v.rfTextureCoord[0] = uv[i][0];
            v.rfTextureCoord[1] = uv[i][1];
            owned->vertices.push_back(v);
        }
        // Clockwise order of the counter-clockwise corners.
        for (uint16_t i : {0, 2, 1, 0, 3, 2}) owned->indices.push_back(static_cast<uint16_t>(base + i));
    }
    owned->header.rVertexData = owned->vertices.data();
    owned->header.unVertexCount = static_cast<uint32_t>(owned->vertices.size());
    owned->header.rIndexData = owned->indices.data();
    owned->header.unTriangleCount = static_cast<uint32_t>(owned->indices.size() / 3);
    owned->header.diffuseTextureId = textureId;
    liveModels()[&owned->header] = std::move(ownedPtr);
    return &owned->header;
}

void freeSimulatedControllerModel(RenderModel_t* model) { liveModels().erase(model); }

RenderModel_TextureMap_t* createSimulatedControllerTexture() {
    auto ownedPtr = std::make_unique<OwnedTexture>();
    OwnedTexture* owned = ownedPtr.get();
    owned->pixels.resize(kTextureSize * kTextureSize * 4);
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            uint8_t* p = &owned->pixels[(y * kTextureSize + x) * 4];
            const bool stripe = y >= 8 && y < 16;  // a blue band near the tip
            const bool grid = (x % 16 == 0) || (y % 16 == 0);
            p[0] = stripe ? 40 : grid ? 110 : 70;
            p[1] = stripe ? 120 : grid ? 110 : 70;
            p[2] = stripe ? 230 : grid ? 115 : 76;
            p[3] = 255;
        }
    }
    owned->header.unWidth = kTextureSize;
    owned->header.unHeight = kTextureSize;
    owned->header.rubTextureMapData = owned->pixels.data();
    liveTextures()[&owned->header] = std::move(ownedPtr);
    return &owned->header;
}

void freeSimulatedControllerTexture(RenderModel_TextureMap_t* texture) { liveTextures().erase(texture); }

#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "mmd/PMXFile.h"

namespace mnxc {

// Skin weights of one vertex: up to four bones, weights summing to 1 (count 1, 2 or 4 decides BDEF1/2/4).
struct BoneWeights {
    std::array<int32_t, 4> bones{0, 0, 0, 0};
    std::array<float, 4> weights{1.0f, 0.0f, 0.0f, 0.0f};
    int count = 1;
};

// Collects (bone, weight) pairs, merges duplicates and keeps the four strongest, normalised.
class WeightMix {
public:
    WeightMix() = default;
    explicit WeightMix(int32_t bone) { Add(bone, 1.0f); }
    void Add(int32_t bone, float weight);
    void Add(const WeightMix& other, float scale);
    BoneWeights Finish() const;

private:
    std::vector<std::pair<int32_t, float>> m_entries;
};

// Weights along a one-dimensional coordinate (arc length along a limb, height on the torso): between two keys the
// weight vectors blend with a smoothstep, so joints bend without creases; outside the keys the end key holds.
class WeightTrack {
public:
    WeightTrack& Key(float s, int32_t bone);
    WeightTrack& Key(float s, const WeightMix& mix);
    WeightMix At(float s) const;

private:
    std::vector<std::pair<float, WeightMix>> m_keys;  // ascending s
};

// A point of a parametric surface: position (PMX file frame) and texture coordinate.
struct SurfacePoint {
    glm::vec3 position{0.0f};
    glm::vec2 uv{0.0f};
};

// Indices of a generated grid, row-major: (cols + wrap) per row, rows rows.
struct GridIndices {
    std::vector<uint32_t> vertices;
    int cols = 0;  // vertices per row
    int rows = 0;
    uint32_t At(int col, int row) const { return vertices[static_cast<size_t>(row) * cols + col]; }
};

// Parameter of grid column c (cols as passed to MeshBuilder::Grid) and of grid row r.
inline float GridU(int c, int cols, bool wrapU) {
    return wrapU ? static_cast<float>(c) / static_cast<float>(cols) : static_cast<float>(c) / static_cast<float>(cols - 1);
}
inline float GridV(int r, int rows) { return static_cast<float>(r) / static_cast<float>(rows - 1); }

// Appends vertices and per-material triangles to PMX data. Triangles are wound so that
// cross(b - a, c - a) points out of the surface (the front side in the runtime after its Z flip).
class MeshBuilder {
public:
    using SurfaceFn = std::function<SurfacePoint(float u, float v)>;
    using WeightFn = std::function<BoneWeights(float u, float v, const glm::vec3& position)>;

    MeshBuilder(mmd::PMXFileData& pmx, size_t materialCount);

    uint32_t AddVertex(const glm::vec3& position, const glm::vec3& normal, const glm::vec2& uv,
                       const BoneWeights& weights, float edgeScale = 1.0f);
    void AddTriangle(int material, uint32_t a, uint32_t b, uint32_t c);

    // A (cols x rows) grid over u, v in [0, 1]. Normals are averaged from the grid's own triangles, so they are
    // smooth across the surface and across the seam when wrapU closes it; rows whose points coincide (poles) get
    // one shared normal. The outside is the side of cross(dP/du, dP/dv); flip turns it round.
    GridIndices Grid(int material, int cols, int rows, bool wrapU, const SurfaceFn& surface, const WeightFn& weights,
                     bool flip = false, float edgeScale = 1.0f);

    // Moves every material's triangles into pmx.m_faces in material order and sets the face index counts.
    void Finish();

    size_t VertexCount() const { return m_pmx.m_vertices.size(); }

private:
    mmd::PMXFileData& m_pmx;
    std::vector<std::vector<mmd::PMXFace>> m_facesByMaterial;
};

}  // namespace mnxc

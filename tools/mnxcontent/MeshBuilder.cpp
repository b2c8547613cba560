#include "MeshBuilder.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include <glm/geometric.hpp>

namespace mnxc {

void WeightMix::Add(int32_t bone, float weight) {
    if (weight <= 0.0f) {
        return;
    }
    for (auto& entry : m_entries) {
        if (entry.first == bone) {
            entry.second += weight;
            return;
        }
    }
    m_entries.emplace_back(bone, weight);
}

void WeightMix::Add(const WeightMix& other, float scale) {
    for (const auto& entry : other.m_entries) {
        Add(entry.first, entry.second * scale);
    }
}

BoneWeights WeightMix::Finish() const {
    assert(!m_entries.empty());
    auto entries = m_entries;
    // Stable order (strongest first, then lowest bone) keeps the output deterministic.
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second) {
            return a.second > b.second;
        }
        return a.first < b.first;
    });
    // Tiny contributions only bloat BDEF4 records.
    while (entries.size() > 1 && entries.back().second < 0.01f) {
        entries.pop_back();
    }
    if (entries.size() > 4) {
        entries.resize(4);
    }
    float sum = 0.0f;
    for (const auto& entry : entries) {
        sum += entry.second;
    }
    BoneWeights out;
    out.count = entries.size() == 1 ? 1 : (entries.size() == 2 ? 2 : 4);
    out.weights = {0.0f, 0.0f, 0.0f, 0.0f};
    out.bones = {0, 0, 0, 0};
    for (size_t i = 0; i < entries.size(); ++i) {
        out.bones[i] = entries[i].first;
        out.weights[i] = entries[i].second / sum;
    }
    if (out.count == 4) {
        // Unused BDEF4 slots repeat the first bone with weight zero.
        for (size_t i = entries.size(); i < 4; ++i) {
            out.bones[i] = out.bones[0];
        }
    }
    return out;
}

WeightTrack& WeightTrack::Key(float s, int32_t bone) { return Key(s, WeightMix(bone)); }

WeightTrack& WeightTrack::Key(float s, const WeightMix& mix) {
    assert(m_keys.empty() || s >= m_keys.back().first);
    m_keys.emplace_back(s, mix);
    return *this;
}

WeightMix WeightTrack::At(float s) const {
    assert(!m_keys.empty());
    if (s <= m_keys.front().first) {
        return m_keys.front().second;
    }
    for (size_t i = 1; i < m_keys.size(); ++i) {
        if (s <= m_keys[i].first) {
            const float s0 = m_keys[i - 1].first;
            const float s1 = m_keys[i].first;
            const float t = s1 > s0 ? (s - s0) / (s1 - s0) : 1.0f;
            const float k = t * t * (3.0f - 2.0f * t);
            WeightMix mix;
            mix.Add(m_keys[i - 1].second, 1.0f - k);
            mix.Add(m_keys[i].second, k);
            return mix;
        }
    }
    return m_keys.back().second;
}

MeshBuilder::MeshBuilder(mmd::PMXFileData& pmx, size_t materialCount)
    : m_pmx(pmx), m_facesByMaterial(materialCount) {}

uint32_t MeshBuilder::AddVertex(const glm::vec3& position, const glm::vec3& normal, const glm::vec2& uv,
                                const BoneWeights& weights, float edgeScale) {
    mmd::PMXVertex v;
    v.m_position = position;
    v.m_normal = normal;
    v.m_uv = uv;
    v.m_weightType = weights.count == 1   ? mmd::PMXVertexWeight::BDEF1
                     : weights.count == 2 ? mmd::PMXVertexWeight::BDEF2
                                          : mmd::PMXVertexWeight::BDEF4;
    v.m_boneIndices = weights.bones;
    v.m_boneWeights = weights.weights;
    if (weights.count == 1) {
        v.m_boneWeights = {0.0f, 0.0f, 0.0f, 0.0f};
        v.m_boneIndices = {weights.bones[0], 0, 0, 0};
    } else if (weights.count == 2) {
        v.m_boneWeights = {weights.weights[0], 0.0f, 0.0f, 0.0f};
        v.m_boneIndices = {weights.bones[0], weights.bones[1], 0, 0};
    }
    v.m_edgeScale = edgeScale;
    m_pmx.m_vertices.push_back(v);
    return static_cast<uint32_t>(m_pmx.m_vertices.size() - 1);
}

void MeshBuilder::AddTriangle(int material, uint32_t a, uint32_t b, uint32_t c) {
    assert(material >= 0 && static_cast<size_t>(material) < m_facesByMaterial.size());
    m_facesByMaterial[material].push_back(mmd::PMXFace{{a, b, c}});
}

GridIndices MeshBuilder::Grid(int material, int cols, int rows, bool wrapU, const SurfaceFn& surface,
                              const WeightFn& weights, bool flip, float edgeScale) {
    assert(cols >= 2 && rows >= 2);
    const int uniqueCols = cols;
    const int vertexCols = wrapU ? cols + 1 : cols;
    std::vector<SurfacePoint> points(static_cast<size_t>(vertexCols) * rows);
    for (int r = 0; r < rows; ++r) {
        const float v = GridV(r, rows);
        for (int c = 0; c < vertexCols; ++c) {
            const float u = GridU(c, cols, wrapU);
            points[static_cast<size_t>(r) * vertexCols + c] = surface(u, v);
        }
    }
    // Normal accumulation per unique grid position (the seam column shares column 0).
    auto slot = [&](int c, int r) { return static_cast<size_t>(r) * uniqueCols + (wrapU ? c % cols : c); };
    std::vector<glm::vec3> normals(static_cast<size_t>(uniqueCols) * rows, glm::vec3(0.0f));
    auto pos = [&](int c, int r) { return points[static_cast<size_t>(r) * vertexCols + c].position; };
    const int quadCols = wrapU ? cols : cols - 1;
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c < quadCols; ++c) {
            const int c1 = c + 1;
            const glm::vec3 n1 = glm::cross(pos(c1, r) - pos(c, r), pos(c1, r + 1) - pos(c, r));
            const glm::vec3 n2 = glm::cross(pos(c1, r + 1) - pos(c, r), pos(c, r + 1) - pos(c, r));
            normals[slot(c, r)] += n1 + n2;
            normals[slot(c1, r)] += n1;
            normals[slot(c1, r + 1)] += n1 + n2;
            normals[slot(c, r + 1)] += n2;
        }
    }
    for (int r = 0; r < rows; ++r) {
        bool pole = true;
        for (int c = 1; c < uniqueCols && pole; ++c) {
            pole = glm::length(pos(c, r) - pos(0, r)) < 1e-5f;
        }
        if (pole) {
            glm::vec3 sum(0.0f);
            for (int c = 0; c < uniqueCols; ++c) {
                sum += normals[slot(c, r)];
            }
            for (int c = 0; c < uniqueCols; ++c) {
                normals[slot(c, r)] = sum;
            }
        }
    }
    GridIndices grid;
    grid.cols = vertexCols;
    grid.rows = rows;
    grid.vertices.reserve(points.size());
    for (int r = 0; r < rows; ++r) {
        const float v = GridV(r, rows);
        for (int c = 0; c < vertexCols; ++c) {
            const float u = GridU(c, cols, wrapU);
            const SurfacePoint& p = points[static_cast<size_t>(r) * vertexCols + c];
            glm::vec3 n = normals[slot(c, r)];
            const float len = glm::length(n);
            n = len > 1e-12f ? n / len : glm::vec3(0.0f, 1.0f, 0.0f);
            if (flip) {
                n = -n;
            }
            grid.vertices.push_back(AddVertex(p.position, n, p.uv, weights(u, v, p.position), edgeScale));
        }
    }
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c < quadCols; ++c) {
            const uint32_t a = grid.At(c, r);
            const uint32_t b = grid.At(c + 1, r);
            const uint32_t d = grid.At(c + 1, r + 1);
            const uint32_t e = grid.At(c, r + 1);
            const bool degenerateTop = glm::length(pos(c + 1, r) - pos(c, r)) < 1e-6f;
            const bool degenerateBottom = glm::length(pos(c + 1, r + 1) - pos(c, r + 1)) < 1e-6f;
            if (flip) {
                if (!degenerateTop) AddTriangle(material, a, d, b);
                if (!degenerateBottom) AddTriangle(material, a, e, d);
            } else {
                if (!degenerateTop) AddTriangle(material, a, b, d);
                if (!degenerateBottom) AddTriangle(material, a, d, e);
            }
        }
    }
    return grid;
}

void MeshBuilder::Finish() {
    m_pmx.m_faces.clear();
    for (size_t m = 0; m < m_facesByMaterial.size(); ++m) {
        m_pmx.m_materials[m].m_faceIndexCount = static_cast<int32_t>(m_facesByMaterial[m].size() * 3);
        m_pmx.m_faces.insert(m_pmx.m_faces.end(), m_facesByMaterial[m].begin(), m_facesByMaterial[m].end());
        m_facesByMaterial[m].clear();
    }
}

}  // namespace mnxc

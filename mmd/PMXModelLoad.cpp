// Building a PMXModel from a PMX file: conversion to the right-handed frame and validation of every index.

#include "mmd/Logger.h"
#include "mmd/MMDPhysicsManager.h"
#include "mmd/PMXModel.h"
#include "mmd/Path.h"

#include <spdlog/fmt/fmt.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstring>
#include <numeric>

namespace mmd {

namespace {

glm::vec3 FlipZ(const glm::vec3& v) { return glm::vec3(v.x, v.y, -v.z); }

// True when index names an element of a list of `count`.
bool InRange(int32_t index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

// Iterations of one IK solve are bounded so that a corrupt loop count cannot stall a frame; real models use tens.
constexpr int32_t kMaxIKIterations = 1000;

// Disjoint sets over the bones, each set being one tree of the hierarchy built so far, to find a parent link that
// would close a loop in near-constant time per bone.
class TreeSets {
public:
    explicit TreeSets(size_t count) : m_parent(count) { std::iota(m_parent.begin(), m_parent.end(), size_t{0}); }
    size_t Find(size_t i) {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }
    void Join(size_t a, size_t b) { m_parent[Find(a)] = Find(b); }

private:
    std::vector<size_t> m_parent;
};

}  // namespace

bool PMXModel::Load(const std::string& pathUtf8, const std::string& sharedToonDir, float scale) {
    using Clock = std::chrono::steady_clock;
    const auto micros = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::micro>(to - from).count();
    };
    const auto start = Clock::now();
    Destroy();
    SetLoadScale(scale);
    PMXFileData pmx;
    if (!ReadPMXFile(pmx, pathUtf8)) {
        return false;
    }
    const auto parsed = Clock::now();
    m_modelDir = GetDirectoryName(pathUtf8);

    LoadVertices(pmx);
    if (!LoadIndices(pmx)) {
        Destroy();
        return false;
    }
    LoadMaterials(pmx, sharedToonDir);
    LoadNodes(pmx);
    LoadIKSolvers(pmx);
    LoadMorphs(pmx);
    const auto modelBuilt = Clock::now();

#ifndef MNX_MMD_NO_PHYSICS
    m_physicsManager = std::make_unique<MMDPhysicsManager>();
    if (!m_physicsManager->CreateFromPMX(pmx, this)) {
        Destroy();
        return false;
    }
    m_physicsManager->ResetPhysics(this);
#endif
    const auto physicsBuilt = Clock::now();

    std::stable_sort(m_subMeshes.begin(), m_subMeshes.end(),
                     [](const MMDSubMesh& a, const MMDSubMesh& b) { return a.m_materialID < b.m_materialID; });
    m_pmxMaterials = std::move(pmx.m_materials);
    m_pmxMorphs = std::move(pmx.m_morphs);
    SetParallelUpdateCount();
    const auto end = Clock::now();
    m_loadTimings.m_parseUs = micros(start, parsed);
    m_loadTimings.m_modelUs = micros(parsed, modelBuilt) + micros(physicsBuilt, end);
    m_loadTimings.m_physicsUs = micros(modelBuilt, physicsBuilt);
    return true;
}

void PMXModel::LoadVertices(const PMXFileData& pmx) {
    using SkinningType = VertexBoneInfo::SkinningType;
    const size_t vertexCount = pmx.m_vertices.size();
    const size_t boneCount = pmx.m_bones.size();
    m_positions.reserve(vertexCount);
    m_normals.reserve(vertexCount);
    m_uvs.reserve(vertexCount);
    m_edgeScales.reserve(vertexCount);
    m_vertexBoneInfos.reserve(vertexCount);
    m_bboxMin = glm::vec3(FLT_MAX);
    m_bboxMax = glm::vec3(-FLT_MAX);

    bool loggedSDEF = false;
    bool loggedQDEF = false;
    size_t badBones = 0;
    auto bone = [&](int32_t index) {
        if (InRange(index, boneCount)) {
            return index;
        }
        badBones += index != -1 ? 1 : 0;
        return -1;
    };
    for (const PMXVertex& v : pmx.m_vertices) {
        const glm::vec3 position = FlipZ(v.m_position);
        m_positions.push_back(position);
        m_normals.push_back(FlipZ(v.m_normal));
        m_uvs.push_back(glm::vec2(v.m_uv.x, 1.0f - v.m_uv.y));
        m_edgeScales.push_back(v.m_edgeScale);
        m_bboxMin = glm::min(m_bboxMin, position);
        m_bboxMax = glm::max(m_bboxMax, position);

        VertexBoneInfo info;
        switch (v.m_weightType) {
            case PMXVertexWeight::BDEF1:
                info.m_skinningType = SkinningType::BDEF1;
                info.m_boneIndex[0] = bone(v.m_boneIndices[0]);
                info.m_boneWeight[0] = 1.0f;
                break;
            case PMXVertexWeight::BDEF2:
                info.m_skinningType = SkinningType::BDEF2;
                info.m_boneIndex[0] = bone(v.m_boneIndices[0]);
                info.m_boneIndex[1] = bone(v.m_boneIndices[1]);
                info.m_boneWeight[0] = v.m_boneWeights[0];
                info.m_boneWeight[1] = 1.0f - v.m_boneWeights[0];
                break;
            case PMXVertexWeight::BDEF4:
            case PMXVertexWeight::QDEF:
                if (v.m_weightType == PMXVertexWeight::QDEF && !loggedQDEF) {
                    GetLogger()->info("Use QDEF");
                    loggedQDEF = true;
                }
                info.m_skinningType =
                    v.m_weightType == PMXVertexWeight::QDEF ? SkinningType::QDEF : SkinningType::BDEF4;
                for (size_t k = 0; k < 4; ++k) {
                    info.m_boneIndex[k] = bone(v.m_boneIndices[k]);
                    info.m_boneWeight[k] = v.m_boneWeights[k];
                }
                break;
            case PMXVertexWeight::SDEF: {
                if (!loggedSDEF) {
                    GetLogger()->warn("Use SDEF");
                    loggedSDEF = true;
                }
                const float w0 = v.m_boneWeights[0];
                const float w1 = 1.0f - w0;
                info.m_boneIndex[0] = bone(v.m_boneIndices[0]);
                info.m_boneIndex[1] = bone(v.m_boneIndices[1]);
                info.m_boneWeight[0] = w0;
                info.m_boneWeight[1] = w1;
                if (info.m_boneIndex[0] < 0 || info.m_boneIndex[1] < 0) {
                    // Spherical deform needs both bones; with one missing it degrades to a linear blend.
                    info.m_skinningType = SkinningType::BDEF2;
                    break;
                }
                info.m_skinningType = SkinningType::SDEF;
                const glm::vec3 c = FlipZ(v.m_sdefC);
                const glm::vec3 r0 = FlipZ(v.m_sdefR0);
                const glm::vec3 r1 = FlipZ(v.m_sdefR1);
                const glm::vec3 rw = r0 * w0 + r1 * w1;
                SdefParams params;
                params.m_c = c;
                params.m_cr0 = (c + (c + r0 - rw)) * 0.5f;
                params.m_cr1 = (c + (c + r1 - rw)) * 0.5f;
                info.m_boneIndex[2] = static_cast<int32_t>(m_sdefParams.size());
                m_sdefParams.push_back(params);
                break;
            }
            default:
                GetLogger()->error("Unknown PMX Vertex Weight Type: {}", static_cast<int>(v.m_weightType));
                info.m_skinningType = SkinningType::BDEF1;
                info.m_boneIndex[0] = bone(v.m_boneIndices[0]);
                info.m_boneWeight[0] = 1.0f;
                break;
        }
        // A vertex left without any bone stays where it is rather than collapsing to the origin.
        if (info.m_skinningType != SkinningType::SDEF &&
            std::all_of(info.m_boneIndex.begin(), info.m_boneIndex.end(), [](int32_t b) { return b < 0; })) {
            info = VertexBoneInfo{};
        }
        m_hasSDEF = m_hasSDEF || info.m_skinningType == SkinningType::SDEF;
        m_hasQDEF = m_hasQDEF || info.m_skinningType == SkinningType::QDEF;
        m_vertexBoneInfos.push_back(info);
    }
    if (badBones > 0) {
        GetLogger()->warn("{} vertex bone indices out of range: treated as none", badBones);
    }

    m_updatePositions = m_positions;
    m_updateNormals = m_normals;
    m_updateUVs = m_uvs;
    m_morphPositions.assign(vertexCount, glm::vec3(0.0f));
    m_morphUVs.assign(vertexCount, glm::vec4(0.0f));
}

bool PMXModel::LoadIndices(const PMXFileData& pmx) {
    const size_t elementSize = pmx.m_header.m_vertexIndexSize;
    if (elementSize != 1 && elementSize != 2 && elementSize != 4) {
        GetLogger()->error("Unsupported Index Size: [{}]", elementSize);
        return false;
    }
    const size_t vertexCount = m_positions.size();
    size_t badFaces = 0;
    for (const PMXFace& face : pmx.m_faces) {
        for (uint32_t v : face.m_vertices) {
            if (v >= vertexCount) {
                ++badFaces;
                break;
            }
        }
    }
    m_indexElementSize = elementSize;
    if (badFaces > 0 && vertexCount == 0) {
        // Nothing to draw: no triangle can be kept.
        GetLogger()->warn("{} faces reference vertices out of range: dropped", badFaces);
        m_indexCount = 0;
        return true;
    }
    m_indexCount = pmx.m_faces.size() * 3;
    m_indices.resize(m_indexCount * elementSize);
    // The Z flip mirrors the mesh, so the winding is reversed; a face naming a vertex that does not exist becomes
    // degenerate (drawn as nothing) so the material ranges stay intact.
    auto encode = [&](auto width) {
        using Index = decltype(width);
        uint8_t* out = m_indices.data();
        for (const PMXFace& face : pmx.m_faces) {
            const std::array<uint32_t, 3>& v = face.m_vertices;
            const bool valid = v[0] < vertexCount && v[1] < vertexCount && v[2] < vertexCount;
            const Index reversed[3] = {static_cast<Index>(valid ? v[2] : 0), static_cast<Index>(valid ? v[1] : 0),
                                       static_cast<Index>(valid ? v[0] : 0)};
            std::memcpy(out, reversed, sizeof(reversed));
            out += sizeof(reversed);
        }
    };
    if (elementSize == 1) {
        encode(uint8_t{});
    } else if (elementSize == 2) {
        encode(uint16_t{});
    } else {
        encode(uint32_t{});
    }
    if (badFaces > 0) {
        GetLogger()->warn("{} faces reference vertices out of range: made degenerate", badFaces);
    }
    return true;
}

void PMXModel::LoadMaterials(const PMXFileData& pmx, const std::string& sharedToonDir) {
    std::vector<std::string> texturePaths;
    texturePaths.reserve(pmx.m_textures.size());
    for (const std::string& texture : pmx.m_textures) {
        texturePaths.push_back(PathJoin(m_modelDir, texture));
    }
    auto texturePath = [&](int32_t index, const std::string& materialName) -> std::string {
        if (InRange(index, texturePaths.size())) {
            return NormalizePath(texturePaths[static_cast<size_t>(index)]);
        }
        if (index != -1) {
            GetLogger()->warn("Material [{}]: texture index {} out of range: treated as none", materialName, index);
        }
        return std::string();
    };

    int64_t beginIndex = 0;
    const int64_t indexCount = static_cast<int64_t>(m_indexCount);
    for (size_t i = 0; i < pmx.m_materials.size(); ++i) {
        const PMXMaterial& pm = pmx.m_materials[i];
        MMDMaterial m;
        m.m_diffuse = pm.m_diffuse;
        m.m_specular = pm.m_specular;
        m.m_specularPower = pm.m_specularPower;
        m.m_ambient = pm.m_ambient;
        m.m_edgeColor = pm.m_edgeColor;
        m.m_edgeSize = pm.m_edgeSize;
        m.m_bothFace = (pm.m_drawFlags & kPMXDrawBothFace) != 0;
        m.m_groundShadow = (pm.m_drawFlags & kPMXDrawGroundShadow) != 0;
        m.m_shadowCaster = (pm.m_drawFlags & kPMXDrawCastSelfShadow) != 0;
        m.m_shadowReceiver = (pm.m_drawFlags & kPMXDrawReceiveSelfShadow) != 0;
        m.m_edgeFlag = (pm.m_drawFlags & kPMXDrawEdge) != 0 ? 1 : 0;
        m.m_texture = texturePath(pm.m_textureIndex, pm.m_name);
        if (pm.m_toonMode == PMXToonMode::Shared) {
            m.m_toonTexture = PathJoin(sharedToonDir, fmt::format("toon{:02}.bmp", pm.m_toonIndex + 1));
        } else if (pm.m_toonMode == PMXToonMode::Individual) {
            m.m_toonTexture = texturePath(pm.m_toonIndex, pm.m_name);
        }
        m.m_sphereTexture = texturePath(pm.m_sphereTextureIndex, pm.m_name);
        if (!m.m_sphereTexture.empty()) {
            if (pm.m_sphereMode == PMXSphereMode::Multiply) {
                m.m_sphereTextureMode = MMDMaterial::SphereTextureMode::Mul;
            } else if (pm.m_sphereMode == PMXSphereMode::Add) {
                m.m_sphereTextureMode = MMDMaterial::SphereTextureMode::Add;
            }
        }
        m_materials.push_back(m);

        // Keep every sub-mesh inside the index buffer whatever the counts say.
        const int64_t begin = std::min(beginIndex, indexCount);
        const int64_t count = std::clamp<int64_t>(pm.m_faceIndexCount, 0, indexCount - begin);
        if (count != pm.m_faceIndexCount) {
            GetLogger()->warn("Material [{}]: face index count {} out of range: {} used", pm.m_name,
                              pm.m_faceIndexCount, count);
        }
        MMDSubMesh subMesh;
        subMesh.m_beginIndex = static_cast<int32_t>(begin);
        subMesh.m_vertexCount = static_cast<int32_t>(count);
        subMesh.m_materialID = static_cast<int32_t>(i);
        m_subMeshes.push_back(subMesh);
        beginIndex = begin + count;
    }
    m_initMaterials = m_materials;
    m_mulMaterialFactors.assign(m_materials.size(), MaterialFactor{});
    m_addMaterialFactors.assign(m_materials.size(), MaterialFactor{});
}

void PMXModel::LoadNodes(const PMXFileData& pmx) {
    const size_t boneCount = pmx.m_bones.size();
    for (const PMXBone& bone : pmx.m_bones) {
        m_nodeManager.AddNode()->SetName(bone.m_name);
    }
    TreeSets trees(boneCount);
    size_t badAppends = 0;
    for (size_t i = 0; i < boneCount; ++i) {
        const PMXBone& bone = pmx.m_bones[i];
        PMXNode* node = m_nodeManager.GetNode(i);
        const int32_t parentIndex = bone.m_parentIndex;
        bool attached = false;
        if (InRange(parentIndex, boneCount)) {
            const size_t p = static_cast<size_t>(parentIndex);
            // This bone is still a root, so the parent lies in its tree exactly when the link would close a loop.
            if (trees.Find(p) != trees.Find(i)) {
                m_nodeManager.GetNode(p)->AddChild(node);
                trees.Join(i, p);
                node->SetTranslate(FlipZ(bone.m_position - pmx.m_bones[p].m_position));
                attached = true;
            } else {
                GetLogger()->warn("Bone [{}]: parent {} would close a loop: made a root", bone.m_name, parentIndex);
            }
        } else if (parentIndex != -1) {
            GetLogger()->warn("Bone [{}]: parent index {} out of range: made a root", bone.m_name, parentIndex);
        }
        if (!attached) {
            node->SetTranslate(FlipZ(bone.m_position));
        }
        glm::mat4 global(1.0f);
        global[3] = glm::vec4(FlipZ(bone.m_position), 1.0f);
        node->SetGlobalTransform(global);
        node->CalculateInverseInitTransform();
        node->SetDeformDepth(bone.m_deformDepth);
        node->EnableDeformAfterPhysics((bone.m_flags & kPMXBoneDeformAfterPhysics) != 0);
        const bool appendRotate = (bone.m_flags & kPMXBoneAppendRotate) != 0;
        const bool appendTranslate = (bone.m_flags & kPMXBoneAppendTranslate) != 0;
        node->EnableAppendRotate(appendRotate);
        node->EnableAppendTranslate(appendTranslate);
        if ((appendRotate || appendTranslate) && bone.m_appendIndex != -1) {
            if (InRange(bone.m_appendIndex, boneCount)) {
                node->SetAppendNode(m_nodeManager.GetNode(static_cast<size_t>(bone.m_appendIndex)));
                node->EnableAppendLocal((bone.m_flags & kPMXBoneAppendLocal) != 0);
                node->SetAppendWeight(bone.m_appendWeight);
            } else {
                ++badAppends;
            }
        }
        node->SaveInitialTRS();
    }
    if (badAppends > 0) {
        GetLogger()->warn("{} append bone indices out of range: treated as none", badAppends);
    }

    m_sortedNodes.reserve(boneCount);
    for (const auto& node : m_nodeManager.GetNodes()) {
        m_sortedNodes.push_back(node.get());
    }
    std::stable_sort(m_sortedNodes.begin(), m_sortedNodes.end(),
                     [](const PMXNode* a, const PMXNode* b) { return a->GetDeformDepth() < b->GetDeformDepth(); });
    m_skinTransforms.resize(boneCount);
    m_boneRotations.resize(m_hasSDEF ? boneCount : 0);
    m_boneDualQuats.resize(m_hasQDEF ? boneCount : 0);
}

void PMXModel::LoadIKSolvers(const PMXFileData& pmx) {
    const size_t boneCount = pmx.m_bones.size();
    for (size_t i = 0; i < boneCount; ++i) {
        const PMXBone& bone = pmx.m_bones[i];
        if ((bone.m_flags & kPMXBoneIK) == 0) {
            continue;
        }
        PMXNode* ikNode = m_nodeManager.GetNode(i);
        MMDIkSolver* solver = m_ikSolverManager.AddIKSolver();
        solver->SetIKNode(ikNode);
        if (InRange(bone.m_ikTargetIndex, boneCount)) {
            solver->SetTargetNode(m_nodeManager.GetNode(static_cast<size_t>(bone.m_ikTargetIndex)));
        } else {
            GetLogger()->warn("IK [{}]: target index {} out of range: solver inactive", bone.m_name,
                              bone.m_ikTargetIndex);
        }
        int32_t iterations = bone.m_ikLoopCount;
        if (iterations > kMaxIKIterations) {
            GetLogger()->warn("IK [{}]: loop count {} limited to {}", bone.m_name, iterations, kMaxIKIterations);
            iterations = kMaxIKIterations;
        }
        solver->SetIterateCount(iterations);
        solver->SetLimitAngle(bone.m_ikLimitAngle);
        for (const PMXIKLink& link : bone.m_ikLinks) {
            if (!InRange(link.m_boneIndex, boneCount)) {
                GetLogger()->warn("IK [{}]: link bone index {} out of range: skipped", bone.m_name, link.m_boneIndex);
                continue;
            }
            PMXNode* linkNode = m_nodeManager.GetNode(static_cast<size_t>(link.m_boneIndex));
            if (link.m_enableLimit != 0) {
                // The file's bounds mirrored into the right-handed frame.
                const glm::vec3& lower = link.m_lowerLimit;
                const glm::vec3& upper = link.m_upperLimit;
                solver->AddIKChain(linkNode, glm::vec3(-upper.x, -upper.y, lower.z),
                                   glm::vec3(-lower.x, -lower.y, upper.z));
            } else {
                solver->AddIKChain(linkNode);
            }
            linkNode->EnableIK(true);
        }
        ikNode->SetIKSolver(solver);
    }
}

}  // namespace mmd

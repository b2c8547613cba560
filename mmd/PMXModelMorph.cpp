// Morphs of PMXModel: conversion of the PMX morph records at load and their evaluation each frame.

#include "mmd/Logger.h"
#include "mmd/PMXModel.h"

#include <algorithm>
#include <cstdint>

namespace mmd {

namespace {

// Bounds on what one group morph may expand to. Real models nest groups a few levels deep; a file whose groups fan out
// exponentially (each referencing the next twice) would otherwise stall every frame.
constexpr uint32_t kMaxGroupMorphDepth = 32;
constexpr uint64_t kMaxGroupMorphEvaluations = 1u << 16;

// The rotation mirrored from the file's left-handed frame: its matrix conjugated by diag(1, 1, -1).
glm::quat MirrorRotation(const glm::quat& q) {
    glm::mat4 m(glm::mat3_cast(q));
    m[0][2] = -m[0][2];
    m[1][2] = -m[1][2];
    m[2][0] = -m[2][0];
    m[2][1] = -m[2][1];
    return RotationFromMatrix(m);
}

void MultiplyBlend(float& f, float m, float w) { f = f + (f * m - f) * w; }

template <typename V>
void MultiplyBlend(V& f, const V& m, float w) {
    f = f + (f * m - f) * w;
}

void ApplyMaterialOffset(const PMXMaterialMorphOffset& o, float w, PMXModel::MaterialFactor& mul,
                         PMXModel::MaterialFactor& add) {
    if (o.m_operation == PMXMaterialMorphOp::Multiply) {
        MultiplyBlend(mul.m_diffuse, o.m_diffuse, w);
        MultiplyBlend(mul.m_specular, o.m_specular, w);
        MultiplyBlend(mul.m_specularPower, o.m_specularPower, w);
        MultiplyBlend(mul.m_ambient, o.m_ambient, w);
        MultiplyBlend(mul.m_edgeColor, o.m_edgeColor, w);
        MultiplyBlend(mul.m_edgeSize, o.m_edgeSize, w);
        MultiplyBlend(mul.m_textureFactor, o.m_textureFactor, w);
        MultiplyBlend(mul.m_sphereTextureFactor, o.m_sphereTextureFactor, w);
        MultiplyBlend(mul.m_toonTextureFactor, o.m_toonTextureFactor, w);
    } else if (o.m_operation == PMXMaterialMorphOp::Add) {
        add.m_diffuse += o.m_diffuse * w;
        add.m_specular += o.m_specular * w;
        add.m_specularPower += o.m_specularPower * w;
        add.m_ambient += o.m_ambient * w;
        add.m_edgeColor += o.m_edgeColor * w;
        add.m_edgeSize += o.m_edgeSize * w;
        add.m_textureFactor += o.m_textureFactor * w;
        add.m_sphereTextureFactor += o.m_sphereTextureFactor * w;
        add.m_toonTextureFactor += o.m_toonTextureFactor * w;
    }
}

}  // namespace

void PMXModel::LoadMorphs(const PMXFileData& pmx) {
    const size_t vertexCount = m_positions.size();
    const size_t nodeCount = m_nodeManager.GetNodeCount();
    const size_t materialCount = m_materials.size();
    const size_t morphCount = pmx.m_morphs.size();
    for (const PMXMorphRecord& record : pmx.m_morphs) {
        PMXMorph* morph = m_morphManager.AddMorph();
        morph->SetName(record.m_name);
        morph->SetWeight(0.0f);
        morph->SetBaseAnimationWeight(0.0f);
        size_t dropped = 0;
        switch (record.m_type) {
            case PMXMorphType::Position: {
                PositionMorphData data;
                data.reserve(record.m_positionOffsets.size());
                for (const PMXPositionMorphOffset& o : record.m_positionOffsets) {
                    if (o.m_vertexIndex < vertexCount) {
                        const glm::vec3 p = o.m_position;
                        data.push_back(PositionMorph{o.m_vertexIndex, glm::vec3(p.x, p.y, -p.z)});
                    } else {
                        ++dropped;
                    }
                }
                morph->SetMorphType(PMXMorph::MorphType::Position);
                morph->SetDataIndex(m_positionMorphDatas.size());
                m_positionMorphDatas.push_back(std::move(data));
                break;
            }
            case PMXMorphType::UV: {
                UVMorphData data;
                data.reserve(record.m_uvOffsets.size());
                for (const PMXUVMorphOffset& o : record.m_uvOffsets) {
                    if (o.m_vertexIndex < vertexCount) {
                        const glm::vec4 uv = o.m_uv;
                        data.push_back(UVMorph{o.m_vertexIndex, glm::vec4(uv.x, -uv.y, uv.z, uv.w)});
                    } else {
                        ++dropped;
                    }
                }
                morph->SetMorphType(PMXMorph::MorphType::UV);
                morph->SetDataIndex(m_uvMorphDatas.size());
                m_uvMorphDatas.push_back(std::move(data));
                break;
            }
            case PMXMorphType::Material: {
                MaterialMorphData data;
                data.reserve(record.m_materialOffsets.size());
                for (const PMXMaterialMorphOffset& o : record.m_materialOffsets) {
                    if (o.m_materialIndex == -1 ||
                        (o.m_materialIndex >= 0 && static_cast<size_t>(o.m_materialIndex) < materialCount)) {
                        data.push_back(o);
                    } else {
                        ++dropped;
                    }
                }
                morph->SetMorphType(PMXMorph::MorphType::Material);
                morph->SetDataIndex(m_materialMorphDatas.size());
                m_materialMorphDatas.push_back(std::move(data));
                break;
            }
            case PMXMorphType::Bone: {
                BoneMorphData data;
                data.reserve(record.m_boneOffsets.size());
                for (const PMXBoneMorphOffset& o : record.m_boneOffsets) {
                    if (o.m_boneIndex >= 0 && static_cast<size_t>(o.m_boneIndex) < nodeCount) {
                        const glm::vec3 t = o.m_translation;
                        data.push_back(BoneMorph{m_nodeManager.GetNode(static_cast<size_t>(o.m_boneIndex)),
                                                 glm::vec3(t.x, t.y, -t.z), MirrorRotation(o.m_rotation)});
                    } else {
                        ++dropped;
                    }
                }
                morph->SetMorphType(PMXMorph::MorphType::Bone);
                morph->SetDataIndex(m_boneMorphDatas.size());
                m_boneMorphDatas.push_back(std::move(data));
                break;
            }
            case PMXMorphType::Group: {
                GroupMorphData data;
                data.reserve(record.m_groupOffsets.size());
                for (const PMXGroupMorphOffset& o : record.m_groupOffsets) {
                    int32_t target = o.m_morphIndex;
                    if (target != -1 && (target < 0 || static_cast<size_t>(target) >= morphCount)) {
                        ++dropped;
                        target = -1;
                    }
                    data.push_back(GroupMorph{target, o.m_weight});
                }
                morph->SetMorphType(PMXMorph::MorphType::Group);
                morph->SetDataIndex(m_groupMorphDatas.size());
                m_groupMorphDatas.push_back(std::move(data));
                break;
            }
            default:
                morph->SetMorphType(PMXMorph::MorphType::None);
                GetLogger()->warn("Not Supported Morp Type({}): [{}]", static_cast<int>(record.m_type), record.m_name);
                break;
        }
        if (dropped > 0) {
            GetLogger()->warn("Morph [{}]: {} offsets with an index out of range ignored", record.m_name, dropped);
        }
    }
    GuardGroupMorphs();
}

void PMXModel::GuardGroupMorphs() {
    const auto& morphs = m_morphManager.GetMorphs();
    const size_t morphCount = morphs.size();
    auto groupData = [&](size_t i) -> GroupMorphData* {
        const PMXMorph& m = *morphs[i];
        if (m.GetMorphType() != PMXMorph::MorphType::Group || m.GetDataIndex() >= m_groupMorphDatas.size()) {
            return nullptr;
        }
        return &m_groupMorphDatas[m.GetDataIndex()];
    };

    // Depth-first search in offset order. A reference to a morph still on the path closes a cycle and is cut; a
    // finished morph cannot lead back to the path, so it is not searched again.
    enum : uint8_t { kUnvisited, kOnPath, kDone };
    struct Frame {
        size_t morph;
        size_t nextOffset;
    };
    std::vector<uint8_t> state(morphCount, kUnvisited);
    std::vector<Frame> path;
    std::vector<size_t> finishOrder;  // every group after all groups it references
    for (size_t root = 0; root < morphCount; ++root) {
        if (state[root] != kUnvisited || groupData(root) == nullptr) {
            continue;
        }
        state[root] = kOnPath;
        path.push_back(Frame{root, 0});
        while (!path.empty()) {
            const size_t current = path.back().morph;
            GroupMorphData& data = *groupData(current);
            if (path.back().nextOffset >= data.size()) {
                state[current] = kDone;
                finishOrder.push_back(current);
                path.pop_back();
                continue;
            }
            const size_t k = path.back().nextOffset++;
            const int32_t target = data[k].m_morphIndex;
            if (target < 0) {
                continue;
            }
            const size_t t = static_cast<size_t>(target);
            if (state[t] == kOnPath) {
                GetLogger()->warn("Infinit Group Morph:[{}][{}][{}]", current, morphs[current]->GetName(), k);
                data[k].m_morphIndex = -1;
            } else if (state[t] == kUnvisited && groupData(t) != nullptr) {
                state[t] = kOnPath;
                path.push_back(Frame{t, 0});
            }
        }
    }

    // With the cycles gone, bound how deep and how wide each group expands.
    std::vector<uint32_t> depth(morphCount, 0);
    std::vector<uint64_t> evaluations(morphCount, 1);
    for (size_t current : finishOrder) {
        GroupMorphData& data = *groupData(current);
        uint32_t d = 0;
        uint64_t e = 1;
        for (const GroupMorph& offset : data) {
            if (offset.m_morphIndex >= 0) {
                const size_t t = static_cast<size_t>(offset.m_morphIndex);
                d = std::max(d, depth[t] + 1);
                e = std::min(e + evaluations[t], kMaxGroupMorphEvaluations + 1);
            }
        }
        if (d > kMaxGroupMorphDepth || e > kMaxGroupMorphEvaluations) {
            GetLogger()->warn("Group Morph Too Deep:[{}][{}]: disabled", current, morphs[current]->GetName());
            for (GroupMorph& offset : data) {
                offset.m_morphIndex = -1;
            }
            d = 0;
            e = 1;
        }
        depth[current] = d;
        evaluations[current] = e;
    }
}

void PMXModel::UpdateMorphAnimation() {
    BeginMaterialBlend();
    for (const auto& morph : m_morphManager.GetMorphs()) {
        EvalMorph(*morph, morph->GetWeight());
    }
    EndMaterialBlend();
}

void PMXModel::BeginMaterialBlend() {
    for (size_t i = 0; i < m_materials.size(); ++i) {
        const MMDMaterial& init = m_initMaterials[i];
        MaterialFactor& mul = m_mulMaterialFactors[i];
        mul.m_diffuse = init.m_diffuse;
        mul.m_specular = init.m_specular;
        mul.m_specularPower = init.m_specularPower;
        mul.m_ambient = init.m_ambient;
        // Edge colour and size blend from the material's own values like the colours above.
        mul.m_edgeColor = init.m_edgeColor;
        mul.m_edgeSize = init.m_edgeSize;
        mul.m_textureFactor = glm::vec4(1.0f);
        mul.m_sphereTextureFactor = glm::vec4(1.0f);
        mul.m_toonTextureFactor = glm::vec4(1.0f);
        m_addMaterialFactors[i] = MaterialFactor{};
    }
}

void PMXModel::EndMaterialBlend() {
    for (size_t i = 0; i < m_materials.size(); ++i) {
        MMDMaterial& m = m_materials[i];
        const MaterialFactor& mul = m_mulMaterialFactors[i];
        const MaterialFactor& add = m_addMaterialFactors[i];
        m.m_diffuse = mul.m_diffuse + add.m_diffuse;
        m.m_specular = mul.m_specular + add.m_specular;
        m.m_specularPower = mul.m_specularPower + add.m_specularPower;
        m.m_ambient = mul.m_ambient + add.m_ambient;
        m.m_edgeColor = mul.m_edgeColor + add.m_edgeColor;
        m.m_edgeSize = mul.m_edgeSize + add.m_edgeSize;
        m.m_textureMulFactor = mul.m_textureFactor;
        m.m_textureAddFactor = add.m_textureFactor;
        m.m_sphereTextureMulFactor = mul.m_sphereTextureFactor;
        m.m_sphereTextureAddFactor = add.m_sphereTextureFactor;
        m.m_toonTextureMulFactor = mul.m_toonTextureFactor;
        m.m_toonTextureAddFactor = add.m_toonTextureFactor;
    }
}

void PMXModel::EvalMorph(const PMXMorph& morph, float weight) {
    // Every kind is the identity at weight 0 (a zero-weight material offset leaves its factor as it is), so skipping
    // it saves the work and keeps non-finite offsets of unused morphs out of the results.
    if (weight == 0.0f) {
        return;
    }
    const size_t index = morph.GetDataIndex();
    switch (morph.GetMorphType()) {
        case PMXMorph::MorphType::Position:
            if (index < m_positionMorphDatas.size()) {
                for (const PositionMorph& o : m_positionMorphDatas[index]) {
                    m_morphPositions[o.m_index] += o.m_position * weight;
                }
                m_morphPositionsDirty = true;
            }
            break;
        case PMXMorph::MorphType::UV:
            if (index < m_uvMorphDatas.size()) {
                for (const UVMorph& o : m_uvMorphDatas[index]) {
                    m_morphUVs[o.m_index] += o.m_uv * weight;
                }
                m_morphUVsDirty = true;
            }
            break;
        case PMXMorph::MorphType::Material:
            if (index < m_materialMorphDatas.size()) {
                EvalMaterialMorph(m_materialMorphDatas[index], weight);
            }
            break;
        case PMXMorph::MorphType::Bone:
            if (index < m_boneMorphDatas.size()) {
                for (const BoneMorph& o : m_boneMorphDatas[index]) {
                    o.m_node->SetTranslate(o.m_node->GetTranslate() + o.m_position * weight);
                    o.m_node->SetRotate(glm::slerp(o.m_node->GetRotate(), o.m_rotate, weight));
                }
            }
            break;
        case PMXMorph::MorphType::Group:
            if (index < m_groupMorphDatas.size()) {
                const auto& morphs = m_morphManager.GetMorphs();
                for (const GroupMorph& o : m_groupMorphDatas[index]) {
                    if (o.m_morphIndex >= 0 && static_cast<size_t>(o.m_morphIndex) < morphs.size()) {
                        EvalMorph(*morphs[static_cast<size_t>(o.m_morphIndex)], weight * o.m_weight);
                    }
                }
            }
            break;
        case PMXMorph::MorphType::None:
            break;
    }
}

void PMXModel::EvalMaterialMorph(const MaterialMorphData& data, float weight) {
    for (const PMXMaterialMorphOffset& o : data) {
        if (o.m_materialIndex < 0) {
            for (size_t i = 0; i < m_materials.size(); ++i) {
                ApplyMaterialOffset(o, weight, m_mulMaterialFactors[i], m_addMaterialFactors[i]);
            }
        } else if (static_cast<size_t>(o.m_materialIndex) < m_materials.size()) {
            const size_t i = static_cast<size_t>(o.m_materialIndex);
            ApplyMaterialOffset(o, weight, m_mulMaterialFactors[i], m_addMaterialFactors[i]);
        }
    }
}

}  // namespace mmd

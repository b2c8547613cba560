#pragma once

#include "mmd/MMDIkSolver.h"
#include "mmd/MMDMaterial.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDSubMesh.h"
#include "mmd/PMXFile.h"
#include "mmd/PMXNode.h"
#include "mmd/PMXSkinning.h"

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mmd {

// A model built from a PMX file: rest data converted to the right-handed frame at load, animated per frame and
// skinned on the CPU. Load any file ReadPMXFile accepts: indices outside their lists are treated as none (or the
// offending record is dropped) with a logged warning, so no later step reads or writes outside an array.
class PMXModel final : public MMDModel {
public:
    // A runtime morph with its kind and the index of its offset list in the model's list for that kind.
    class PMXMorph final : public MMDMorph {
    public:
        enum class MorphType : int32_t { None = 0, Position = 1, UV = 2, Material = 3, Bone = 4, Group = 5 };

        // Defaults to Position, the kind that morphs added after load (AddMorph) have.
        void SetMorphType(MorphType type) { m_morphType = type; }
        MorphType GetMorphType() const { return m_morphType; }
        // Index into the model's offset lists of this kind; an index past them makes the morph do nothing.
        void SetDataIndex(size_t index) { m_dataIndex = index; }
        size_t GetDataIndex() const { return m_dataIndex; }

    private:
        MorphType m_morphType = MorphType::Position;
        size_t m_dataIndex = 0;
    };

    // Offset records, runtime frame.
    struct PositionMorph {
        uint32_t m_index = 0;  // vertex; offsets past the vertex count are ignored
        glm::vec3 m_position{0.0f};
    };
    struct UVMorph {
        uint32_t m_index = 0;   // vertex
        glm::vec4 m_uv{0.0f};   // x = U offset, y = V offset (already negated), z and w unused
    };
    struct BoneMorph {
        PMXNode* m_node = nullptr;
        glm::vec3 m_position{0.0f};
        glm::quat m_rotate{1.0f, 0.0f, 0.0f, 0.0f};
    };
    struct GroupMorph {
        int32_t m_morphIndex = -1;  // -1: cut (missing target or a reference that would close a cycle)
        float m_weight = 0.0f;
    };
    using PositionMorphData = std::vector<PositionMorph>;
    using UVMorphData = std::vector<UVMorph>;
    using MaterialMorphData = std::vector<PMXMaterialMorphOffset>;
    using BoneMorphData = std::vector<BoneMorph>;
    using GroupMorphData = std::vector<GroupMorph>;

    // One multiply or add record of material blending.
    struct MaterialFactor {
        glm::vec4 m_diffuse{0.0f};
        glm::vec3 m_specular{0.0f};
        float m_specularPower = 0.0f;
        glm::vec3 m_ambient{0.0f};
        glm::vec4 m_edgeColor{0.0f};
        float m_edgeSize = 0.0f;
        glm::vec4 m_textureFactor{0.0f};
        glm::vec4 m_sphereTextureFactor{0.0f};
        glm::vec4 m_toonTextureFactor{0.0f};
    };

    // One range of vertices skinned by one task.
    struct UpdateRange {
        size_t m_vertexOffset = 0;
        size_t m_vertexCount = 0;
    };

    // Wall time of the phases of the last successful Load, in microseconds: reading and parsing the file; building
    // the runtime model (vertices, indices, materials, nodes, IK, morphs, skinning ranges); building and resetting
    // the physics world.
    struct LoadTimings {
        double m_parseUs = 0.0;
        double m_modelUs = 0.0;
        double m_physicsUs = 0.0;
    };

    PMXModel();
    ~PMXModel() override;
    PMXModel(const PMXModel&) = delete;
    PMXModel& operator=(const PMXModel&) = delete;

    // Builds the model from the PMX file at pathUtf8. sharedToonDir holds toon01.bmp..toon10.bmp; scale multiplies
    // every length read (1 in the application). Returns false with a logged reason; the model is then unusable.
    bool Load(const std::string& pathUtf8, const std::string& sharedToonDir, float scale = 1.0f);
    // Drops everything Load built.
    void Destroy();

    MMDNodeManager* GetNodeManager() override { return &m_nodeManager; }
    MMDIKManager* GetIKManager() override { return &m_ikSolverManager; }
    MMDMorphManager* GetMorphManager() override { return &m_morphManager; }
#ifndef MNX_MMD_NO_PHYSICS
    MMDPhysicsManager* GetPhysicsManager() override { return m_physicsManager.get(); }
#else
    MMDPhysicsManager* GetPhysicsManager() override { return nullptr; }
#endif
    // Typed access to the same managers (AddNode / AddMorph live here).
    MMDNodeManagerT<PMXNode>& GetPMXNodeManager() { return m_nodeManager; }
    MMDIKManagerT<MMDIkSolver>& GetPMXIKManager() { return m_ikSolverManager; }
    MMDMorphManagerT<PMXMorph>& GetPMXMorphManager() { return m_morphManager; }

    size_t GetVertexCount() const override { return m_positions.size(); }
    const glm::vec3* GetPositions() const override { return m_positions.data(); }
    const glm::vec3* GetNormals() const override { return m_normals.data(); }
    const glm::vec2* GetUVs() const override { return m_uvs.data(); }
    const float* GetEdgeScales() const override { return m_edgeScales.data(); }
    const glm::vec3* GetUpdatePositions() const override { return m_updatePositions.data(); }
    const glm::vec3* GetUpdateNormals() const override { return m_updateNormals.data(); }
    const glm::vec2* GetUpdateUVs() const override { return m_updateUVs.data(); }
    // Whether the last Update wrote the update UVs (a UV morph applied or undone); otherwise they are as before.
    bool UpdateUVsChanged() const { return m_updateUVsChanged; }

    size_t GetIndexElementSize() const override { return m_indexElementSize; }
    size_t GetIndexCount() const override { return m_indexCount; }
    const void* GetIndices() const override { return m_indices.data(); }

    size_t GetMaterialCount() const override { return m_materials.size(); }
    const MMDMaterial* GetMaterials() const override { return m_materials.data(); }
    size_t GetSubMeshCount() const override { return m_subMeshes.size(); }
    const MMDSubMesh* GetSubMeshes() const override { return m_subMeshes.data(); }

    MMDPhysics* GetMMDPhysics() override;

    void InitializeAnimation() override;
    void BeginAnimation() override;
    void EndAnimation() override;
    void UpdateMorphAnimation() override;
    void UpdateNodeAnimation(bool afterPhysics) override;
    void ResetPhysics() override;
    void UpdatePhysicsAnimation(float elapsedSeconds) override;
    void Update() override;
    void SetParallelUpdateHint(uint32_t parallelCount) override { m_parallelUpdateCount = parallelCount; }

    // Appends a position offset list (runtime frame) for a morph added after load; returns the index to store as
    // that morph's data index.
    size_t AddPositionMorphData(PositionMorphData data);

    // PMX records kept after load, file order and file frame (no conversion, indices unchecked).
    const std::vector<PMXMaterial>& GetPMXMaterials() const { return m_pmxMaterials; }
    const std::vector<PMXMorphRecord>& GetPMXMorphs() const { return m_pmxMorphs; }
    // Bounds of the rest positions, runtime frame; (+max, -max) floats for a model without vertices.
    const glm::vec3& GetBBoxMin() const { return m_bboxMin; }
    const glm::vec3& GetBBoxMax() const { return m_bboxMax; }
    // The loaded nodes in update order (ascending deform depth, file order within a depth).
    const std::vector<PMXNode*>& GetSortedNodes() const { return m_sortedNodes; }
    const std::vector<VertexBoneInfo>& GetVertexBoneInfos() const { return m_vertexBoneInfos; }
    const LoadTimings& GetLoadTimings() const { return m_loadTimings; }
    // Folder of the loaded file (text before its last separator).
    const std::string& GetModelDir() const { return m_modelDir; }

private:
    void LoadVertices(const PMXFileData& pmx);
    bool LoadIndices(const PMXFileData& pmx);
    void LoadMaterials(const PMXFileData& pmx, const std::string& sharedToonDir);
    void LoadNodes(const PMXFileData& pmx);
    void LoadIKSolvers(const PMXFileData& pmx);
    void LoadMorphs(const PMXFileData& pmx);
    void GuardGroupMorphs();
    void SetParallelUpdateCount();

    void BeginMaterialBlend();
    void EndMaterialBlend();
    void EvalMorph(const PMXMorph& morph, float weight);
    void EvalMaterialMorph(const MaterialMorphData& data, float weight);

    // Rest data.
    std::vector<glm::vec3> m_positions;
    std::vector<glm::vec3> m_normals;
    std::vector<glm::vec2> m_uvs;
    std::vector<float> m_edgeScales;
    std::vector<VertexBoneInfo> m_vertexBoneInfos;
    std::vector<SdefParams> m_sdefParams;
    bool m_hasSDEF = false;
    bool m_hasQDEF = false;

    // Skinning output and per-frame scratch, sized at load.
    std::vector<glm::vec3> m_updatePositions;
    std::vector<glm::vec3> m_updateNormals;
    std::vector<glm::vec2> m_updateUVs;
    std::vector<glm::mat4> m_skinTransforms;
    std::vector<glm::quat> m_boneRotations;
    std::vector<DualQuat> m_boneDualQuats;

    std::vector<uint8_t> m_indices;
    size_t m_indexCount = 0;
    size_t m_indexElementSize = 0;

    std::vector<PositionMorphData> m_positionMorphDatas;
    std::vector<UVMorphData> m_uvMorphDatas;
    std::vector<MaterialMorphData> m_materialMorphDatas;
    std::vector<BoneMorphData> m_boneMorphDatas;
    std::vector<GroupMorphData> m_groupMorphDatas;
    std::vector<glm::vec3> m_morphPositions;
    std::vector<glm::vec4> m_morphUVs;
    // Whether the accumulators hold anything since the last BeginAnimation; clean ones are neither cleared nor read.
    bool m_morphPositionsDirty = false;
    bool m_morphUVsDirty = false;
    // The update UVs hold morphed values, so the next frame without UV morphs must write the rest UVs back once.
    bool m_updateUVsMorphed = false;
    bool m_updateUVsChanged = false;

    std::vector<MMDMaterial> m_initMaterials;
    std::vector<PMXMaterial> m_pmxMaterials;
    std::vector<PMXMorphRecord> m_pmxMorphs;
    std::vector<MaterialFactor> m_mulMaterialFactors;
    std::vector<MaterialFactor> m_addMaterialFactors;

    glm::vec3 m_bboxMin{0.0f};
    glm::vec3 m_bboxMax{0.0f};

    std::vector<MMDMaterial> m_materials;
    std::vector<MMDSubMesh> m_subMeshes;
    std::vector<PMXNode*> m_sortedNodes;
    std::string m_modelDir;

    MMDNodeManagerT<PMXNode> m_nodeManager;
    MMDIKManagerT<MMDIkSolver> m_ikSolverManager;
    MMDMorphManagerT<PMXMorph> m_morphManager;
#ifndef MNX_MMD_NO_PHYSICS
    std::unique_ptr<MMDPhysicsManager> m_physicsManager;
#endif

    uint32_t m_parallelUpdateCount = 0;
    // The current split of skinning work (set at load and by Update after a new hint).
    std::vector<UpdateRange> m_updateRanges;
    LoadTimings m_loadTimings;
};

}  // namespace mmd

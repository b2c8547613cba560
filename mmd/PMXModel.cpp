#include "mmd/PMXModel.h"

#include "mmd/Logger.h"
#include "mmd/MMDPhysicsManager.h"
#include "mmd/TaskPool.h"

#include <algorithm>
#include <thread>

namespace mmd {

namespace {

const glm::quat kIdentity(1.0f, 0.0f, 0.0f, 0.0f);

// Skinning work split: chunks per worker thread, and the smallest chunk worth a task.
constexpr size_t kChunksPerWorker = 4;
constexpr size_t kMinChunkVertices = 512;

size_t HardwareConcurrency() {
    const unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

}  // namespace

PMXModel::PMXModel() = default;

PMXModel::~PMXModel() {
#ifndef MNX_MMD_NO_PHYSICS
    // Rigid bodies observe nodes: the world goes first.
    m_physicsManager.reset();
#endif
}

void PMXModel::Destroy() {
#ifndef MNX_MMD_NO_PHYSICS
    m_physicsManager.reset();
#endif
    m_positions.clear();
    m_normals.clear();
    m_uvs.clear();
    m_edgeScales.clear();
    m_vertexBoneInfos.clear();
    m_sdefParams.clear();
    m_hasSDEF = false;
    m_hasQDEF = false;
    m_updatePositions.clear();
    m_updateNormals.clear();
    m_updateUVs.clear();
    m_skinTransforms.clear();
    m_boneRotations.clear();
    m_boneDualQuats.clear();
    m_indices.clear();
    m_indexCount = 0;
    m_indexElementSize = 0;
    m_positionMorphDatas.clear();
    m_uvMorphDatas.clear();
    m_materialMorphDatas.clear();
    m_boneMorphDatas.clear();
    m_groupMorphDatas.clear();
    m_morphPositions.clear();
    m_morphUVs.clear();
    m_morphPositionsDirty = false;
    m_morphUVsDirty = false;
    m_updateUVsMorphed = false;
    m_initMaterials.clear();
    m_pmxMaterials.clear();
    m_pmxMorphs.clear();
    m_mulMaterialFactors.clear();
    m_addMaterialFactors.clear();
    m_bboxMin = glm::vec3(0.0f);
    m_bboxMax = glm::vec3(0.0f);
    m_materials.clear();
    m_subMeshes.clear();
    m_sortedNodes.clear();
    m_modelDir.clear();
    m_ikSolverManager.Clear();
    m_morphManager.Clear();
    m_nodeManager.Clear();
    m_updateRanges.clear();
}

#ifndef MNX_MMD_NO_PHYSICS
MMDPhysics* PMXModel::GetMMDPhysics() { return m_physicsManager ? m_physicsManager->GetMMDPhysics() : nullptr; }
#else
MMDPhysics* PMXModel::GetMMDPhysics() { return nullptr; }
#endif

void PMXModel::InitializeAnimation() {
    ClearBaseAnimation();
    for (const auto& node : m_nodeManager.GetNodes()) {
        node->SetAnimationTranslate(glm::vec3(0.0f));
        node->SetAnimationRotate(kIdentity);
    }
    BeginAnimation();
    for (const auto& node : m_nodeManager.GetNodes()) {
        node->UpdateLocalTransform();
    }
    for (const auto& morph : m_morphManager.GetMorphs()) {
        morph->SetWeight(0.0f);
    }
    for (const auto& solver : m_ikSolverManager.GetIKSolvers()) {
        solver->Enable(true);
    }
    for (PMXNode* node : m_sortedNodes) {
        if (node->GetParent() == nullptr) {
            node->UpdateGlobalTransform();
        }
    }
    for (PMXNode* node : m_sortedNodes) {
        if (node->GetAppendNode() != nullptr) {
            node->UpdateAppendTransform();
            node->UpdateGlobalTransform();
        }
        if (node->GetIKSolver() != nullptr) {
            node->GetIKSolver()->Solve();
            node->UpdateGlobalTransform();
        }
    }
    for (PMXNode* node : m_sortedNodes) {
        if (node->GetParent() == nullptr) {
            node->UpdateGlobalTransform();
        }
    }
    EndAnimation();
#ifndef MNX_MMD_NO_PHYSICS
    // The nodes were just placed; ResetPhysics would place them a second time.
    if (m_physicsManager) {
        m_physicsManager->ResetPhysics(this);
    }
#endif
}

void PMXModel::BeginAnimation() {
    for (const auto& node : m_nodeManager.GetNodes()) {
        node->BeginUpdateTransform();
    }
    if (m_morphPositionsDirty) {
        std::fill(m_morphPositions.begin(), m_morphPositions.end(), glm::vec3(0.0f));
        m_morphPositionsDirty = false;
    }
    if (m_morphUVsDirty) {
        std::fill(m_morphUVs.begin(), m_morphUVs.end(), glm::vec4(0.0f));
        m_morphUVsDirty = false;
    }
}

void PMXModel::EndAnimation() {
    for (const auto& node : m_nodeManager.GetNodes()) {
        node->EndUpdateTransform();
    }
}

void PMXModel::UpdateNodeAnimation(bool afterPhysics) {
    for (PMXNode* node : m_sortedNodes) {
        if (node->IsDeformAfterPhysics() == afterPhysics) {
            node->UpdateLocalTransform();
        }
    }
    for (PMXNode* node : m_sortedNodes) {
        if (node->IsDeformAfterPhysics() == afterPhysics && node->GetParent() == nullptr) {
            node->UpdateGlobalTransform();
        }
    }
    for (PMXNode* node : m_sortedNodes) {
        if (node->IsDeformAfterPhysics() != afterPhysics) {
            continue;
        }
        if (node->GetAppendNode() != nullptr) {
            node->UpdateAppendTransform();
            node->UpdateGlobalTransform();
        }
        if (node->GetIKSolver() != nullptr) {
            node->GetIKSolver()->Solve();
            node->UpdateGlobalTransform();
        }
    }
    for (PMXNode* node : m_sortedNodes) {
        if (node->IsDeformAfterPhysics() == afterPhysics && node->GetParent() == nullptr) {
            node->UpdateGlobalTransform();
        }
    }
}

#ifndef MNX_MMD_NO_PHYSICS
void PMXModel::ResetPhysics() {
    if (m_physicsManager) {
        // Simulated bones still hold what their bodies last wrote, which may be far off or not finite: the bodies
        // go back onto the bones where the animation puts them.
        UpdateNodeAnimation(false);
        m_physicsManager->ResetPhysics(this);
    }
}

void PMXModel::UpdatePhysicsAnimation(float elapsedSeconds) {
    if (m_physicsManager) {
        m_physicsManager->UpdatePhysicsAnimation(this, elapsedSeconds);
    }
}
#else
// Built without physics: the model has no rigid bodies to reset or step.
void PMXModel::ResetPhysics() {}

void PMXModel::UpdatePhysicsAnimation(float) {}
#endif

void PMXModel::Update() {
    const auto& nodes = m_nodeManager.GetNodes();
    const size_t nodeCount = nodes.size();
    if (m_skinTransforms.size() != nodeCount) {
        // Only when nodes were added since the last frame.
        m_skinTransforms.resize(nodeCount);
        m_boneRotations.resize(m_hasSDEF ? nodeCount : 0);
        m_boneDualQuats.resize(m_hasQDEF ? nodeCount : 0);
    }
    for (size_t i = 0; i < nodeCount; ++i) {
        m_skinTransforms[i] = nodes[i]->GetGlobalTransform() * nodes[i]->GetInverseInitTransform();
    }
    if (m_hasSDEF) {
        for (size_t i = 0; i < nodeCount; ++i) {
            m_boneRotations[i] = glm::quat_cast(nodes[i]->GetGlobalTransform());
        }
    }
    if (m_hasQDEF) {
        for (size_t i = 0; i < nodeCount; ++i) {
            m_boneDualQuats[i] = DualQuatFromMatrix(m_skinTransforms[i]);
        }
    }
    if (m_parallelUpdateCount != m_updateRanges.size()) {
        SetParallelUpdateCount();
    }

    SkinningInput in;
    in.m_positions = m_positions.data();
    in.m_normals = m_normals.data();
    in.m_uvs = m_uvs.data();
    in.m_morphPositions = m_morphPositionsDirty ? m_morphPositions.data() : nullptr;
    in.m_morphUVs = m_morphUVsDirty ? m_morphUVs.data() : nullptr;
    in.m_boneInfos = m_vertexBoneInfos.data();
    in.m_sdefParams = m_sdefParams.data();
    in.m_skinTransforms = m_skinTransforms.data();
    in.m_boneRotations = m_boneRotations.data();
    in.m_boneDualQuats = m_boneDualQuats.data();
    SkinningOutput out;
    out.m_positions = m_updatePositions.data();
    out.m_normals = m_updateNormals.data();
    // Without UV morphs the update UVs already hold the rest UVs; they are written only to apply or undo a morph.
    out.m_uvs = m_morphUVsDirty || m_updateUVsMorphed ? m_updateUVs.data() : nullptr;
    m_updateUVsChanged = out.m_uvs != nullptr;
    m_updateUVsMorphed = m_morphUVsDirty;

    size_t workers = 0;
    while (workers < m_updateRanges.size() && m_updateRanges[workers].m_vertexCount > 0) {
        ++workers;
    }
    const size_t vertexCount = m_positions.size();
    if (workers <= 1) {
        SkinVertices(in, out, 0, vertexCount);
        return;
    }
    // The ranges are handed out in small chunks rather than one per worker: a worker that wakes late (a busy
    // machine) then leaves its share to the threads already running instead of holding up the whole frame.
    const size_t chunkCount =
        std::min(workers * kChunksPerWorker, (vertexCount + kMinChunkVertices - 1) / kMinChunkVertices);
    const size_t chunkSize = (vertexCount + chunkCount - 1) / chunkCount;
    auto task = [&in, &out, chunkSize, vertexCount](size_t i) {
        const size_t begin = i * chunkSize;
        SkinVertices(in, out, begin, std::min(chunkSize, vertexCount - begin));
    };
    TaskPool::Shared().Run((vertexCount + chunkSize - 1) / chunkSize, task);
}

void PMXModel::SetParallelUpdateCount() {
    const size_t hardware = HardwareConcurrency();
    if (m_parallelUpdateCount == 0) {
        m_parallelUpdateCount = static_cast<uint32_t>(hardware);
    }
    const size_t maxCount = std::max<size_t>(hardware, 16);
    if (m_parallelUpdateCount > maxCount) {
        GetLogger()->warn("PMXModel::SetParallelUpdateCount parallelCount > {}", maxCount);
        m_parallelUpdateCount = 16;
    }
    GetLogger()->info("Select PMX Parallel Update Count : {}", m_parallelUpdateCount);

    const size_t count = m_parallelUpdateCount;
    m_updateRanges.assign(count, UpdateRange{});
    const size_t vertexCount = m_positions.size();
    if (vertexCount >= count * 1000) {
        const size_t share = vertexCount / count;
        size_t offset = 0;
        for (size_t k = 0; k < count; ++k) {
            const size_t n = k == 0 ? share + vertexCount % count : share;
            m_updateRanges[k] = UpdateRange{offset, n};
            offset += n;
        }
    } else {
        const size_t blocks = (vertexCount + 999) / 1000;
        for (size_t k = 0; k < count && k < blocks; ++k) {
            m_updateRanges[k] = UpdateRange{k * 1000, std::min<size_t>(vertexCount - k * 1000, 1000)};
        }
    }
}

size_t PMXModel::AddPositionMorphData(PositionMorphData data) {
    const size_t vertexCount = m_positions.size();
    data.erase(std::remove_if(data.begin(), data.end(),
                              [vertexCount](const PositionMorph& m) { return m.m_index >= vertexCount; }),
               data.end());
    m_positionMorphDatas.push_back(std::move(data));
    return m_positionMorphDatas.size() - 1;
}

}  // namespace mmd

#pragma once

#include "mmd/MMDNode.h"

#include <cstdint>

namespace mmd {

class MMDIkSolver;

// A PMX bone: an MMDNode with deform order and append (inherit) transforms. Append rotation and translation copy a
// weighted share of another bone's motion: the local transform becomes T(animTranslate + translate + appendTranslate)
// · R(ikRotate · animRotate · rotate · appendRotate) · S(scale), each append term only when its flag is set.
class PMXNode final : public MMDNode {
public:
    PMXNode();
    ~PMXNode();

    // PMX deform depth; nodes update in ascending depth. -1 for nodes added after load.
    void SetDeformDepth(int32_t depth) { m_deformDepth = depth; }
    int32_t GetDeformDepth() const { return m_deformDepth; }

    // True: the node is updated after physics (PMX bone flag 0x1000).
    void EnableDeformAfterPhysics(bool enable) { m_deformAfterPhysics = enable; }
    bool IsDeformAfterPhysics() const { return m_deformAfterPhysics; }

    // Source of the append transform, or null. Observed, owned by the node manager.
    void SetAppendNode(PMXNode* node) { m_appendNode = node; }
    PMXNode* GetAppendNode() const { return m_appendNode; }

    void EnableAppendRotate(bool enable) { m_isAppendRotate = enable; }
    void EnableAppendTranslate(bool enable) { m_isAppendTranslate = enable; }
    // True: take the source's own local motion even when the source has an append source itself.
    void EnableAppendLocal(bool enable) { m_isAppendLocal = enable; }
    bool IsAppendRotate() const { return m_isAppendRotate; }
    bool IsAppendTranslate() const { return m_isAppendTranslate; }
    bool IsAppendLocal() const { return m_isAppendLocal; }

    // Share of the source's motion (1 = all of it; negative mirrors it).
    void SetAppendWeight(float weight) { m_appendWeight = weight; }
    float GetAppendWeight() const { return m_appendWeight; }

    // Append values computed by UpdateAppendTransform this frame.
    const glm::vec3& GetAppendTranslate() const { return m_appendTranslate; }
    const glm::quat& GetAppendRotate() const { return m_appendRotate; }

    // The IK solver whose IK (goal) node this is, or null. Observed, owned by the IK manager.
    void SetIKSolver(MMDIkSolver* solver) { m_ikSolver = solver; }
    MMDIkSolver* GetIKSolver() const { return m_ikSolver; }

    // Computes appendRotate/appendTranslate from the append node, then the local transform. Nothing without an
    // append node.
    void UpdateAppendTransform();

protected:
    void OnBeginUpdate() override;
    void OnUpdateLocalTransform() override;

private:
    int32_t m_deformDepth = -1;
    bool m_deformAfterPhysics = false;

    PMXNode* m_appendNode = nullptr;
    bool m_isAppendRotate = false;
    bool m_isAppendTranslate = false;
    bool m_isAppendLocal = false;
    float m_appendWeight = 0.0f;

    glm::vec3 m_appendTranslate{0.0f};
    glm::quat m_appendRotate{1.0f, 0.0f, 0.0f, 0.0f};

    MMDIkSolver* m_ikSolver = nullptr;
};

}  // namespace mmd

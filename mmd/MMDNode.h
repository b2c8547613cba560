#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <string>

namespace mmd {

// One bone of a model, in the runtime's right-handed frame. Nodes are owned by the model's node manager and are
// never deleted through this base class. The hierarchy is kept as intrusive links: child is the first child, next
// the next sibling; prev of the first child is the last child, of the others the previous sibling.
//
// The local transform is T(animTranslate + translate) · R(animRotate · rotate, pre-multiplied by ikRotate when IK is
// enabled) · S(scale); global = parent.global · local.
class MMDNode {
public:
    MMDNode();
    MMDNode(const MMDNode&) = delete;
    MMDNode& operator=(const MMDNode&) = delete;

    // Position in the node list; set by the owner.
    void SetIndex(size_t index) { m_index = index; }
    size_t GetIndex() const { return m_index; }

    // UTF-8 bone name, compared byte for byte by lookups.
    void SetName(const std::string& name) { m_name = name; }
    const std::string& GetName() const { return m_name; }

    // True makes ikRotate part of the local transform (set on every IK link node).
    void EnableIK(bool enable) { m_enableIK = enable; }
    bool IsIK() const { return m_enableIK; }

    // Appends child as the last child. The child must have no parent and must not be an ancestor of this node
    // (the caller checks; a cycle would make the transform updates loop).
    void AddChild(MMDNode* child);
    MMDNode* GetParent() const { return m_parent; }
    MMDNode* GetChild() const { return m_child; }
    MMDNode* GetNext() const { return m_next; }
    MMDNode* GetPrev() const { return m_prev; }

    // Restores translate/rotate/scale to their initial values and clears ikRotate, then runs OnBeginUpdate.
    void BeginUpdateTransform();
    // Runs OnEndUpdate.
    void EndUpdateTransform();
    // Recomputes local from the current values.
    void UpdateLocalTransform();
    // global = parent.global · local for this node, then for every descendant (depth first). Iterative: any depth.
    void UpdateGlobalTransform();
    // The same for the descendants only; this node's global is taken as it is.
    void UpdateChildTransform();
    // inverseInit = inverse(global); called once the rest pose's global is set.
    void CalculateInverseInitTransform();
    // Saves translate/rotate/scale as the initial (rest) values that BeginUpdateTransform restores.
    void SaveInitialTRS();

    // Current translation (initial + bone morphs), parent space.
    void SetTranslate(const glm::vec3& t) { m_translate = t; }
    const glm::vec3& GetTranslate() const { return m_translate; }
    void SetRotate(const glm::quat& r) { m_rotate = r; }
    const glm::quat& GetRotate() const { return m_rotate; }
    void SetScale(const glm::vec3& s) { m_scale = s; }
    const glm::vec3& GetScale() const { return m_scale; }

    // Motion values, written by playback, poses and body control; added on top of translate/rotate.
    void SetAnimationTranslate(const glm::vec3& t) { m_animTranslate = t; }
    const glm::vec3& GetAnimationTranslate() const { return m_animTranslate; }
    void SetAnimationRotate(const glm::quat& r) { m_animRotate = r; }
    const glm::quat& GetAnimationRotate() const { return m_animRotate; }

    // Base pose that weighted motion blending starts from.
    void SetBaseAnimationTranslate(const glm::vec3& t) { m_baseAnimTranslate = t; }
    const glm::vec3& GetBaseAnimationTranslate() const { return m_baseAnimTranslate; }
    void SetBaseAnimationRotate(const glm::quat& r) { m_baseAnimRotate = r; }
    const glm::quat& GetBaseAnimationRotate() const { return m_baseAnimRotate; }
    // Zeroes the base translation and sets the base rotation to identity.
    void ClearBaseAnimation();

    // Rotation written by the IK solver; used only while IK is enabled.
    void SetIKRotate(const glm::quat& r) { m_ikRotate = r; }
    const glm::quat& GetIKRotate() const { return m_ikRotate; }

    // Local (parent space) and global (model space) transforms. Setters let physics and body control write
    // results directly; they do not update the descendants.
    void SetLocalTransform(const glm::mat4& m) { m_local = m; }
    const glm::mat4& GetLocalTransform() const { return m_local; }
    void SetGlobalTransform(const glm::mat4& m) { m_global = m; }
    const glm::mat4& GetGlobalTransform() const { return m_global; }
    // Inverse of the rest global transform (model space to bone space at rest).
    const glm::mat4& GetInverseInitTransform() const { return m_inverseInit; }

    const glm::vec3& GetInitialTranslate() const { return m_initTranslate; }
    const glm::quat& GetInitialRotate() const { return m_initRotate; }
    const glm::vec3& GetInitialScale() const { return m_initScale; }

protected:
    ~MMDNode();

    // Hooks of the update cycle; the base versions do nothing except OnUpdateLocalTransform, which computes local.
    virtual void OnBeginUpdate();
    virtual void OnEndUpdate();
    virtual void OnUpdateLocalTransform();

    // local = T(t) · R(r) · S(scale), built directly (no matrix products).
    void SetLocalTRS(const glm::vec3& t, const glm::quat& r);

private:
    void UpdateOwnGlobal() { m_global = m_parent ? m_parent->m_global * m_local : m_local; }

    size_t m_index = 0;
    std::string m_name;
    bool m_enableIK = false;

    MMDNode* m_parent = nullptr;
    MMDNode* m_child = nullptr;
    MMDNode* m_next = nullptr;
    MMDNode* m_prev = nullptr;

    glm::vec3 m_translate{0.0f};
    glm::quat m_rotate{1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 m_scale{1.0f};

    glm::vec3 m_animTranslate{0.0f};
    glm::quat m_animRotate{1.0f, 0.0f, 0.0f, 0.0f};

    glm::vec3 m_baseAnimTranslate{0.0f};
    glm::quat m_baseAnimRotate{1.0f, 0.0f, 0.0f, 0.0f};

    glm::quat m_ikRotate{1.0f, 0.0f, 0.0f, 0.0f};

    glm::mat4 m_local{1.0f};
    glm::mat4 m_global{1.0f};
    glm::mat4 m_inverseInit{1.0f};

    glm::vec3 m_initTranslate{0.0f};
    glm::quat m_initRotate{1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 m_initScale{1.0f};
};

}  // namespace mmd

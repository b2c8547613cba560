#include "mmd/MMDNode.h"

#include <glm/gtc/matrix_transform.hpp>

namespace mmd {

MMDNode::MMDNode() = default;

MMDNode::~MMDNode() = default;

void MMDNode::AddChild(MMDNode* child) {
    if (child == nullptr || child == this) {
        return;
    }
    child->m_parent = this;
    child->m_next = nullptr;
    if (m_child == nullptr) {
        m_child = child;
        child->m_prev = child;
        return;
    }
    MMDNode* last = m_child->m_prev;
    last->m_next = child;
    child->m_prev = last;
    m_child->m_prev = child;
}

void MMDNode::BeginUpdateTransform() {
    m_translate = m_initTranslate;
    m_rotate = m_initRotate;
    m_scale = m_initScale;
    m_ikRotate = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    OnBeginUpdate();
}

void MMDNode::EndUpdateTransform() { OnEndUpdate(); }

void MMDNode::UpdateLocalTransform() { OnUpdateLocalTransform(); }

void MMDNode::UpdateGlobalTransform() {
    UpdateOwnGlobal();
    UpdateChildTransform();
}

void MMDNode::UpdateChildTransform() {
    // Depth-first walk over the intrusive links without recursion, so deep chains cannot exhaust the stack.
    MMDNode* node = m_child;
    while (node != nullptr) {
        node->UpdateOwnGlobal();
        if (node->m_child != nullptr) {
            node = node->m_child;
            continue;
        }
        while (node != this && node->m_next == nullptr) {
            node = node->m_parent;
        }
        node = node == this ? nullptr : node->m_next;
    }
}

void MMDNode::CalculateInverseInitTransform() { m_inverseInit = glm::inverse(m_global); }

void MMDNode::SaveInitialTRS() {
    m_initTranslate = m_translate;
    m_initRotate = m_rotate;
    m_initScale = m_scale;
}

void MMDNode::ClearBaseAnimation() {
    m_baseAnimTranslate = glm::vec3(0.0f);
    m_baseAnimRotate = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
}

void MMDNode::OnBeginUpdate() {}

void MMDNode::OnEndUpdate() {}

void MMDNode::OnUpdateLocalTransform() {
    glm::quat r = m_animRotate * m_rotate;
    if (m_enableIK) {
        r = m_ikRotate * r;
    }
    SetLocalTRS(m_animTranslate + m_translate, r);
}

void MMDNode::SetLocalTRS(const glm::vec3& t, const glm::quat& r) {
    const glm::mat3 rot = glm::mat3_cast(r);
    m_local[0] = glm::vec4(rot[0] * m_scale.x, 0.0f);
    m_local[1] = glm::vec4(rot[1] * m_scale.y, 0.0f);
    m_local[2] = glm::vec4(rot[2] * m_scale.z, 0.0f);
    m_local[3] = glm::vec4(t, 1.0f);
}

}  // namespace mmd

#include "mmd/MMDMotionState.h"

#include "mmd/MMDNode.h"

#include <glm/gtc/type_ptr.hpp>

#include <cmath>

namespace mmd {

glm::mat4 InvZ(const glm::mat4& m) {
    // M·X·M with M = diag(1, 1, -1, 1) negates every element whose row or column (but not both) is Z.
    glm::mat4 r = m;
    r[0][2] = -r[0][2];
    r[1][2] = -r[1][2];
    r[3][2] = -r[3][2];
    r[2][0] = -r[2][0];
    r[2][1] = -r[2][1];
    r[2][3] = -r[2][3];
    return r;
}

btTransform ToBtTransform(const glm::mat4& m) {
    btTransform t;
    t.setFromOpenGLMatrix(glm::value_ptr(m));
    return t;
}

glm::mat4 ToMat4(const btTransform& t) {
    glm::mat4 m;
    t.getOpenGLMatrix(glm::value_ptr(m));
    return m;
}

DefaultMotionState::DefaultMotionState(const glm::mat4& transform)
    : m_initialTransform(ToBtTransform(transform)), m_transform(m_initialTransform) {}

void DefaultMotionState::getWorldTransform(btTransform& worldTransform) const { worldTransform = m_transform; }

void DefaultMotionState::setWorldTransform(const btTransform& worldTransform) { m_transform = worldTransform; }

void DefaultMotionState::Reset() { m_transform = m_initialTransform; }

void DefaultMotionState::ReflectGlobalTransform() {}

DynamicMotionState::DynamicMotionState(MMDNode* node, const glm::mat4& offset, bool override)
    : m_node(node), m_offset(offset), m_invOffset(glm::inverse(offset)), m_override(override) {
    Reset();
}

void DynamicMotionState::getWorldTransform(btTransform& worldTransform) const { worldTransform = m_transform; }

void DynamicMotionState::setWorldTransform(const btTransform& worldTransform) { m_transform = worldTransform; }

void DynamicMotionState::Reset() {
    const glm::mat4 global = m_node ? m_node->GetGlobalTransform() * m_offset : m_offset;
    m_transform = ToBtTransform(InvZ(global));
}

namespace {

bool IsFinite(const btTransform& t) {
    const btMatrix3x3& basis = t.getBasis();
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(basis[i].x()) || !std::isfinite(basis[i].y()) || !std::isfinite(basis[i].z()) ||
            !std::isfinite(t.getOrigin()[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

void DynamicMotionState::ReflectGlobalTransform() {
    // A diverged simulation must not poison the bone hierarchy; the bone keeps its animated pose until the next reset.
    if (!m_override || !m_node || !IsFinite(m_transform)) {
        return;
    }
    m_node->SetGlobalTransform(InvZ(ToMat4(m_transform)) * m_invOffset);
    m_node->UpdateChildTransform();
}

DynamicAndBoneMergeMotionState::DynamicAndBoneMergeMotionState(MMDNode* node, const glm::mat4& offset, bool override)
    : DynamicMotionState(node, offset, override) {}

void DynamicAndBoneMergeMotionState::ReflectGlobalTransform() {
    if (!m_override || !m_node || !IsFinite(m_transform)) {
        return;
    }
    glm::mat4 global = InvZ(ToMat4(m_transform)) * m_invOffset;
    global[3] = m_node->GetGlobalTransform()[3];
    m_node->SetGlobalTransform(global);
    m_node->UpdateChildTransform();
}

KinematicMotionState::KinematicMotionState(MMDNode* node, const glm::mat4& offset) : m_node(node), m_offset(offset) {}

void KinematicMotionState::getWorldTransform(btTransform& worldTransform) const {
    const glm::mat4 global = m_node ? m_node->GetGlobalTransform() * m_offset : m_offset;
    worldTransform = ToBtTransform(InvZ(global));
}

void KinematicMotionState::setWorldTransform(const btTransform&) {}

void KinematicMotionState::Reset() {}

void KinematicMotionState::ReflectGlobalTransform() {}

}  // namespace mmd

#include "mmd/PMXNode.h"

namespace mmd {

PMXNode::PMXNode() = default;

PMXNode::~PMXNode() = default;

void PMXNode::UpdateAppendTransform() {
    if (m_appendNode == nullptr) {
        return;
    }
    // A source that appends from a further bone passes on its computed append values, unless this bone asks for
    // the source's own (local) motion.
    const bool useSourceMotion = m_isAppendLocal || m_appendNode->m_appendNode == nullptr;
    if (m_isAppendRotate) {
        glm::quat source = useSourceMotion ? m_appendNode->GetAnimationRotate() * m_appendNode->GetRotate()
                                           : m_appendNode->m_appendRotate;
        if (m_appendNode->IsIK()) {
            source = m_appendNode->GetIKRotate() * source;
        }
        m_appendRotate = glm::slerp(glm::quat(1.0f, 0.0f, 0.0f, 0.0f), source, m_appendWeight);
    }
    if (m_isAppendTranslate) {
        const glm::vec3 source = useSourceMotion ? m_appendNode->GetTranslate() - m_appendNode->GetInitialTranslate()
                                                 : m_appendNode->m_appendTranslate;
        m_appendTranslate = source * m_appendWeight;
    }
    UpdateLocalTransform();
}

void PMXNode::OnBeginUpdate() {
    m_appendTranslate = glm::vec3(0.0f);
    m_appendRotate = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
}

void PMXNode::OnUpdateLocalTransform() {
    glm::vec3 t = GetAnimationTranslate() + GetTranslate();
    if (m_isAppendTranslate) {
        t += m_appendTranslate;
    }
    glm::quat r = GetAnimationRotate() * GetRotate();
    if (IsIK()) {
        r = GetIKRotate() * r;
    }
    if (m_isAppendRotate) {
        r = r * m_appendRotate;
    }
    SetLocalTRS(t, r);
}

}  // namespace mmd

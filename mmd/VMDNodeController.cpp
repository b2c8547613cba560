#include "mmd/VMDNodeController.h"

#include <algorithm>
#include <cmath>

#include "mmd/MMDNode.h"
#include "mmd/VMDFile.h"
#include "mmd/VMDKeySearch.h"

namespace mmd {
// Conjugating the rotation matrix with diag(1, 1, -1) flips the quaternion's x and y.
glm::quat ToRuntimeRotation(const glm::quat& fileRotation) {
    const glm::quat q(fileRotation.w, -fileRotation.x, -fileRotation.y, fileRotation.z);
    const float length = glm::length(q);
    if (!(length > 0.0f) || !std::isfinite(length)) return glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    return q / length;
}
VMDNodeAnimationKey VMDNodeAnimationKey::FromMotion(const VMDMotion& motion) {
    VMDNodeAnimationKey key;
    key.frame = int32_t(motion.frame);
    key.translate = glm::vec3(motion.translate.x, motion.translate.y, -motion.translate.z);
    key.rotate = ToRuntimeRotation(motion.quaternion);
    const uint8_t* b = motion.interpolation;
    key.txBezier = VMDBezier::FromBytes(b[0], b[4], b[8], b[12]);
    key.tyBezier = VMDBezier::FromBytes(b[1], b[5], b[9], b[13]);
    key.tzBezier = VMDBezier::FromBytes(b[2], b[6], b[10], b[14]);
    key.rotBezier = VMDBezier::FromBytes(b[3], b[7], b[11], b[15]);
    return key;
}

void VMDNodeController::SortKeys() {
    std::stable_sort(m_keys.begin(), m_keys.end(),
                     [](const VMDNodeAnimationKey& a, const VMDNodeAnimationKey& b) { return a.frame < b.frame; });
    m_cacheIndex = 0;
}

void VMDNodeController::Evaluate(float frame, float weight) {
    if (m_node == nullptr) return;
    glm::vec3 translate(0.0f);
    glm::quat rotate(1.0f, 0.0f, 0.0f, 0.0f);
    if (!m_keys.empty()) {
        const size_t bound = FindBoundKey(m_keys, KeyFrameOf(frame), m_cacheIndex);
        if (bound == m_keys.size()) {
            translate = m_keys.back().translate;
            rotate = m_keys.back().rotate;
        } else if (bound == 0) {
            translate = m_keys.front().translate;
            rotate = m_keys.front().rotate;
        } else {
            // The earlier key's curves shape the segment.
            const VMDNodeAnimationKey& k0 = m_keys[bound - 1];
            const VMDNodeAnimationKey& k1 = m_keys[bound];
            const float s = (frame - float(k0.frame)) / float(int64_t(k1.frame) - int64_t(k0.frame));
            const glm::vec3 delta = k1.translate - k0.translate;
            translate = k0.translate + delta * glm::vec3(k0.txBezier.Interpolate(s), k0.tyBezier.Interpolate(s),
                                                         k0.tzBezier.Interpolate(s));
            rotate = glm::slerp(k0.rotate, k1.rotate, k0.rotBezier.Interpolate(s));
        }
    }
    if (weight != 1.0f) {
        const glm::vec3& baseTranslate = m_node->GetBaseAnimationTranslate();
        m_node->SetAnimationRotate(glm::slerp(m_node->GetBaseAnimationRotate(), rotate, weight));
        m_node->SetAnimationTranslate(baseTranslate + (translate - baseTranslate) * weight);
    } else {
        m_node->SetAnimationRotate(rotate);
        m_node->SetAnimationTranslate(translate);
    }
}

}  // namespace mmd

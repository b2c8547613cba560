#include "mmd/VMDIKController.h"

#include <algorithm>

#include "mmd/MMDIkSolver.h"
#include "mmd/VMDKeySearch.h"

namespace mmd {

void VMDIKController::SortKeys() {
    std::stable_sort(m_keys.begin(), m_keys.end(),
                     [](const VMDIKAnimationKey& a, const VMDIKAnimationKey& b) { return a.frame < b.frame; });
    m_cacheIndex = 0;
}

void VMDIKController::Evaluate(float frame, float weight) {
    if (m_ikSolver == nullptr) return;
    bool enable = true;
    if (!m_keys.empty()) {
        const size_t bound = FindBoundKey(m_keys, KeyFrameOf(frame), m_cacheIndex);
        enable = bound == 0 ? m_keys.front().enable : m_keys[bound - 1].enable;
    }
    m_ikSolver->Enable(weight < 1.0f ? m_ikSolver->GetBaseAnimationEnable() : enable);
}

}  // namespace mmd

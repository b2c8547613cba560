#include "mmd/VMDMorphController.h"

#include <algorithm>

#include "mmd/MMDMorph.h"
#include "mmd/VMDKeySearch.h"

namespace mmd {

void VMDMorphController::SortKeys() {
    std::stable_sort(m_keys.begin(), m_keys.end(),
                     [](const VMDMorphAnimationKey& a, const VMDMorphAnimationKey& b) { return a.frame < b.frame; });
    m_cacheIndex = 0;
}

void VMDMorphController::Evaluate(float frame, float weight) {
    if (m_morph == nullptr || m_keys.empty()) return;
    float w = 0.0f;
    const size_t bound = FindBoundKey(m_keys, KeyFrameOf(frame), m_cacheIndex);
    if (bound == m_keys.size()) {
        w = m_keys.back().weight;
    } else if (bound == 0) {
        w = m_keys.front().weight;
    } else {
        const VMDMorphAnimationKey& k0 = m_keys[bound - 1];
        const VMDMorphAnimationKey& k1 = m_keys[bound];
        const float s = (frame - float(k0.frame)) / float(int64_t(k1.frame) - int64_t(k0.frame));
        w = k0.weight + (k1.weight - k0.weight) * s;
    }
    if (weight != 1.0f) {
        const float base = m_morph->GetBaseAnimationWeight();
        m_morph->SetWeight(base + (w - base) * weight);
    } else {
        m_morph->SetWeight(w);
    }
}

}  // namespace mmd

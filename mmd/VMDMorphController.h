#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mmd {

class MMDMorph;

struct VMDMorphAnimationKey {
    int32_t frame = 0;  // 30 per second
    float weight = 0.0f;
};

// Plays the keys of one morph onto its weight, interpolating linearly between keys.
class VMDMorphController {
public:
    // The animated morph; observed, owned by the model.
    void SetMorph(MMDMorph* morph) { m_morph = morph; }
    MMDMorph* GetMorph() const { return m_morph; }

    void AddKey(const VMDMorphAnimationKey& key) { m_keys.push_back(key); }
    // Stable sort by ascending frame; run after adding keys.
    void SortKeys();
    const std::vector<VMDMorphAnimationKey>& GetKeys() const { return m_keys; }

    // Sets the morph's weight for a (fractional) frame; weight 1 replaces it, other weights blend from the morph's
    // base animation weight. Without keys the weight is left as it is. Allocation-free.
    void Evaluate(float frame, float weight = 1.0f);

private:
    MMDMorph* m_morph = nullptr;
    std::vector<VMDMorphAnimationKey> m_keys;
    size_t m_cacheIndex = 0;
};

}  // namespace mmd

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mmd {

class MMDIkSolver;

struct VMDIKAnimationKey {
    int32_t frame = 0;  // 30 per second
    bool enable = true;
};

// Switches one IK solver on and off by its keys (no interpolation).
class VMDIKController {
public:
    // The switched solver; observed, owned by the model.
    void SetIKSolver(MMDIkSolver* solver) { m_ikSolver = solver; }
    MMDIkSolver* GetIKSolver() const { return m_ikSolver; }

    void AddKey(const VMDIKAnimationKey& key) { m_keys.push_back(key); }
    // Stable sort by ascending frame; run after adding keys.
    void SortKeys();
    const std::vector<VMDIKAnimationKey>& GetKeys() const { return m_keys; }

    // Enables the solver as the last key at or before the frame says (the first key before every key; enabled
    // without keys). A weight below 1 takes the solver's base enable value instead.
    void Evaluate(float frame, float weight = 1.0f);

private:
    MMDIkSolver* m_ikSolver = nullptr;
    std::vector<VMDIKAnimationKey> m_keys;
    size_t m_cacheIndex = 0;
};

}  // namespace mmd

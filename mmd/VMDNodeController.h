#pragma once

#include <cstddef>
#include <cstdint>
#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <vector>

#include "mmd/VMDBezier.h"

namespace mmd {

class MMDNode;
struct VMDMotion;

// A rotation read from a motion or pose file (left-handed) in the runtime's right-handed frame: its matrix
// conjugated by diag(1, 1, -1), normalised; a zero or non-finite rotation becomes identity.
glm::quat ToRuntimeRotation(const glm::quat& fileRotation);

// One bone key in the runtime's right-handed frame.
struct VMDNodeAnimationKey {
    int32_t frame = 0;  // 30 per second
    glm::vec3 translate{0.0f};
    glm::quat rotate{1.0f, 0.0f, 0.0f, 0.0f};  // unit length
    // Curves shaping the segment from this key to the next.
    VMDBezier txBezier;
    VMDBezier tyBezier;
    VMDBezier tzBezier;
    VMDBezier rotBezier;

    // Converts a file key: translation (x, y, -z), rotation by ToRuntimeRotation, curves from the first 16
    // interpolation bytes.
    static VMDNodeAnimationKey FromMotion(const VMDMotion& motion);
};

// Plays the keys of one bone onto its node's animation translation and rotation.
class VMDNodeController {
public:
    // The animated node; observed, owned by the model.
    void SetNode(MMDNode* node) { m_node = node; }
    MMDNode* GetNode() const { return m_node; }

    void AddKey(const VMDNodeAnimationKey& key) { m_keys.push_back(key); }
    // Stable sort by ascending frame; run after adding keys.
    void SortKeys();
    const std::vector<VMDNodeAnimationKey>& GetKeys() const { return m_keys; }

    // Writes the node's animTranslate/animRotate for a (fractional) frame; weight 1 replaces them, other weights
    // blend from the node's base animation values. Allocation-free.
    void Evaluate(float frame, float weight = 1.0f);

private:
    MMDNode* m_node = nullptr;
    std::vector<VMDNodeAnimationKey> m_keys;
    size_t m_cacheIndex = 0;
};

}  // namespace mmd

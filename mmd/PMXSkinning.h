#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <cstddef>
#include <cstdint>

namespace mmd {

// How one vertex follows its bones. Bone indices index the skin transforms; -1 means none (a BDEF1 vertex without a
// bone stays at its rest position; in the other types such a slot contributes nothing). A loaded model guarantees
// every other index is in range.
struct VertexBoneInfo {
    enum class SkinningType : int32_t { BDEF1 = 0, BDEF2 = 1, BDEF4 = 2, SDEF = 3, QDEF = 4 };

    SkinningType m_skinningType = SkinningType::BDEF1;
    // BDEF1: slot 0. BDEF2: slots 0-1 with weights (w, 1 - w). BDEF4/QDEF: slots 0-3.
    // SDEF: bones in slots 0-1, weights w0 and w1 = 1 - w0, and m_boneIndex[2] = index of the vertex's SdefParams.
    std::array<int32_t, 4> m_boneIndex{{-1, -1, -1, -1}};
    std::array<float, 4> m_boneWeight{};
};

// The spherical-deform centre and corrected rotation centres of one SDEF vertex, runtime frame.
struct SdefParams {
    glm::vec3 m_c{0.0f};
    glm::vec3 m_cr0{0.0f};
    glm::vec3 m_cr1{0.0f};
};

// A rigid bone transform as a unit dual quaternion (rotation real part, translation dual part).
struct DualQuat {
    glm::quat m_real{1.0f, 0.0f, 0.0f, 0.0f};
    glm::quat m_dual{0.0f, 0.0f, 0.0f, 0.0f};
};

// Read-only data shared by every skinning task of one frame. Arrays are per vertex unless noted.
struct SkinningInput {
    const glm::vec3* m_positions = nullptr;       // rest positions
    const glm::vec3* m_normals = nullptr;         // rest normals
    const glm::vec2* m_uvs = nullptr;             // rest UVs
    const glm::vec3* m_morphPositions = nullptr;  // position-morph offsets, or null when all are zero
    const glm::vec4* m_morphUVs = nullptr;        // UV-morph offsets (xy used), or null when all are zero
    const VertexBoneInfo* m_boneInfos = nullptr;
    const SdefParams* m_sdefParams = nullptr;     // indexed by VertexBoneInfo for SDEF vertices
    const glm::mat4* m_skinTransforms = nullptr;  // per node: global · inverseInit
    const glm::quat* m_boneRotations = nullptr;   // per node: rotation of global; needed only for SDEF vertices
    const DualQuat* m_boneDualQuats = nullptr;    // per node: skin transform as dual quaternion; only for QDEF
};

// Skinned output arrays, per vertex.
struct SkinningOutput {
    glm::vec3* m_positions = nullptr;
    glm::vec3* m_normals = nullptr;
    glm::vec2* m_uvs = nullptr;  // null: UVs are left as they are (no UV morph now or in the last written frame)
};

// Rotation of the upper 3×3 of m by the trace method (trace branch when the trace is positive, else the branch of the
// largest diagonal element). m must be a rotation, possibly with translation.
glm::quat RotationFromMatrix(const glm::mat4& m);
// The skin transform m (rotation and translation) as a unit dual quaternion.
DualQuat DualQuatFromMatrix(const glm::mat4& m);

// Skins vertices [begin, begin + count). Writes only that range of the outputs; safe to run concurrently on disjoint
// ranges. Allocation-free.
void SkinVertices(const SkinningInput& in, const SkinningOutput& out, size_t begin, size_t count);

}  // namespace mmd

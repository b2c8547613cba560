#pragma once

#include <array>
#include <bitset>
#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

#include "vmc/VmcBones.h"
#include "vmc/VmcFrame.h"

namespace mmd {
class MMDModel;
class MMDNode;
}  // namespace mmd

namespace vmc {

// Maps the protocol's humanoid pose onto a model's standard bones and back. The protocol is left-handed (Unity:
// x right, y up, z forward) with every rotation relative to the T-pose; the runtime is right-handed with the
// model facing +z and its left side at +x, and a bone's animation rotation is relative to its rest pose, which
// for most models holds the arms in an A-pose. Each arm bone therefore carries a rest fix: the turn that brings
// its rest direction onto the horizontal T-pose direction. World rotations compose through the humanoid
// hierarchy; model bones between two driven ones (twist bones, shoulder helpers) are assumed unrotated.
class VmcRetarget {
public:
    // Resolves the model bones (names are UTF-8, first match) and their rest fixes from the rest pose. Keeps
    // only observing pointers: the model must outlive this object or be re-bound.
    void bind(mmd::MMDModel& model);
    bool isBound() const { return m_bound; }

    // Writes `frame` into the nodes' animation rotations (and the hips position into センター, else グルーブ),
    // blended from the values already there (the idle motion) by `weight` 0..1. Bones the frame never named
    // stay in the T-pose of their humanoid parent chain. Allocation-free.
    void apply(const VmcFrame& frame, float weight);
    // The inverse: fills `out.bones` (protocol space) and `out.received` from the nodes' global transforms, which
    // must be current (after the model's node update), and `out.root` with the identity. Allocation-free.
    void capture(VmcFrame& out) const;

    // The model bone a humanoid bone drives, or null when the model lacks it or no bone is mapped.
    mmd::MMDNode* node(int humanoid) const { return m_nodes[static_cast<size_t>(humanoid)]; }
    // Humanoid bones whose mapped model bone the model lacks (mapped names only), in table order.
    const std::vector<int>& missing() const { return m_missing; }
    // The rest fix of a humanoid bone (runtime space).
    const glm::quat& restFix(int humanoid) const { return m_fix[static_cast<size_t>(humanoid)]; }

    // Between protocol (left-handed) and runtime (right-handed) space; each is its own inverse.
    static glm::quat toRuntime(const VmcFrame::Pose& pose);
    static glm::vec3 positionToRuntime(const VmcFrame::Pose& pose);
    static void toProtocol(const glm::quat& q, const glm::vec3& p, VmcFrame::Pose& out);

private:
    bool m_bound = false;
    std::array<mmd::MMDNode*, kHumanoidBoneCount> m_nodes{};
    std::array<glm::quat, kHumanoidBoneCount> m_fix{};
    // Nearest driven humanoid bone whose model bone is an ancestor of this one's; -1 for none.
    std::array<int, kHumanoidBoneCount> m_modelParent{};
    // Nearest humanoid ancestor that the sender side sends (has a model bone); -1 for none.
    std::array<int, kHumanoidBoneCount> m_sentParent{};
    std::array<glm::vec3, kHumanoidBoneCount> m_restPos{};
    std::vector<int> m_missing;
    mmd::MMDNode* m_hipsMove = nullptr;  // センター or グルーブ
    glm::vec3 m_hipsRest{0.0f};          // rest position of the hips bone, model units
    mutable std::array<glm::quat, kHumanoidBoneCount> m_world{};
};

}  // namespace vmc

#pragma once

#include <QHash>
#include <memory>
#include <vector>

#include "vr/ControlNode.h"

namespace mmd {
class MMDNode;
}

// A small CCD chain of the body controller: an effector and the joints toward its root, solved in model space
// from the bones' rest positions and written into the nodes' animation rotations. Owns its joints.
class BoneChain {
public:
    enum Side { kRightArm = 0, kLeftArm = 1, kHead = 2 };
    static constexpr int kMaxPasses = 32;
    static constexpr int kMaxSteps = 32;
    static constexpr float kReached = 0.0001f;  // model units

    explicit BoneChain(int side) : m_side(side) {}

    // Appends a joint for `node` (effector first, root last) with a green marker; null node adds nothing.
    ControlNode* addJoint(mmd::MMDNode* node);
    // The twist bone of an arm; null for none. Set before finishSetup, which gives it its rest frame.
    void setTwist(mmd::MMDNode* node);
    // Links the joints and derives their rest data (parent links, child positions, rest frames, offsets). Run
    // once after the joints are added.
    void finishSetup();

    // Solves toward `target` (model space). `headAngle` (radians) pre-turns joint 1 of the head chain about y by
    // half of it. Chains of fewer than two joints do nothing.
    void solve(const Vector3& target, float headAngle = 0.0f);
    // Writes each joint's solved rotation, except the effector's, into its node's animation rotation; a non-zero
    // `blend` (0..1) moves it that far toward the rotation the node already has.
    void apply(float blend = 0.0f) const;

    int side() const { return m_side; }
    const std::vector<std::unique_ptr<ControlNode>>& joints() const { return m_joints; }
    const std::vector<ControlNode*>& rootFirst() const { return m_rootFirst; }
    ControlNode* find(const mmd::MMDNode* node) const { return m_byNode.value(node, nullptr); }
    ControlNode* twist() const { return m_twist.get(); }
    const Vector3& upAxis() const { return m_upAxis; }
    // Solver steps taken by the last solve (0 when the effector already sat on the target).
    int lastStepCount() const { return m_lastSteps; }

private:
    void reset(float headAngle);
    void forwardPass();

    int m_side;
    std::vector<std::unique_ptr<ControlNode>> m_joints;
    std::vector<ControlNode*> m_rootFirst;
    QHash<const mmd::MMDNode*, ControlNode*> m_byNode;
    std::unique_ptr<ControlNode> m_twist;
    Vector3 m_upAxis{0.0f, 1.0f, 0.0f};
    ControlNode* m_armStart = nullptr;  // the upper-arm joint that starts lowered; arms only
    int m_lastSteps = 0;
};

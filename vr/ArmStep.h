#pragma once

#include <QHash>
#include <QString>
#include <vector>

#include "vr/BodyMath.h"
#include "vr/BoneChain.h"

class VRController;

namespace mmd {
class MMDModel;
class MMDNode;
}  // namespace mmd

// The arms of a body controller: each VR controller's pose, taken through the performer's calibration and
// relative to the upper body, drives its arm chain and the wrist and twist roll. Nodes are observed (owned by
// the model). GUI thread only.
class ArmStep {
public:
    // Builds both arm chains from `nodes` (the model's bones by name, virtual nodes included) and the list of
    // nodes re-evaluated before the arms are solved (all but fingers, hair and eyes).
    void bind(mmd::MMDModel& model, const QHash<QString, mmd::MMDNode*>& nodes);
    // Solves both arms toward the controllers' current poses (metres in tracking space) and writes the arm,
    // wrist and twist rotations. Allocation-free.
    void update(const VRController& controller);

    const BoneChain& right() const { return m_right; }
    const BoneChain& left() const { return m_left; }

private:
    void wristStep(BoneChain& chain, const Quaternion& targetRotation);

    BoneChain m_right{BoneChain::kRightArm};
    BoneChain m_left{BoneChain::kLeftArm};
    std::vector<mmd::MMDNode*> m_refreshNodes;
    mmd::MMDNode* m_upper2 = nullptr;  // the targets' offset and turn come from "上半身2" when it exists
};

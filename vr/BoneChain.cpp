#include "vr/BoneChain.h"

#include <cmath>

#include "face/FaceMath.h"
#include "mmd/MMDNode.h"
#include "vr/BodyMath.h"

namespace {
constexpr float kJointMarkerScale = 0.002f;
// 40° about z: the arms start from a lowered pose, so the solve bends them the natural way.
const Quaternion kRightArmStart{0.9397f, 0.0f, 0.0f, 0.3420f};
const Quaternion kLeftArmStart{0.9397f, 0.0f, 0.0f, -0.3420f};

// The transpose of the rotation part applied to v: the inverse of a pure rotation.
Vector3 rotateInverse(const Matrix4& m, const Vector3& v) {
    return Vector3{m.at(0, 0) * v.x + m.at(1, 0) * v.y + m.at(2, 0) * v.z,
                   m.at(0, 1) * v.x + m.at(1, 1) * v.y + m.at(2, 1) * v.z,
                   m.at(0, 2) * v.x + m.at(1, 2) * v.y + m.at(2, 2) * v.z};
}
}  // namespace

ControlNode* BoneChain::addJoint(mmd::MMDNode* node) {
    if (node == nullptr) return nullptr;
    m_joints.push_back(std::make_unique<ControlNode>(node));
    ControlNode* joint = m_joints.back().get();
    joint->attachMarker(QString::fromLatin1(markers::kGreen), kJointMarkerScale, joint->restPos);
    m_byNode.insert(node, joint);
    return joint;
}

void BoneChain::setTwist(mmd::MMDNode* node) {
    m_twist = node != nullptr ? std::make_unique<ControlNode>(node) : nullptr;
}

void BoneChain::finishSetup() {
    const size_t n = m_joints.size();
    m_rootFirst.clear();
    for (size_t i = n; i-- > 0;) m_rootFirst.push_back(m_joints[i].get());
    for (size_t i = 0; i < n; ++i) m_joints[i]->parentJoint = i + 1 < n ? m_joints[i + 1].get() : nullptr;
    for (auto& joint : m_joints) {
        joint->pos = joint->restPos;
        joint->childPos = joint->restPos;
    }
    for (size_t i = 0; i + 1 < m_rootFirst.size(); ++i) m_rootFirst[i]->childPos = m_rootFirst[i + 1]->restPos;
    for (size_t i = 1; i < n; ++i) {
        ControlNode& joint = *m_joints[i];
        joint.restFrame = bodymath::lookRotation(bodymath::sub(joint.childPos, joint.pos), m_upAxis);
    }
    for (auto& joint : m_joints) {
        joint->toParent = joint->parentJoint ? bodymath::sub(joint->parentJoint->pos, joint->pos) : Vector3{};
        joint->pos = joint->restPos;
    }
    // The twist bone lies along the forearm; the wrist step turns the controller's roll about its direction.
    if (m_twist && !m_joints.empty()) {
        m_twist->restFrame = bodymath::lookRotation(bodymath::sub(m_joints[0]->restPos, m_twist->restPos), m_upAxis);
    }
    m_armStart = nullptr;
    if (m_side == kHead) return;
    for (auto& joint : m_joints) {
        if (joint->name.contains(QStringLiteral("腕"))) {
            m_armStart = joint.get();
            break;
        }
    }
}

void BoneChain::reset(float headAngle) {
    for (auto& joint : m_joints) {
        joint->pos = joint->restPos;
        joint->solveMatrix = Matrix4{};
        joint->solveRotation = Quaternion{};
    }
    for (size_t i = 0; i + 1 < m_rootFirst.size(); ++i) m_rootFirst[i]->childPos = m_rootFirst[i + 1]->pos;
    if (m_side == kHead) {
        ControlNode& joint = *m_joints[1];
        joint.solveRotation = bodymath::mul(
            joint.solveRotation, Quaternion{std::cos(headAngle / 4.0f), 0.0f, std::sin(headAngle / 4.0f), 0.0f});
        return;
    }
    if (m_armStart != nullptr) m_armStart->solveRotation = m_side == kRightArm ? kRightArmStart : kLeftArmStart;
}

void BoneChain::forwardPass() {
    const ControlNode* parent = nullptr;
    for (ControlNode* joint : m_rootFirst) {
        const Matrix4 own = bodymath::toMatrix(joint->solveRotation);
        if (parent == nullptr) {
            joint->solveMatrix = own;
            joint->pos = joint->restPos;
        } else {
            // The parent's rotation acts on everything below it, so it wraps the joint's own one.
            joint->solveMatrix = bodymath::mul(parent->solveMatrix, own);
            const Vector3 offset = bodymath::sub(joint->restPos, parent->restPos);
            joint->pos = bodymath::add(parent->pos, bodymath::rotate(parent->solveMatrix, offset));
        }
        parent = joint;
    }
}

void BoneChain::solve(const Vector3& target, float headAngle) {
    m_lastSteps = 0;
    if (m_joints.size() < 2) return;
    reset(headAngle);
    forwardPass();
    const ControlNode& effector = *m_joints[0];
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        size_t j = 1;
        for (int step = 0; step < kMaxSteps && j < m_joints.size(); ++step) {
            if (bodymath::length(bodymath::sub(effector.pos, target)) < kReached) return;
            ControlNode& joint = *m_joints[j];
            Vector3 a = bodymath::sub(effector.pos, joint.pos);
            Vector3 b = bodymath::sub(target, joint.pos);
            if (joint.parentJoint != nullptr) {
                a = rotateInverse(joint.parentJoint->solveMatrix, a);
                b = rotateInverse(joint.parentJoint->solveMatrix, b);
            }
            joint.solveRotation = bodymath::mul(bodymath::shortestArc(a, b), joint.solveRotation);
            ++m_lastSteps;
            // Positions follow every step, the root's included, so the next test sees the pose just made.
            forwardPass();
            if (joint.parentJoint == nullptr) break;
            ++j;
        }
    }
}

void BoneChain::apply(float blend) const {
    for (size_t i = 1; i < m_joints.size(); ++i) {
        const ControlNode& joint = *m_joints[i];
        Quaternion q = joint.solveRotation;
        if (blend != 0.0f) q = facemath::slerp(q, bodymath::fromGlm(joint.node->GetAnimationRotate()), blend);
        joint.node->SetAnimationRotate(bodymath::toGlm(q));
    }
}

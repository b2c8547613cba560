#include "vmc/VmcRetarget.h"

#include <cmath>
#include <glm/gtc/matrix_inverse.hpp>
#include <glm/mat3x3.hpp>

#include "mmd/MMDModel.h"
#include "mmd/MMDNode.h"

namespace vmc {
namespace {

const glm::quat kIdentity(1.0f, 0.0f, 0.0f, 0.0f);

// The shortest turn carrying unit vector `from` onto unit vector `to`.
glm::quat shortestArc(const glm::vec3& from, const glm::vec3& to) {
    const float d = glm::dot(from, to);
    if (d < -0.999999f) {
        // Opposite directions: any axis perpendicular to `from` will do.
        glm::vec3 axis = glm::cross(glm::vec3(0.0f, 0.0f, 1.0f), from);
        if (glm::dot(axis, axis) < 1e-8f) axis = glm::cross(glm::vec3(0.0f, 1.0f, 0.0f), from);
        return glm::angleAxis(3.14159265f, glm::normalize(axis));
    }
    const glm::vec3 c = glm::cross(from, to);
    return glm::normalize(glm::quat(1.0f + d, c.x, c.y, c.z));
}

glm::vec3 restPosition(const mmd::MMDNode& node) { return glm::vec3(glm::inverse(node.GetInverseInitTransform())[3]); }

}  // namespace

glm::quat VmcRetarget::toRuntime(const VmcFrame::Pose& pose) {
    // Mirroring x turns a left-handed frame into a right-handed one; a rotation's axis then keeps x and
    // negates y and z.
    return glm::quat(pose.qw, pose.qx, -pose.qy, -pose.qz);
}

glm::vec3 VmcRetarget::positionToRuntime(const VmcFrame::Pose& pose) { return glm::vec3(-pose.px, pose.py, pose.pz); }

void VmcRetarget::toProtocol(const glm::quat& q, const glm::vec3& p, VmcFrame::Pose& out) {
    out.px = -p.x;
    out.py = p.y;
    out.pz = p.z;
    out.qx = q.x;
    out.qy = -q.y;
    out.qz = -q.z;
    out.qw = q.w;
}

void VmcRetarget::bind(mmd::MMDModel& model) {
    const auto& bones = humanoidBones();
    mmd::MMDModel::MMDNodeManager& nodes = *model.GetNodeManager();
    const auto find = [&nodes](const char* name) -> mmd::MMDNode* {
        if (name == nullptr) return nullptr;
        const int32_t index = nodes.FindNodeIndex(name);
        return index < 0 ? nullptr : nodes.GetNode(static_cast<size_t>(index));
    };

    m_missing.clear();
    for (int i = 0; i < kHumanoidBoneCount; ++i) {
        const HumanoidBone& bone = bones[static_cast<size_t>(i)];
        mmd::MMDNode* node = find(bone.model);
        m_nodes[static_cast<size_t>(i)] = node;
        if (bone.model != nullptr && node == nullptr) m_missing.push_back(i);
        m_restPos[static_cast<size_t>(i)] = node != nullptr ? restPosition(*node) : glm::vec3(0.0f);

        glm::quat fix = kIdentity;
        if (bone.fix == RestFix::kFromParent && bone.parent >= 0) {
            fix = m_fix[static_cast<size_t>(bone.parent)];
        } else if (bone.fix == RestFix::kOwnArm && node != nullptr) {
            if (const mmd::MMDNode* child = find(bone.child)) {
                const glm::vec3 along = restPosition(*child) - restPosition(*node);
                if (glm::dot(along, along) > 1e-10f) {
                    fix = shortestArc(glm::normalize(along), glm::vec3(static_cast<float>(bone.side), 0.0f, 0.0f));
                }
            }
        }
        m_fix[static_cast<size_t>(i)] = fix;
    }

    for (int i = 0; i < kHumanoidBoneCount; ++i) {
        // Model side: the nearest driven bone up the model's own hierarchy.
        int modelParent = -1;
        if (const mmd::MMDNode* node = m_nodes[static_cast<size_t>(i)]) {
            for (const mmd::MMDNode* up = node->GetParent(); up != nullptr && modelParent < 0; up = up->GetParent()) {
                for (int k = 0; k < kHumanoidBoneCount; ++k) {
                    if (m_nodes[static_cast<size_t>(k)] == up) {
                        modelParent = k;
                        break;
                    }
                }
            }
        }
        m_modelParent[static_cast<size_t>(i)] = modelParent;
        // Protocol side: the nearest humanoid ancestor that is sent.
        int sent = bones[static_cast<size_t>(i)].parent;
        while (sent >= 0 && m_nodes[static_cast<size_t>(sent)] == nullptr)
            sent = bones[static_cast<size_t>(sent)].parent;
        m_sentParent[static_cast<size_t>(i)] = sent;
    }

    m_hipsMove = find("センター");
    if (m_hipsMove == nullptr) m_hipsMove = find("グルーブ");
    const mmd::MMDNode* hips = m_nodes[kHips] != nullptr ? m_nodes[kHips] : m_hipsMove;
    m_hipsRest = hips != nullptr ? restPosition(*hips) : glm::vec3(0.0f);
    m_bound = true;
}

void VmcRetarget::apply(const VmcFrame& frame, float weight) {
    if (!m_bound || !(weight > 0.0f)) return;
    if (weight > 1.0f) weight = 1.0f;
    const auto& bones = humanoidBones();
    const glm::quat root = toRuntime(frame.root);
    // World rotations relative to the T-pose, through the humanoid hierarchy.
    for (size_t i = 0; i < static_cast<size_t>(kHumanoidBoneCount); ++i) {
        const glm::quat local = frame.received[i] ? toRuntime(frame.bones[i]) : kIdentity;
        const int parent = bones[i].parent;
        m_world[i] = (parent < 0 ? root : m_world[static_cast<size_t>(parent)]) * local;
    }
    for (size_t i = 0; i < static_cast<size_t>(kHumanoidBoneCount); ++i) {
        mmd::MMDNode* node = m_nodes[i];
        if (node == nullptr) continue;
        // World rotation from the model's rest pose: first into the T-pose, then the sender's turn.
        const glm::quat world = m_world[i] * m_fix[i];
        const int parent = m_modelParent[i];
        const glm::quat parentWorld =
            parent < 0 ? kIdentity : m_world[static_cast<size_t>(parent)] * m_fix[static_cast<size_t>(parent)];
        const glm::quat local = glm::normalize(glm::inverse(parentWorld) * world);
        node->SetAnimationRotate(weight >= 1.0f ? local : glm::slerp(node->GetAnimationRotate(), local, weight));
    }
    if (m_hipsMove != nullptr && frame.received[kHips]) {
        const glm::vec3 hips = positionToRuntime(frame.root) + root * positionToRuntime(frame.bones[kHips]);
        const glm::vec3 offset = hips * 10.0f - m_hipsRest;
        m_hipsMove->SetAnimationTranslate(glm::mix(m_hipsMove->GetAnimationTranslate(), offset, weight));
    }
}

void VmcRetarget::capture(VmcFrame& out) const {
    out.received.reset();
    out.root = VmcFrame::Pose{};
    if (!m_bound) return;
    for (size_t i = 0; i < static_cast<size_t>(kHumanoidBoneCount); ++i) {
        const mmd::MMDNode* node = m_nodes[i];
        if (node == nullptr) continue;
        const glm::quat world = glm::normalize(glm::quat_cast(glm::mat3(node->GetGlobalTransform())));
        m_world[i] = world * glm::inverse(m_fix[i]);
    }
    for (size_t i = 0; i < static_cast<size_t>(kHumanoidBoneCount); ++i) {
        const mmd::MMDNode* node = m_nodes[i];
        if (node == nullptr) continue;
        const int parent = m_sentParent[i];
        const glm::quat parentWorld = parent < 0 ? kIdentity : m_world[static_cast<size_t>(parent)];
        const glm::quat local = glm::normalize(glm::inverse(parentWorld) * m_world[i]);
        glm::vec3 position;
        if (i == static_cast<size_t>(kHips)) {
            // Absolute, so a receiver's hips land where ours stand (in metres).
            position = glm::vec3(node->GetGlobalTransform()[3]) * 0.1f;
        } else {
            position = (m_restPos[i] - (parent < 0 ? glm::vec3(0.0f) : m_restPos[static_cast<size_t>(parent)])) * 0.1f;
        }
        toProtocol(local, position, out.bones[i]);
        out.received.set(i);
    }
}

}  // namespace vmc

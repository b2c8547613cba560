#include "mmd/MMDJoint.h"

#include "mmd/Logger.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXFile.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>

namespace mmd {

namespace {

// Beyond this a spring's impulse per 1/120 s sub-step overflows what the solver can keep finite.
constexpr float kMaxStiffness = 1.0e6f;

bool IsFinite(const glm::vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool IsFinite(const PMXJoint& j) {
    return IsFinite(j.m_position) && IsFinite(j.m_rotation) && IsFinite(j.m_translationLowerLimit) &&
           IsFinite(j.m_translationUpperLimit) && IsFinite(j.m_rotationLowerLimit) &&
           IsFinite(j.m_rotationUpperLimit) && IsFinite(j.m_springTranslation) && IsFinite(j.m_springRotation);
}

btVector3 ToBt(const glm::vec3& v) { return btVector3(v.x, v.y, v.z); }

btVector3 NormalizedAngles(const glm::vec3& v) {
    return btVector3(btNormalizeAngle(v.x), btNormalizeAngle(v.y), btNormalizeAngle(v.z));
}

}  // namespace

MMDJoint::MMDJoint() = default;

MMDJoint::~MMDJoint() { Destroy(); }

bool MMDJoint::CreateJoint(const PMXJoint& pmxJoint, MMDRigidBody* rigidBodyA, MMDRigidBody* rigidBodyB) {
    Destroy();
    if (!rigidBodyA || !rigidBodyB || rigidBodyA == rigidBodyB || !rigidBodyA->GetRigidBody() ||
        !rigidBodyB->GetRigidBody()) {
        GetLogger()->error("Joint [{}]: needs two distinct rigid bodies.", pmxJoint.m_name);
        return false;
    }
    if (!IsFinite(pmxJoint)) {
        GetLogger()->error("Joint [{}]: a position, rotation, limit or spring constant is not a number.",
                           pmxJoint.m_name);
        return false;
    }

    // World (file) frame: basis Rz·Ry·Rx from the joint's Euler angles, origin at the joint's position.
    const glm::vec3& rot = pmxJoint.m_rotation;
    const btMatrix3x3 rx(btQuaternion(btVector3(1, 0, 0), rot.x));
    const btMatrix3x3 ry(btQuaternion(btVector3(0, 1, 0), rot.y));
    const btMatrix3x3 rz(btQuaternion(btVector3(0, 0, 1), rot.z));
    const btTransform jointTransform(rz * ry * rx, ToBt(pmxJoint.m_position));

    btRigidBody* bodyA = rigidBodyA->GetRigidBody();
    btRigidBody* bodyB = rigidBodyB->GetRigidBody();
    const btTransform frameA = bodyA->getWorldTransform().inverse() * jointTransform;
    const btTransform frameB = bodyB->getWorldTransform().inverse() * jointTransform;

    auto constraint = std::make_unique<btGeneric6DofSpringConstraint>(*bodyA, *bodyB, frameA, frameB, true);
    constraint->setLinearLowerLimit(ToBt(pmxJoint.m_translationLowerLimit));
    constraint->setLinearUpperLimit(ToBt(pmxJoint.m_translationUpperLimit));
    constraint->setAngularLowerLimit(NormalizedAngles(pmxJoint.m_rotationLowerLimit));
    constraint->setAngularUpperLimit(NormalizedAngles(pmxJoint.m_rotationUpperLimit));

    bool clamped = false;
    for (int i = 0; i < 6; ++i) {
        const float raw = i < 3 ? pmxJoint.m_springTranslation[i] : pmxJoint.m_springRotation[i - 3];
        if (raw == 0.0f) {
            continue;
        }
        const float stiffness = std::clamp(raw, -kMaxStiffness, kMaxStiffness);
        clamped = clamped || stiffness != raw;
        constraint->enableSpring(i, true);
        constraint->setStiffness(i, stiffness);
    }
    if (clamped) {
        GetLogger()->warn("Joint [{}]: spring constant out of range, clamped.", pmxJoint.m_name);
    }
    m_constraint = std::move(constraint);
    return true;
}

void MMDJoint::Destroy() { m_constraint.reset(); }

}  // namespace mmd

#include "mmd/MMDRigidBody.h"

#include "mmd/Logger.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMotionState.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysics.h"
#include "mmd/PMXFile.h"

#include <btBulletDynamicsCommon.h>

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <cmath>

namespace mmd {

namespace {

// Bounds that keep Bullet's arithmetic finite: 1e4 model units is a kilometre, far beyond any character or stage.
constexpr float kMaxLength = 1.0e4f;
constexpr float kMaxMass = 1.0e5f;

bool IsFinite(const glm::vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool IsFinite(const PMXRigidBody& rb) {
    return IsFinite(rb.m_shapeSize) && IsFinite(rb.m_position) && IsFinite(rb.m_rotation) && std::isfinite(rb.m_mass) &&
           std::isfinite(rb.m_translationDamping) && std::isfinite(rb.m_rotationDamping) &&
           std::isfinite(rb.m_restitution) && std::isfinite(rb.m_friction);
}

// Clamps one length into [0, kMaxLength], noting in `clamped` when it had to.
float ClampLength(float value, bool& clamped) {
    const float result = std::clamp(value, 0.0f, kMaxLength);
    clamped = clamped || result != value;
    return result;
}

std::unique_ptr<btCollisionShape> CreateShape(const PMXRigidBody& rb, bool& clamped) {
    const glm::vec3& size = rb.m_shapeSize;
    switch (rb.m_shape) {
        case PMXRigidBodyShape::Sphere:
            return std::make_unique<btSphereShape>(ClampLength(size.x, clamped));
        case PMXRigidBodyShape::Box:
            return std::make_unique<btBoxShape>(btVector3(ClampLength(size.x, clamped), ClampLength(size.y, clamped),
                                                          ClampLength(size.z, clamped)));
        case PMXRigidBodyShape::Capsule:
            return std::make_unique<btCapsuleShape>(ClampLength(size.x, clamped), ClampLength(size.y, clamped));
    }
    return nullptr;
}

MMDNode* FirstNode(MMDModel* model) {
    if (!model) {
        return nullptr;
    }
    MMDModel::MMDNodeManager* nodes = model->GetNodeManager();
    return nodes && nodes->GetNodeCount() > 0 ? nodes->GetNode(0) : nullptr;
}

}  // namespace

MMDRigidBody::MMDRigidBody() = default;

MMDRigidBody::~MMDRigidBody() { Destroy(); }

bool MMDRigidBody::Create(const PMXRigidBody& pmxRigidBody, MMDModel* model, MMDNode* node) {
    Destroy();
    m_name = pmxRigidBody.m_name;

    const auto operation = static_cast<int32_t>(pmxRigidBody.m_operation);
    if (operation < 0 || operation > 2) {
        GetLogger()->error("Rigid body [{}]: unknown operation {}.", m_name, operation);
        return false;
    }
    if (!IsFinite(pmxRigidBody)) {
        GetLogger()->error("Rigid body [{}]: a size, position, rotation or body parameter is not a number.", m_name);
        return false;
    }

    bool clamped = false;
    m_shape = CreateShape(pmxRigidBody, clamped);
    if (!m_shape) {
        GetLogger()->error("Rigid body [{}]: unknown shape {}.", m_name, static_cast<int>(pmxRigidBody.m_shape));
        return false;
    }

    btScalar mass = 0;
    btVector3 localInertia(0, 0, 0);
    if (operation != 0) {
        mass = std::clamp(pmxRigidBody.m_mass, 0.0f, kMaxMass);
        clamped = clamped || mass != pmxRigidBody.m_mass;
        if (mass != 0) {
            m_shape->calculateLocalInertia(mass, localInertia);
        }
    }
    if (pmxRigidBody.m_group > 15) {
        GetLogger()->warn("Rigid body [{}]: group {} is out of 0..15; it collides with the ground only.", m_name,
                          pmxRigidBody.m_group);
    }
    if (clamped) {
        GetLogger()->warn("Rigid body [{}]: size or mass out of range, clamped.", m_name);
    }

    // Body transform in the runtime frame: R = Ry·Rx·Rz, the file's rotation order, then mirrored into the runtime.
    const glm::vec3& rot = pmxRigidBody.m_rotation;
    glm::mat4 rotation = glm::rotate(glm::mat4(1.0f), rot.y, glm::vec3(0, 1, 0));
    rotation = glm::rotate(rotation, rot.x, glm::vec3(1, 0, 0));
    rotation = glm::rotate(rotation, rot.z, glm::vec3(0, 0, 1));
    const glm::mat4 rbMat = InvZ(glm::translate(glm::mat4(1.0f), pmxRigidBody.m_position) * rotation);

    // A body without a bone is measured against and follows node 0, the model's root in every real file.
    MMDNode* followed = node ? node : FirstNode(model);
    m_offset = followed ? glm::inverse(followed->GetGlobalTransform()) * rbMat : rbMat;

    m_kinematicMotionState = std::make_unique<KinematicMotionState>(followed, m_offset);
    btMotionState* motionState = m_kinematicMotionState.get();
    if (operation != 0) {
        if (operation == 1 && node) {
            m_activeMotionState = std::make_unique<DynamicMotionState>(node, m_offset);
        } else if (node) {
            m_activeMotionState = std::make_unique<DynamicAndBoneMergeMotionState>(node, m_offset);
        } else {
            // The body's own rest transform, so switching from following node 0 to simulating does not make it jump.
            m_activeMotionState = std::make_unique<DefaultMotionState>(InvZ(rbMat));
        }
        motionState = m_activeMotionState.get();
    }

    btRigidBody::btRigidBodyConstructionInfo info(mass, motionState, m_shape.get(), localInertia);
    info.m_linearDamping = pmxRigidBody.m_translationDamping;
    info.m_angularDamping = pmxRigidBody.m_rotationDamping;
    info.m_restitution = pmxRigidBody.m_restitution;
    info.m_friction = pmxRigidBody.m_friction;
    info.m_linearSleepingThreshold = 0.8f;
    info.m_angularSleepingThreshold = 1.0f;
    info.m_additionalDamping = true;
    info.m_additionalDampingFactor = 0.005f;
    info.m_additionalLinearDampingThresholdSqr = 0.01f;
    info.m_additionalAngularDampingThresholdSqr = 0.01f;
    info.m_additionalAngularDampingFactor = 0.01f;
    m_rigidBody = std::make_unique<btRigidBody>(info);
    m_rigidBody->setUserPointer(this);
    m_rigidBody->setSleepingThresholds(0.01f, 0.0017453292f);
    m_rigidBody->setActivationState(DISABLE_DEACTIVATION);
    if (operation == 0) {
        m_rigidBody->setCollisionFlags(m_rigidBody->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
    }

    m_rigidBodyType = operation;
    m_group = pmxRigidBody.m_group;
    m_groupMask = pmxRigidBody.m_collisionMask;
    m_node = node;
    return true;
}

void MMDRigidBody::Destroy() {
    m_rigidBody.reset();
    m_kinematicMotionState.reset();
    m_activeMotionState.reset();
    m_shape.reset();
    m_node = nullptr;
}

uint16_t MMDRigidBody::GetGroup() const { return m_group < 16 ? static_cast<uint16_t>(1u << m_group) : 0; }

void MMDRigidBody::SetActivation(bool activation) {
    if (!m_rigidBody) {
        return;
    }
    btMotionState* wanted = m_kinematicMotionState.get();
    int flags = m_rigidBody->getCollisionFlags();
    if (m_rigidBodyType != 0) {
        if (activation) {
            wanted = m_activeMotionState.get();
            flags &= ~btCollisionObject::CF_KINEMATIC_OBJECT;
        } else {
            flags |= btCollisionObject::CF_KINEMATIC_OBJECT;
        }
    }
    m_rigidBody->setCollisionFlags(flags);
    // Switching takes the body's transform from the new state; re-reading an unchanged state every frame would
    // snap the body back to its interpolated pose and lose sub-step time.
    if (m_rigidBody->getMotionState() != wanted) {
        m_rigidBody->setMotionState(wanted);
    }
}

void MMDRigidBody::ResetTransform() {
    if (m_activeMotionState) {
        m_activeMotionState->Reset();
    }
}

void MMDRigidBody::Reset(MMDPhysics* physics) {
    if (!m_rigidBody || !physics || !physics->GetDynamicsWorld()) {
        return;
    }
    btDiscreteDynamicsWorld* world = physics->GetDynamicsWorld();
    if (btBroadphaseProxy* proxy = m_rigidBody->getBroadphaseHandle()) {
        world->getPairCache()->cleanProxyFromPairs(proxy, world->getDispatcher());
    }
    m_rigidBody->setLinearVelocity(btVector3(0, 0, 0));
    m_rigidBody->setAngularVelocity(btVector3(0, 0, 0));
    m_rigidBody->setInterpolationLinearVelocity(btVector3(0, 0, 0));
    m_rigidBody->setInterpolationAngularVelocity(btVector3(0, 0, 0));
    m_rigidBody->clearForces();
    // A body that once went non-finite has every cached transform poisoned, and Bullet takes it out of the
    // simulation for good when its bounding box overflows: start it again from its motion state.
    if (btMotionState* state = m_rigidBody->getMotionState()) {
        btTransform transform;
        state->getWorldTransform(transform);
        m_rigidBody->setWorldTransform(transform);
        m_rigidBody->setInterpolationWorldTransform(transform);
    }
    m_rigidBody->forceActivationState(DISABLE_DEACTIVATION);
}

void MMDRigidBody::ReflectGlobalTransform() {
    if (m_activeMotionState) {
        m_activeMotionState->ReflectGlobalTransform();
    }
    if (m_kinematicMotionState) {
        m_kinematicMotionState->ReflectGlobalTransform();
    }
}

void MMDRigidBody::CalcLocalTransform() {
    if (!m_node) {
        return;
    }
    const MMDNode* parent = m_node->GetParent();
    m_node->SetLocalTransform(parent ? glm::inverse(parent->GetGlobalTransform()) * m_node->GetGlobalTransform()
                                     : m_node->GetGlobalTransform());
}

glm::mat4 MMDRigidBody::GetTransform() const {
    return m_rigidBody ? InvZ(ToMat4(m_rigidBody->getCenterOfMassTransform())) : glm::mat4(1.0f);
}

}  // namespace mmd

#include "mmd/MMDPhysicsManager.h"

#include "mmd/Logger.h"
#include "mmd/MMDJoint.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysics.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXFile.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>

namespace mmd {

namespace {
// The reset step: long enough for the kinematic bodies to carry their velocities onto the bones' rest pose.
constexpr float kResetStepSeconds = 1.0f / 60.0f;
}  // namespace

MMDPhysicsManager::MMDPhysicsManager() = default;

MMDPhysicsManager::~MMDPhysicsManager() { Clear(); }

void MMDPhysicsManager::Clear() {
    // Bullet keeps raw pointers: constraints reference bodies and the world references both.
    for (auto& joint : m_joints) {
        if (m_mmdPhysics) {
            m_mmdPhysics->RemoveJoint(joint.get());
        }
    }
    m_joints.clear();
    for (auto& body : m_rigidBodies) {
        if (m_mmdPhysics) {
            m_mmdPhysics->RemoveRigidBody(body.get());
        }
    }
    m_rigidBodies.clear();
    m_loadedNodeCount = 0;
    m_mmdPhysics.reset();
}

bool MMDPhysicsManager::Create() {
    Clear();
    m_mmdPhysics = std::make_unique<MMDPhysics>();
    return m_mmdPhysics->Create();
}

MMDRigidBody* MMDPhysicsManager::AddRigidBody() {
    m_rigidBodies.push_back(std::make_unique<MMDRigidBody>());
    return m_rigidBodies.back().get();
}

MMDJoint* MMDPhysicsManager::AddJoint() {
    m_joints.push_back(std::make_unique<MMDJoint>());
    return m_joints.back().get();
}

bool MMDPhysicsManager::CreateFromPMX(const PMXFileData& pmx, MMDModel* model) {
    if (!Create()) {
        GetLogger()->error("Create Physics Fail.");
        return false;
    }

    MMDModel::MMDNodeManager* nodes = model ? model->GetNodeManager() : nullptr;
    const size_t nodeCount = nodes ? nodes->GetNodeCount() : 0;
    m_loadedNodeCount = nodeCount;

    m_rigidBodies.reserve(pmx.m_rigidBodies.size());
    // The world's object list is sized once for the ground and every body instead of growing body by body.
    if (btDiscreteDynamicsWorld* world = m_mmdPhysics->GetDynamicsWorld()) {
        world->getCollisionObjectArray().reserve(world->getNumCollisionObjects() +
                                                 static_cast<int>(pmx.m_rigidBodies.size()));
    }
    for (const PMXRigidBody& pmxRigidBody : pmx.m_rigidBodies) {
        MMDNode* node = nullptr;
        if (pmxRigidBody.m_boneIndex != -1) {
            if (pmxRigidBody.m_boneIndex >= 0 && static_cast<size_t>(pmxRigidBody.m_boneIndex) < nodeCount) {
                node = nodes->GetNode(static_cast<size_t>(pmxRigidBody.m_boneIndex));
            } else {
                GetLogger()->warn("Rigid body [{}]: bone index {} out of range, treated as not attached.",
                                  pmxRigidBody.m_name, pmxRigidBody.m_boneIndex);
            }
        }
        MMDRigidBody* body = AddRigidBody();
        if (!body->Create(pmxRigidBody, model, node)) {
            GetLogger()->error("Create Rigid Body Fail.\n");
            return false;
        }
        m_mmdPhysics->AddRigidBody(body);
    }

    const auto bodyAt = [this](int32_t index) -> MMDRigidBody* {
        return index >= 0 && static_cast<size_t>(index) < m_rigidBodies.size() ? m_rigidBodies[index].get() : nullptr;
    };
    m_joints.reserve(pmx.m_joints.size());
    for (const PMXJoint& pmxJoint : pmx.m_joints) {
        MMDRigidBody* bodyA = bodyAt(pmxJoint.m_rigidBodyA);
        MMDRigidBody* bodyB = bodyAt(pmxJoint.m_rigidBodyB);
        if (!bodyA || !bodyB || bodyA == bodyB) {
            GetLogger()->warn("Illegal Joint [{}]", pmxJoint.m_name);
            continue;
        }
        MMDJoint* joint = AddJoint();
        if (!joint->CreateJoint(pmxJoint, bodyA, bodyB)) {
            GetLogger()->error("Create Joint Fail.\n");
            return false;
        }
        m_mmdPhysics->AddJoint(joint);
    }
    return true;
}

void MMDPhysicsManager::UpdateRootGlobalTransforms(MMDModel* model) {
    MMDModel::MMDNodeManager* nodes = model ? model->GetNodeManager() : nullptr;
    if (!nodes) {
        return;
    }
    const size_t count = std::min(m_loadedNodeCount, nodes->GetNodeCount());
    for (size_t i = 0; i < count; ++i) {
        MMDNode* node = nodes->GetNode(i);
        if (!node->GetParent()) {
            node->UpdateGlobalTransform();
        }
    }
}

void MMDPhysicsManager::UpdatePhysicsAnimation(MMDModel* model, float elapsedSeconds) {
    if (!m_mmdPhysics || !m_mmdPhysics->GetDynamicsWorld()) {
        return;
    }
    for (auto& body : m_rigidBodies) {
        body->SetActivation(true);
    }
    m_mmdPhysics->Update(elapsedSeconds);
    for (auto& body : m_rigidBodies) {
        body->ReflectGlobalTransform();
    }
    for (auto& body : m_rigidBodies) {
        body->CalcLocalTransform();
    }
    UpdateRootGlobalTransforms(model);
}

void MMDPhysicsManager::ResetPhysics(MMDModel* model) {
    if (!m_mmdPhysics || !m_mmdPhysics->GetDynamicsWorld()) {
        return;
    }
    for (auto& body : m_rigidBodies) {
        body->SetActivation(false);
        body->ResetTransform();
    }
    m_mmdPhysics->Update(kResetStepSeconds);
    for (auto& body : m_rigidBodies) {
        body->ReflectGlobalTransform();
    }
    for (auto& body : m_rigidBodies) {
        body->CalcLocalTransform();
    }
    UpdateRootGlobalTransforms(model);
    for (auto& body : m_rigidBodies) {
        body->Reset(m_mmdPhysics.get());
    }
}

}  // namespace mmd

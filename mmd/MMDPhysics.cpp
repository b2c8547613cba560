#include "mmd/MMDPhysics.h"

#include "mmd/MMDFilterCallback.h"
#include "mmd/MMDJoint.h"
#include "mmd/MMDRigidBody.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>

namespace mmd {

namespace {
constexpr int kPoolSize = 4096;
constexpr btScalar kInitialGravityY = -98.0f;
}  // namespace

MMDPhysics::MMDPhysics() = default;

MMDPhysics::~MMDPhysics() { Destroy(); }

bool MMDPhysics::Create() {
    Destroy();

    m_broadphase = std::make_unique<btDbvtBroadphase>();

    btDefaultCollisionConstructionInfo info;
    info.m_defaultMaxPersistentManifoldPoolSize = kPoolSize;
    info.m_defaultMaxCollisionAlgorithmPoolSize = kPoolSize;
    m_collisionConfig = std::make_unique<btDefaultCollisionConfiguration>(info);
    m_dispatcher = std::make_unique<btCollisionDispatcher>(m_collisionConfig.get());
    m_solver = std::make_unique<btSequentialImpulseConstraintSolver>();
    m_world = std::make_unique<btDiscreteDynamicsWorld>(m_dispatcher.get(), m_broadphase.get(), m_solver.get(),
                                                        m_collisionConfig.get());
    m_world->setGravity(btVector3(0, kInitialGravityY, 0));

    m_groundShape = std::make_unique<btStaticPlaneShape>(btVector3(0, 1, 0), btScalar(0));
    m_groundMS = std::make_unique<btDefaultMotionState>(btTransform::getIdentity());
    btRigidBody::btRigidBodyConstructionInfo groundInfo(0, m_groundMS.get(), m_groundShape.get(), btVector3(0, 0, 0));
    m_groundRB = std::make_unique<btRigidBody>(groundInfo);
    m_world->addRigidBody(m_groundRB.get());

    m_filterCB = std::make_unique<MMDFilterCallback>();
    m_filterCB->m_nonFilteredProxy.push_back(m_groundRB->getBroadphaseProxy());
    m_world->getPairCache()->setOverlapFilterCallback(m_filterCB.get());
    return true;
}

void MMDPhysics::Destroy() {
    if (m_world && m_groundRB) {
        m_world->removeRigidBody(m_groundRB.get());
    }
    if (m_world) {
        m_world->getPairCache()->setOverlapFilterCallback(nullptr);
    }
    m_filterCB.reset();
    m_groundRB.reset();
    m_groundMS.reset();
    m_groundShape.reset();
    m_world.reset();
    m_solver.reset();
    m_dispatcher.reset();
    m_collisionConfig.reset();
    m_broadphase.reset();
}

void MMDPhysics::SetFPS(float fps) {
    if (std::isfinite(fps) && fps > 0.0f) {
        m_fps = fps;
    }
}

void MMDPhysics::SetMaxSubStepCount(int32_t count) {
    if (count >= 1) {
        m_maxSubStepCount = count;
    }
}

void MMDPhysics::Update(float elapsedSeconds) {
    if (!m_world || !std::isfinite(elapsedSeconds) || elapsedSeconds < 0.0f) {
        return;
    }
    const auto fixedStep = static_cast<btScalar>(1.0 / m_fps);
    // Time beyond the sub-step budget is dropped by Bullet anyway; capping it here keeps the step count from
    // overflowing Bullet's int conversion on absurd inputs (a frame after hours in a debugger, a corrupt clock).
    // One spare step keeps float rounding from costing the last allowed sub-step.
    const btScalar budget = fixedStep * static_cast<btScalar>(m_maxSubStepCount + 1);
    m_world->stepSimulation(std::min(static_cast<btScalar>(elapsedSeconds), budget), m_maxSubStepCount, fixedStep);
}

void MMDPhysics::AddRigidBody(MMDRigidBody* body) {
    if (m_world && body && body->GetRigidBody()) {
        m_world->addRigidBody(body->GetRigidBody(), body->GetGroup(), body->GetGroupMask());
    }
}

void MMDPhysics::RemoveRigidBody(MMDRigidBody* body) {
    if (m_world && body && body->GetRigidBody()) {
        m_world->removeRigidBody(body->GetRigidBody());
    }
}

void MMDPhysics::AddJoint(MMDJoint* joint) {
    if (m_world && joint && joint->GetConstraint()) {
        m_world->addConstraint(joint->GetConstraint());
    }
}

void MMDPhysics::RemoveJoint(MMDJoint* joint) {
    if (m_world && joint && joint->GetConstraint()) {
        m_world->removeConstraint(joint->GetConstraint());
    }
}

void MMDPhysics::SetGravity(float x, float y, float z) {
    if (m_world && std::isfinite(x) && std::isfinite(y) && std::isfinite(z)) {
        m_world->setGravity(btVector3(x, y, z));
    }
}

}  // namespace mmd

#pragma once

#include <cstdint>
#include <memory>

class btBroadphaseInterface;
class btDefaultCollisionConfiguration;
class btCollisionDispatcher;
class btSequentialImpulseConstraintSolver;
class btDiscreteDynamicsWorld;
class btCollisionShape;
class btMotionState;
class btRigidBody;

namespace mmd {

class MMDRigidBody;
class MMDJoint;
class MMDFilterCallback;

// The Bullet world of one model. It works in the PMX file's left-handed frame (runtime Z negated); gravity and the
// ground plane y = 0 lie along Y, which both frames share. Single-threaded: call from the frame thread only.
class MMDPhysics {
public:
    MMDPhysics();
    ~MMDPhysics();
    MMDPhysics(const MMDPhysics&) = delete;
    MMDPhysics& operator=(const MMDPhysics&) = delete;

    // Builds the world, the ground plane and the collision filter; gravity starts at (0, -98, 0). Calling it again
    // rebuilds an empty world. Returns false only when Bullet cannot be set up.
    bool Create();
    // Releases the world; bodies and joints still added must be removed first (MMDPhysicsManager does this).
    void Destroy();

    // Fixed sub-step rate in steps per second (default 120); values <= 0 or non-finite are ignored.
    void SetFPS(float fps);
    // Most sub-steps one Update may take (default 10); values < 1 are ignored.
    void SetMaxSubStepCount(int32_t count);

    // Advances the world by elapsedSeconds in fixed 1/fps sub-steps, at most the sub-step count of them.
    // Negative or non-finite times advance nothing. Allocation-free once the world has warmed up.
    void Update(float elapsedSeconds);

    // Adds the body with collision group 1 << body.group and mask body.groupMask. The body stays owned by the caller.
    void AddRigidBody(MMDRigidBody* body);
    void RemoveRigidBody(MMDRigidBody* body);
    // Adds the joint's constraint with collisions between the two linked bodies left enabled. Caller owns the joint.
    void AddJoint(MMDJoint* joint);
    void RemoveJoint(MMDJoint* joint);

    // Gravity in world units per second squared (model units: 1 = 0.1 m), world (left-handed) frame. Non-finite
    // components leave the gravity unchanged.
    void SetGravity(float x, float y, float z);

    // The Bullet world, or null before Create. Observing pointer; owned by this object.
    btDiscreteDynamicsWorld* GetDynamicsWorld() const { return m_world.get(); }

private:
    std::unique_ptr<btBroadphaseInterface> m_broadphase;
    std::unique_ptr<btDefaultCollisionConfiguration> m_collisionConfig;
    std::unique_ptr<btCollisionDispatcher> m_dispatcher;
    std::unique_ptr<btSequentialImpulseConstraintSolver> m_solver;
    std::unique_ptr<btDiscreteDynamicsWorld> m_world;
    std::unique_ptr<btCollisionShape> m_groundShape;
    std::unique_ptr<btMotionState> m_groundMS;
    std::unique_ptr<btRigidBody> m_groundRB;
    std::unique_ptr<MMDFilterCallback> m_filterCB;

    double m_fps = 120.0;
    int32_t m_maxSubStepCount = 10;
};

}  // namespace mmd

#pragma once

#include <glm/mat4x4.hpp>

#include <cstdint>
#include <memory>
#include <string>

class btCollisionShape;
class btRigidBody;

namespace mmd {

struct PMXRigidBody;
class MMDModel;
class MMDNode;
class MMDPhysics;
class MMDMotionState;
class KinematicMotionState;

// One rigid body of a model's physics world, built from a PMX record. Operation 0 bodies follow their bone
// (kinematic); operations 1 and 2 are simulated while activated and follow their bone while deactivated.
class MMDRigidBody {
public:
    MMDRigidBody();
    ~MMDRigidBody();
    MMDRigidBody(const MMDRigidBody&) = delete;
    MMDRigidBody& operator=(const MMDRigidBody&) = delete;

    // Builds shape, motion states and Bullet body. node is the attached bone or null (PMX bone index -1); a body
    // without a bone measures its offset against the model's node 0 and follows it (or the identity if the model has
    // no nodes). Returns false with a logged reason for an unknown shape or non-finite numbers; oversized lengths,
    // masses and negative values are clamped with a warning. model and node are observed, not owned.
    bool Create(const PMXRigidBody& pmxRigidBody, MMDModel* model, MMDNode* node);
    void Destroy();

    // The Bullet body (user pointer = this), or null before Create. Owned by this object.
    btRigidBody* GetRigidBody() const { return m_rigidBody.get(); }
    // Collision group as a bit (1 << PMX group) and the PMX collision mask.
    uint16_t GetGroup() const;
    uint16_t GetGroupMask() const { return m_groupMask; }
    // PMX operation: 0 follow bone, 1 dynamic, 2 dynamic with bone position.
    int32_t GetRigidBodyType() const { return m_rigidBodyType; }
    // The bone this body writes to or follows; null when none could be found.
    MMDNode* GetNode() const { return m_node; }
    const std::string& GetName() const { return m_name; }

    // true: dynamic bodies are simulated (kinematic flag cleared, active motion state); false: every body follows
    // its bone. The body's world transform is then taken from the chosen motion state.
    void SetActivation(bool activation);
    // Returns the active motion state to its rest or bone-driven transform.
    void ResetTransform();
    // Drops cached contact pairs and zeroes velocities and forces. physics must be the world holding this body.
    void Reset(MMDPhysics* physics);
    // Writes the simulated pose into the bone (no-op for kinematic bodies and for non-finite simulation results).
    void ReflectGlobalTransform();
    // Recomputes the bone's local transform from its global one and its parent's.
    void CalcLocalTransform();

    // Current world transform converted to the runtime (right-handed) frame.
    glm::mat4 GetTransform() const;

private:
    std::unique_ptr<btCollisionShape> m_shape;
    std::unique_ptr<MMDMotionState> m_activeMotionState;
    std::unique_ptr<KinematicMotionState> m_kinematicMotionState;
    std::unique_ptr<btRigidBody> m_rigidBody;

    int32_t m_rigidBodyType = 0;
    uint8_t m_group = 0;
    uint16_t m_groupMask = 0;

    MMDNode* m_node = nullptr;
    // Body transform relative to its bone's global transform, runtime (right-handed) frame.
    glm::mat4 m_offset{1.0f};
    std::string m_name;
};

}  // namespace mmd

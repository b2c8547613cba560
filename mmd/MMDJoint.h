#pragma once

#include <memory>

class btTypedConstraint;

namespace mmd {

struct PMXJoint;
class MMDRigidBody;

// A PMX 6-DOF spring joint between two rigid bodies, built in the physics world's (left-handed) frame.
class MMDJoint {
public:
    MMDJoint();
    ~MMDJoint();
    MMDJoint(const MMDJoint&) = delete;
    MMDJoint& operator=(const MMDJoint&) = delete;

    // Builds the constraint between two distinct, created bodies (observed, they must outlive the joint). Returns
    // false with a logged reason when a body is missing or the record holds non-finite numbers; angular limits are
    // normalised into [-pi, pi] and spring constants clamped to a stable range.
    bool CreateJoint(const PMXJoint& pmxJoint, MMDRigidBody* rigidBodyA, MMDRigidBody* rigidBodyB);
    void Destroy();

    // The Bullet constraint, or null before CreateJoint. Owned by this object.
    btTypedConstraint* GetConstraint() const { return m_constraint.get(); }

private:
    std::unique_ptr<btTypedConstraint> m_constraint;
};

}  // namespace mmd

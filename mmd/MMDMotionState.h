#pragma once

#include <LinearMath/btMotionState.h>
#include <LinearMath/btTransform.h>

#include <glm/mat4x4.hpp>

namespace mmd {

class MMDNode;

// Conversion between the runtime's right-handed transforms and the physics world's left-handed ones: M·X·M with
// M = diag(1, 1, -1, 1). The same function converts both ways.
glm::mat4 InvZ(const glm::mat4& m);
// Bullet transform <-> glm matrix, without any frame change.
btTransform ToBtTransform(const glm::mat4& m);
glm::mat4 ToMat4(const btTransform& t);

// Motion state of an MMD rigid body. After Bullet's get/setWorldTransform it adds Reset (back to the body's rest or
// bone-driven transform) and ReflectGlobalTransform (write the simulated pose into the bone, if any).
class MMDMotionState : public btMotionState {
public:
    virtual void Reset() = 0;
    virtual void ReflectGlobalTransform() = 0;
};

// A body without a bone: keeps its own world transform; Reset returns it to the initial one.
class DefaultMotionState : public MMDMotionState {
public:
    // transform: initial world (left-handed) transform of the body.
    explicit DefaultMotionState(const glm::mat4& transform);

    void getWorldTransform(btTransform& worldTransform) const override;
    void setWorldTransform(const btTransform& worldTransform) override;
    void Reset() override;
    void ReflectGlobalTransform() override;

private:
    btTransform m_initialTransform;
    btTransform m_transform;
};

// A simulated body that drives its bone: ReflectGlobalTransform sets node.global = M·world·M·inverse(offset) and
// updates the bone's descendants. node may be null (then nothing is written and Reset uses the offset alone).
class DynamicMotionState : public MMDMotionState {
public:
    // offset: body transform relative to the node's global transform, runtime frame. Observes node.
    DynamicMotionState(MMDNode* node, const glm::mat4& offset, bool override = true);

    void getWorldTransform(btTransform& worldTransform) const override;
    void setWorldTransform(const btTransform& worldTransform) override;
    void Reset() override;
    void ReflectGlobalTransform() override;

protected:
    MMDNode* m_node;
    glm::mat4 m_offset;
    glm::mat4 m_invOffset;
    btTransform m_transform;
    bool m_override;
};

// Like DynamicMotionState, but the bone keeps its own translation: only the rotation part of its global is replaced.
class DynamicAndBoneMergeMotionState : public DynamicMotionState {
public:
    DynamicAndBoneMergeMotionState(MMDNode* node, const glm::mat4& offset, bool override = true);

    void ReflectGlobalTransform() override;
};

// A body that follows its bone: the world transform is M·(node.global·offset)·M, computed on each query; Bullet's
// writes are ignored. node may be null (then the offset alone is the runtime transform).
class KinematicMotionState : public MMDMotionState {
public:
    KinematicMotionState(MMDNode* node, const glm::mat4& offset);

    void getWorldTransform(btTransform& worldTransform) const override;
    void setWorldTransform(const btTransform& worldTransform) override;
    void Reset() override;
    void ReflectGlobalTransform() override;

private:
    MMDNode* m_node;
    glm::mat4 m_offset;
};

}  // namespace mmd

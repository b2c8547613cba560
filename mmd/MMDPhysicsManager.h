#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace mmd {

struct PMXFileData;
class MMDModel;
class MMDNode;
class MMDPhysics;
class MMDRigidBody;
class MMDJoint;

// The model's physics: one world with its rigid bodies and joints, all owned here. Joints are removed from the world
// before bodies, and bodies before the world, whatever order the model is torn down in.
class MMDPhysicsManager {
public:
    using RigidBodyList = std::vector<std::unique_ptr<MMDRigidBody>>;
    using JointList = std::vector<std::unique_ptr<MMDJoint>>;

    MMDPhysicsManager();
    ~MMDPhysicsManager();
    MMDPhysicsManager(const MMDPhysicsManager&) = delete;
    MMDPhysicsManager& operator=(const MMDPhysicsManager&) = delete;

    // Creates (or recreates, dropping all bodies and joints) the world.
    bool Create();
    // The world, or null before Create. Owned by this object.
    MMDPhysics* GetMMDPhysics() const { return m_mmdPhysics.get(); }

    // Appends a new, not yet created body or joint and returns it; owned by this object.
    MMDRigidBody* AddRigidBody();
    MMDJoint* AddJoint();
    const RigidBodyList& GetRigidBodies() const { return m_rigidBodies; }
    const JointList& GetJoints() const { return m_joints; }

    // The load steps of a PMX model's physics: world, then every rigid body (attached to the model's node at its bone
    // index) and every joint, in file order. Run it once the model's nodes hold their rest pose. Logs
    // "Create Physics Fail.", "Create Rigid Body Fail.\n" or "Create Joint Fail.\n" and returns false on failure;
    // joints with a missing, out-of-range or shared body are skipped with "Illegal Joint [{}]". A bone index out of
    // range is treated as none, with a warning.
    bool CreateFromPMX(const PMXFileData& pmx, MMDModel* model);

    // The model's per-frame physics: activate every body, step the world by elapsedSeconds, write the simulated poses
    // into the bones and refresh the hierarchy from the model's root nodes (those among the nodes it had at
    // CreateFromPMX; nodes added later are their adders' to update). Nothing without a world. Allocation-free.
    void UpdatePhysicsAnimation(MMDModel* model, float elapsedSeconds);
    // Puts every body back onto its bone: deactivate, reset, step 1/60 s, write back, refresh the hierarchy as above,
    // then zero velocities and drop contacts. Nothing without a world.
    void ResetPhysics(MMDModel* model);

private:
    void Clear();
    void UpdateRootGlobalTransforms(MMDModel* model);

    std::unique_ptr<MMDPhysics> m_mmdPhysics;
    RigidBodyList m_rigidBodies;
    JointList m_joints;
    // Number of model nodes when CreateFromPMX ran.
    size_t m_loadedNodeCount = 0;
};

}  // namespace mmd

#pragma once

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mmd {

class MMDNode;
class MMDIkSolver;
class MMDMorph;
class MMDPhysics;
class MMDPhysicsManager;
struct MMDMaterial;
struct MMDSubMesh;
struct VPDFileData;

// The runtime character as seen by rendering, motion, face capture and body control. Right-handed model space; one
// unit is 0.1 m. Per frame the caller runs, in order: BeginAnimation; motion and body control writing node values and
// morph weights; UpdateMorphAnimation; UpdateNodeAnimation(false); UpdatePhysicsAnimation(elapsed);
// UpdateNodeAnimation(true); EndAnimation; Update (skinning). All calls from one thread.
class MMDModel {
public:
    // Owning lists of the model's nodes, IK solvers and morphs. Lookup names are UTF-8, compared byte for byte, first
    // match wins. Get*(index) does not check the index: callers stay below the count.
    class MMDNodeManager {
    public:
        virtual size_t GetNodeCount() const = 0;
        // -1 when no node has that name.
        virtual int32_t FindNodeIndex(const std::string& name) const = 0;
        virtual MMDNode* GetNode(size_t index) const = 0;

    protected:
        ~MMDNodeManager() = default;
    };

    class MMDIKManager {
    public:
        virtual size_t GetIKSolverCount() const = 0;
        // By the name of the solver's IK node; -1 when none.
        virtual int32_t FindIKSolverIndex(const std::string& name) const = 0;
        virtual MMDIkSolver* GetIKSolver(size_t index) const = 0;

    protected:
        ~MMDIKManager() = default;
    };

    class MMDMorphManager {
    public:
        virtual size_t GetMorphCount() const = 0;
        // -1 when no morph has that name.
        virtual int32_t FindMorphIndex(const std::string& name) const = 0;
        virtual MMDMorph* GetMorph(size_t index) const = 0;

    protected:
        ~MMDMorphManager() = default;
    };

    template <typename NodeT>
    class MMDNodeManagerT;
    template <typename SolverT>
    class MMDIKManagerT;
    template <typename MorphT>
    class MMDMorphManagerT;

    virtual ~MMDModel();

    // Owned by the model; valid for its lifetime.
    virtual MMDNodeManager* GetNodeManager() = 0;
    virtual MMDIKManager* GetIKManager() = 0;
    virtual MMDMorphManager* GetMorphManager() = 0;
    // The physics owner, or null before a successful load.
    virtual MMDPhysicsManager* GetPhysicsManager() = 0;

    // Vertex arrays, GetVertexCount() elements each, runtime frame. Rest data does not change after load.
    virtual size_t GetVertexCount() const = 0;
    virtual const glm::vec3* GetPositions() const = 0;
    virtual const glm::vec3* GetNormals() const = 0;
    virtual const glm::vec2* GetUVs() const = 0;  // (u, 1 - v) of the file
    virtual const float* GetEdgeScales() const = 0;
    // Skinning output, written by Update.
    virtual const glm::vec3* GetUpdatePositions() const = 0;
    virtual const glm::vec3* GetUpdateNormals() const = 0;
    virtual const glm::vec2* GetUpdateUVs() const = 0;

    // Index buffer: GetIndexCount() elements of GetIndexElementSize() bytes (1, 2 or 4), 3 per triangle, wound for
    // the right-handed frame; every index is below GetVertexCount().
    virtual size_t GetIndexElementSize() const = 0;
    virtual size_t GetIndexCount() const = 0;
    virtual const void* GetIndices() const = 0;

    // Materials as blended by the latest UpdateMorphAnimation.
    virtual size_t GetMaterialCount() const = 0;
    virtual const MMDMaterial* GetMaterials() const = 0;
    // Runs of the index buffer sorted by material; each lies within the index buffer.
    virtual size_t GetSubMeshCount() const = 0;
    virtual const MMDSubMesh* GetSubMeshes() const = 0;

    // The physics world, or null.
    virtual MMDPhysics* GetMMDPhysics() = 0;

    // Puts the model into its rest pose with zero morph weights, solves IK and resets physics. Run after loading and
    // whenever the pose must jump.
    virtual void InitializeAnimation() = 0;
    // Restores every node to its initial values and clears the morph accumulators.
    virtual void BeginAnimation() = 0;
    virtual void EndAnimation() = 0;
    // Applies every morph at its current weight (vertex and UV offsets, material factors, bone offsets).
    virtual void UpdateMorphAnimation() = 0;
    // Local and global transforms, append transforms and IK of the nodes updated before (false) or after (true)
    // physics.
    virtual void UpdateNodeAnimation(bool afterPhysics) = 0;
    // Moves every rigid body back onto its bone. Nothing without physics.
    virtual void ResetPhysics() = 0;
    // Steps physics by elapsedSeconds and writes the simulated bones. Nothing without physics.
    virtual void UpdatePhysicsAnimation(float elapsedSeconds) = 0;
    // Skins every vertex into the update arrays, split over up to the parallel count of threads. Blocks until done.
    virtual void Update() = 0;
    // Requested number of skinning tasks; 0 = hardware concurrency, above 16 is capped at 16. Applied by the next
    // Update.
    virtual void SetParallelUpdateHint(uint32_t parallelCount) = 0;

    // Sets every node's base translation to zero and base rotation to identity, every morph's base weight to 0 and
    // every IK solver's base enable to true (the base values of weighted motion blending).
    void ClearBaseAnimation();

    // Moves the model into the pose over frameCount simulated frames of 1/30 s (morphs, nodes and physics each
    // frame); bones and morphs the pose does not name keep their values. Defined with the VPD reader.
    void LoadPose(const VPDFileData& vpd, int32_t frameCount = 30);
};

}  // namespace mmd

#include "mmd/MMDModelManagers.h"

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mmd/PMXFile.h"

namespace mnx::test {

// Builds small PMX models in code. Every Add* returns the new record's index; the accessors give the record for
// any further field. Values are in file terms (left-handed, unscaled). Build() fits the index widths to the
// lists and adds the usual display frames when none were added.
//
//   ModelBuilder b;
//   int root = b.AddBone("センター", {0, 8, 0});
//   int arm = b.AddBone("左腕", {1, 15, 0}, root);
//   b.AddVertex({0, 0, 0}, root); ... b.AddTriangle(0, 1, 2); b.AddMaterial("body");
//   b.WriteFile(path);
class ModelBuilder {
public:
    // UTF-16 text, PMX 2.0, model name "builder", no additional UVs.
    ModelBuilder();

    // A small model that uses every record kind: four additional UVs, all five weight types, a textured and an
    // untextured material (individual and shared toon), bones with append, fixed/local axes, external parent and
    // an IK chain with limits, one morph of each of the eleven types, rigid bodies of each shape and operation,
    // a joint and (PMX 2.1) a soft body with anchors and pins.
    static ModelBuilder EveryFeature();

    ModelBuilder& SetName(const std::string& name);
    // 2.1 makes the file carry a soft-body section (AddSoftBody sets it).
    ModelBuilder& SetVersion(float version);
    // 0 UTF-16LE, 1 UTF-8.
    ModelBuilder& SetEncoding(uint8_t encoding);
    ModelBuilder& SetAdditionalUVCount(uint8_t count);

    // A rotatable, movable, visible, operable bone at an absolute position; -1 parent is a root.
    int AddBone(const std::string& name, const glm::vec3& position, int parent = -1);
    // An IK bone reaching `target` (loop count and per-iteration limit in radians); add links with AddIKLink,
    // from the bone next to the target towards the chain root.
    int AddIKBone(const std::string& name, const glm::vec3& position, int parent, int target, int loopCount = 40,
                  float limitAngle = 2.0f);
    void AddIKLink(int ikBone, int linkBone);
    // A link with angle limits in radians (file frame, per axis).
    void AddIKLink(int ikBone, int linkBone, const glm::vec3& lower, const glm::vec3& upper);
    // Appends (inherits) rotation and/or translation of `source` with `weight`.
    void SetAppend(int bone, int source, float weight, bool rotate, bool translate, bool local = false);
    mmd::PMXBone& Bone(int index);

    // Vertices with normal (0, 0, -1), uv (0, 0) and edge scale 1.
    int AddVertex(const glm::vec3& position, int bone);  // BDEF1
    int AddVertexBDEF2(const glm::vec3& position, int bone0, int bone1, float weight0);
    int AddVertexBDEF4(const glm::vec3& position, const std::array<int32_t, 4>& bones,
                       const std::array<float, 4>& weights);
    int AddVertexQDEF(const glm::vec3& position, const std::array<int32_t, 4>& bones,
                      const std::array<float, 4>& weights);
    int AddVertexSDEF(const glm::vec3& position, int bone0, int bone1, float weight0, const glm::vec3& c,
                      const glm::vec3& r0, const glm::vec3& r1);
    mmd::PMXVertex& Vertex(int index);
    void AddTriangle(uint32_t a, uint32_t b, uint32_t c);

    int AddTexture(const std::string& path);
    // A material drawing every triangle added since the previous material; white, shared toon 0, edge on.
    int AddMaterial(const std::string& name, int texture = -1);
    mmd::PMXMaterial& Material(int index);

    int AddPositionMorph(const std::string& name, const std::vector<std::pair<uint32_t, glm::vec3>>& offsets);
    // `slot` 0 is the UV morph, 1..4 the additional UV morphs.
    int AddUVMorph(const std::string& name, const std::vector<std::pair<uint32_t, glm::vec4>>& offsets,
                   int slot = 0);
    int AddBoneMorph(const std::string& name, const std::vector<mmd::PMXBoneMorphOffset>& offsets);
    int AddMaterialMorph(const std::string& name, const std::vector<mmd::PMXMaterialMorphOffset>& offsets);
    int AddGroupMorph(const std::string& name, const std::vector<std::pair<int32_t, float>>& offsets);
    int AddFlipMorph(const std::string& name, const std::vector<std::pair<int32_t, float>>& offsets);
    int AddImpulseMorph(const std::string& name, const std::vector<mmd::PMXImpulseMorphOffset>& offsets);
    mmd::PMXMorphRecord& Morph(int index);

    // Shape size as in PMXRigidBody (sphere x = radius, box half extents, capsule radius/height); mass 1,
    // damping 0.5, restitution 0, friction 0.5.
    int AddRigidBody(const std::string& name, int bone, mmd::PMXRigidBodyShape shape, const glm::vec3& size,
                     const glm::vec3& position, mmd::PMXRigidBodyOperation operation, uint8_t group = 0,
                     uint16_t collisionMask = 0xFFFF);
    mmd::PMXRigidBody& RigidBody(int index);
    // A 6-DOF spring joint with all limits zero (locked) at `position`.
    int AddJoint(const std::string& name, int bodyA, int bodyB, const glm::vec3& position);
    mmd::PMXJoint& Joint(int index);
    // Also switches the file to PMX 2.1.
    int AddSoftBody(const std::string& name, int material);
    mmd::SoftBodyRecord& SoftBody(int index);

    mmd::PMXDisplayFrame& AddDisplayFrame(const std::string& name, bool special = false);

    // The records as added, header not fitted.
    mmd::PMXFileData& Data() { return m_data; }
    // A complete file's data: fitted index widths; when no frame was added, a "Root" frame with bone 0 and an
    // "表情" frame with every morph.
    mmd::PMXFileData Build() const;
    std::vector<uint8_t> Bytes() const;
    bool WriteFile(const std::string& path) const;

private:
    int AddVertexRecord(const glm::vec3& position, mmd::PMXVertexWeight type);
    int AddMorphRecord(const std::string& name, mmd::PMXMorphType type);

    mmd::PMXFileData m_data;
    size_t m_facesInMaterials = 0;
};

}  // namespace mnx::test

#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mmd {

class BinaryFile;

// Records of a PMX 2.0/2.1 file as stored: left-handed coordinates, lengths multiplied by the load scale, texts in
// UTF-8 whatever the file's encoding. Object indices (bone, texture, material, morph, rigid body) are int32 with
// -1 for none; vertex indices are uint32 and have no none value. Indices are not checked against list sizes.

struct PMXHeader {
    std::array<char, 4> m_magic{};  // "PMX " in a real file; not checked
    float m_version = 0.0f;         // 2.0 or 2.1; not checked
    uint8_t m_globalsCount = 0;     // stored only: the eight bytes below are always read
    uint8_t m_encoding = 0;         // 0 UTF-16LE, 1 UTF-8
    uint8_t m_additionalUVCount = 0;  // 0..4
    uint8_t m_vertexIndexSize = 0;    // bytes per index: 1, 2 or 4
    uint8_t m_textureIndexSize = 0;
    uint8_t m_materialIndexSize = 0;
    uint8_t m_boneIndexSize = 0;
    uint8_t m_morphIndexSize = 0;
    uint8_t m_rigidBodyIndexSize = 0;
};

struct PMXInfo {
    std::string m_modelName;
    std::string m_englishModelName;
    std::string m_comment;
    std::string m_englishComment;
};

enum class PMXVertexWeight : uint8_t { BDEF1 = 0, BDEF2 = 1, BDEF4 = 2, SDEF = 3, QDEF = 4 };

struct PMXVertex {
    glm::vec3 m_position{0.0f};  // scaled
    glm::vec3 m_normal{0.0f};
    glm::vec2 m_uv{0.0f};
    std::array<glm::vec4, 4> m_additionalUVs{};  // first header.m_additionalUVCount slots read, the rest zero
    PMXVertexWeight m_weightType = PMXVertexWeight::BDEF1;
    std::array<int32_t, 4> m_boneIndices{};  // BDEF1: 1 used; BDEF2/SDEF: 2; BDEF4/QDEF: 4; unused slots 0
    // BDEF2/SDEF: m_boneWeights[0] is the first bone's weight (the second's is 1 - it); BDEF4/QDEF: all four.
    std::array<float, 4> m_boneWeights{};
    glm::vec3 m_sdefC{0.0f};   // SDEF only, scaled
    glm::vec3 m_sdefR0{0.0f};  // SDEF only, scaled
    glm::vec3 m_sdefR1{0.0f};  // SDEF only, scaled
    float m_edgeScale = 0.0f;  // edge-line width factor
};

// One triangle: three vertex indices as stored (left-handed winding).
struct PMXFace {
    std::array<uint32_t, 3> m_vertices{};
};

// PMXMaterial::m_drawFlags bits.
enum PMXDrawFlag : uint8_t {
    kPMXDrawBothFace = 0x01,
    kPMXDrawGroundShadow = 0x02,
    kPMXDrawCastSelfShadow = 0x04,
    kPMXDrawReceiveSelfShadow = 0x08,
    kPMXDrawEdge = 0x10,
};

enum class PMXSphereMode : uint8_t { None = 0, Multiply = 1, Add = 2, SubTexture = 3 };
enum class PMXToonMode : uint8_t { Individual = 0, Shared = 1 };

struct PMXMaterial {
    std::string m_name;
    std::string m_englishName;
    glm::vec4 m_diffuse{0.0f};  // RGBA
    glm::vec3 m_specular{0.0f};
    float m_specularPower = 0.0f;
    glm::vec3 m_ambient{0.0f};
    uint8_t m_drawFlags = 0;  // PMXDrawFlag bits
    glm::vec4 m_edgeColor{0.0f};
    float m_edgeSize = 0.0f;
    int32_t m_textureIndex = 0;        // into PMXFileData::m_textures, -1 none
    int32_t m_sphereTextureIndex = 0;  // -1 none
    PMXSphereMode m_sphereMode = PMXSphereMode::None;  // any byte value is kept as read
    PMXToonMode m_toonMode = PMXToonMode::Individual;
    // Individual: texture index (-1 none). Shared: the shared toon number 0..9 (toon01.bmp..toon10.bmp).
    int32_t m_toonIndex = 0;
    std::string m_memo;
    int32_t m_faceIndexCount = 0;  // vertex indices (3 per triangle) drawn, consecutive in face order
};

// PMXBone::m_flags bits.
enum PMXBoneFlag : uint16_t {
    kPMXBoneTailIsBone = 0x0001,
    kPMXBoneRotatable = 0x0002,
    kPMXBoneMovable = 0x0004,
    kPMXBoneVisible = 0x0008,
    kPMXBoneOperable = 0x0010,
    kPMXBoneIK = 0x0020,
    kPMXBoneAppendLocal = 0x0080,
    kPMXBoneAppendRotate = 0x0100,
    kPMXBoneAppendTranslate = 0x0200,
    kPMXBoneFixedAxis = 0x0400,
    kPMXBoneLocalAxis = 0x0800,
    kPMXBoneDeformAfterPhysics = 0x1000,
    kPMXBoneExternalParent = 0x2000,
};

struct PMXIKLink {
    int32_t m_boneIndex = -1;
    uint8_t m_enableLimit = 0;       // non-zero: the limits below were read
    glm::vec3 m_lowerLimit{0.0f};    // radians per axis, file frame
    glm::vec3 m_upperLimit{0.0f};
};

struct PMXBone {
    std::string m_name;
    std::string m_englishName;
    glm::vec3 m_position{0.0f};  // absolute, scaled
    int32_t m_parentIndex = -1;
    int32_t m_deformDepth = 0;
    uint16_t m_flags = 0;         // PMXBoneFlag bits
    int32_t m_tailIndex = -1;     // read when kPMXBoneTailIsBone is set
    glm::vec3 m_tailOffset{0.0f}; // read (and scaled) when kPMXBoneTailIsBone is clear
    int32_t m_appendIndex = -1;   // read with kPMXBoneAppendRotate or kPMXBoneAppendTranslate
    float m_appendWeight = 0.0f;
    glm::vec3 m_fixedAxis{0.0f};  // kPMXBoneFixedAxis
    glm::vec3 m_localXAxis{0.0f}; // kPMXBoneLocalAxis
    glm::vec3 m_localZAxis{0.0f};
    int32_t m_externalParentKey = 0;  // kPMXBoneExternalParent
    int32_t m_ikTargetIndex = -1;     // kPMXBoneIK and below
    int32_t m_ikLoopCount = 0;
    float m_ikLimitAngle = 0.0f;      // radians per iteration
    std::vector<PMXIKLink> m_ikLinks;
};

enum class PMXMorphType : uint8_t {
    Group = 0,
    Position = 1,
    Bone = 2,
    UV = 3,
    AddUV1 = 4,
    AddUV2 = 5,
    AddUV3 = 6,
    AddUV4 = 7,
    Material = 8,
    Flip = 9,
    Impulse = 10,
};

struct PMXGroupMorphOffset {
    int32_t m_morphIndex = -1;
    float m_weight = 0.0f;
};

struct PMXPositionMorphOffset {
    uint32_t m_vertexIndex = 0;
    glm::vec3 m_position{0.0f};  // scaled
};

struct PMXBoneMorphOffset {
    int32_t m_boneIndex = -1;
    glm::vec3 m_translation{0.0f};  // scaled
    glm::quat m_rotation{1.0f, 0.0f, 0.0f, 0.0f};  // file stores x, y, z, w
};

// UV and additional-UV morphs (PMXMorphType UV, AddUV1..AddUV4).
struct PMXUVMorphOffset {
    uint32_t m_vertexIndex = 0;
    glm::vec4 m_uv{0.0f};
};

enum class PMXMaterialMorphOp : uint8_t { Multiply = 0, Add = 1 };

struct PMXMaterialMorphOffset {
    int32_t m_materialIndex = -1;  // -1: every material
    PMXMaterialMorphOp m_operation = PMXMaterialMorphOp::Multiply;  // any byte value is kept as read
    glm::vec4 m_diffuse{0.0f};
    glm::vec3 m_specular{0.0f};
    float m_specularPower = 0.0f;
    glm::vec3 m_ambient{0.0f};
    glm::vec4 m_edgeColor{0.0f};
    float m_edgeSize = 0.0f;
    glm::vec4 m_textureFactor{0.0f};
    glm::vec4 m_sphereTextureFactor{0.0f};
    glm::vec4 m_toonTextureFactor{0.0f};
};

// A flip offset has the same fields as a group offset.
using PMXFlipMorphOffset = PMXGroupMorphOffset;

struct PMXImpulseMorphOffset {
    int32_t m_rigidBodyIndex = -1;
    uint8_t m_localFlag = 0;
    glm::vec3 m_velocity{0.0f};
    glm::vec3 m_torque{0.0f};
};

// One morph; only the list matching m_type is filled.
struct PMXMorphRecord {
    std::string m_name;
    std::string m_englishName;
    uint8_t m_controlPanel = 0;
    PMXMorphType m_type = PMXMorphType::Group;
    std::vector<PMXGroupMorphOffset> m_groupOffsets;
    std::vector<PMXPositionMorphOffset> m_positionOffsets;
    std::vector<PMXBoneMorphOffset> m_boneOffsets;
    std::vector<PMXUVMorphOffset> m_uvOffsets;  // UV and AddUV1..4
    std::vector<PMXMaterialMorphOffset> m_materialOffsets;
    std::vector<PMXFlipMorphOffset> m_flipOffsets;
    std::vector<PMXImpulseMorphOffset> m_impulseOffsets;
};

enum class PMXDisplayTargetType : uint8_t { Bone = 0, Morph = 1 };

struct PMXDisplayTarget {
    PMXDisplayTargetType m_type = PMXDisplayTargetType::Bone;
    int32_t m_index = -1;  // bone or morph index
};

struct PMXDisplayFrame {
    std::string m_name;
    std::string m_englishName;
    uint8_t m_specialFlag = 0;
    std::vector<PMXDisplayTarget> m_targets;
};

enum class PMXRigidBodyShape : uint8_t { Sphere = 0, Box = 1, Capsule = 2 };  // other bytes kept as read
enum class PMXRigidBodyOperation : uint8_t { FollowBone = 0, Dynamic = 1, DynamicWithBonePosition = 2 };

struct PMXRigidBody {
    std::string m_name;
    std::string m_englishName;
    int32_t m_boneIndex = -1;  // -1: not attached
    uint8_t m_group = 0;       // 0..15
    uint16_t m_collisionMask = 0;  // one bit per group
    PMXRigidBodyShape m_shape = PMXRigidBodyShape::Sphere;
    glm::vec3 m_shapeSize{0.0f};  // scaled; sphere x = radius, box half extents, capsule x = radius y = height
    glm::vec3 m_position{0.0f};   // scaled
    glm::vec3 m_rotation{0.0f};   // Euler angles, radians
    float m_mass = 0.0f;
    float m_translationDamping = 0.0f;
    float m_rotationDamping = 0.0f;
    float m_restitution = 0.0f;
    float m_friction = 0.0f;
    PMXRigidBodyOperation m_operation = PMXRigidBodyOperation::FollowBone;
};

enum class PMXJointType : uint8_t { SpringDOF6 = 0 };  // other bytes kept as read

struct PMXJoint {
    std::string m_name;
    std::string m_englishName;
    PMXJointType m_type = PMXJointType::SpringDOF6;
    int32_t m_rigidBodyA = -1;
    int32_t m_rigidBodyB = -1;
    glm::vec3 m_position{0.0f};  // scaled
    glm::vec3 m_rotation{0.0f};  // radians
    glm::vec3 m_translationLowerLimit{0.0f};  // scaled
    glm::vec3 m_translationUpperLimit{0.0f};  // scaled
    glm::vec3 m_rotationLowerLimit{0.0f};
    glm::vec3 m_rotationUpperLimit{0.0f};
    glm::vec3 m_springTranslation{0.0f};
    glm::vec3 m_springRotation{0.0f};
};

struct SoftBodyAnchor {
    int32_t m_rigidBodyIndex = -1;
    uint32_t m_vertexIndex = 0;
    uint8_t m_nearMode = 0;
};

// PMX 2.1 soft body: read and kept, not simulated.
struct SoftBodyRecord {
    std::string m_name;
    std::string m_englishName;
    uint8_t m_shape = 0;
    int32_t m_materialIndex = -1;
    uint8_t m_group = 0;
    uint16_t m_collisionMask = 0;
    uint8_t m_flags = 0;
    int32_t m_linkDistance = 0;  // B-link creation distance
    int32_t m_clusterCount = 0;
    float m_totalMass = 0.0f;
    float m_collisionMargin = 0.0f;
    int32_t m_aeroModel = 0;
    // Configuration coefficients.
    float m_vcf = 0, m_dp = 0, m_dg = 0, m_lf = 0, m_pr = 0, m_vc = 0;
    float m_df = 0, m_mt = 0, m_chr = 0, m_khr = 0, m_shr = 0, m_ahr = 0;
    // Cluster coefficients.
    float m_srhrCl = 0, m_skhrCl = 0, m_sshrCl = 0, m_srSplitCl = 0, m_skSplitCl = 0, m_ssSplitCl = 0;
    // Iteration counts.
    int32_t m_vIterations = 0, m_pIterations = 0, m_dIterations = 0, m_cIterations = 0;
    // Material coefficients.
    float m_lst = 0, m_ast = 0, m_vst = 0;
    std::vector<SoftBodyAnchor> m_anchors;
    std::vector<uint32_t> m_pinVertexIndices;
};

// Everything read from one file, in file order.
struct PMXFileData {
    PMXHeader m_header;
    PMXInfo m_info;
    std::vector<PMXVertex> m_vertices;
    std::vector<PMXFace> m_faces;
    std::vector<std::string> m_textures;  // paths relative to the model file's folder, as stored
    std::vector<PMXMaterial> m_materials;
    std::vector<PMXBone> m_bones;
    std::vector<PMXMorphRecord> m_morphs;
    std::vector<PMXDisplayFrame> m_displayFrames;
    std::vector<PMXRigidBody> m_rigidBodies;
    std::vector<PMXJoint> m_joints;
    std::vector<SoftBodyRecord> m_softBodies;  // PMX 2.1 only; empty when the file ends after the joints
};

// Multiplier applied to every length at the moment it is read (positions, offsets, sizes, limits); 1 initially.
// Process-wide: set it right before reading.
void SetLoadScale(float scale);
float GetLoadScale();

// Opens, reads and closes the file at `pathUtf8`, logging the outcome on the "mmd" logger. On failure `data` is
// partly filled and must be discarded.
bool ReadPMXFile(PMXFileData& data, const std::string& pathUtf8);

// Reads every section from an open file. Fails with a logged reason on truncated data, an unknown weight type,
// toon mode, morph type or display-frame target, an index width other than 1, 2 or 4, an additional UV count
// above 4, a text encoding other than 0 or 1, or a count the rest of the file cannot hold.
bool ReadPMXFile(PMXFileData& data, BinaryFile& file);

}  // namespace mmd

#include "support/ModelBuilder.h"

#include "mmd/writer/PmxWriter.h"

namespace mnx::test {

namespace {

template <typename T>
int Append(std::vector<T>& list, T record) {
    list.push_back(std::move(record));
    return static_cast<int>(list.size()) - 1;
}

}  // namespace

ModelBuilder::ModelBuilder() {
    mmd::PMXHeader& h = m_data.m_header;
    h.m_magic = {'P', 'M', 'X', ' '};
    h.m_version = 2.0f;
    h.m_globalsCount = 8;
    h.m_encoding = 0;
    m_data.m_info.m_modelName = "builder";
    m_data.m_info.m_englishModelName = "builder";
    mmd::PmxWriter::FitIndexSizes(m_data);
}

ModelBuilder& ModelBuilder::SetName(const std::string& name) {
    m_data.m_info.m_modelName = name;
    return *this;
}

ModelBuilder& ModelBuilder::SetVersion(float version) {
    m_data.m_header.m_version = version;
    return *this;
}

ModelBuilder& ModelBuilder::SetEncoding(uint8_t encoding) {
    m_data.m_header.m_encoding = encoding;
    return *this;
}

ModelBuilder& ModelBuilder::SetAdditionalUVCount(uint8_t count) {
    m_data.m_header.m_additionalUVCount = count;
    return *this;
}

int ModelBuilder::AddBone(const std::string& name, const glm::vec3& position, int parent) {
    mmd::PMXBone bone;
    bone.m_name = name;
    bone.m_position = position;
    bone.m_parentIndex = parent;
    bone.m_flags = mmd::kPMXBoneRotatable | mmd::kPMXBoneMovable | mmd::kPMXBoneVisible | mmd::kPMXBoneOperable;
    return Append(m_data.m_bones, std::move(bone));
}

int ModelBuilder::AddIKBone(const std::string& name, const glm::vec3& position, int parent, int target,
                            int loopCount, float limitAngle) {
    const int index = AddBone(name, position, parent);
    mmd::PMXBone& bone = Bone(index);
    bone.m_flags |= mmd::kPMXBoneIK;
    bone.m_ikTargetIndex = target;
    bone.m_ikLoopCount = loopCount;
    bone.m_ikLimitAngle = limitAngle;
    return index;
}

void ModelBuilder::AddIKLink(int ikBone, int linkBone) {
    mmd::PMXIKLink link;
    link.m_boneIndex = linkBone;
    Bone(ikBone).m_ikLinks.push_back(link);
}

void ModelBuilder::AddIKLink(int ikBone, int linkBone, const glm::vec3& lower, const glm::vec3& upper) {
    mmd::PMXIKLink link;
    link.m_boneIndex = linkBone;
    link.m_enableLimit = 1;
    link.m_lowerLimit = lower;
    link.m_upperLimit = upper;
    Bone(ikBone).m_ikLinks.push_back(link);
}

void ModelBuilder::SetAppend(int bone, int source, float weight, bool rotate, bool translate, bool local) {
    mmd::PMXBone& b = Bone(bone);
    b.m_flags &= ~(mmd::kPMXBoneAppendRotate | mmd::kPMXBoneAppendTranslate | mmd::kPMXBoneAppendLocal);
    if (rotate) b.m_flags |= mmd::kPMXBoneAppendRotate;
    if (translate) b.m_flags |= mmd::kPMXBoneAppendTranslate;
    if (local) b.m_flags |= mmd::kPMXBoneAppendLocal;
    b.m_appendIndex = source;
    b.m_appendWeight = weight;
}

mmd::PMXBone& ModelBuilder::Bone(int index) { return m_data.m_bones.at(static_cast<size_t>(index)); }

int ModelBuilder::AddVertexRecord(const glm::vec3& position, mmd::PMXVertexWeight type) {
    mmd::PMXVertex vertex;
    vertex.m_position = position;
    vertex.m_normal = glm::vec3(0.0f, 0.0f, -1.0f);
    vertex.m_weightType = type;
    vertex.m_edgeScale = 1.0f;
    return Append(m_data.m_vertices, vertex);
}

int ModelBuilder::AddVertex(const glm::vec3& position, int bone) {
    const int index = AddVertexRecord(position, mmd::PMXVertexWeight::BDEF1);
    Vertex(index).m_boneIndices[0] = bone;
    return index;
}

int ModelBuilder::AddVertexBDEF2(const glm::vec3& position, int bone0, int bone1, float weight0) {
    const int index = AddVertexRecord(position, mmd::PMXVertexWeight::BDEF2);
    mmd::PMXVertex& v = Vertex(index);
    v.m_boneIndices = {bone0, bone1, 0, 0};
    v.m_boneWeights = {weight0, 0.0f, 0.0f, 0.0f};
    return index;
}

int ModelBuilder::AddVertexBDEF4(const glm::vec3& position, const std::array<int32_t, 4>& bones,
                                 const std::array<float, 4>& weights) {
    const int index = AddVertexRecord(position, mmd::PMXVertexWeight::BDEF4);
    Vertex(index).m_boneIndices = bones;
    Vertex(index).m_boneWeights = weights;
    return index;
}

int ModelBuilder::AddVertexQDEF(const glm::vec3& position, const std::array<int32_t, 4>& bones,
                                const std::array<float, 4>& weights) {
    const int index = AddVertexBDEF4(position, bones, weights);
    Vertex(index).m_weightType = mmd::PMXVertexWeight::QDEF;
    return index;
}

int ModelBuilder::AddVertexSDEF(const glm::vec3& position, int bone0, int bone1, float weight0,
                                const glm::vec3& c, const glm::vec3& r0, const glm::vec3& r1) {
    const int index = AddVertexBDEF2(position, bone0, bone1, weight0);
    mmd::PMXVertex& v = Vertex(index);
    v.m_weightType = mmd::PMXVertexWeight::SDEF;
    v.m_sdefC = c;
    v.m_sdefR0 = r0;
    v.m_sdefR1 = r1;
    return index;
}

mmd::PMXVertex& ModelBuilder::Vertex(int index) { return m_data.m_vertices.at(static_cast<size_t>(index)); }

void ModelBuilder::AddTriangle(uint32_t a, uint32_t b, uint32_t c) {
    mmd::PMXFace face;
    face.m_vertices = {a, b, c};
    m_data.m_faces.push_back(face);
}

int ModelBuilder::AddTexture(const std::string& path) { return Append(m_data.m_textures, path); }

int ModelBuilder::AddMaterial(const std::string& name, int texture) {
    mmd::PMXMaterial m;
    m.m_name = name;
    m.m_diffuse = glm::vec4(1.0f);
    m.m_specular = glm::vec3(0.0f);
    m.m_specularPower = 5.0f;
    m.m_ambient = glm::vec3(0.5f);
    m.m_drawFlags = mmd::kPMXDrawGroundShadow | mmd::kPMXDrawCastSelfShadow | mmd::kPMXDrawReceiveSelfShadow |
                    mmd::kPMXDrawEdge;
    m.m_edgeColor = glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    m.m_edgeSize = 1.0f;
    m.m_textureIndex = texture;
    m.m_sphereTextureIndex = -1;
    m.m_toonMode = mmd::PMXToonMode::Shared;
    m.m_toonIndex = 0;
    m.m_faceIndexCount = static_cast<int32_t>((m_data.m_faces.size() - m_facesInMaterials) * 3);
    m_facesInMaterials = m_data.m_faces.size();
    return Append(m_data.m_materials, std::move(m));
}

mmd::PMXMaterial& ModelBuilder::Material(int index) { return m_data.m_materials.at(static_cast<size_t>(index)); }

int ModelBuilder::AddMorphRecord(const std::string& name, mmd::PMXMorphType type) {
    mmd::PMXMorphRecord morph;
    morph.m_name = name;
    morph.m_controlPanel = 4;  // "other" panel
    morph.m_type = type;
    return Append(m_data.m_morphs, std::move(morph));
}

int ModelBuilder::AddPositionMorph(const std::string& name,
                                   const std::vector<std::pair<uint32_t, glm::vec3>>& offsets) {
    const int index = AddMorphRecord(name, mmd::PMXMorphType::Position);
    for (const auto& [vertex, offset] : offsets) Morph(index).m_positionOffsets.push_back({vertex, offset});
    return index;
}

int ModelBuilder::AddUVMorph(const std::string& name, const std::vector<std::pair<uint32_t, glm::vec4>>& offsets,
                             int slot) {
    const auto type = static_cast<mmd::PMXMorphType>(static_cast<int>(mmd::PMXMorphType::UV) + slot);
    const int index = AddMorphRecord(name, type);
    for (const auto& [vertex, offset] : offsets) Morph(index).m_uvOffsets.push_back({vertex, offset});
    return index;
}

int ModelBuilder::AddBoneMorph(const std::string& name, const std::vector<mmd::PMXBoneMorphOffset>& offsets) {
    const int index = AddMorphRecord(name, mmd::PMXMorphType::Bone);
    Morph(index).m_boneOffsets = offsets;
    return index;
}

int ModelBuilder::AddMaterialMorph(const std::string& name,
                                   const std::vector<mmd::PMXMaterialMorphOffset>& offsets) {
    const int index = AddMorphRecord(name, mmd::PMXMorphType::Material);
    Morph(index).m_materialOffsets = offsets;
    return index;
}

int ModelBuilder::AddGroupMorph(const std::string& name, const std::vector<std::pair<int32_t, float>>& offsets) {
    const int index = AddMorphRecord(name, mmd::PMXMorphType::Group);
    for (const auto& [morph, weight] : offsets) Morph(index).m_groupOffsets.push_back({morph, weight});
    return index;
}

int ModelBuilder::AddFlipMorph(const std::string& name, const std::vector<std::pair<int32_t, float>>& offsets) {
    const int index = AddMorphRecord(name, mmd::PMXMorphType::Flip);
    for (const auto& [morph, weight] : offsets) Morph(index).m_flipOffsets.push_back({morph, weight});
    return index;
}

int ModelBuilder::AddImpulseMorph(const std::string& name,
                                  const std::vector<mmd::PMXImpulseMorphOffset>& offsets) {
    const int index = AddMorphRecord(name, mmd::PMXMorphType::Impulse);
    Morph(index).m_impulseOffsets = offsets;
    return index;
}

mmd::PMXMorphRecord& ModelBuilder::Morph(int index) { return m_data.m_morphs.at(static_cast<size_t>(index)); }

int ModelBuilder::AddRigidBody(const std::string& name, int bone, mmd::PMXRigidBodyShape shape,
                               const glm::vec3& size, const glm::vec3& position,
                               mmd::PMXRigidBodyOperation operation, uint8_t group, uint16_t collisionMask) {
    mmd::PMXRigidBody body;
    body.m_name = name;
    body.m_boneIndex = bone;
    body.m_group = group;
    body.m_collisionMask = collisionMask;
    body.m_shape = shape;
    body.m_shapeSize = size;
    body.m_position = position;
    body.m_mass = 1.0f;
    body.m_translationDamping = 0.5f;
    body.m_rotationDamping = 0.5f;
    body.m_restitution = 0.0f;
    body.m_friction = 0.5f;
    body.m_operation = operation;
    return Append(m_data.m_rigidBodies, std::move(body));
}

mmd::PMXRigidBody& ModelBuilder::RigidBody(int index) {
    return m_data.m_rigidBodies.at(static_cast<size_t>(index));
}

int ModelBuilder::AddJoint(const std::string& name, int bodyA, int bodyB, const glm::vec3& position) {
    mmd::PMXJoint joint;
    joint.m_name = name;
    joint.m_rigidBodyA = bodyA;
    joint.m_rigidBodyB = bodyB;
    joint.m_position = position;
    return Append(m_data.m_joints, std::move(joint));
}

mmd::PMXJoint& ModelBuilder::Joint(int index) { return m_data.m_joints.at(static_cast<size_t>(index)); }

int ModelBuilder::AddSoftBody(const std::string& name, int material) {
    SetVersion(2.1f);
    mmd::SoftBodyRecord body;
    body.m_name = name;
    body.m_materialIndex = material;
    body.m_totalMass = 1.0f;
    body.m_collisionMargin = 0.05f;
    body.m_vIterations = body.m_pIterations = 1;
    body.m_lst = body.m_ast = body.m_vst = 1.0f;
    return Append(m_data.m_softBodies, std::move(body));
}

mmd::SoftBodyRecord& ModelBuilder::SoftBody(int index) {
    return m_data.m_softBodies.at(static_cast<size_t>(index));
}

mmd::PMXDisplayFrame& ModelBuilder::AddDisplayFrame(const std::string& name, bool special) {
    mmd::PMXDisplayFrame frame;
    frame.m_name = name;
    frame.m_specialFlag = special ? 1 : 0;
    m_data.m_displayFrames.push_back(std::move(frame));
    return m_data.m_displayFrames.back();
}

mmd::PMXFileData ModelBuilder::Build() const {
    mmd::PMXFileData data = m_data;
    if (data.m_displayFrames.empty()) {
        mmd::PMXDisplayFrame root;
        root.m_name = "Root";
        root.m_englishName = "Root";
        root.m_specialFlag = 1;
        if (!data.m_bones.empty()) root.m_targets.push_back({mmd::PMXDisplayTargetType::Bone, 0});
        mmd::PMXDisplayFrame face;
        face.m_name = "表情";
        face.m_englishName = "Exp";
        face.m_specialFlag = 1;
        for (size_t i = 0; i < data.m_morphs.size(); ++i) {
            face.m_targets.push_back({mmd::PMXDisplayTargetType::Morph, static_cast<int32_t>(i)});
        }
        data.m_displayFrames = {root, face};
    }
    mmd::PmxWriter::FitIndexSizes(data);
    return data;
}

std::vector<uint8_t> ModelBuilder::Bytes() const { return mmd::PmxWriter::Write(Build()); }

bool ModelBuilder::WriteFile(const std::string& path) const { return mmd::PmxWriter::WriteFile(Build(), path); }

ModelBuilder ModelBuilder::EveryFeature() {
    ModelBuilder b;
    b.SetName("全部入り").SetAdditionalUVCount(4);
    b.Data().m_info.m_comment = "every record kind\nline two";
    const int center = b.AddBone("センター", {0, 8, 0});
    const int hip = b.AddBone("下半身", {0, 10, 0}, center);
    const int knee = b.AddBone("左ひざ", {1, 5, 0}, hip);
    const int ankle = b.AddBone("左足首", {1, 1, 0}, knee);
    const int ik = b.AddIKBone("左足ＩＫ", {1, 1, 0}, center, ankle, 40, 2.0f);
    b.AddIKLink(ik, knee, {-3.14159f, 0, 0}, {-0.00872665f, 0, 0});
    b.AddIKLink(ik, hip);
    const int twist = b.AddBone("左腕捩", {2, 14, 0}, center);
    b.SetAppend(twist, hip, 0.5f, true, true, true);
    b.Bone(twist).m_flags |= mmd::kPMXBoneFixedAxis | mmd::kPMXBoneLocalAxis | mmd::kPMXBoneExternalParent |
                             mmd::kPMXBoneDeformAfterPhysics | mmd::kPMXBoneTailIsBone;
    b.Bone(twist).m_fixedAxis = {1, 0, 0};
    b.Bone(twist).m_localXAxis = {1, 0, 0};
    b.Bone(twist).m_localZAxis = {0, 0, 1};
    b.Bone(twist).m_externalParentKey = 7;
    b.Bone(twist).m_tailIndex = hip;
    b.Bone(hip).m_tailOffset = {0, -1, 0};
    b.Bone(knee).m_deformDepth = 1;

    const int v0 = b.AddVertex({0, 0, 0}, center);
    const int v1 = b.AddVertexBDEF2({1, 0, 0}, hip, knee, 0.25f);
    const int v2 = b.AddVertexBDEF4({0, 1, 0}, {center, hip, knee, -1}, {0.5f, 0.25f, 0.25f, 0.0f});
    const int v3 = b.AddVertexSDEF({1, 1, 0}, hip, knee, 0.75f, {1, 1, 0}, {1, 2, 0}, {1, 0.5f, 0});
    const int v4 = b.AddVertexQDEF({2, 1, 0}, {center, hip, knee, ankle}, {0.1f, 0.2f, 0.3f, 0.4f});
    for (int v = v0; v <= v4; ++v) {
        b.Vertex(v).m_normal = {0, 0, -1};
        b.Vertex(v).m_uv = {0.1f * v, 0.2f * v};
        for (int k = 0; k < 4; ++k) b.Vertex(v).m_additionalUVs[k] = glm::vec4(v, k, 0.5f, 1.0f);
        b.Vertex(v).m_edgeScale = 0.5f + v;
    }
    b.AddTriangle(v0, v1, v2);
    const int tex = b.AddTexture("tex\\body.png");
    const int toon = b.AddTexture("toon/skin.bmp");
    const int body = b.AddMaterial("体", tex);
    b.Material(body).m_sphereTextureIndex = tex;
    b.Material(body).m_sphereMode = mmd::PMXSphereMode::Add;
    b.Material(body).m_toonMode = mmd::PMXToonMode::Individual;
    b.Material(body).m_toonIndex = toon;
    b.Material(body).m_memo = "memo";
    b.AddTriangle(v2, v3, v4);
    b.AddMaterial("髪");

    const int smile = b.AddPositionMorph("笑い", {{static_cast<uint32_t>(v0), {0, 0.1f, 0}}, {3, {0.1f, 0, 0}}});
    b.Morph(smile).m_controlPanel = 3;
    const int blink = b.AddPositionMorph("まばたき", {{1, {0, -0.1f, 0}}});
    b.AddUVMorph("uv", {{0, {0.1f, 0.2f, 0, 0}}});
    for (int slot = 1; slot <= 4; ++slot) b.AddUVMorph("auv" + std::to_string(slot), {{2, {1, 2, 3, 4}}}, slot);
    mmd::PMXBoneMorphOffset boneOffset;
    boneOffset.m_boneIndex = hip;
    boneOffset.m_translation = {0, 1, 0};
    boneOffset.m_rotation = glm::quat(0.9238795f, 0.0f, 0.3826834f, 0.0f);
    b.AddBoneMorph("bone", {boneOffset});
    mmd::PMXMaterialMorphOffset materialOffset;
    materialOffset.m_materialIndex = -1;
    materialOffset.m_operation = mmd::PMXMaterialMorphOp::Add;
    materialOffset.m_diffuse = {0.1f, 0.2f, 0.3f, 0.4f};
    materialOffset.m_edgeSize = 1.5f;
    materialOffset.m_toonTextureFactor = {1, 1, 1, 1};
    b.AddMaterialMorph("material", {materialOffset});
    b.AddGroupMorph("group", {{smile, 0.5f}, {blink, 1.0f}});
    b.AddFlipMorph("flip", {{smile, 1.0f}});
    mmd::PMXImpulseMorphOffset impulse;
    impulse.m_rigidBodyIndex = 1;
    impulse.m_localFlag = 1;
    impulse.m_velocity = {0, 0, 1};
    impulse.m_torque = {0, 1, 0};
    b.AddImpulseMorph("impulse", {impulse});

    using Shape = mmd::PMXRigidBodyShape;
    using Op = mmd::PMXRigidBodyOperation;
    const int rb0 = b.AddRigidBody("rb0", hip, Shape::Sphere, {1, 0, 0}, {0, 10, 0}, Op::FollowBone, 0, 0xFFFE);
    const int rb1 = b.AddRigidBody("rb1", knee, Shape::Box, {0.5f, 1, 0.5f}, {1, 5, 0}, Op::Dynamic, 1, 0xFFFD);
    b.AddRigidBody("rb2", -1, Shape::Capsule, {0.2f, 2, 0}, {1, 3, 0}, Op::DynamicWithBonePosition, 2);
    b.RigidBody(rb1).m_rotation = {0.1f, 0.2f, 0.3f};
    const int joint = b.AddJoint("joint", rb0, rb1, {1, 7, 0});
    b.Joint(joint).m_translationLowerLimit = {-1, -1, -1};
    b.Joint(joint).m_translationUpperLimit = {1, 1, 1};
    b.Joint(joint).m_rotationLowerLimit = {-0.5f, 0, 0};
    b.Joint(joint).m_rotationUpperLimit = {0.5f, 0, 0};
    b.Joint(joint).m_springTranslation = {10, 0, 0};
    b.Joint(joint).m_springRotation = {0, 20, 0};
    const int soft = b.AddSoftBody("skirt", body);
    b.SoftBody(soft).m_anchors.push_back({rb0, 2, 1});
    b.SoftBody(soft).m_pinVertexIndices = {0, 4};
    b.SoftBody(soft).m_chr = 0.25f;

    mmd::PMXDisplayFrame& root = b.AddDisplayFrame("Root", true);
    root.m_targets.push_back({mmd::PMXDisplayTargetType::Bone, center});
    mmd::PMXDisplayFrame& faceFrame = b.AddDisplayFrame("表情", true);
    faceFrame.m_targets.push_back({mmd::PMXDisplayTargetType::Morph, smile});
    faceFrame.m_targets.push_back({mmd::PMXDisplayTargetType::Morph, blink});
    return b;
}

}  // namespace mnx::test

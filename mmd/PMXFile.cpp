#include "mmd/PMXFile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

#include "mmd/File.h"
#include "mmd/Logger.h"
#include "mmd/UnicodeUtil.h"

namespace mmd {

namespace {

std::atomic<float> g_loadScale{1.0f};

bool IsSupportedIndexSize(uint8_t size) { return size == 1 || size == 2 || size == 4; }

// Reads the sections of one file. Every field read goes through it so that a short read, a lying length or a
// non-finite float is handled in one place; the host is assumed little-endian, like the file.
class PMXReader {
public:
    PMXReader(BinaryFile& file, PMXFileData& data) : m_file(file), m_data(data), m_scale(g_loadScale.load()) {}

    bool ReadHeader();
    bool ReadInfo();
    bool ReadVertex();
    bool ReadFace();
    bool ReadTexture();
    bool ReadMaterial();
    bool ReadBone();
    bool ReadMorph();
    bool ReadDisplayFrame();
    bool ReadRigidbody();
    bool ReadJoint();
    bool ReadSoftbody();

    int NonFiniteCount() const { return m_nonFinite; }

private:
    // The file is good and no field so far was impossible.
    bool Ok() const { return !m_file.IsBad() && !m_broken; }

    template <typename T>
    T ReadValue() {
        T value{};
        m_file.Read(&value);
        return value;
    }
    float ReadFloat() {
        const float value = ReadValue<float>();
        return Finite(value);
    }
    float ReadLength() { return Finite(ReadValue<float>() * m_scale); }
    glm::vec2 ReadVec2() {
        const float x = ReadFloat();
        return glm::vec2(x, ReadFloat());
    }
    glm::vec3 ReadVec3() {
        glm::vec3 v;
        for (int i = 0; i < 3; ++i) v[i] = ReadFloat();
        return v;
    }
    glm::vec3 ReadScaledVec3() {
        glm::vec3 v;
        for (int i = 0; i < 3; ++i) v[i] = ReadLength();
        return v;
    }
    glm::vec4 ReadVec4() {
        glm::vec4 v;
        for (int i = 0; i < 4; ++i) v[i] = ReadFloat();
        return v;
    }
    // A NaN or infinity carries nothing the model can use and would poison skinning and physics: store 0.
    float Finite(float value) {
        if (std::isfinite(value)) {
            return value;
        }
        ++m_nonFinite;
        return 0.0f;
    }

    int32_t ReadObjectIndex(uint8_t size);
    uint32_t ReadVertexIndex();
    void ReadText(std::string& out);
    // Reads a list count and checks that the rest of the file can hold `count` records of at least
    // `minRecordBytes` each, so that a lying count cannot allocate more than the file could fill.
    bool ReadCount(int32_t& count, int64_t minRecordBytes);
    // Reads a list count and room for that many records; each record is then appended once, fully read, so no
    // zero-filled array is built only to be overwritten.
    template <typename T>
    bool ReadList(std::vector<T>& list, int64_t minRecordBytes, int32_t& count) {
        list.clear();
        if (!ReadCount(count, minRecordBytes)) {
            return false;
        }
        list.reserve(static_cast<size_t>(count));
        return true;
    }
    bool ReadMorphOffsets(PMXMorphRecord& morph);

    BinaryFile& m_file;
    PMXFileData& m_data;
    std::u16string m_units;  // UTF-16 text being converted, reused across texts
    const float m_scale;
    bool m_broken = false;
    int m_nonFinite = 0;
};

int32_t PMXReader::ReadObjectIndex(uint8_t size) {
    switch (size) {
        case 1: {
            const uint8_t value = ReadValue<uint8_t>();
            return value == 0xFF ? -1 : value;
        }
        case 2: {
            const uint16_t value = ReadValue<uint16_t>();
            return value == 0xFFFF ? -1 : value;
        }
        case 4:
            return ReadValue<int32_t>();
        default:
            // The header rejects other widths; nothing can be read without knowing the width.
            m_broken = true;
            return -1;
    }
}

uint32_t PMXReader::ReadVertexIndex() {
    switch (m_data.m_header.m_vertexIndexSize) {
        case 1:
            return ReadValue<uint8_t>();
        case 2:
            return ReadValue<uint16_t>();
        case 4:
            return ReadValue<uint32_t>();
        default:
            m_broken = true;
            return 0;
    }
}

void PMXReader::ReadText(std::string& out) {
    out.clear();
    const int32_t length = ReadValue<int32_t>();
    if (!Ok() || length == 0) {
        return;
    }
    if (length < 0 || length > m_file.Remaining()) {
        GetLogger()->error("PMX Text Length Error: [{}]", length);
        m_broken = true;
        return;
    }
    const uint8_t* bytes = m_file.ReadSpan(static_cast<size_t>(length));
    if (bytes == nullptr) {
        return;
    }
    if (m_data.m_header.m_encoding == 1) {
        out.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
        return;
    }
    m_units.resize(static_cast<size_t>(length) / 2);
    for (size_t i = 0; i < m_units.size(); ++i) {
        m_units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    if (!ConvU16ToU8(m_units, out)) {
        out.clear();
    }
}

bool PMXReader::ReadCount(int32_t& count, int64_t minRecordBytes) {
    count = 0;
    if (!m_file.Read(&count)) {
        return false;
    }
    if (count < 0 || static_cast<int64_t>(count) * minRecordBytes > m_file.Remaining()) {
        GetLogger()->error("PMX Count Error: [{}]", count);
        count = 0;
        return false;
    }
    return true;
}

bool PMXReader::ReadHeader() {
    PMXHeader& header = m_data.m_header;
    m_file.Read(header.m_magic.data(), header.m_magic.size());
    header.m_version = ReadValue<float>();
    header.m_globalsCount = ReadValue<uint8_t>();
    header.m_encoding = ReadValue<uint8_t>();
    header.m_additionalUVCount = ReadValue<uint8_t>();
    header.m_vertexIndexSize = ReadValue<uint8_t>();
    header.m_textureIndexSize = ReadValue<uint8_t>();
    header.m_materialIndexSize = ReadValue<uint8_t>();
    header.m_boneIndexSize = ReadValue<uint8_t>();
    header.m_morphIndexSize = ReadValue<uint8_t>();
    header.m_rigidBodyIndexSize = ReadValue<uint8_t>();
    if (m_file.IsBad()) {
        return false;
    }
    // Widths, encodings and UV counts the format does not define would make every later field misread.
    if (header.m_encoding > 1) {
        GetLogger()->error("Unsupported Text Encoding: [{}]", header.m_encoding);
        return false;
    }
    if (header.m_additionalUVCount > 4) {
        GetLogger()->error("Unsupported Additional UV Count: [{}]", header.m_additionalUVCount);
        return false;
    }
    for (uint8_t size : {header.m_vertexIndexSize, header.m_textureIndexSize, header.m_materialIndexSize,
                         header.m_boneIndexSize, header.m_morphIndexSize, header.m_rigidBodyIndexSize}) {
        if (!IsSupportedIndexSize(size)) {
            GetLogger()->error("Unsupported Index Size: [{}]", size);
            return false;
        }
    }
    return true;
}

bool PMXReader::ReadInfo() {
    PMXInfo& info = m_data.m_info;
    ReadText(info.m_modelName);
    ReadText(info.m_englishModelName);
    ReadText(info.m_comment);
    ReadText(info.m_englishComment);
    return Ok();
}

bool PMXReader::ReadVertex() {
    const PMXHeader& header = m_data.m_header;
    const uint8_t bw = header.m_boneIndexSize;
    const int additionalUVs = std::min<int>(header.m_additionalUVCount, 4);  // the header rejects more
    int32_t count = 0;
    if (!ReadList(m_data.m_vertices, 37 + 16 * header.m_additionalUVCount + bw, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        PMXVertex& vertex = m_data.m_vertices.emplace_back();
        // Position, normal, UV and the additional UVs are one run of floats: one bounds check for all of them.
        const uint8_t* floats = m_file.ReadSpan(sizeof(float) * (8 + 4 * static_cast<size_t>(additionalUVs)));
        if (floats == nullptr) {
            return false;
        }
        float f[8 + 4 * 4];
        std::memcpy(f, floats, sizeof(float) * (8 + 4 * static_cast<size_t>(additionalUVs)));
        vertex.m_position = glm::vec3(Finite(f[0] * m_scale), Finite(f[1] * m_scale), Finite(f[2] * m_scale));
        vertex.m_normal = glm::vec3(Finite(f[3]), Finite(f[4]), Finite(f[5]));
        vertex.m_uv = glm::vec2(Finite(f[6]), Finite(f[7]));
        for (int k = 0; k < additionalUVs; ++k) {
            const float* uv = f + 8 + 4 * k;
            vertex.m_additionalUVs[k] = glm::vec4(Finite(uv[0]), Finite(uv[1]), Finite(uv[2]), Finite(uv[3]));
        }
        const uint8_t weightType = ReadValue<uint8_t>();
        if (!Ok()) {
            return false;
        }
        vertex.m_weightType = static_cast<PMXVertexWeight>(weightType);
        switch (vertex.m_weightType) {
            case PMXVertexWeight::BDEF1:
                vertex.m_boneIndices[0] = ReadObjectIndex(bw);
                break;
            case PMXVertexWeight::BDEF2:
                vertex.m_boneIndices[0] = ReadObjectIndex(bw);
                vertex.m_boneIndices[1] = ReadObjectIndex(bw);
                vertex.m_boneWeights[0] = ReadFloat();
                break;
            case PMXVertexWeight::BDEF4:
            case PMXVertexWeight::QDEF:
                for (int32_t& index : vertex.m_boneIndices) index = ReadObjectIndex(bw);
                for (float& weight : vertex.m_boneWeights) weight = ReadFloat();
                break;
            case PMXVertexWeight::SDEF:
                vertex.m_boneIndices[0] = ReadObjectIndex(bw);
                vertex.m_boneIndices[1] = ReadObjectIndex(bw);
                vertex.m_boneWeights[0] = ReadFloat();
                vertex.m_sdefC = ReadScaledVec3();
                vertex.m_sdefR0 = ReadScaledVec3();
                vertex.m_sdefR1 = ReadScaledVec3();
                break;
            default:
                GetLogger()->error("Unsupported Vertex Weight Type: [{}]", weightType);
                return false;
        }
        vertex.m_edgeScale = ReadFloat();
    }
    return Ok();
}

bool PMXReader::ReadFace() {
    const uint8_t vw = m_data.m_header.m_vertexIndexSize;
    int32_t count = 0;
    if (!ReadCount(count, vw)) {
        return false;
    }
    // ReadCount has checked that the file holds every index, so the whole list is decoded from one span. A count
    // that is not a multiple of three leaves indices that make no triangle: read and dropped.
    const uint8_t* bytes = m_file.ReadSpan(static_cast<size_t>(count) * vw);
    if (bytes == nullptr) {
        return false;
    }
    const size_t triangles = static_cast<size_t>(count / 3);
    std::vector<PMXFace>& faces = m_data.m_faces;
    faces.clear();
    faces.reserve(triangles);
    auto decode = [&](auto width) {
        using Index = decltype(width);
        for (size_t f = 0; f < triangles; ++f) {
            PMXFace face;
            for (size_t k = 0; k < 3; ++k) {
                Index index;
                std::memcpy(&index, bytes + (3 * f + k) * sizeof(Index), sizeof(Index));
                face.m_vertices[k] = index;
            }
            faces.push_back(face);
        }
    };
    switch (vw) {
        case 1:
            decode(uint8_t{});
            break;
        case 2:
            decode(uint16_t{});
            break;
        case 4:
            decode(uint32_t{});
            break;
        default:
            return false;
    }
    return Ok();
}

bool PMXReader::ReadTexture() {
    int32_t count = 0;
    if (!ReadList(m_data.m_textures, 4, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        std::string& texture = m_data.m_textures.emplace_back();
        ReadText(texture);
        if (!Ok()) break;
    }
    return Ok();
}

bool PMXReader::ReadMaterial() {
    const uint8_t tw = m_data.m_header.m_textureIndexSize;
    int32_t count = 0;
    if (!ReadList(m_data.m_materials, 84 + 2 * tw, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        PMXMaterial& material = m_data.m_materials.emplace_back();
        ReadText(material.m_name);
        ReadText(material.m_englishName);
        material.m_diffuse = ReadVec4();
        material.m_specular = ReadVec3();
        material.m_specularPower = ReadFloat();
        material.m_ambient = ReadVec3();
        material.m_drawFlags = ReadValue<uint8_t>();
        material.m_edgeColor = ReadVec4();
        material.m_edgeSize = ReadFloat();
        material.m_textureIndex = ReadObjectIndex(tw);
        material.m_sphereTextureIndex = ReadObjectIndex(tw);
        material.m_sphereMode = static_cast<PMXSphereMode>(ReadValue<uint8_t>());
        const uint8_t toonMode = ReadValue<uint8_t>();
        if (!Ok()) {
            return false;
        }
        material.m_toonMode = static_cast<PMXToonMode>(toonMode);
        if (material.m_toonMode == PMXToonMode::Individual) {
            material.m_toonIndex = ReadObjectIndex(tw);
        } else if (material.m_toonMode == PMXToonMode::Shared) {
            material.m_toonIndex = ReadValue<uint8_t>();
        } else {
            GetLogger()->error("Unsupported Toon Mode: [{}]", toonMode);
            return false;
        }
        ReadText(material.m_memo);
        material.m_faceIndexCount = ReadValue<int32_t>();
        if (!Ok()) break;
    }
    return Ok();
}

bool PMXReader::ReadBone() {
    const uint8_t bw = m_data.m_header.m_boneIndexSize;
    int32_t count = 0;
    if (!ReadList(m_data.m_bones, 26 + 2 * bw, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        PMXBone& bone = m_data.m_bones.emplace_back();
        ReadText(bone.m_name);
        ReadText(bone.m_englishName);
        bone.m_position = ReadScaledVec3();
        bone.m_parentIndex = ReadObjectIndex(bw);
        bone.m_deformDepth = ReadValue<int32_t>();
        bone.m_flags = ReadValue<uint16_t>();
        if (bone.m_flags & kPMXBoneTailIsBone) {
            bone.m_tailIndex = ReadObjectIndex(bw);
        } else {
            bone.m_tailOffset = ReadScaledVec3();
        }
        if (bone.m_flags & (kPMXBoneAppendRotate | kPMXBoneAppendTranslate)) {
            bone.m_appendIndex = ReadObjectIndex(bw);
            bone.m_appendWeight = ReadFloat();
        }
        if (bone.m_flags & kPMXBoneFixedAxis) {
            bone.m_fixedAxis = ReadVec3();
        }
        if (bone.m_flags & kPMXBoneLocalAxis) {
            bone.m_localXAxis = ReadVec3();
            bone.m_localZAxis = ReadVec3();
        }
        if (bone.m_flags & kPMXBoneExternalParent) {
            bone.m_externalParentKey = ReadValue<int32_t>();
        }
        if (bone.m_flags & kPMXBoneIK) {
            bone.m_ikTargetIndex = ReadObjectIndex(bw);
            bone.m_ikLoopCount = ReadValue<int32_t>();
            bone.m_ikLimitAngle = ReadFloat();
            int32_t linkCount = 0;
            if (!Ok() || !ReadList(bone.m_ikLinks, bw + 1, linkCount)) {
                return false;
            }
            for (int32_t k = 0; k < linkCount; ++k) {
                PMXIKLink& link = bone.m_ikLinks.emplace_back();
                link.m_boneIndex = ReadObjectIndex(bw);
                link.m_enableLimit = ReadValue<uint8_t>();
                if (link.m_enableLimit != 0) {
                    link.m_lowerLimit = ReadVec3();
                    link.m_upperLimit = ReadVec3();
                }
            }
        }
        if (!Ok()) break;
    }
    return Ok();
}

bool PMXReader::ReadMorphOffsets(PMXMorphRecord& morph) {
    const PMXHeader& header = m_data.m_header;
    const int64_t vw = header.m_vertexIndexSize;
    int32_t count = 0;
    switch (morph.m_type) {
        case PMXMorphType::Group:
            if (!ReadList(morph.m_groupOffsets, header.m_morphIndexSize + 4, count)) return false;
            for (int32_t i = 0; i < count; ++i) {
                PMXGroupMorphOffset& offset = morph.m_groupOffsets.emplace_back();
                offset.m_morphIndex = ReadObjectIndex(header.m_morphIndexSize);
                offset.m_weight = ReadFloat();
            }
            break;
        case PMXMorphType::Position:
            if (!ReadList(morph.m_positionOffsets, vw + 12, count)) return false;
            for (int32_t i = 0; i < count; ++i) {
                PMXPositionMorphOffset& offset = morph.m_positionOffsets.emplace_back();
                offset.m_vertexIndex = ReadVertexIndex();
                offset.m_position = ReadScaledVec3();
            }
            break;
        case PMXMorphType::Bone:
            if (!ReadList(morph.m_boneOffsets, header.m_boneIndexSize + 28, count)) return false;
            for (int32_t i = 0; i < count; ++i) {
                PMXBoneMorphOffset& offset = morph.m_boneOffsets.emplace_back();
                offset.m_boneIndex = ReadObjectIndex(header.m_boneIndexSize);
                offset.m_translation = ReadScaledVec3();
                const glm::vec4 q = ReadVec4();
                offset.m_rotation = glm::quat(q.w, q.x, q.y, q.z);
            }
            break;
        case PMXMorphType::UV:
        case PMXMorphType::AddUV1:
        case PMXMorphType::AddUV2:
        case PMXMorphType::AddUV3:
        case PMXMorphType::AddUV4:
            if (!ReadList(morph.m_uvOffsets, vw + 16, count)) return false;
            for (int32_t i = 0; i < count; ++i) {
                PMXUVMorphOffset& offset = morph.m_uvOffsets.emplace_back();
                offset.m_vertexIndex = ReadVertexIndex();
                offset.m_uv = ReadVec4();
            }
            break;
        case PMXMorphType::Material:
            if (!ReadList(morph.m_materialOffsets, header.m_materialIndexSize + 113, count)) return false;
            for (int32_t i = 0; i < count; ++i) {
                PMXMaterialMorphOffset& offset = morph.m_materialOffsets.emplace_back();
                offset.m_materialIndex = ReadObjectIndex(header.m_materialIndexSize);
                offset.m_operation = static_cast<PMXMaterialMorphOp>(ReadValue<uint8_t>());
                offset.m_diffuse = ReadVec4();
                offset.m_specular = ReadVec3();
                offset.m_specularPower = ReadFloat();
                offset.m_ambient = ReadVec3();
                offset.m_edgeColor = ReadVec4();
                offset.m_edgeSize = ReadFloat();
                offset.m_textureFactor = ReadVec4();
                offset.m_sphereTextureFactor = ReadVec4();
                offset.m_toonTextureFactor = ReadVec4();
            }
            break;
        case PMXMorphType::Flip:
            if (!ReadList(morph.m_flipOffsets, header.m_morphIndexSize + 4, count)) return false;
            for (int32_t i = 0; i < count; ++i) {
                PMXFlipMorphOffset& offset = morph.m_flipOffsets.emplace_back();
                offset.m_morphIndex = ReadObjectIndex(header.m_morphIndexSize);
                offset.m_weight = ReadFloat();
            }
            break;
        case PMXMorphType::Impulse:
            if (!ReadList(morph.m_impulseOffsets, header.m_rigidBodyIndexSize + 25, count)) return false;
            for (int32_t i = 0; i < count; ++i) {
                PMXImpulseMorphOffset& offset = morph.m_impulseOffsets.emplace_back();
                offset.m_rigidBodyIndex = ReadObjectIndex(header.m_rigidBodyIndexSize);
                offset.m_localFlag = ReadValue<uint8_t>();
                offset.m_velocity = ReadVec3();
                offset.m_torque = ReadVec3();
            }
            break;
        default:
            GetLogger()->error("Unsupported Morph Type:[{}]", static_cast<int>(morph.m_type));
            return false;
    }
    return Ok();
}

bool PMXReader::ReadMorph() {
    int32_t count = 0;
    if (!ReadList(m_data.m_morphs, 14, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        PMXMorphRecord& morph = m_data.m_morphs.emplace_back();
        ReadText(morph.m_name);
        ReadText(morph.m_englishName);
        morph.m_controlPanel = ReadValue<uint8_t>();
        morph.m_type = static_cast<PMXMorphType>(ReadValue<uint8_t>());
        if (!Ok() || !ReadMorphOffsets(morph)) {
            return false;
        }
    }
    return Ok();
}

bool PMXReader::ReadDisplayFrame() {
    const PMXHeader& header = m_data.m_header;
    int32_t count = 0;
    if (!ReadList(m_data.m_displayFrames, 13, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        PMXDisplayFrame& frame = m_data.m_displayFrames.emplace_back();
        ReadText(frame.m_name);
        ReadText(frame.m_englishName);
        frame.m_specialFlag = ReadValue<uint8_t>();
        int32_t targetCount = 0;
        if (!Ok() ||
            !ReadList(frame.m_targets, 1 + std::min(header.m_boneIndexSize, header.m_morphIndexSize), targetCount)) {
            return false;
        }
        for (int32_t k = 0; k < targetCount; ++k) {
            PMXDisplayTarget& target = frame.m_targets.emplace_back();
            const uint8_t type = ReadValue<uint8_t>();
            target.m_type = static_cast<PMXDisplayTargetType>(type);
            if (target.m_type == PMXDisplayTargetType::Bone) {
                target.m_index = ReadObjectIndex(header.m_boneIndexSize);
            } else if (target.m_type == PMXDisplayTargetType::Morph) {
                target.m_index = ReadObjectIndex(header.m_morphIndexSize);
            } else {
                GetLogger()->error("Unsupported Display Target Type: [{}]", type);
                return false;
            }
            if (!Ok()) return false;
        }
    }
    return Ok();
}

bool PMXReader::ReadRigidbody() {
    const uint8_t bw = m_data.m_header.m_boneIndexSize;
    int32_t count = 0;
    if (!ReadList(m_data.m_rigidBodies, 67 + bw, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        PMXRigidBody& body = m_data.m_rigidBodies.emplace_back();
        ReadText(body.m_name);
        ReadText(body.m_englishName);
        body.m_boneIndex = ReadObjectIndex(bw);
        body.m_group = ReadValue<uint8_t>();
        body.m_collisionMask = ReadValue<uint16_t>();
        body.m_shape = static_cast<PMXRigidBodyShape>(ReadValue<uint8_t>());
        body.m_shapeSize = ReadScaledVec3();
        body.m_position = ReadScaledVec3();
        body.m_rotation = ReadVec3();
        body.m_mass = ReadFloat();
        body.m_translationDamping = ReadFloat();
        body.m_rotationDamping = ReadFloat();
        body.m_restitution = ReadFloat();
        body.m_friction = ReadFloat();
        body.m_operation = static_cast<PMXRigidBodyOperation>(ReadValue<uint8_t>());
        if (!Ok()) break;
    }
    return Ok();
}

bool PMXReader::ReadJoint() {
    const uint8_t rw = m_data.m_header.m_rigidBodyIndexSize;
    int32_t count = 0;
    if (!ReadList(m_data.m_joints, 105 + 2 * rw, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        PMXJoint& joint = m_data.m_joints.emplace_back();
        ReadText(joint.m_name);
        ReadText(joint.m_englishName);
        joint.m_type = static_cast<PMXJointType>(ReadValue<uint8_t>());
        joint.m_rigidBodyA = ReadObjectIndex(rw);
        joint.m_rigidBodyB = ReadObjectIndex(rw);
        joint.m_position = ReadScaledVec3();
        joint.m_rotation = ReadVec3();
        joint.m_translationLowerLimit = ReadScaledVec3();
        joint.m_translationUpperLimit = ReadScaledVec3();
        joint.m_rotationLowerLimit = ReadVec3();
        joint.m_rotationUpperLimit = ReadVec3();
        joint.m_springTranslation = ReadVec3();
        joint.m_springRotation = ReadVec3();
        if (!Ok()) break;
    }
    return Ok();
}

bool PMXReader::ReadSoftbody() {
    const PMXHeader& header = m_data.m_header;
    int32_t count = 0;
    if (!ReadList(m_data.m_softBodies, 141 + header.m_materialIndexSize, count)) {
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        SoftBodyRecord& body = m_data.m_softBodies.emplace_back();
        ReadText(body.m_name);
        ReadText(body.m_englishName);
        body.m_shape = ReadValue<uint8_t>();
        body.m_materialIndex = ReadObjectIndex(header.m_materialIndexSize);
        body.m_group = ReadValue<uint8_t>();
        body.m_collisionMask = ReadValue<uint16_t>();
        body.m_flags = ReadValue<uint8_t>();
        body.m_linkDistance = ReadValue<int32_t>();
        body.m_clusterCount = ReadValue<int32_t>();
        body.m_totalMass = ReadFloat();
        body.m_collisionMargin = ReadFloat();
        body.m_aeroModel = ReadValue<int32_t>();
        for (float* value : {&body.m_vcf, &body.m_dp, &body.m_dg, &body.m_lf, &body.m_pr, &body.m_vc, &body.m_df,
                             &body.m_mt, &body.m_chr, &body.m_khr, &body.m_shr, &body.m_ahr, &body.m_srhrCl,
                             &body.m_skhrCl, &body.m_sshrCl, &body.m_srSplitCl, &body.m_skSplitCl, &body.m_ssSplitCl}) {
            *value = ReadFloat();
        }
        for (int32_t* value : {&body.m_vIterations, &body.m_pIterations, &body.m_dIterations, &body.m_cIterations}) {
            *value = ReadValue<int32_t>();
        }
        body.m_lst = ReadFloat();
        body.m_ast = ReadFloat();
        body.m_vst = ReadFloat();
        int32_t anchorCount = 0;
        if (!Ok() ||
            !ReadList(body.m_anchors, header.m_rigidBodyIndexSize + header.m_vertexIndexSize + 1, anchorCount)) {
            return false;
        }
        for (int32_t k = 0; k < anchorCount; ++k) {
            SoftBodyAnchor& anchor = body.m_anchors.emplace_back();
            anchor.m_rigidBodyIndex = ReadObjectIndex(header.m_rigidBodyIndexSize);
            anchor.m_vertexIndex = ReadVertexIndex();
            anchor.m_nearMode = ReadValue<uint8_t>();
        }
        int32_t pinCount = 0;
        if (!Ok() || !ReadList(body.m_pinVertexIndices, header.m_vertexIndexSize, pinCount)) {
            return false;
        }
        for (int32_t k = 0; k < pinCount; ++k) body.m_pinVertexIndices.push_back(ReadVertexIndex());
        if (!Ok()) break;
    }
    return Ok();
}

}  // namespace

void SetLoadScale(float scale) { g_loadScale.store(scale); }

float GetLoadScale() { return g_loadScale.load(); }

bool ReadPMXFile(PMXFileData& data, BinaryFile& file) {
    PMXReader reader(file, data);
    struct Section {
        bool (PMXReader::*read)();
        const char* failure;
    };
    static const Section kSections[] = {
        {&PMXReader::ReadHeader, "ReadHeader Fail."},
        {&PMXReader::ReadInfo, "ReadInfo Fail."},
        {&PMXReader::ReadVertex, "ReadVertex Fail."},
        {&PMXReader::ReadFace, "ReadFace Fail."},
        {&PMXReader::ReadTexture, "ReadTexture Fail."},
        {&PMXReader::ReadMaterial, "ReadMaterial Fail."},
        {&PMXReader::ReadBone, "ReadBone Fail."},
        {&PMXReader::ReadMorph, "ReadMorph Fail."},
        {&PMXReader::ReadDisplayFrame, "ReadDisplayFrame Fail."},
        {&PMXReader::ReadRigidbody, "ReadRigidbody Fail."},
        {&PMXReader::ReadJoint, "ReadJoint Fail."},
    };
    for (const Section& section : kSections) {
        if (!(reader.*section.read)()) {
            GetLogger()->error(section.failure);
            return false;
        }
    }
    // PMX 2.0 files end after the joints; 2.1 files go on with soft bodies.
    if (file.Tell() < file.Size() && !reader.ReadSoftbody()) {
        GetLogger()->error("ReadSoftbody Fail.");
        return false;
    }
    if (reader.NonFiniteCount() > 0) {
        GetLogger()->warn("PMX File: {} non-finite values replaced by 0.", reader.NonFiniteCount());
    }
    return true;
}

bool ReadPMXFile(PMXFileData& data, const std::string& pathUtf8) {
    BinaryFile file;
    if (!file.Open(pathUtf8)) {
        GetLogger()->info("PMX File Open Fail. {}", pathUtf8);
        return false;
    }
    if (!ReadPMXFile(data, file)) {
        GetLogger()->info("PMX File Read Fail. {}", pathUtf8);
        return false;
    }
    GetLogger()->info("PMX File Read Successed. {}", pathUtf8);
    return true;
}

}  // namespace mmd

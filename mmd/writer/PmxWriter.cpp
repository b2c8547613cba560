#include "mmd/writer/PmxWriter.h"

#include "mmd/UnicodeUtil.h"
#include "mmd/writer/ByteWriter.h"

namespace mmd {

namespace {

class Writer {
public:
    explicit Writer(const mmd::PMXHeader& header) : m_header(header) {}

    ByteWriter& Out() { return m_out; }

    void Text(const std::string& text) {
        if (m_header.m_encoding == 0) {
            std::u16string units;
            mmd::ConvU8ToU16(text, units);
            m_out.I32(static_cast<int32_t>(units.size() * 2));
            for (char16_t unit : units) m_out.U16(static_cast<uint16_t>(unit));
        } else {
            m_out.I32(static_cast<int32_t>(text.size()));
            m_out.Raw(text.data(), text.size());
        }
    }
    void Index(int32_t index, uint8_t width) {
        switch (width) {
            case 1:
                m_out.U8(static_cast<uint8_t>(index));
                break;
            case 2:
                m_out.U16(static_cast<uint16_t>(index));
                break;
            default:
                m_out.I32(index);
                break;
        }
    }
    void VertexIndex(uint32_t index) { Index(static_cast<int32_t>(index), m_header.m_vertexIndexSize); }
    void Bone(int32_t index) { Index(index, m_header.m_boneIndexSize); }
    void Texture(int32_t index) { Index(index, m_header.m_textureIndexSize); }
    void Material(int32_t index) { Index(index, m_header.m_materialIndexSize); }
    void Morph(int32_t index) { Index(index, m_header.m_morphIndexSize); }
    void RigidBody(int32_t index) { Index(index, m_header.m_rigidBodyIndexSize); }

    void Header() {
        m_out.Raw(m_header.m_magic.data(), 4);
        m_out.F32(m_header.m_version);
        m_out.U8(m_header.m_globalsCount);
        for (uint8_t v : {m_header.m_encoding, m_header.m_additionalUVCount, m_header.m_vertexIndexSize,
                          m_header.m_textureIndexSize, m_header.m_materialIndexSize, m_header.m_boneIndexSize,
                          m_header.m_morphIndexSize, m_header.m_rigidBodyIndexSize}) {
            m_out.U8(v);
        }
    }

    void Vertex(const mmd::PMXVertex& v) {
        m_out.Vec3(v.m_position);
        m_out.Vec3(v.m_normal);
        m_out.Vec2(v.m_uv);
        for (int i = 0; i < m_header.m_additionalUVCount && i < 4; ++i) m_out.Vec4(v.m_additionalUVs[i]);
        m_out.U8(static_cast<uint8_t>(v.m_weightType));
        switch (v.m_weightType) {
            case mmd::PMXVertexWeight::BDEF1:
                Bone(v.m_boneIndices[0]);
                break;
            case mmd::PMXVertexWeight::BDEF2:
                Bone(v.m_boneIndices[0]), Bone(v.m_boneIndices[1]);
                m_out.F32(v.m_boneWeights[0]);
                break;
            case mmd::PMXVertexWeight::BDEF4:
            case mmd::PMXVertexWeight::QDEF:
                for (int32_t b : v.m_boneIndices) Bone(b);
                for (float w : v.m_boneWeights) m_out.F32(w);
                break;
            case mmd::PMXVertexWeight::SDEF:
                Bone(v.m_boneIndices[0]), Bone(v.m_boneIndices[1]);
                m_out.F32(v.m_boneWeights[0]);
                m_out.Vec3(v.m_sdefC), m_out.Vec3(v.m_sdefR0), m_out.Vec3(v.m_sdefR1);
                break;
        }
        m_out.F32(v.m_edgeScale);
    }

    void Material(const mmd::PMXMaterial& m) {
        Text(m.m_name), Text(m.m_englishName);
        m_out.Vec4(m.m_diffuse), m_out.Vec3(m.m_specular), m_out.F32(m.m_specularPower), m_out.Vec3(m.m_ambient);
        m_out.U8(m.m_drawFlags);
        m_out.Vec4(m.m_edgeColor), m_out.F32(m.m_edgeSize);
        Texture(m.m_textureIndex), Texture(m.m_sphereTextureIndex);
        m_out.U8(static_cast<uint8_t>(m.m_sphereMode));
        m_out.U8(static_cast<uint8_t>(m.m_toonMode));
        if (m.m_toonMode == mmd::PMXToonMode::Shared) {
            m_out.U8(static_cast<uint8_t>(m.m_toonIndex));
        } else {
            Texture(m.m_toonIndex);
        }
        Text(m.m_memo);
        m_out.I32(m.m_faceIndexCount);
    }

    void BoneRecord(const mmd::PMXBone& b) {
        Text(b.m_name), Text(b.m_englishName);
        m_out.Vec3(b.m_position);
        Bone(b.m_parentIndex);
        m_out.I32(b.m_deformDepth);
        m_out.U16(b.m_flags);
        if (b.m_flags & mmd::kPMXBoneTailIsBone) {
            Bone(b.m_tailIndex);
        } else {
            m_out.Vec3(b.m_tailOffset);
        }
        if (b.m_flags & (mmd::kPMXBoneAppendRotate | mmd::kPMXBoneAppendTranslate)) {
            Bone(b.m_appendIndex);
            m_out.F32(b.m_appendWeight);
        }
        if (b.m_flags & mmd::kPMXBoneFixedAxis) m_out.Vec3(b.m_fixedAxis);
        if (b.m_flags & mmd::kPMXBoneLocalAxis) m_out.Vec3(b.m_localXAxis), m_out.Vec3(b.m_localZAxis);
        if (b.m_flags & mmd::kPMXBoneExternalParent) m_out.I32(b.m_externalParentKey);
        if (b.m_flags & mmd::kPMXBoneIK) {
            Bone(b.m_ikTargetIndex);
            m_out.I32(b.m_ikLoopCount);
            m_out.F32(b.m_ikLimitAngle);
            m_out.I32(static_cast<int32_t>(b.m_ikLinks.size()));
            for (const mmd::PMXIKLink& link : b.m_ikLinks) {
                Bone(link.m_boneIndex);
                m_out.U8(link.m_enableLimit);
                if (link.m_enableLimit) m_out.Vec3(link.m_lowerLimit), m_out.Vec3(link.m_upperLimit);
            }
        }
    }

    void MorphRecord(const mmd::PMXMorphRecord& m) {
        using T = mmd::PMXMorphType;
        Text(m.m_name), Text(m.m_englishName);
        m_out.U8(m.m_controlPanel);
        m_out.U8(static_cast<uint8_t>(m.m_type));
        switch (m.m_type) {
            case T::Group:
            case T::Flip: {
                const auto& list = m.m_type == T::Group ? m.m_groupOffsets : m.m_flipOffsets;
                m_out.I32(static_cast<int32_t>(list.size()));
                for (const auto& o : list) Morph(o.m_morphIndex), m_out.F32(o.m_weight);
                break;
            }
            case T::Position:
                m_out.I32(static_cast<int32_t>(m.m_positionOffsets.size()));
                for (const auto& o : m.m_positionOffsets) VertexIndex(o.m_vertexIndex), m_out.Vec3(o.m_position);
                break;
            case T::Bone:
                m_out.I32(static_cast<int32_t>(m.m_boneOffsets.size()));
                for (const auto& o : m.m_boneOffsets) {
                    Bone(o.m_boneIndex), m_out.Vec3(o.m_translation), m_out.Quat(o.m_rotation);
                }
                break;
            case T::UV:
            case T::AddUV1:
            case T::AddUV2:
            case T::AddUV3:
            case T::AddUV4:
                m_out.I32(static_cast<int32_t>(m.m_uvOffsets.size()));
                for (const auto& o : m.m_uvOffsets) VertexIndex(o.m_vertexIndex), m_out.Vec4(o.m_uv);
                break;
            case T::Material:
                m_out.I32(static_cast<int32_t>(m.m_materialOffsets.size()));
                for (const auto& o : m.m_materialOffsets) {
                    Material(o.m_materialIndex);
                    m_out.U8(static_cast<uint8_t>(o.m_operation));
                    m_out.Vec4(o.m_diffuse), m_out.Vec3(o.m_specular), m_out.F32(o.m_specularPower);
                    m_out.Vec3(o.m_ambient), m_out.Vec4(o.m_edgeColor), m_out.F32(o.m_edgeSize);
                    m_out.Vec4(o.m_textureFactor), m_out.Vec4(o.m_sphereTextureFactor);
                    m_out.Vec4(o.m_toonTextureFactor);
                }
                break;
            case T::Impulse:
                m_out.I32(static_cast<int32_t>(m.m_impulseOffsets.size()));
                for (const auto& o : m.m_impulseOffsets) {
                    RigidBody(o.m_rigidBodyIndex), m_out.U8(o.m_localFlag);
                    m_out.Vec3(o.m_velocity), m_out.Vec3(o.m_torque);
                }
                break;
            default:
                m_out.I32(0);
                break;
        }
    }

    void DisplayFrame(const mmd::PMXDisplayFrame& f) {
        Text(f.m_name), Text(f.m_englishName);
        m_out.U8(f.m_specialFlag);
        m_out.I32(static_cast<int32_t>(f.m_targets.size()));
        for (const mmd::PMXDisplayTarget& t : f.m_targets) {
            m_out.U8(static_cast<uint8_t>(t.m_type));
            if (t.m_type == mmd::PMXDisplayTargetType::Morph) {
                Morph(t.m_index);
            } else {
                Bone(t.m_index);
            }
        }
    }

    void RigidBodyRecord(const mmd::PMXRigidBody& r) {
        Text(r.m_name), Text(r.m_englishName);
        Bone(r.m_boneIndex);
        m_out.U8(r.m_group), m_out.U16(r.m_collisionMask), m_out.U8(static_cast<uint8_t>(r.m_shape));
        m_out.Vec3(r.m_shapeSize), m_out.Vec3(r.m_position), m_out.Vec3(r.m_rotation);
        for (float v : {r.m_mass, r.m_translationDamping, r.m_rotationDamping, r.m_restitution, r.m_friction}) {
            m_out.F32(v);
        }
        m_out.U8(static_cast<uint8_t>(r.m_operation));
    }

    void Joint(const mmd::PMXJoint& j) {
        Text(j.m_name), Text(j.m_englishName);
        m_out.U8(static_cast<uint8_t>(j.m_type));
        RigidBody(j.m_rigidBodyA), RigidBody(j.m_rigidBodyB);
        for (const glm::vec3& v : {j.m_position, j.m_rotation, j.m_translationLowerLimit, j.m_translationUpperLimit,
                                   j.m_rotationLowerLimit, j.m_rotationUpperLimit, j.m_springTranslation,
                                   j.m_springRotation}) {
            m_out.Vec3(v);
        }
    }

    void SoftBody(const mmd::SoftBodyRecord& s) {
        Text(s.m_name), Text(s.m_englishName);
        m_out.U8(s.m_shape);
        Material(s.m_materialIndex);
        m_out.U8(s.m_group), m_out.U16(s.m_collisionMask), m_out.U8(s.m_flags);
        m_out.I32(s.m_linkDistance), m_out.I32(s.m_clusterCount);
        m_out.F32(s.m_totalMass), m_out.F32(s.m_collisionMargin);
        m_out.I32(s.m_aeroModel);
        for (float v : {s.m_vcf, s.m_dp, s.m_dg, s.m_lf, s.m_pr, s.m_vc, s.m_df, s.m_mt, s.m_chr, s.m_khr, s.m_shr,
                        s.m_ahr, s.m_srhrCl, s.m_skhrCl, s.m_sshrCl, s.m_srSplitCl, s.m_skSplitCl, s.m_ssSplitCl}) {
            m_out.F32(v);
        }
        for (int32_t v : {s.m_vIterations, s.m_pIterations, s.m_dIterations, s.m_cIterations}) m_out.I32(v);
        m_out.F32(s.m_lst), m_out.F32(s.m_ast), m_out.F32(s.m_vst);
        m_out.I32(static_cast<int32_t>(s.m_anchors.size()));
        for (const mmd::SoftBodyAnchor& a : s.m_anchors) {
            RigidBody(a.m_rigidBodyIndex), VertexIndex(a.m_vertexIndex), m_out.U8(a.m_nearMode);
        }
        m_out.I32(static_cast<int32_t>(s.m_pinVertexIndices.size()));
        for (uint32_t v : s.m_pinVertexIndices) VertexIndex(v);
    }

private:
    const mmd::PMXHeader& m_header;
    ByteWriter m_out;
};

template <typename List, typename Fn>
void WriteList(ByteWriter& out, const List& list, Fn&& write) {
    out.I32(static_cast<int32_t>(list.size()));
    for (const auto& item : list) write(item);
}

uint8_t ObjectWidth(size_t count) { return count <= 255 ? 1 : count <= 65535 ? 2 : 4; }
uint8_t VertexWidth(size_t count) { return count <= 256 ? 1 : count <= 65536 ? 2 : 4; }

}  // namespace

std::vector<uint8_t> PmxWriter::Write(const mmd::PMXFileData& data) {
    Writer w(data.m_header);
    ByteWriter& out = w.Out();
    w.Header();
    w.Text(data.m_info.m_modelName), w.Text(data.m_info.m_englishModelName);
    w.Text(data.m_info.m_comment), w.Text(data.m_info.m_englishComment);
    WriteList(out, data.m_vertices, [&](const mmd::PMXVertex& v) { w.Vertex(v); });
    out.I32(static_cast<int32_t>(data.m_faces.size() * 3));
    for (const mmd::PMXFace& face : data.m_faces) {
        for (uint32_t index : face.m_vertices) w.VertexIndex(index);
    }
    WriteList(out, data.m_textures, [&](const std::string& t) { w.Text(t); });
    WriteList(out, data.m_materials, [&](const mmd::PMXMaterial& m) { w.Material(m); });
    WriteList(out, data.m_bones, [&](const mmd::PMXBone& b) { w.BoneRecord(b); });
    WriteList(out, data.m_morphs, [&](const mmd::PMXMorphRecord& m) { w.MorphRecord(m); });
    WriteList(out, data.m_displayFrames, [&](const mmd::PMXDisplayFrame& f) { w.DisplayFrame(f); });
    WriteList(out, data.m_rigidBodies, [&](const mmd::PMXRigidBody& r) { w.RigidBodyRecord(r); });
    WriteList(out, data.m_joints, [&](const mmd::PMXJoint& j) { w.Joint(j); });
    if (data.m_header.m_version >= 2.05f) {
        WriteList(out, data.m_softBodies, [&](const mmd::SoftBodyRecord& s) { w.SoftBody(s); });
    }
    return out.Bytes();
}

bool PmxWriter::WriteFile(const mmd::PMXFileData& data, const std::string& path) {
    return WriteBytesToFile(Write(data), path);
}

void PmxWriter::FitIndexSizes(mmd::PMXFileData& data) {
    mmd::PMXHeader& h = data.m_header;
    h.m_vertexIndexSize = VertexWidth(data.m_vertices.size());
    h.m_textureIndexSize = ObjectWidth(data.m_textures.size());
    h.m_materialIndexSize = ObjectWidth(data.m_materials.size());
    h.m_boneIndexSize = ObjectWidth(data.m_bones.size());
    h.m_morphIndexSize = ObjectWidth(data.m_morphs.size());
    h.m_rigidBodyIndexSize = ObjectWidth(data.m_rigidBodies.size());
}

}  // namespace mmd

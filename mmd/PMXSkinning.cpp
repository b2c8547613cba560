#include "mmd/PMXSkinning.h"

#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>

#include <cmath>

namespace mmd {

namespace {

// Writes M·(p, 1) and normalize(mat3(M)·n) for the affine matrix given by its columns.
inline void WriteAffine(const glm::vec4& c0, const glm::vec4& c1, const glm::vec4& c2, const glm::vec4& c3,
                        const glm::vec3& p, const glm::vec3& n, glm::vec3& outPosition, glm::vec3& outNormal) {
    outPosition = glm::vec3(c0 * p.x + c1 * p.y + c2 * p.z + c3);
    outNormal = glm::normalize(glm::vec3(c0 * n.x + c1 * n.y + c2 * n.z));
}

// Weighted sum of up to four skin matrices; slots without a bone add nothing.
template <int kSlots>
inline void SkinLinear(const VertexBoneInfo& info, const glm::mat4* skin, const glm::vec3& p, const glm::vec3& n,
                       glm::vec3& outPosition, glm::vec3& outNormal) {
    glm::vec4 c0(0.0f);
    glm::vec4 c1(0.0f);
    glm::vec4 c2(0.0f);
    glm::vec4 c3(0.0f);
    for (int k = 0; k < kSlots; ++k) {
        const int32_t bone = info.m_boneIndex[k];
        if (bone < 0) {
            continue;
        }
        const glm::mat4& m = skin[bone];
        const float w = info.m_boneWeight[k];
        c0 += m[0] * w;
        c1 += m[1] * w;
        c2 += m[2] * w;
        c3 += m[3] * w;
    }
    WriteAffine(c0, c1, c2, c3, p, n, outPosition, outNormal);
}

inline void SkinQDEF(const VertexBoneInfo& info, const DualQuat* dualQuats, const glm::vec3& p, const glm::vec3& n,
                     glm::vec3& outPosition, glm::vec3& outNormal) {
    glm::quat real(0.0f, 0.0f, 0.0f, 0.0f);
    glm::quat dual(0.0f, 0.0f, 0.0f, 0.0f);
    const glm::quat* reference = nullptr;
    for (int k = 0; k < 4; ++k) {
        const int32_t bone = info.m_boneIndex[k];
        if (bone < 0) {
            continue;
        }
        const DualQuat& dq = dualQuats[bone];
        float w = info.m_boneWeight[k];
        // Blend on the reference's hemisphere so that q and -q (the same rotation) do not cancel.
        if (reference == nullptr) {
            reference = &dq.m_real;
        } else if (glm::dot(dq.m_real, *reference) < 0.0f) {
            w = -w;
        }
        real = real + dq.m_real * w;
        dual = dual + dq.m_dual * w;
    }
    const float len = glm::length(real);
    if (!(len > 1.0e-12f)) {
        outPosition = p;
        outNormal = glm::normalize(n);
        return;
    }
    real = real / len;
    dual = dual / len;
    const glm::mat3 r = glm::mat3_cast(real);
    const glm::quat t = dual * glm::conjugate(real);
    outPosition = r * p + 2.0f * glm::vec3(t.x, t.y, t.z);
    outNormal = glm::normalize(r * n);
}

}  // namespace

glm::quat RotationFromMatrix(const glm::mat4& m) {
    // R(row, col) = m[col][row].
    const float r00 = m[0][0], r11 = m[1][1], r22 = m[2][2];
    const float trace = r00 + r11 + r22;
    glm::quat q;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;
        q.w = 0.25f * s;
        q.x = (m[1][2] - m[2][1]) / s;
        q.y = (m[2][0] - m[0][2]) / s;
        q.z = (m[0][1] - m[1][0]) / s;
    } else if (r00 > r11 && r00 > r22) {
        const float s = std::sqrt(1.0f + r00 - r11 - r22) * 2.0f;
        q.w = (m[1][2] - m[2][1]) / s;
        q.x = 0.25f * s;
        q.y = (m[1][0] + m[0][1]) / s;
        q.z = (m[2][0] + m[0][2]) / s;
    } else if (r11 > r22) {
        const float s = std::sqrt(1.0f + r11 - r00 - r22) * 2.0f;
        q.w = (m[2][0] - m[0][2]) / s;
        q.x = (m[1][0] + m[0][1]) / s;
        q.y = 0.25f * s;
        q.z = (m[2][1] + m[1][2]) / s;
    } else {
        const float s = std::sqrt(1.0f + r22 - r00 - r11) * 2.0f;
        q.w = (m[0][1] - m[1][0]) / s;
        q.x = (m[2][0] + m[0][2]) / s;
        q.y = (m[2][1] + m[1][2]) / s;
        q.z = 0.25f * s;
    }
    return q;
}

DualQuat DualQuatFromMatrix(const glm::mat4& m) {
    DualQuat dq;
    const glm::quat r = RotationFromMatrix(m);
    const glm::quat t(0.0f, m[3][0], m[3][1], m[3][2]);
    const glm::quat d = (t * r) * 0.5f;
    const float len = glm::length(r);
    dq.m_real = r / len;
    dq.m_dual = d / len;
    return dq;
}

void SkinVertices(const SkinningInput& in, const SkinningOutput& out, size_t begin, size_t count) {
    const glm::mat4* skin = in.m_skinTransforms;
    const size_t end = begin + count;
    for (size_t i = begin; i < end; ++i) {
        glm::vec3 p = in.m_positions[i];
        if (in.m_morphPositions != nullptr) {
            p += in.m_morphPositions[i];
        }
        const glm::vec3& n = in.m_normals[i];
        const VertexBoneInfo& info = in.m_boneInfos[i];
        glm::vec3& outPosition = out.m_positions[i];
        glm::vec3& outNormal = out.m_normals[i];
        switch (info.m_skinningType) {
            case VertexBoneInfo::SkinningType::BDEF1: {
                const int32_t bone = info.m_boneIndex[0];
                if (bone < 0) {
                    outPosition = p;
                    outNormal = glm::normalize(n);
                } else {
                    const glm::mat4& m = skin[bone];
                    WriteAffine(m[0], m[1], m[2], m[3], p, n, outPosition, outNormal);
                }
                break;
            }
            case VertexBoneInfo::SkinningType::BDEF2:
                SkinLinear<2>(info, skin, p, n, outPosition, outNormal);
                break;
            case VertexBoneInfo::SkinningType::BDEF4:
                SkinLinear<4>(info, skin, p, n, outPosition, outNormal);
                break;
            case VertexBoneInfo::SkinningType::SDEF: {
                const int32_t b0 = info.m_boneIndex[0];
                const int32_t b1 = info.m_boneIndex[1];
                const float w0 = info.m_boneWeight[0];
                const float w1 = info.m_boneWeight[1];
                const SdefParams& sdef = in.m_sdefParams[info.m_boneIndex[2]];
                const glm::mat3 r = glm::mat3_cast(glm::slerp(in.m_boneRotations[b0], in.m_boneRotations[b1], w1));
                const glm::vec3 p0(skin[b0] * glm::vec4(sdef.m_cr0, 1.0f));
                const glm::vec3 p1(skin[b1] * glm::vec4(sdef.m_cr1, 1.0f));
                outPosition = r * (p - sdef.m_c) + p0 * w0 + p1 * w1;
                outNormal = r * n;
                break;
            }
            case VertexBoneInfo::SkinningType::QDEF:
                SkinQDEF(info, in.m_boneDualQuats, p, n, outPosition, outNormal);
                break;
        }
    }
    if (out.m_uvs == nullptr) {
        return;
    }
    for (size_t i = begin; i < end; ++i) {
        glm::vec2 uv = in.m_uvs[i];
        if (in.m_morphUVs != nullptr) {
            uv += glm::vec2(in.m_morphUVs[i]);
        }
        out.m_uvs[i] = uv;
    }
}

}  // namespace mmd

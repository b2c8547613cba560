#include "support/SkinningReference.h"

#include <glm/gtc/quaternion.hpp>

namespace mnx::test {

namespace {

glm::vec3 FlipZ(const glm::vec3& v) { return {v.x, v.y, -v.z}; }

// Dual quaternion of a rigid matrix.
void ToDualQuat(const glm::mat4& m, glm::quat& real, glm::quat& dual) {
    real = glm::normalize(glm::quat_cast(glm::mat3(m)));
    const glm::quat t(0.0f, m[3][0], m[3][1], m[3][2]);
    dual = (t * real) * 0.5f;
}

}  // namespace

SkinningReference::Result SkinningReference::Skin(const mmd::PMXFileData& pmx, const std::vector<glm::mat4>& globals,
                                                  const std::vector<glm::mat4>& inverseInits,
                                                  const std::vector<glm::vec3>& morphOffsets) {
    Result r;
    std::vector<glm::mat4> skin(globals.size());
    for (size_t i = 0; i < globals.size(); ++i) {
        skin[i] = globals[i] * inverseInits[i];
    }
    for (size_t i = 0; i < pmx.m_vertices.size(); ++i) {
        const mmd::PMXVertex& v = pmx.m_vertices[i];
        glm::vec3 p = FlipZ(v.m_position);
        if (!morphOffsets.empty()) {
            p += morphOffsets[i];
        }
        const glm::vec3 n = FlipZ(v.m_normal);
        glm::vec3 position;
        glm::vec3 normal;
        const auto& b = v.m_boneIndices;
        const auto& w = v.m_boneWeights;
        if (v.m_weightType == mmd::PMXVertexWeight::SDEF) {
            const float w0 = w[0];
            const float w1 = 1.0f - w0;
            const glm::vec3 c = FlipZ(v.m_sdefC);
            const glm::vec3 r0 = FlipZ(v.m_sdefR0);
            const glm::vec3 r1 = FlipZ(v.m_sdefR1);
            const glm::vec3 rw = r0 * w0 + r1 * w1;
            const glm::vec3 cr0 = (c + (c + r0 - rw)) * 0.5f;
            const glm::vec3 cr1 = (c + (c + r1 - rw)) * 0.5f;
            const glm::quat q0 = glm::quat_cast(glm::mat3(globals[b[0]]));
            const glm::quat q1 = glm::quat_cast(glm::mat3(globals[b[1]]));
            const glm::mat3 rot = glm::mat3_cast(glm::slerp(q0, q1, w1));
            position = rot * (p - c) + w0 * glm::vec3(skin[b[0]] * glm::vec4(cr0, 1.0f)) +
                       w1 * glm::vec3(skin[b[1]] * glm::vec4(cr1, 1.0f));
            normal = rot * n;
        } else if (v.m_weightType == mmd::PMXVertexWeight::QDEF) {
            glm::quat realSum(0.0f, 0.0f, 0.0f, 0.0f);
            glm::quat dualSum(0.0f, 0.0f, 0.0f, 0.0f);
            glm::quat first(1.0f, 0.0f, 0.0f, 0.0f);
            bool haveFirst = false;
            for (int k = 0; k < 4; ++k) {
                if (b[k] < 0) continue;
                glm::quat real;
                glm::quat dual;
                ToDualQuat(skin[b[k]], real, dual);
                float weight = w[k];
                if (!haveFirst) {
                    first = real;
                    haveFirst = true;
                } else if (glm::dot(real, first) < 0.0f) {
                    weight = -weight;
                }
                realSum = realSum + real * weight;
                dualSum = dualSum + dual * weight;
            }
            const float len = glm::length(realSum);
            realSum = realSum / len;
            dualSum = dualSum / len;
            const glm::quat t = (dualSum * glm::conjugate(realSum)) * 2.0f;
            glm::mat4 m = glm::mat4_cast(realSum);
            m[3] = glm::vec4(t.x, t.y, t.z, 1.0f);
            position = glm::vec3(m * glm::vec4(p, 1.0f));
            normal = glm::normalize(glm::mat3(m) * n);
        } else {
            glm::mat4 m(0.0f);
            if (v.m_weightType == mmd::PMXVertexWeight::BDEF1) {
                m = b[0] < 0 ? glm::mat4(1.0f) : skin[b[0]];
            } else if (v.m_weightType == mmd::PMXVertexWeight::BDEF2) {
                if (b[0] >= 0) m += skin[b[0]] * w[0];
                if (b[1] >= 0) m += skin[b[1]] * (1.0f - w[0]);
            } else {
                for (int k = 0; k < 4; ++k) {
                    if (b[k] >= 0) m += skin[b[k]] * w[k];
                }
            }
            position = glm::vec3(m * glm::vec4(p, 1.0f));
            normal = glm::normalize(glm::mat3(m) * n);
        }
        r.positions.push_back(position);
        r.normals.push_back(normal);
        r.uvs.push_back(glm::vec2(v.m_uv.x, 1.0f - v.m_uv.y));
    }
    return r;
}

}  // namespace mnx::test

#include "mmd/MMDIkSolver.h"

#include "mmd/MMDNode.h"

#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_access.hpp>

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace mmd {

namespace {

const glm::quat kIdentity(1.0f, 0.0f, 0.0f, 0.0f);

glm::vec3 Position(const MMDNode* node) { return glm::vec3(node->GetGlobalTransform()[3]); }

// Direction from the node's origin to a model-space point, in the node's own frame. False when the point sits on the
// origin (no direction) or the transform is not finite.
bool DirectionInNode(const glm::mat4& inverseGlobal, const glm::vec3& point, glm::vec3& out) {
    const glm::vec3 v(inverseGlobal * glm::vec4(point, 1.0f));
    const float len = glm::length(v);
    if (!(len > 1.0e-12f) || !std::isfinite(len)) {
        return false;
    }
    out = v / len;
    return true;
}

float SafeAsin(float v) { return std::asin(std::clamp(v, -1.0f, 1.0f)); }

// Clamp that tolerates lo > hi (limits come from files): the upper bound wins.
float ClampLoose(float v, float lo, float hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

MMDIkSolver::MMDIkSolver() = default;

const std::string& MMDIkSolver::GetName() const {
    static const std::string kEmpty;
    return m_ikNode != nullptr ? m_ikNode->GetName() : kEmpty;
}

void MMDIkSolver::AddIKChain(MMDNode* node) {
    if (node == nullptr) {
        return;
    }
    IKChain chain;
    chain.node = node;
    m_chains.push_back(chain);
}

void MMDIkSolver::AddIKChain(MMDNode* node, const glm::vec3& limitMin, const glm::vec3& limitMax) {
    if (node == nullptr) {
        return;
    }
    IKChain chain;
    chain.node = node;
    chain.enableAxisLimit = true;
    chain.limitMin = limitMin;
    chain.limitMax = limitMax;
    m_chains.push_back(chain);
}

void MMDIkSolver::Solve() {
    if (!m_enable || m_ikNode == nullptr || m_ikTarget == nullptr) {
        return;
    }
    for (IKChain& chain : m_chains) {
        chain.prevAngle = glm::vec3(0.0f);
        chain.planeModeAngle = 0.0f;
        // The best pose must come from this solve: a first iteration that cannot be measured (non-finite positions)
        // falls back to the unrotated links, not to a pose saved in an earlier frame.
        chain.saveIKRot = kIdentity;
        chain.node->SetIKRotate(kIdentity);
        chain.node->UpdateLocalTransform();
        chain.node->UpdateGlobalTransform();
    }
    if (m_iterateCount <= 0) {
        return;
    }
    float maxDist = FLT_MAX;
    for (int32_t i = 0; i < m_iterateCount; ++i) {
        SolveCore(i);
        const float dist = glm::length(Position(m_ikTarget) - Position(m_ikNode));
        if (dist < maxDist) {
            maxDist = dist;
            for (IKChain& chain : m_chains) {
                chain.saveIKRot = chain.node->GetIKRotate();
            }
        } else {
            for (IKChain& chain : m_chains) {
                chain.node->SetIKRotate(chain.saveIKRot);
                chain.node->UpdateLocalTransform();
                chain.node->UpdateGlobalTransform();
            }
            break;
        }
    }
}

void MMDIkSolver::SolveCore(int32_t iteration) {
    const glm::vec3 ikPos = Position(m_ikNode);
    for (IKChain& chain : m_chains) {
        MMDNode* node = chain.node;
        if (node == m_ikTarget) {
            continue;
        }
        if (chain.enableAxisLimit) {
            const glm::vec3& mn = chain.limitMin;
            const glm::vec3& mx = chain.limitMax;
            // An axis has a range when either bound is non-zero and has none when either bound is zero; a bound
            // pair like (0, 180°) counts as both, which is what lets knees limited to one side use plane mode.
            const bool rangeX = mn.x != 0.0f || mx.x != 0.0f;
            const bool rangeY = mn.y != 0.0f || mx.y != 0.0f;
            const bool rangeZ = mn.z != 0.0f || mx.z != 0.0f;
            const bool noneX = mn.x == 0.0f || mx.x == 0.0f;
            const bool noneY = mn.y == 0.0f || mx.y == 0.0f;
            const bool noneZ = mn.z == 0.0f || mx.z == 0.0f;
            if (rangeX && noneY && noneZ) {
                SolvePlane(iteration, chain, SolveAxis::X);
                continue;
            }
            if (rangeY && noneX && noneZ) {
                SolvePlane(iteration, chain, SolveAxis::Y);
                continue;
            }
            if (rangeZ && noneX && noneY) {
                SolvePlane(iteration, chain, SolveAxis::Z);
                continue;
            }
        }

        const glm::vec3 targetPos = Position(m_ikTarget);
        const glm::mat4 inv = glm::inverse(node->GetGlobalTransform());
        glm::vec3 ikVec;
        glm::vec3 targetVec;
        if (!DirectionInNode(inv, ikPos, ikVec) || !DirectionInNode(inv, targetPos, targetVec)) {
            continue;
        }
        float angle = std::acos(std::clamp(glm::dot(targetVec, ikVec), -1.0f, 1.0f));
        if (glm::degrees(angle) < 0.1f) {
            continue;
        }
        angle = std::min(angle, m_limitAngle);
        const glm::vec3 cross = glm::cross(targetVec, ikVec);
        const float crossLen = glm::length(cross);
        if (!(crossLen > 1.0e-12f)) {
            continue;  // target and goal exactly opposite: no defined axis, other links or iterations move first
        }
        const glm::quat rot = glm::angleAxis(angle, cross / crossLen);
        const glm::quat animRot = node->GetAnimationRotate() * node->GetRotate();
        glm::quat chainRot = node->GetIKRotate() * animRot * rot;
        if (chain.enableAxisLimit) {
            const glm::vec3 euler = Decompose(glm::mat3_cast(chainRot), chain.prevAngle);
            glm::vec3 c = glm::clamp(euler, chain.limitMin, chain.limitMax);
            c = chain.prevAngle + glm::clamp(c - chain.prevAngle, glm::vec3(-m_limitAngle), glm::vec3(m_limitAngle));
            const glm::quat r = glm::angleAxis(c.x, glm::vec3(1, 0, 0)) * glm::angleAxis(c.y, glm::vec3(0, 1, 0)) *
                                glm::angleAxis(c.z, glm::vec3(0, 0, 1));
            chain.prevAngle = c;
            chainRot = glm::quat_cast(glm::mat3_cast(r));
        }
        node->SetIKRotate(chainRot * glm::inverse(animRot));
        node->UpdateLocalTransform();
        node->UpdateGlobalTransform();
    }
}

void MMDIkSolver::SolvePlane(int32_t iteration, IKChain& chain, SolveAxis axis) {
    int axisIndex = 0;
    glm::vec3 rotateAxis(1.0f, 0.0f, 0.0f);
    if (axis == SolveAxis::Y) {
        axisIndex = 1;
        rotateAxis = glm::vec3(0.0f, 1.0f, 0.0f);
    } else if (axis == SolveAxis::Z) {
        axisIndex = 2;
        rotateAxis = glm::vec3(0.0f, 0.0f, 1.0f);
    }
    const float limitMin = chain.limitMin[axisIndex];
    const float limitMax = chain.limitMax[axisIndex];
    MMDNode* node = chain.node;

    const glm::vec3 ikPos = Position(m_ikNode);
    const glm::vec3 targetPos = Position(m_ikTarget);
    const glm::mat4 inv = glm::inverse(node->GetGlobalTransform());
    glm::vec3 ikVec;
    glm::vec3 targetVec;
    if (!DirectionInNode(inv, ikPos, ikVec) || !DirectionInNode(inv, targetPos, targetVec)) {
        return;
    }
    float angle = std::acos(std::clamp(glm::dot(targetVec, ikVec), -1.0f, 1.0f));
    angle = ClampLoose(angle, -m_limitAngle, m_limitAngle);

    const glm::vec3 targetVec1 = glm::angleAxis(angle, rotateAxis) * targetVec;
    const glm::vec3 targetVec2 = glm::angleAxis(-angle, rotateAxis) * targetVec;
    const float d1 = glm::dot(targetVec1, ikVec);
    const float d2 = glm::dot(targetVec2, ikVec);
    float newAngle = chain.planeModeAngle + (d1 > d2 ? angle : -angle);

    // In the first iteration a bend the wrong way is mirrored, so a straight limb starts bending the allowed way.
    if (iteration == 0 && (newAngle < limitMin || newAngle > limitMax)) {
        if (-newAngle > limitMin && -newAngle < limitMax) {
            newAngle = -newAngle;
        } else {
            const float half = (limitMin + limitMax) * 0.5f;
            if (std::abs(half - newAngle) > std::abs(half + newAngle)) {
                newAngle = -newAngle;
            }
        }
    }
    newAngle = ClampLoose(newAngle, limitMin, limitMax);
    chain.planeModeAngle = newAngle;

    const glm::quat animRot = node->GetAnimationRotate() * node->GetRotate();
    node->SetIKRotate(glm::angleAxis(newAngle, rotateAxis) * glm::inverse(animRot));
    node->UpdateLocalTransform();
    node->UpdateGlobalTransform();
}

glm::vec3 MMDIkSolver::Decompose(const glm::mat3& m, const glm::vec3& before) {
    const float pi = glm::pi<float>();
    const float sy = -m[0][2];
    const float e = 1.0e-6f;
    glm::vec3 r(0.0f);
    if (std::abs(sy) > 1.0f - e) {
        r.y = SafeAsin(sy);
        if (std::abs(std::sin(before.x)) < std::abs(std::sin(before.z))) {
            if (std::cos(before.x) > 0.0f) {
                r.x = 0.0f;
                r.z = SafeAsin(-m[1][0]);
            } else {
                r.x = pi;
                r.z = SafeAsin(m[1][0]);
            }
        } else {
            if (std::cos(before.z) > 0.0f) {
                r.z = 0.0f;
                r.x = SafeAsin(-m[2][1]);
            } else {
                r.z = pi;
                r.x = SafeAsin(m[2][1]);
            }
        }
    } else {
        r.x = std::atan2(m[1][2], m[2][2]);
        r.y = SafeAsin(sy);
        r.z = std::atan2(m[0][1], m[0][0]);
    }

    const auto cost = [&before](const glm::vec3& c) {
        return std::abs(DiffAngle(c.x, before.x)) + std::abs(DiffAngle(c.y, before.y)) +
               std::abs(DiffAngle(c.z, before.z));
    };
    glm::vec3 best = r;
    float bestCost = cost(r);
    const float xs[2] = {r.x + pi, r.x - pi};
    const float ys[2] = {pi - r.y, -pi - r.y};
    const float zs[2] = {r.z + pi, r.z - pi};
    for (float x : xs) {
        for (float y : ys) {
            for (float z : zs) {
                const glm::vec3 candidate(x, y, z);
                const float c = cost(candidate);
                if (c < bestCost) {
                    bestCost = c;
                    best = candidate;
                }
            }
        }
    }
    return best;
}

float MMDIkSolver::DiffAngle(float a, float b) {
    const float twoPi = glm::two_pi<float>();
    const auto wrap = [twoPi](float v) {
        v = std::fmod(v, twoPi);
        return v < 0.0f ? v + twoPi : v;
    };
    float d = wrap(a) - wrap(b);
    if (d > glm::pi<float>()) {
        d -= twoPi;
    } else if (d < -glm::pi<float>()) {
        d += twoPi;
    }
    return d;
}

}  // namespace mmd

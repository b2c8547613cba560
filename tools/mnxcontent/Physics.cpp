#include <algorithm>
#include <cmath>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

#include "Character.h"

namespace mnxc {
namespace {

// Collision groups: the body parts that follow their bones, and the two kinds of cloth-like parts. Hair and skirt
// collide with the body only; bodies of one chain never touch each other, so the joints alone shape the chain.
constexpr uint8_t kBodyGroup = 0;
constexpr uint8_t kHairGroup = 1;
constexpr uint8_t kSkirtGroup = 2;
constexpr uint16_t GroupBit(uint8_t group) { return static_cast<uint16_t>(1u << group); }

// A capsule's axis is its local +Y. Euler angles (rotation order Y, X, Z) that turn +Y onto `direction`.
glm::vec3 AlignY(const glm::vec3& direction) {
    const glm::vec3 d = glm::normalize(direction);
    const float tilt = std::acos(std::clamp(d.y, -1.0f, 1.0f));
    const float heading = std::atan2(d.x, d.z);
    return glm::vec3(tilt, heading, 0.0f);
}

struct BodyParams {
    uint8_t group = kBodyGroup;
    uint16_t mask = 0;
    mmd::PMXRigidBodyOperation operation = mmd::PMXRigidBodyOperation::FollowBone;
    float mass = 1.0f;
    float linearDamping = 0.5f;
    float angularDamping = 0.5f;
};

class PhysicsBuilder {
public:
    PhysicsBuilder(Rig& rig, mmd::PMXFileData& pmx) : m_rig(rig), m_pmx(pmx) {}

    // A capsule of `radius` between two points, attached to `bone`. Returns the body index.
    int32_t Capsule(const std::string& name, int32_t bone, const glm::vec3& from, const glm::vec3& to, float radius,
                    const BodyParams& params) {
        mmd::PMXRigidBody body = Base(name, bone, params);
        body.m_shape = mmd::PMXRigidBodyShape::Capsule;
        const float length = glm::length(to - from);
        body.m_shapeSize = glm::vec3(radius, std::max(length - 2.0f * radius, 0.05f), 0.0f);
        body.m_position = (from + to) * 0.5f;
        body.m_rotation = AlignY(to - from);
        return Push(std::move(body));
    }

    int32_t Sphere(const std::string& name, int32_t bone, const glm::vec3& centre, float radius,
                   const BodyParams& params) {
        mmd::PMXRigidBody body = Base(name, bone, params);
        body.m_shape = mmd::PMXRigidBodyShape::Sphere;
        body.m_shapeSize = glm::vec3(radius, 0.0f, 0.0f);
        body.m_position = centre;
        return Push(std::move(body));
    }

    // A ball-like joint at `at` without translation, its frame turned by `heading` about +Y; rotation limits in
    // that frame, pulled back toward the rest pose by `spring`.
    void Joint(const std::string& name, int32_t bodyA, int32_t bodyB, const glm::vec3& at, float heading,
               const glm::vec3& lower, const glm::vec3& upper, float spring) {
        mmd::PMXJoint joint;
        joint.m_name = name;
        joint.m_englishName = name;
        joint.m_rigidBodyA = bodyA;
        joint.m_rigidBodyB = bodyB;
        joint.m_position = at;
        joint.m_rotation = glm::vec3(0.0f, heading, 0.0f);
        joint.m_rotationLowerLimit = lower;
        joint.m_rotationUpperLimit = upper;
        joint.m_springRotation = glm::vec3(spring);
        m_pmx.m_joints.push_back(std::move(joint));
    }

    // Symmetric limits: ±`swing` about X and Z, ±`twist` about Y.
    void Joint(const std::string& name, int32_t bodyA, int32_t bodyB, const glm::vec3& at, float swing, float twist,
               float spring) {
        Joint(name, bodyA, bodyB, at, 0.0f, glm::vec3(-swing, -twist, -swing), glm::vec3(swing, twist, swing), spring);
    }

    int32_t Find(const std::string& name) const {
        for (size_t i = 0; i < m_pmx.m_rigidBodies.size(); ++i) {
            if (m_pmx.m_rigidBodies[i].m_name == name) return static_cast<int32_t>(i);
        }
        return -1;
    }

private:
    mmd::PMXRigidBody Base(const std::string& name, int32_t bone, const BodyParams& params) const {
        mmd::PMXRigidBody body;
        body.m_name = name;
        body.m_englishName = m_rig.Bone(bone).m_englishName;
        body.m_boneIndex = bone;
        body.m_group = params.group;
        body.m_collisionMask = params.mask;
        body.m_operation = params.operation;
        body.m_mass = params.mass;
        body.m_translationDamping = params.linearDamping;
        body.m_rotationDamping = params.angularDamping;
        body.m_restitution = 0.0f;
        body.m_friction = 0.5f;
        return body;
    }

    int32_t Push(mmd::PMXRigidBody body) {
        m_pmx.m_rigidBodies.push_back(std::move(body));
        return static_cast<int32_t>(m_pmx.m_rigidBodies.size() - 1);
    }

    Rig& m_rig;
    mmd::PMXFileData& m_pmx;
};

// The parts hair and skirt rest against. Slightly slimmer than the skin, so nothing overlaps in the rest pose.
void BodyColliders(PhysicsBuilder& b, Rig& rig) {
    BodyParams follow;
    follow.mask = GroupBit(kHairGroup) | GroupBit(kSkirtGroup);
    b.Sphere("頭", rig["頭"], anatomy::kHeadCentre, 2.0f, follow);
    b.Capsule("上半身", rig["上半身"], glm::vec3(0.0f, 11.7f, 0.2f), glm::vec3(0.0f, 12.9f, 0.2f), 1.0f, follow);
    b.Capsule("上半身2", rig["上半身2"], glm::vec3(0.0f, 12.9f, 0.25f), glm::vec3(0.0f, 14.3f, 0.25f), 1.1f, follow);
    b.Capsule("下半身", rig["下半身"], glm::vec3(-0.45f, 10.4f, 0.15f), glm::vec3(0.45f, 10.4f, 0.15f), 0.9f, follow);
    for (int side : {1, -1}) {
        const std::string s = SideName(side);
        auto bonePos = [&](const char* name) { return rig.Position(s + name); };
        b.Capsule(s + "腕", rig[s + "腕"], bonePos("腕"), bonePos("ひじ"), 0.4f, follow);
        b.Capsule(s + "ひじ", rig[s + "ひじ"], bonePos("ひじ"), bonePos("手首"), 0.33f, follow);
        b.Capsule(s + "足", rig[s + "足"], bonePos("足"), bonePos("ひざ"), 0.6f, follow);
        b.Capsule(s + "ひざ", rig[s + "ひざ"], bonePos("ひざ"), bonePos("足首"), 0.45f, follow);
    }
}

// Each tail hangs from a bone-following root body; the rest of the chain swings on joints.
void HairChains(PhysicsBuilder& b, Rig& rig) {
    BodyParams root;
    root.group = kHairGroup;
    root.mask = GroupBit(kBodyGroup);
    BodyParams swing = root;
    swing.operation = mmd::PMXRigidBodyOperation::DynamicWithBonePosition;
    swing.mass = 0.5f;
    swing.linearDamping = 0.9f;
    swing.angularDamping = 0.95f;
    for (int side : {1, -1}) {
        int32_t previous = -1;
        for (int k = 1; k <= kHairTailBones; ++k) {
            const int32_t bone = rig[HairBoneName(side, k)];
            const mmd::PMXBone& record = rig.Bone(bone);
            const glm::vec3 from = record.m_position;
            const glm::vec3 to = k < kHairTailBones ? rig.Position(HairBoneName(side, k + 1)) : from + record.m_tailOffset;
            const int32_t body = b.Capsule(HairBoneName(side, k), bone, from, to, 0.3f, k == 1 ? root : swing);
            if (previous >= 0) {
                b.Joint(HairBoneName(side, k), previous, body, from, glm::radians(35.0f), glm::radians(8.0f), 4.0f);
            }
            previous = body;
        }
    }
}

// The skirt's centre line (its columns sit round it).
constexpr float kSkirtAxisZ = 0.15f;

// Two rows of skirt bodies per column, hanging from the lower body.
void SkirtChains(PhysicsBuilder& b, Rig& rig) {
    BodyParams cloth;
    cloth.group = kSkirtGroup;
    cloth.mask = GroupBit(kBodyGroup);
    cloth.operation = mmd::PMXRigidBodyOperation::DynamicWithBonePosition;
    cloth.mass = 0.4f;
    cloth.linearDamping = 0.9f;
    cloth.angularDamping = 0.95f;
    const int32_t hips = b.Find("下半身");
    for (int c = 0; c < kSkirtColumns; ++c) {
        int32_t previous = hips;
        for (int r = 0; r < kSkirtRows; ++r) {
            const int32_t bone = rig[SkirtBoneName(c, r)];
            const glm::vec3 from = rig.Position(bone);
            const glm::vec3 to = rig.Position(SkirtBoneName(c, r + 1));
            const int32_t body = b.Capsule(SkirtBoneName(c, r), bone, from, to, 0.25f, cloth);
            // The joint frame faces out of the column (local +Z radial, +X along the hem), so the limits can let
            // the cloth swing out and sideways while it barely folds in: gravity alone would pull the flared skirt
            // into a narrow tube.
            const float heading = std::atan2(from.x, -(from.z - kSkirtAxisZ));
            const float frameHeading = glm::pi<float>() - heading;
            const float out = glm::radians(r == 0 ? 55.0f : 40.0f);
            const float in = glm::radians(3.0f);
            const float side = glm::radians(r == 0 ? 12.0f : 18.0f);
            b.Joint(SkirtBoneName(c, r), previous, body, from, frameHeading, glm::vec3(-in, -glm::radians(4.0f), -side),
                    glm::vec3(out, glm::radians(4.0f), side), 60.0f);
            previous = body;
        }
    }
}

}  // namespace

void BuildPhysics(Rig& rig, mmd::PMXFileData& pmx) {
    PhysicsBuilder builder(rig, pmx);
    BodyColliders(builder, rig);
    HairChains(builder, rig);
    SkirtChains(builder, rig);
}

}  // namespace mnxc

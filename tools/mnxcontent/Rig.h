#pragma once

#include <cstdint>
#include <array>
#include <map>
#include <string>
#include <vector>

#include <glm/vec3.hpp>

#include "mmd/PMXFile.h"

namespace mnxc {

// Bone positions of the sample character's left side and centre line, PMX file frame (left-handed, the character
// faces -Z, its left is +X). The right side mirrors X.
namespace anatomy {
inline const glm::vec3 kCenter{0.0f, 8.0f, 0.0f};
inline const glm::vec3 kUpperBody{0.0f, 11.6f, 0.15f};
inline const glm::vec3 kUpperBody2{0.0f, 12.9f, 0.15f};
inline const glm::vec3 kNeck{0.0f, 14.75f, 0.25f};
inline const glm::vec3 kHead{0.0f, 16.0f, 0.15f};
inline const glm::vec3 kBothEyes{0.0f, 18.6f, -1.6f};
inline const glm::vec3 kEye{0.56f, 16.72f, -0.95f};
inline const glm::vec3 kShoulder{0.3f, 14.55f, 0.25f};
inline const glm::vec3 kArm{1.4f, 14.45f, 0.3f};
inline const glm::vec3 kElbow{3.1f, 12.65f, 0.35f};
inline const glm::vec3 kWrist{4.6f, 11.05f, 0.25f};
inline const glm::vec3 kLowerBody{0.0f, 11.6f, 0.15f};
inline const glm::vec3 kLeg{0.85f, 10.3f, 0.15f};
inline const glm::vec3 kKnee{0.95f, 5.75f, 0.0f};
inline const glm::vec3 kAnkle{1.05f, 1.25f, 0.35f};
inline const glm::vec3 kToe{1.1f, 0.1f, -1.25f};
// Head sphere centre; the face features sit on its front.
inline const glm::vec3 kHeadCentre{0.0f, 17.1f, 0.0f};
}  // namespace anatomy

// The bone list of PMX data under construction, addressed by name.
class Rig {
public:
    explicit Rig(mmd::PMXFileData& pmx) : m_pmx(pmx) {}

    // Appends a bone; the parent (-1 none) must exist. Returns its index.
    int32_t Add(const std::string& name, const std::string& englishName, const glm::vec3& position, int32_t parent,
                uint16_t flags, int32_t deformDepth = 0);
    // Index of a bone that must exist.
    int32_t operator[](const std::string& name) const;
    // -1 when there is no such bone.
    int32_t Find(const std::string& name) const;
    // The bone on the other side: "左…" maps to "右…" and back; other bones map to themselves.
    int32_t Mirror(int32_t bone) const;
    mmd::PMXBone& Bone(int32_t index) { return m_pmx.m_bones[index]; }
    const glm::vec3& Position(int32_t index) const { return m_pmx.m_bones[index].m_position; }
    const glm::vec3& Position(const std::string& name) const { return Position((*this)[name]); }

private:
    mmd::PMXFileData& m_pmx;
    std::map<std::string, int32_t> m_byName;
};

// One finger of the left hand: three joint positions (its bones) and the tip, with the finger's thickness.
struct FingerLayout {
    std::string name;  // without side prefix and number, e.g. "人指"
    int firstNumber = 1;  // 0 for the thumb
    std::array<glm::vec3, 4> joints{};
    float radius = 0.1f;
};

// The left hand in its rest pose: wrist, the direction along the hand, the palm normal (down and in) and the
// direction across the hand toward the thumb (forward, -Z).
struct HandLayout {
    glm::vec3 wrist{0.0f};
    glm::vec3 along{0.0f};
    glm::vec3 palmNormal{0.0f};
    glm::vec3 across{0.0f};
    std::array<FingerLayout, 5> fingers;  // thumb, index, middle, ring, little
};
HandLayout LeftHandLayout();

// Bone flags of ordinary bones (rotatable, visible, operable) and of movable ones.
constexpr uint16_t kRotBone = mmd::kPMXBoneRotatable | mmd::kPMXBoneVisible | mmd::kPMXBoneOperable;
constexpr uint16_t kMoveBone = kRotBone | mmd::kPMXBoneMovable;

// Side prefix for names: "左" for side +1 (+X), "右" for side -1.
std::string SideName(int side);

// Builds the body skeleton: trunk, head and eyes, arms with twist bones, the thirty finger bones, legs with leg and
// toe IK. Hair and skirt bones are added by their builders.
void BuildSkeleton(Rig& rig);

// The finger bones' names without side prefix, in bone order (thumb 0..2, then index, middle, ring, little 1..3).
const std::vector<std::string>& FingerNames();

}  // namespace mnxc

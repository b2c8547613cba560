#include "Rig.h"

#include <cassert>
#include <cmath>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

namespace mnxc {
namespace {

glm::vec3 MirrorX(glm::vec3 p) {
    p.x = -p.x;
    return p;
}

void SetTail(Rig& rig, int32_t bone, int32_t tail) {
    rig.Bone(bone).m_flags |= mmd::kPMXBoneTailIsBone;
    rig.Bone(bone).m_tailIndex = tail;
}

void SetTailOffset(Rig& rig, int32_t bone, const glm::vec3& offset) {
    rig.Bone(bone).m_flags &= static_cast<uint16_t>(~mmd::kPMXBoneTailIsBone);
    rig.Bone(bone).m_tailOffset = offset;
}

void SetFixedAxis(Rig& rig, int32_t bone, const glm::vec3& axis) {
    rig.Bone(bone).m_flags |= mmd::kPMXBoneFixedAxis;
    rig.Bone(bone).m_fixedAxis = glm::normalize(axis);
}

void BuildArm(Rig& rig, int side) {
    using namespace anatomy;
    const std::string s = SideName(side);
    auto at = [side](const glm::vec3& p) { return side > 0 ? p : MirrorX(p); };
    const int32_t upper2 = rig["上半身2"];
    const int32_t shoulder = rig.Add(s + "肩", side > 0 ? "shoulder_L" : "shoulder_R", at(kShoulder), upper2, kRotBone);
    const int32_t arm = rig.Add(s + "腕", side > 0 ? "arm_L" : "arm_R", at(kArm), shoulder, kRotBone);
    const int32_t armTwist = rig.Add(s + "腕捩", side > 0 ? "arm twist_L" : "arm twist_R", at((kArm + kElbow) * 0.5f),
                                     arm, kRotBone);
    const int32_t elbow = rig.Add(s + "ひじ", side > 0 ? "elbow_L" : "elbow_R", at(kElbow), armTwist, kRotBone);
    const int32_t wristTwist = rig.Add(s + "手捩", side > 0 ? "wrist twist_L" : "wrist twist_R",
                                       at((kElbow + kWrist) * 0.5f), elbow, kRotBone);
    const int32_t wrist = rig.Add(s + "手首", side > 0 ? "wrist_L" : "wrist_R", at(kWrist), wristTwist, kRotBone);
    SetTail(rig, shoulder, arm);
    SetTail(rig, arm, elbow);
    SetTailOffset(rig, armTwist, glm::vec3(0.0f));
    SetFixedAxis(rig, armTwist, at(kElbow) - at(kArm));
    SetTail(rig, elbow, wrist);
    SetTailOffset(rig, wristTwist, glm::vec3(0.0f));
    SetFixedAxis(rig, wristTwist, at(kWrist) - at(kElbow));

    const HandLayout hand = LeftHandLayout();
    SetTailOffset(rig, wrist, at(hand.wrist + hand.along * 1.0f) - at(hand.wrist));
    const char* english[5] = {"thumb", "index", "middle", "ring", "little"};
    for (size_t f = 0; f < hand.fingers.size(); ++f) {
        const FingerLayout& finger = hand.fingers[f];
        int32_t parent = wrist;
        static const char* kDigits[4] = {"０", "１", "２", "３"};
        for (int j = 0; j < 3; ++j) {
            const int number = finger.firstNumber + j;
            const int32_t bone =
                rig.Add(s + finger.name + kDigits[number],
                        std::string(english[f]) + std::to_string(number) + (side > 0 ? "_L" : "_R"),
                        at(finger.joints[j]), parent, kRotBone);
            SetTailOffset(rig, bone, at(finger.joints[j + 1]) - at(finger.joints[j]));
            if (j > 0) {
                SetTail(rig, parent, bone);
            }
            parent = bone;
        }
    }
}

void BuildLeg(Rig& rig, int side) {
    using namespace anatomy;
    const std::string s = SideName(side);
    const std::string e = side > 0 ? "_L" : "_R";
    auto at = [side](const glm::vec3& p) { return side > 0 ? p : MirrorX(p); };
    const int32_t lower = rig["下半身"];
    const int32_t leg = rig.Add(s + "足", "leg" + e, at(kLeg), lower, kRotBone);
    const int32_t knee = rig.Add(s + "ひざ", "knee" + e, at(kKnee), leg, kRotBone);
    const int32_t ankle = rig.Add(s + "足首", "ankle" + e, at(kAnkle), knee, kRotBone);
    const int32_t toe = rig.Add(s + "つま先", "toe" + e, at(kToe), ankle, kRotBone);
    SetTail(rig, leg, knee);
    SetTail(rig, knee, ankle);
    SetTail(rig, ankle, toe);
    SetTailOffset(rig, toe, glm::vec3(0.0f));
}

void BuildLegIK(Rig& rig, int side) {
    using namespace anatomy;
    const std::string s = SideName(side);
    const std::string e = side > 0 ? "_L" : "_R";
    auto at = [side](const glm::vec3& p) { return side > 0 ? p : MirrorX(p); };
    const uint16_t ikFlags = kMoveBone | mmd::kPMXBoneIK;
    const int32_t legIK = rig.Add(s + "足ＩＫ", "leg IK" + e, at(kAnkle), rig["全ての親"], ikFlags, 1);
    SetTailOffset(rig, legIK, glm::vec3(0.0f, 0.0f, 1.0f));
    mmd::PMXBone& ik = rig.Bone(legIK);
    ik.m_ikTargetIndex = rig[s + "足首"];
    ik.m_ikLoopCount = 40;
    ik.m_ikLimitAngle = 2.0f;
    mmd::PMXIKLink knee;
    knee.m_boneIndex = rig[s + "ひざ"];
    knee.m_enableLimit = 1;
    // Knees bend one way only: X from -180 to -0.5 degrees in the file frame.
    knee.m_lowerLimit = glm::vec3(-glm::pi<float>(), 0.0f, 0.0f);
    knee.m_upperLimit = glm::vec3(glm::radians(-0.5f), 0.0f, 0.0f);
    mmd::PMXIKLink hip;
    hip.m_boneIndex = rig[s + "足"];
    ik.m_ikLinks = {knee, hip};

    const int32_t toeIK = rig.Add(s + "つま先ＩＫ", "toe IK" + e, at(kToe), legIK, ikFlags, 1);
    SetTailOffset(rig, toeIK, glm::vec3(0.0f, -1.0f, 0.0f));
    mmd::PMXBone& tik = rig.Bone(toeIK);
    tik.m_ikTargetIndex = rig[s + "つま先"];
    tik.m_ikLoopCount = 3;
    tik.m_ikLimitAngle = 4.0f;
    mmd::PMXIKLink ankle;
    ankle.m_boneIndex = rig[s + "足首"];
    tik.m_ikLinks = {ankle};
}

}  // namespace

int32_t Rig::Add(const std::string& name, const std::string& englishName, const glm::vec3& position, int32_t parent,
                 uint16_t flags, int32_t deformDepth) {
    assert(m_byName.count(name) == 0);
    assert(parent < static_cast<int32_t>(m_pmx.m_bones.size()));
    mmd::PMXBone bone;
    bone.m_name = name;
    bone.m_englishName = englishName;
    bone.m_position = position;
    bone.m_parentIndex = parent;
    bone.m_deformDepth = deformDepth;
    bone.m_flags = flags;
    m_pmx.m_bones.push_back(bone);
    const int32_t index = static_cast<int32_t>(m_pmx.m_bones.size() - 1);
    m_byName[name] = index;
    return index;
}

int32_t Rig::operator[](const std::string& name) const {
    const int32_t index = Find(name);
    assert(index >= 0);
    return index;
}

int32_t Rig::Find(const std::string& name) const {
    const auto it = m_byName.find(name);
    return it == m_byName.end() ? -1 : it->second;
}

int32_t Rig::Mirror(int32_t bone) const {
    const std::string& name = m_pmx.m_bones[bone].m_name;
    static const std::string kLeft = "左";
    static const std::string kRight = "右";
    if (name.compare(0, kLeft.size(), kLeft) == 0) {
        return (*this)[kRight + name.substr(kLeft.size())];
    }
    if (name.compare(0, kRight.size(), kRight) == 0) {
        return (*this)[kLeft + name.substr(kRight.size())];
    }
    return bone;
}

std::string SideName(int side) { return side > 0 ? "左" : "右"; }

const std::vector<std::string>& FingerNames() {
    static const std::vector<std::string> kNames = {
        "親指０", "親指１", "親指２", "人指１", "人指２", "人指３", "中指１", "中指２",
        "中指３", "薬指１", "薬指２", "薬指３", "小指１", "小指２", "小指３"};
    return kNames;
}

HandLayout LeftHandLayout() {
    using namespace anatomy;
    HandLayout h;
    h.wrist = kWrist;
    h.along = glm::normalize(kWrist - kElbow);
    h.palmNormal = glm::normalize(glm::vec3(h.along.y, -h.along.x, 0.0f));
    h.across = glm::normalize(glm::cross(h.along, h.palmNormal));
    auto place = [&h](float along, float across, float normal) {
        return h.wrist + h.along * along + h.across * across + h.palmNormal * normal;
    };
    struct FingerShape {
        const char* name;
        float across;
        float along;
        float lengths[3];
        float radius;
    };
    const FingerShape shapes[4] = {{"人指", 0.27f, 0.98f, {0.36f, 0.26f, 0.22f}, 0.095f},
                           {"中指", 0.09f, 1.02f, {0.40f, 0.29f, 0.24f}, 0.1f},
                           {"薬指", -0.1f, 0.99f, {0.37f, 0.27f, 0.22f}, 0.095f},
                           {"小指", -0.27f, 0.92f, {0.29f, 0.21f, 0.18f}, 0.085f}};
    // The fingers fan out a little from the middle finger.
    for (int f = 0; f < 4; ++f) {
        FingerLayout& finger = h.fingers[f + 1];
        finger.name = shapes[f].name;
        finger.firstNumber = 1;
        finger.radius = shapes[f].radius;
        const glm::vec3 dir = glm::normalize(h.along + h.across * (shapes[f].across - 0.09f) * 0.25f);
        finger.joints[0] = place(shapes[f].along, shapes[f].across, 0.0f);
        for (int j = 0; j < 3; ++j) {
            finger.joints[j + 1] = finger.joints[j] + dir * shapes[f].lengths[j];
        }
    }
    FingerLayout& thumb = h.fingers[0];
    thumb.name = "親指";
    thumb.firstNumber = 0;
    thumb.radius = 0.11f;
    thumb.joints[0] = place(0.22f, 0.25f, 0.08f);
    const glm::vec3 dir = glm::normalize(h.along * 0.75f + h.across * 0.6f + h.palmNormal * 0.25f);
    thumb.joints[1] = thumb.joints[0] + dir * 0.38f;
    thumb.joints[2] = thumb.joints[1] + dir * 0.3f;
    thumb.joints[3] = thumb.joints[2] + dir * 0.26f;
    return h;
}

void BuildSkeleton(Rig& rig) {
    using namespace anatomy;
    const int32_t root = rig.Add("全ての親", "master", glm::vec3(0.0f), -1, kMoveBone);
    const int32_t center = rig.Add("センター", "center", kCenter, root, kMoveBone);
    const int32_t upper = rig.Add("上半身", "upper body", kUpperBody, center, kRotBone);
    const int32_t upper2 = rig.Add("上半身2", "upper body2", kUpperBody2, upper, kRotBone);
    const int32_t neck = rig.Add("首", "neck", kNeck, upper2, kRotBone);
    const int32_t head = rig.Add("頭", "head", kHead, neck, kRotBone);
    SetTail(rig, root, center);
    SetTailOffset(rig, center, glm::vec3(0.0f, -1.0f, 0.0f));
    SetTail(rig, upper, upper2);
    SetTail(rig, upper2, neck);
    SetTail(rig, neck, head);
    SetTailOffset(rig, head, glm::vec3(0.0f, 1.5f, 0.0f));

    const int32_t eyes = rig.Add("両目", "eyes", kBothEyes, head, kRotBone);
    SetTailOffset(rig, eyes, glm::vec3(0.0f, 0.0f, -0.5f));
    for (int side : {1, -1}) {
        glm::vec3 p = kEye;
        p.x *= static_cast<float>(side);
        const int32_t eye = rig.Add(SideName(side) + "目", side > 0 ? "eye_L" : "eye_R", p, head,
                                    kRotBone | mmd::kPMXBoneAppendRotate, 2);
        rig.Bone(eye).m_appendIndex = eyes;
        rig.Bone(eye).m_appendWeight = 1.0f;
        SetTailOffset(rig, eye, glm::vec3(0.0f, 0.0f, -0.5f));
    }
    for (int side : {1, -1}) {
        BuildArm(rig, side);
    }
    const int32_t lower = rig.Add("下半身", "lower body", kLowerBody, center, kRotBone);
    SetTailOffset(rig, lower, glm::vec3(0.0f, -1.5f, 0.0f));
    for (int side : {1, -1}) {
        BuildLeg(rig, side);
    }
    for (int side : {1, -1}) {
        BuildLegIK(rig, side);
    }
    (void)head;
}

}  // namespace mnxc

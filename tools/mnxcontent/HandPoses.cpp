#include "HandPoses.h"

#include <array>
#include <cassert>

#include <glm/geometric.hpp>
#include <glm/gtc/quaternion.hpp>

#include "Rig.h"
#include "mmd/writer/VpdWriter.h"

namespace mnxc {
namespace {

// Bend of one long finger, degrees: its spread toward the thumb at the knuckle and the flexion of its three joints
// toward the palm.
struct FingerBend {
    float spread = 0.0f;
    std::array<float, 3> flex{};
};

// Bend of the thumb, degrees: at its root it turns into the palm (oppose) and over toward the fingers (adduct);
// its two outer joints flex toward the palm's pad side.
struct ThumbBend {
    float oppose = 0.0f;
    float adduct = 0.0f;
    float flex1 = 0.0f;
    float flex2 = 0.0f;
};

struct ShapeBend {
    ThumbBend thumb;
    std::array<FingerBend, 4> fingers;  // index, middle, ring, little
};

constexpr FingerBend kStraight{0.0f, {0.0f, 3.0f, 2.0f}};
constexpr std::array<FingerBend, 4> kFist = {FingerBend{-2.0f, {72.0f, 92.0f, 52.0f}},
                                             FingerBend{0.0f, {76.0f, 94.0f, 52.0f}},
                                             FingerBend{2.0f, {80.0f, 94.0f, 52.0f}},
                                             FingerBend{5.0f, {84.0f, 90.0f, 50.0f}}};
// The thumb of a fist lies across the middle phalanges of the index and middle fingers.
constexpr ThumbBend kThumbOverFist{30.0f, 30.0f, 25.0f, 35.0f};
// The thumb of a hand that points with index and middle finger holds down ring and little finger.
constexpr ThumbBend kThumbOverRing{35.0f, 40.0f, 25.0f, 35.0f};
constexpr ThumbBend kThumbOut{-5.0f, -15.0f, 0.0f, -5.0f};

ShapeBend Bend(HandShape shape) {
    switch (shape) {
        case HandShape::Default:
            // A hand at rest: every finger a little curled, more so toward the little finger.
            return {{8.0f, 6.0f, 8.0f, 10.0f},
                    {FingerBend{1.0f, {8.0f, 14.0f, 8.0f}}, FingerBend{0.0f, {12.0f, 17.0f, 10.0f}},
                     FingerBend{-1.0f, {16.0f, 19.0f, 12.0f}}, FingerBend{-2.0f, {20.0f, 21.0f, 12.0f}}}};
        case HandShape::Rock:
            return {kThumbOverFist, kFist};
        case HandShape::Paper:
            return {{-8.0f, -12.0f, 0.0f, -5.0f},
                    {FingerBend{6.0f, {0.0f, 0.0f, 0.0f}}, FingerBend{0.0f, {0.0f, 0.0f, 0.0f}},
                     FingerBend{-5.0f, {0.0f, 0.0f, 0.0f}}, FingerBend{-10.0f, {0.0f, 0.0f, 0.0f}}}};
        case HandShape::Scissors:
            return {kThumbOverRing, {FingerBend{7.0f, {0.0f, 3.0f, 2.0f}}, FingerBend{-7.0f, {0.0f, 3.0f, 2.0f}},
                                     kFist[2], kFist[3]}};
        case HandShape::One:
            return {kThumbOverRing, {kStraight, kFist[1], kFist[2], kFist[3]}};
        case HandShape::ThumbsUp:
            return {kThumbOut, kFist};
    }
    assert(false);
    return {};
}

// The rotations of the left hand's fifteen finger bones, in FingerNames() order, in the file frame. The axes come
// from the sample character's hand; an MMD hand generally lies the same way (fingers along the arm, palm down), so
// the poses suit other models too.
std::array<glm::quat, 15> LeftRotations(const ShapeBend& bend) {
    const HandLayout hand = LeftHandLayout();
    const glm::vec3 along = hand.along;
    const glm::vec3 palm = hand.palmNormal;
    // across = along × palm: turning about it carries a finger from `along` toward the palm.
    const glm::vec3 across = hand.across;
    const glm::vec3 thumb = glm::normalize(hand.fingers[0].joints[1] - hand.fingers[0].joints[0]);
    glm::vec3 pad = palm - across * 0.6f;
    pad = glm::normalize(pad - thumb * glm::dot(pad, thumb));
    const glm::vec3 thumbFlexAxis = glm::normalize(glm::cross(thumb, pad));

    auto turn = [](float degrees, const glm::vec3& axis) { return glm::angleAxis(glm::radians(degrees), axis); };
    std::array<glm::quat, 15> q;
    // Turning about the palm normal carries `across` toward `along`, so a spread toward the thumb is negative.
    q[0] = turn(bend.thumb.adduct, palm) * turn(-bend.thumb.oppose, along);
    q[1] = turn(bend.thumb.flex1, thumbFlexAxis);
    q[2] = turn(bend.thumb.flex2, thumbFlexAxis);
    for (size_t f = 0; f < 4; ++f) {
        const FingerBend& finger = bend.fingers[f];
        q[3 + 3 * f] = turn(-finger.spread, palm) * turn(finger.flex[0], across);
        q[4 + 3 * f] = turn(finger.flex[1], across);
        q[5 + 3 * f] = turn(finger.flex[2], across);
    }
    return q;
}

// MMD's frame mirrors x to -x.
glm::quat MirrorX(const glm::quat& q) { return glm::quat(q.w, q.x, -q.y, -q.z); }

}  // namespace

const std::vector<HandShape>& HandShapes() {
    static const std::vector<HandShape> kShapes = {HandShape::Default, HandShape::Rock, HandShape::Paper,
                                                   HandShape::Scissors, HandShape::One, HandShape::ThumbsUp};
    return kShapes;
}

std::string HandPoseStem(HandShape shape, int side) {
    std::string stem;
    switch (shape) {
        case HandShape::Default:
            stem = "handDefault";
            break;
        case HandShape::Rock:
            stem = "handRock";
            break;
        case HandShape::Paper:
            stem = "handPaper";
            break;
        case HandShape::Scissors:
            stem = "handScissors";
            break;
        case HandShape::One:
            stem = "handOne";
            break;
        case HandShape::ThumbsUp:
            // The name the hand control loads, spelling included.
            stem = "handTumbsUp";
            break;
    }
    return stem + (side > 0 ? "_L" : "_R");
}

std::string HandPoseFile(HandShape shape, int side) {
    const std::array<glm::quat, 15> left = LeftRotations(Bend(shape));
    mmd::VpdWriter vpd;
    vpd.SetParentFile("sample.osm");
    const std::vector<std::string>& names = FingerNames();
    for (size_t i = 0; i < names.size(); ++i) {
        vpd.AddBone(SideName(side) + names[i], glm::vec3(0.0f), side > 0 ? left[i] : MirrorX(left[i]));
    }
    return vpd.Build();
}

}  // namespace mnxc

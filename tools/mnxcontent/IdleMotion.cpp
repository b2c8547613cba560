#include "IdleMotion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/quaternion.hpp>

#include "Rig.h"
#include "mmd/writer/VmdWriter.h"

namespace mnxc {
namespace {

using mmd::VmdBoneKey;
using mmd::VmdInterpolation;
using mmd::VmdWriter;

constexpr float kTwoPi = glm::two_pi<float>();
constexpr float kHalfPi = glm::half_pi<float>();
const char* const kBlinkMorph = "まばたき";
// How far the arms are lowered from the rest pose's A stance (about 47 degrees below the horizontal) so that they
// hang beside the hips, clear of the skirt.
constexpr float kDefaultArmDrop = 25.0f;

// value(frame) = mean + amplitude · sin(2π · frame / period + phase); the period (frames) divides the loop, so the
// value at the loop's end equals the one at its start.
struct Wave {
    float mean = 0.0f;
    float amplitude = 0.0f;
    float period = 1.0f;
    float phase = 0.0f;

    float Angle(float frame) const { return kTwoPi * frame / period + phase; }
    float At(float frame) const { return mean + amplitude * std::sin(Angle(frame)); }
    float Slope(float frame) const { return amplitude * kTwoPi / period * std::cos(Angle(frame)); }
};

Wave Constant(float value) { return Wave{value, 0.0f, 1.0f, 0.0f}; }
Wave Sine(float mean, float amplitude, float period, float phase) { return Wave{mean, amplitude, period, phase}; }

// One bone's motion in the file frame (left-handed, model units): three translation waves and a rotation that
// swings along the arc from `from` to `to` (0 = from, 1 = to). Keeping each bone on one arc lets a single rotation
// curve per key segment reproduce the motion exactly.
struct BoneMotion {
    std::string name;
    std::array<Wave, 3> translate{Constant(0.0f), Constant(0.0f), Constant(0.0f)};
    glm::quat from{1.0f, 0.0f, 0.0f, 0.0f};
    glm::quat to{1.0f, 0.0f, 0.0f, 0.0f};
    Wave swing = Constant(0.0f);
};

glm::quat Rx(float degrees) { return glm::angleAxis(glm::radians(degrees), glm::vec3(1.0f, 0.0f, 0.0f)); }
glm::quat Ry(float degrees) { return glm::angleAxis(glm::radians(degrees), glm::vec3(0.0f, 1.0f, 0.0f)); }
glm::quat Rz(float degrees) { return glm::angleAxis(glm::radians(degrees), glm::vec3(0.0f, 0.0f, 1.0f)); }

// The same rotation on the other side of the body: MMD's frame mirrors x to -x.
glm::quat MirrorX(const glm::quat& q) { return glm::quat(q.w, q.x, -q.y, -q.z); }

std::string RightName(const std::string& leftName) {
    const std::string left = SideName(1);
    return SideName(-1) + leftName.substr(left.size());
}

BoneMotion Mirrored(const BoneMotion& left) {
    BoneMotion right = left;
    right.name = RightName(left.name);
    right.translate[0].mean = -left.translate[0].mean;
    right.translate[0].amplitude = -left.translate[0].amplitude;
    right.from = MirrorX(left.from);
    right.to = MirrorX(left.to);
    return right;
}

// The left upper arm lowered from the rest pose by `degrees` (toward the hip) and carried `forwardDegrees` to the
// front, swinging forward and back by `swingDegrees` on the wave.
BoneMotion LeftArm(float degrees, float forwardDegrees, float swingDegrees, const Wave& swing) {
    BoneMotion arm;
    arm.name = SideName(1) + "腕";
    arm.from = Rz(-degrees) * Rx(forwardDegrees - swingDegrees);
    arm.to = Rz(-degrees) * Rx(forwardDegrees + swingDegrees);
    arm.swing = swing;
    return arm;
}

// The left forearm bent forward (toward -Z, where the character faces) by a constant angle.
BoneMotion LeftElbow(float degrees) {
    const glm::vec3 forearm = glm::normalize(anatomy::kWrist - anatomy::kElbow);
    const glm::vec3 axis = glm::normalize(glm::cross(forearm, glm::vec3(0.0f, 0.0f, -1.0f)));
    BoneMotion elbow;
    elbow.name = SideName(1) + "ひじ";
    elbow.from = elbow.to = glm::angleAxis(glm::radians(degrees), axis);
    return elbow;
}

// The left shoulder rising by up to `degrees` on the wave (breathing lifts the shoulders a little).
BoneMotion LeftShoulder(float degrees, const Wave& swing) {
    BoneMotion shoulder;
    shoulder.name = SideName(1) + "肩";
    shoulder.from = glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
    shoulder.to = Rz(degrees);
    shoulder.swing = swing;
    return shoulder;
}

struct BezierCurve {
    uint8_t x1, y1, x2, y2;
};

constexpr BezierCurve kLinear{20, 20, 107, 107};

uint8_t Byte(float unit) { return static_cast<uint8_t>(std::lround(std::clamp(unit, 0.0f, 1.0f) * 127.0f)); }

// The cubic through the segment [f0, f1] of the wave that matches its slopes at both ends (a Hermite segment: with
// the control points' x at a third and two thirds, x runs linearly along the curve). Keys sit on every turn of the
// wave, so the wave is monotonic within a segment and both slopes, normalised, lie in [0, 3]; at a turn the slope
// is zero and the curve eases in or out.
BezierCurve Fit(const Wave& wave, int f0, int f1) {
    const float dv = wave.At(static_cast<float>(f1)) - wave.At(static_cast<float>(f0));
    if (std::fabs(dv) < 1e-9f) return kLinear;
    const float span = static_cast<float>(f1 - f0);
    auto slope = [&](int f) { return std::clamp(wave.Slope(static_cast<float>(f)) * span / dv, 0.0f, 3.0f); };
    return {42, Byte(slope(f0) / 3.0f), 85, Byte(1.0f - slope(f1) / 3.0f)};
}

// MMD's layout: the 16 bytes that matter (x1, y1, x2, y2 of translation X, Y, Z and rotation) in the first row and
// copies shifted by one byte per row in the other three.
VmdInterpolation Block(const std::array<BezierCurve, 4>& curves) {
    std::array<uint8_t, 16> row{};
    for (size_t c = 0; c < 4; ++c) {
        row[0 + c] = curves[c].x1;
        row[4 + c] = curves[c].y1;
        row[8 + c] = curves[c].x2;
        row[12 + c] = curves[c].y2;
    }
    VmdInterpolation block{};
    for (size_t r = 0; r < 4; ++r) {
        for (size_t i = 0; i + r < 16; ++i) block[r * 16 + i] = row[i + r];
    }
    return block;
}

// Frames strictly inside the loop where the wave turns.
void AddTurns(const Wave& wave, int loop, std::set<int>& frames) {
    if (wave.amplitude == 0.0f) return;
    const int cycles = static_cast<int>(std::ceil(static_cast<float>(loop) / wave.period)) + 2;
    for (int k = -2 * cycles; k <= 2 * cycles; ++k) {
        const float angle = kHalfPi + glm::pi<float>() * static_cast<float>(k) - wave.phase;
        const int frame = static_cast<int>(std::lround(angle / kTwoPi * wave.period));
        if (frame > 0 && frame < loop) frames.insert(frame);
    }
}

class IdleLoop {
public:
    explicit IdleLoop(int loopFrames) : m_loop(loopFrames) {}

    void Add(const BoneMotion& motion) { m_bones.push_back(motion); }
    void AddBothSides(const BoneMotion& left) {
        Add(left);
        Add(Mirrored(left));
    }
    // One blink starting at `frame`: quick to close, held a frame, slower to open.
    void Blink(int frame) { m_blinks.push_back(frame); }

    std::string Build() const {
        VmdWriter vmd;
        vmd.SetModelName("Marionix");
        for (const BoneMotion& bone : m_bones) AddKeys(vmd, bone);
        vmd.AddMorphKey(kBlinkMorph, 0, 0.0f);
        for (int start : m_blinks) {
            vmd.AddMorphKey(kBlinkMorph, static_cast<uint32_t>(start), 0.0f);
            vmd.AddMorphKey(kBlinkMorph, static_cast<uint32_t>(start + 3), 1.0f);
            vmd.AddMorphKey(kBlinkMorph, static_cast<uint32_t>(start + 4), 1.0f);
            vmd.AddMorphKey(kBlinkMorph, static_cast<uint32_t>(start + 9), 0.0f);
        }
        vmd.AddMorphKey(kBlinkMorph, static_cast<uint32_t>(m_loop), 0.0f);
        return vmd.Build();
    }

private:
    void AddKeys(VmdWriter& vmd, const BoneMotion& bone) const {
        std::set<int> frameSet = {0, m_loop};
        for (const Wave& wave : bone.translate) AddTurns(wave, m_loop, frameSet);
        AddTurns(bone.swing, m_loop, frameSet);
        const std::vector<int> frames(frameSet.begin(), frameSet.end());
        for (size_t i = 0; i < frames.size(); ++i) {
            // The last key is evaluated at frame 0 so that it repeats the first one bit for bit, curve included
            // (its curve shapes the segment that follows the restart).
            const bool last = i + 1 == frames.size();
            const int frame = last ? 0 : frames[i];
            const int next = last ? frames[1] : frames[i + 1];
            VmdBoneKey key;
            key.name = bone.name;
            key.frame = static_cast<uint32_t>(frames[i]);
            const float f = static_cast<float>(frame);
            key.translate = glm::vec3(bone.translate[0].At(f), bone.translate[1].At(f), bone.translate[2].At(f));
            key.rotate = glm::normalize(glm::slerp(bone.from, bone.to, bone.swing.At(f)));
            key.interpolation = Block({Fit(bone.translate[0], frame, next), Fit(bone.translate[1], frame, next),
                                       Fit(bone.translate[2], frame, next), Fit(bone.swing, frame, next)});
            vmd.AddBoneKey(key);
        }
    }

    int m_loop;
    std::vector<BoneMotion> m_bones;
    std::vector<int> m_blinks;
};

BoneMotion Trunk(const std::string& name, const glm::quat& from, const glm::quat& to, const Wave& swing) {
    BoneMotion bone;
    bone.name = name;
    bone.from = from;
    bone.to = to;
    bone.swing = swing;
    return bone;
}

}  // namespace

std::string DefaultIdleMotion() {
    constexpr int kLoop = 210;
    constexpr float kBreath = kLoop / 2.0f;
    // The weight moves from foot to foot once per loop; the body is highest over either foot and dips a little in
    // between, the hips tilt up on the standing side and the chest leans against them.
    const float sway = 0.4f;
    const Wave weight = Sine(0.5f, 0.5f, kLoop, sway);
    const Wave breath = Sine(0.5f, 0.5f, kBreath, 1.1f);
    IdleLoop loop(kLoop);

    BoneMotion center;
    center.name = "センター";
    center.translate = {Sine(0.0f, 0.22f, kLoop, sway), Sine(-0.02f, 0.015f, kLoop / 2.0f, 2.0f * sway - kHalfPi),
                        Sine(0.0f, 0.04f, kLoop, sway + kHalfPi)};
    loop.Add(center);
    loop.Add(Trunk("下半身", Rz(-1.5f), Rz(1.5f), weight));
    loop.Add(Trunk("上半身", Rz(1.0f) * Ry(-1.0f), Rz(-1.0f) * Ry(1.0f), weight));
    loop.Add(Trunk("上半身2", Rx(-0.5f), Rx(1.0f), breath));
    loop.Add(Trunk("首", Rx(1.5f) * Rz(1.0f), Rx(-1.0f) * Rz(-1.0f), Sine(0.5f, 0.5f, kLoop, 2.0f)));
    loop.Add(Trunk("頭", Ry(-2.5f) * Rx(0.5f), Ry(2.5f) * Rx(-0.5f), Sine(0.5f, 0.5f, kLoop, 3.4f)));
    loop.AddBothSides(LeftShoulder(0.8f, breath));
    loop.AddBothSides(LeftArm(kDefaultArmDrop, 2.0f, 1.0f, Sine(0.5f, 0.5f, kLoop, sway + 2.5f)));
    loop.AddBothSides(LeftElbow(10.0f));
    loop.Blink(45);
    loop.Blink(150);
    loop.Blink(161);
    return loop.Build();
}

std::string RelaxedIdleMotion() {
    constexpr int kLoop = 240;
    constexpr float kBreath = kLoop / 2.0f;
    // The weight rests on the left leg: the pelvis shifted over it and tilted up on that side, the right knee
    // loose, the shoulders leaning the other way; the sway around that stance is small and slow.
    const float sway = 1.0f;
    const Wave weight = Sine(0.5f, 0.5f, kLoop, sway);
    const Wave breath = Sine(0.5f, 0.5f, kBreath, 0.3f);
    IdleLoop loop(kLoop);

    BoneMotion center;
    center.name = "センター";
    center.translate = {Sine(0.3f, 0.05f, kLoop, sway), Sine(-0.02f, 0.015f, kBreath, 0.3f),
                        Sine(0.0f, 0.03f, kLoop, sway + kHalfPi)};
    loop.Add(center);
    loop.Add(Trunk("下半身", Rz(1.0f), Rz(2.0f), weight));
    loop.Add(Trunk("上半身", Rz(-3.0f) * Ry(2.0f), Rz(-4.0f) * Ry(4.0f), weight));
    loop.Add(Trunk("上半身2", Rx(-0.8f), Rx(1.6f), breath));
    loop.Add(Trunk("首", Rz(7.0f) * Rx(2.0f), Rz(9.0f) * Rx(1.0f), Sine(0.5f, 0.5f, kLoop, 2.2f)));
    loop.Add(Trunk("頭", Ry(-9.0f) * Rx(1.0f), Ry(7.0f) * Rx(-1.5f), Sine(0.5f, 0.5f, kLoop, 4.0f)));
    loop.AddBothSides(LeftShoulder(1.2f, breath));
    // The arm on the standing side hangs a little away from the raised hip, the other one a little to the front.
    loop.Add(LeftArm(kDefaultArmDrop - 1.0f, 0.0f, 1.5f, Sine(0.5f, 0.5f, kLoop, sway + 1.5f)));
    loop.Add(Mirrored(LeftArm(kDefaultArmDrop + 4.0f, 3.0f, 1.5f, Sine(0.5f, 0.5f, kLoop, sway + 3.0f))));
    loop.Add(LeftElbow(8.0f));
    loop.Add(Mirrored(LeftElbow(28.0f)));
    loop.Blink(70);
    loop.Blink(176);
    loop.Blink(187);
    return loop.Build();
}

}  // namespace mnxc

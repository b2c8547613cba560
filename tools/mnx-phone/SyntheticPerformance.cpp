#include "SyntheticPerformance.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

enum Channel : std::uint32_t { kBlink = 1, kTalk, kSyllable, kSmile, kBrow, kFrown, kNod, kSaccade };

// Blend-shape indices in the phone's order (see PhoneFrame).
enum Shape {
    browInnerUp, browDown_L, browDown_R, browOuterUp_L, browOuterUp_R, eyeLookUp_L, eyeLookUp_R, eyeLookDown_L,
    eyeLookDown_R, eyeLookIn_L, eyeLookIn_R, eyeLookOut_L, eyeLookOut_R, eyeBlink_L, eyeBlink_R, eyeSquint_L,
    eyeSquint_R, eyeWide_L, eyeWide_R, cheekPuff, cheekSquint_L, cheekSquint_R, noseSneer_L, noseSneer_R, jawOpen,
    jawForward, jawLeft, jawRight, mouthFunnel, mouthPucker, mouthLeft, mouthRight, mouthRollUpper, mouthRollLower,
    mouthShrugUpper, mouthShrugLower, mouthClose, mouthSmile_L, mouthSmile_R, mouthFrown_L, mouthFrown_R,
    mouthDimple_L, mouthDimple_R, mouthUpperUp_L, mouthUpperUp_R, mouthLowerDown_L, mouthLowerDown_R, mouthPress_L,
    mouthPress_R, mouthStretch_L, mouthStretch_R, tongueOut
};

std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

double smooth(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

void add(PhoneFrame& f, int shape, double value) {
    f.blendShapes[shape] = static_cast<float>(std::clamp(f.blendShapes[shape] + value, 0.0, 100.0));
}

}  // namespace

double SyntheticPerformance::random(std::uint32_t channel, std::int64_t cell, std::uint32_t draw) const {
    const std::uint64_t h = mix(m_seed ^ mix((static_cast<std::uint64_t>(channel) << 40) ^
                                             (static_cast<std::uint64_t>(draw) << 32) ^ static_cast<std::uint64_t>(cell)));
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

double SyntheticPerformance::eventEnvelope(double t, std::uint32_t channel, double cellSeconds, double probability,
                                           double attack, double hold, double release) const {
    const auto cell = static_cast<std::int64_t>(std::floor(t / cellSeconds));
    if (random(channel, cell, 0) >= probability) return 0.0;
    const double length = attack + hold + release;
    const double start = cell * cellSeconds + random(channel, cell, 1) * std::max(0.0, cellSeconds - length);
    const double local = t - start;
    if (local < 0.0 || local > length) return 0.0;
    if (local < attack) return smooth(local / attack);
    if (local < attack + hold) return 1.0;
    return 1.0 - smooth((local - attack - hold) / release);
}

PhoneFrame SyntheticPerformance::frameAt(double seconds) const {
    const double t = std::max(0.0, seconds);
    PhoneFrame f;
    addBlinks(t, f);
    addSpeech(t, f);
    addExpressions(t, f);
    addHead(t, f);
    addEyes(t, f);
    return f;
}

void SyntheticPerformance::addBlinks(double t, PhoneFrame& f) const {
    // About one blink every 3.5 s, sometimes a double blink; the left lid trails the right by a few ms.
    const double right = std::max(eventEnvelope(t, kBlink, 3.5, 0.9, 0.06, 0.04, 0.12),
                                  eventEnvelope(t - 0.35, kBlink, 3.5, 0.2, 0.06, 0.03, 0.12));
    const double left = std::max(eventEnvelope(t - 0.008, kBlink, 3.5, 0.9, 0.06, 0.04, 0.12),
                                 eventEnvelope(t - 0.358, kBlink, 3.5, 0.2, 0.06, 0.03, 0.12));
    add(f, eyeBlink_R, 100.0 * right);
    add(f, eyeBlink_L, 100.0 * left);
}

void SyntheticPerformance::addSpeech(double t, PhoneFrame& f) const {
    // Talking comes in phrases (4 s cells, 60 % of them spoken) made of syllables of about 0.2 s, each with
    // its own vowel shape and loudness.
    const double phrase = eventEnvelope(t, kTalk, 4.0, 0.6, 0.15, 2.6, 0.25);
    if (phrase <= 0.0) return;
    constexpr double kSyllableSeconds = 0.19;
    const auto syllable = static_cast<std::int64_t>(std::floor(t / kSyllableSeconds));
    const double phase = t / kSyllableSeconds - static_cast<double>(syllable);
    const double open = std::sin(kPi * phase);
    const double loud = 0.45 + 0.55 * random(kSyllable, syllable, 0);
    const double a = phrase * loud * open * open;
    switch (static_cast<int>(random(kSyllable, syllable, 1) * 5.0)) {
        case 0:  // "a"
            add(f, jawOpen, 70.0 * a);
            add(f, mouthLowerDown_L, 30.0 * a);
            add(f, mouthLowerDown_R, 30.0 * a);
            break;
        case 1:  // "i"
            add(f, jawOpen, 20.0 * a);
            add(f, mouthStretch_L, 45.0 * a);
            add(f, mouthStretch_R, 45.0 * a);
            break;
        case 2:  // "u"
            add(f, jawOpen, 15.0 * a);
            add(f, mouthPucker, 70.0 * a);
            add(f, mouthFunnel, 30.0 * a);
            break;
        case 3:  // "e"
            add(f, jawOpen, 40.0 * a);
            add(f, mouthStretch_L, 25.0 * a);
            add(f, mouthStretch_R, 25.0 * a);
            add(f, mouthUpperUp_L, 15.0 * a);
            add(f, mouthUpperUp_R, 15.0 * a);
            break;
        default:  // "o"
            add(f, jawOpen, 45.0 * a);
            add(f, mouthFunnel, 60.0 * a);
            break;
    }
    // Lips meet between syllables.
    add(f, mouthClose, 12.0 * phrase * (1.0 - open));
}

void SyntheticPerformance::addExpressions(double t, PhoneFrame& f) const {
    const double smile = eventEnvelope(t, kSmile, 9.0, 0.7, 0.5, 2.5, 0.8);
    add(f, mouthSmile_L, 75.0 * smile);
    add(f, mouthSmile_R, 70.0 * smile);
    add(f, cheekSquint_L, 35.0 * smile);
    add(f, cheekSquint_R, 33.0 * smile);
    add(f, eyeSquint_L, 30.0 * smile);
    add(f, eyeSquint_R, 28.0 * smile);
    add(f, mouthDimple_L, 20.0 * smile);
    add(f, mouthDimple_R, 20.0 * smile);

    const double raise = eventEnvelope(t, kBrow, 6.5, 0.6, 0.2, 0.8, 0.4);
    add(f, browInnerUp, 80.0 * raise);
    add(f, browOuterUp_L, 60.0 * raise);
    add(f, browOuterUp_R, 60.0 * raise);
    add(f, eyeWide_L, 25.0 * raise);
    add(f, eyeWide_R, 25.0 * raise);

    const double frown = eventEnvelope(t, kFrown, 13.0, 0.4, 0.3, 1.2, 0.5);
    add(f, browDown_L, 70.0 * frown);
    add(f, browDown_R, 70.0 * frown);
    add(f, mouthFrown_L, 40.0 * frown);
    add(f, mouthFrown_R, 40.0 * frown);
    add(f, noseSneer_L, 15.0 * frown);
    add(f, noseSneer_R, 15.0 * frown);
}

void SyntheticPerformance::addHead(double t, PhoneFrame& f) const {
    const double nod = eventEnvelope(t, kNod, 5.0, 0.5, 0.15, 0.05, 0.3);
    const double pitch = 4.0 * std::sin(2.0 * kPi * 0.11 * t) + 2.0 * std::sin(2.0 * kPi * 0.37 * t + 0.7) + 9.0 * nod;
    const double yaw = 18.0 * std::sin(2.0 * kPi * 0.06 * t) + 6.0 * std::sin(2.0 * kPi * 0.21 * t + 1.3);
    const double roll = 3.0 * std::sin(2.0 * kPi * 0.09 * t + 2.1);
    f.headRotation = {static_cast<float>(pitch), static_cast<float>(yaw), static_cast<float>(roll)};
    f.headPosition = {static_cast<float>(0.02 * std::sin(2.0 * kPi * 0.05 * t)),
                      static_cast<float>(0.005 * std::sin(2.0 * kPi * 0.13 * t)),
                      static_cast<float>(-0.3 + 0.01 * std::sin(2.0 * kPi * 0.08 * t))};
}

void SyntheticPerformance::addEyes(double t, PhoneFrame& f) const {
    // Fixations of 0.4..1.6 s (cells of 0.8 s whose switch moment is random); a 40 ms saccade between targets.
    constexpr double kCell = 0.8;
    constexpr double kSaccadeSeconds = 0.04;
    auto target = [&](std::int64_t cell, int axis) { return (random(kSaccade, cell, 2 + axis) - 0.5) * 2.0; };
    auto cell = static_cast<std::int64_t>(std::floor(t / kCell));
    const double switchAt = cell * kCell + random(kSaccade, cell, 1) * (kCell - kSaccadeSeconds);
    double blend = smooth((t - switchAt) / kSaccadeSeconds);
    double pitch = 0.0;
    double yaw = 0.0;
    for (int axis = 0; axis < 2; ++axis) {
        const double value = target(cell - 1, axis) + (target(cell, axis) - target(cell - 1, axis)) * blend;
        (axis == 0 ? pitch : yaw) = value;
    }
    pitch *= 12.0;
    yaw *= 20.0;
    f.rightEye = {static_cast<float>(pitch), static_cast<float>(yaw), 0.0f};
    f.leftEye = {static_cast<float>(pitch), static_cast<float>(yaw), 0.0f};
    // The matching look blend shapes (looking to the performer's right: right eye out, left eye in).
    const double up = std::max(0.0, -pitch) / 12.0 * 60.0;
    const double down = std::max(0.0, pitch) / 12.0 * 60.0;
    const double right = std::max(0.0, yaw) / 20.0 * 70.0;
    const double left = std::max(0.0, -yaw) / 20.0 * 70.0;
    add(f, eyeLookUp_L, up);
    add(f, eyeLookUp_R, up);
    add(f, eyeLookDown_L, down);
    add(f, eyeLookDown_R, down);
    add(f, eyeLookOut_R, right);
    add(f, eyeLookIn_L, right);
    add(f, eyeLookOut_L, left);
    add(f, eyeLookIn_R, left);
}

#include <cmath>
#include <string>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

#include "Character.h"
#include "Path.h"

namespace mnxc {
namespace {

using namespace anatomy;

glm::vec3 Side(glm::vec3 p, int side) {
    p.x *= static_cast<float>(side);
    return p;
}

MeshBuilder::WeightFn Along(const Path& path, const WeightTrack& track, float s0 = 0.0f, float s1 = -1.0f) {
    const float end = s1 < 0.0f ? path.Length() : s1;
    return [track, s0, end](float, float v, const glm::vec3&) { return track.At(s0 + (end - s0) * v).Finish(); };
}

// Torso cross-sections by height: half-width, half-depth and the section's centre Z.
struct TorsoProfile {
    std::vector<glm::vec2> rx, rz, cz;
};

const TorsoProfile& Torso() {
    static const TorsoProfile kProfile = {
        {{9.45f, 0.0f}, {9.6f, 0.95f}, {9.95f, 1.42f}, {10.45f, 1.55f}, {11.0f, 1.32f}, {11.5f, 1.1f},
         {12.2f, 1.18f}, {12.9f, 1.32f}, {13.5f, 1.4f}, {14.0f, 1.44f}, {14.45f, 1.38f}, {14.8f, 0.95f},
         {14.98f, 0.42f}, {15.05f, 0.0f}},
        {{9.45f, 0.0f}, {9.6f, 0.7f}, {9.95f, 0.98f}, {10.45f, 1.05f}, {11.0f, 0.9f}, {11.5f, 0.8f},
         {12.2f, 0.84f}, {12.9f, 0.95f}, {13.4f, 1.02f}, {13.9f, 0.9f}, {14.45f, 0.72f}, {14.8f, 0.55f},
         {14.98f, 0.4f}, {15.05f, 0.0f}},
        {{9.45f, 0.2f}, {10.45f, 0.22f}, {11.5f, 0.2f}, {12.4f, 0.12f}, {13.3f, 0.0f}, {14.0f, 0.1f},
         {14.8f, 0.2f}, {15.05f, 0.25f}}};
    return kProfile;
}

glm::vec3 TorsoPoint(float y, float angle, float grow) {
    const TorsoProfile& t = Torso();
    const float rx = Curve(t.rx, y) + grow;
    const float rz = Curve(t.rz, y) + grow;
    return glm::vec3(rx * std::sin(angle), y, Curve(t.cz, y) - rz * std::cos(angle));
}

void BuildTorso(MeshBuilder& mesh, const Rig& rig) {
    const float top = 15.05f;
    const float bottom = 9.45f;
    WeightTrack track;
    track.Key(10.9f, rig["下半身"]).Key(11.7f, rig["上半身"]).Key(12.5f, rig["上半身"]).Key(13.3f, rig["上半身2"]);
    track.Key(14.75f, rig["上半身2"]).Key(15.05f, rig["首"]);
    mesh.Grid(
        kBlouse, 48, 44, true,
        [=](float u, float v) {
            SurfacePoint p;
            p.position = TorsoPoint(top + (bottom - top) * v, u * glm::two_pi<float>(), 0.0f);
            p.uv = glm::vec2(u, v);
            return p;
        },
        [&rig, track](float, float, const glm::vec3& p) {
            WeightMix mix = track.At(p.y);
            // The top of the shoulders follows the shoulder bones a little.
            const float f = 0.6f * Smooth(0.7f, 1.4f, std::fabs(p.x)) * Smooth(13.7f, 14.5f, p.y);
            if (f > 0.0f) {
                WeightMix blended;
                blended.Add(mix, 1.0f - f);
                blended.Add(rig[p.x > 0.0f ? "左肩" : "右肩"], f);
                mix = blended;
            }
            return mix.Finish();
        });
}

void BuildNeck(MeshBuilder& mesh, const Rig& rig) {
    static Path path({glm::vec3(0.0f, 14.5f, 0.25f), glm::vec3(0.0f, 15.3f, 0.22f), glm::vec3(0.0f, 16.4f, 0.12f)},
                     glm::vec3(0.0f, 0.0f, -1.0f));
    WeightTrack track;
    track.Key(14.8f, rig["上半身2"]).Key(15.1f, rig["首"]).Key(15.7f, rig["首"]).Key(16.1f, rig["頭"]);
    mesh.Grid(kSkin, 20, 10, true, Tube(path, [](float t) { return glm::vec2(0.4f - 0.04f * t); }),
              [track](float, float, const glm::vec3& p) { return track.At(p.y).Finish(); });
}

void BuildArm(MeshBuilder& mesh, const Rig& rig, int side) {
    const std::string s = SideName(side);
    const glm::vec3 arm = Side(kArm, side);
    const glm::vec3 elbow = Side(kElbow, side);
    const glm::vec3 wrist = Side(kWrist, side);
    const glm::vec3 up = glm::normalize(elbow - arm);
    const glm::vec3 fore = glm::normalize(wrist - elbow);
    const Path path({arm - up * 0.5f, arm, elbow, wrist, wrist + fore * 0.15f}, glm::vec3(0.0f, 0.0f, -1.0f));
    const float sArm = 0.5f;
    const float sElbow = sArm + glm::length(elbow - arm);
    const float sWrist = sElbow + glm::length(wrist - elbow);
    const float length = path.Length();
    auto radius = [=](float t) {
        const float s = t * length;
        const float r = Curve({{0.0f, 0.44f},
                               {sArm, 0.44f},
                               {sArm + 0.6f, 0.4f},
                               {sElbow - 0.2f, 0.32f},
                               {sElbow, 0.3f},
                               {sElbow + 0.55f, 0.32f},
                               {sWrist - 0.1f, 0.22f},
                               {length, 0.21f}},
                              s);
        return glm::vec2(r * RoundEnd(s, 0.44f) * RoundEnd(length - s, 0.2f), r * 0.95f);
    };
    WeightTrack track;
    WeightMix root;
    root.Add(rig["上半身2"], 0.4f);
    root.Add(rig[s + "肩"], 0.6f);
    track.Key(0.0f, root).Key(sArm - 0.2f, rig[s + "肩"]).Key(sArm + 0.25f, rig[s + "腕"]);
    track.Key(sArm + 0.8f * (sElbow - sArm), rig[s + "腕捩"]).Key(sElbow - 0.2f, rig[s + "腕捩"]);
    track.Key(sElbow + 0.22f, rig[s + "ひじ"]).Key(sElbow + 0.3f, rig[s + "ひじ"]);
    track.Key(sWrist - 0.45f, rig[s + "手捩"]).Key(sWrist - 0.12f, rig[s + "手捩"]).Key(sWrist + 0.08f, rig[s + "手首"]);
    mesh.Grid(kSkin, 24, 48, true, Tube(path, radius), Along(path, track));

    // Short puffed sleeve of the blouse, closing onto the arm so no opening shows.
    const float sleeveEnd = sArm + 1.05f;
    auto sleeveRadius = [=](float t) {
        const float s = t * sleeveEnd;
        const float puff = 0.5f + 0.12f * std::sin(glm::pi<float>() * std::min(1.0f, s / (sleeveEnd - 0.15f)));
        const float cuff = Smooth(sleeveEnd - 0.2f, sleeveEnd, s);
        const float r = puff * (1.0f - cuff) + 0.44f * cuff;
        return glm::vec2(r * RoundEnd(s, 0.5f), r);
    };
    const Path sleevePath({arm - up * 0.5f, arm, arm + up * 1.05f}, glm::vec3(0.0f, 0.0f, -1.0f));
    mesh.Grid(
        kBlouse, 24, 14, true,
        [&](float u, float v) {
            SurfacePoint p = Tube(sleevePath, sleeveRadius)(u, v);
            p.uv = glm::vec2(u, 0.02f + 0.1f * v);
            return p;
        },
        Along(path, track, 0.0f, sleeveEnd));
}

void BuildHand(MeshBuilder& mesh, const Rig& rig, int side) {
    const std::string s = SideName(side);
    HandLayout hand = LeftHandLayout();
    auto at = [side](const glm::vec3& p) { return Side(p, side); };
    const glm::vec3 along = at(hand.along);
    const glm::vec3 normal = at(hand.palmNormal);
    const glm::vec3 wrist = at(hand.wrist);
    const Path palm({wrist - along * 0.15f, wrist + along * 0.45f, wrist + along * 1.02f}, normal);
    const float palmLength = palm.Length();
    auto palmRadius = [=](float t) {
        const float s = t * palmLength;
        const float width = Curve({{0.0f, 0.26f}, {0.35f, 0.38f}, {0.8f, 0.43f}, {palmLength, 0.41f}}, s);
        const float thick = Curve({{0.0f, 0.16f}, {0.4f, 0.17f}, {palmLength, 0.13f}}, s);
        const float close = RoundEnd(s, 0.1f) * RoundEnd(palmLength - s, 0.13f);
        return glm::vec2(thick * close, width * close);
    };
    WeightTrack palmTrack;
    palmTrack.Key(0.0f, rig[s + "手捩"]).Key(0.3f, rig[s + "手首"]);
    mesh.Grid(kSkin, 20, 14, true, Tube(palm, palmRadius, 0.7f), Along(palm, palmTrack));

    for (const FingerLayout& finger : hand.fingers) {
        const bool thumb = finger.firstNumber == 0;
        static const char* kDigits[4] = {"０", "１", "２", "３"};
        int32_t bones[3];
        for (int j = 0; j < 3; ++j) {
            bones[j] = rig[s + finger.name + kDigits[finger.firstNumber + j]];
        }
        const glm::vec3 dir = glm::normalize(at(finger.joints[1]) - at(finger.joints[0]));
        const float back = thumb ? 0.05f : 0.2f;
        const Path path({at(finger.joints[0]) - dir * back, at(finger.joints[0]), at(finger.joints[1]),
                         at(finger.joints[2]), at(finger.joints[3])},
                        normal);
        const float len = path.Length();
        const float s1 = back + glm::length(finger.joints[1] - finger.joints[0]);
        const float s2 = s1 + glm::length(finger.joints[2] - finger.joints[1]);
        const float r0 = finger.radius * (thumb ? 1.25f : 1.0f);
        auto radius = [=](float t) {
            const float sArc = t * len;
            const float r = r0 * (1.0f - 0.25f * t) * RoundEnd(len - sArc, r0 * 0.9f) * RoundEnd(sArc, r0 * 0.5f);
            return glm::vec2(r * 0.9f, r);
        };
        WeightTrack track;
        if (thumb) {
            WeightMix root;
            root.Add(rig[s + "手首"], 0.5f);
            root.Add(bones[0], 0.5f);
            track.Key(0.0f, root).Key(0.2f, bones[0]);
        } else {
            track.Key(back - 0.12f, rig[s + "手首"]).Key(back + 0.06f, bones[0]);
        }
        track.Key(s1 - 0.06f, bones[0]).Key(s1 + 0.06f, bones[1]).Key(s2 - 0.05f, bones[1]).Key(s2 + 0.05f, bones[2]);
        mesh.Grid(kSkin, 10, 16, true, Tube(path, radius), Along(path, track), false, 0.5f);
    }
}

void BuildLeg(MeshBuilder& mesh, const Rig& rig, int side) {
    const std::string s = SideName(side);
    const glm::vec3 leg = Side(kLeg, side);
    const glm::vec3 knee = Side(kKnee, side);
    const glm::vec3 ankle = Side(kAnkle, side);
    const Path path({leg + glm::vec3(0.0f, 0.5f, 0.0f), leg, knee, ankle, ankle + glm::vec3(0.0f, -0.65f, 0.05f)},
                    glm::vec3(0.0f, 0.0f, -1.0f));
    const float sLeg = 0.5f;
    const float sKnee = sLeg + glm::length(knee - leg);
    const float sAnkle = sKnee + glm::length(ankle - knee);
    const float length = path.Length();
    auto baseRadius = [=](float s) {
        return Curve({{0.0f, 0.82f},
                      {sLeg, 0.86f},
                      {sLeg + 1.2f, 0.74f},
                      {sKnee - 0.5f, 0.53f},
                      {sKnee, 0.5f},
                      {sKnee + 1.3f, 0.56f},
                      {sAnkle - 0.6f, 0.36f},
                      {sAnkle, 0.31f},
                      {length, 0.3f}},
                     s);
    };
    WeightTrack track;
    WeightMix root;
    root.Add(rig["下半身"], 0.6f);
    root.Add(rig[s + "足"], 0.4f);
    track.Key(0.0f, root).Key(sLeg + 0.5f, rig[s + "足"]).Key(sKnee - 0.38f, rig[s + "足"]);
    track.Key(sKnee + 0.38f, rig[s + "ひざ"]).Key(sAnkle - 0.3f, rig[s + "ひざ"]).Key(sAnkle + 0.15f, rig[s + "足首"]);
    // Thigh skin down to the sock top, then the knee sock a touch wider so the seam stays covered.
    const float sockTop = sKnee - 0.75f;
    auto skinRadius = [=](float t) {
        const float sArc = t * length;
        const float r = baseRadius(sArc) * RoundEnd(sArc, 0.6f);
        return glm::vec2(r, r * 0.96f);
    };
    mesh.Grid(
        kSkin, 28, 22, true,
        [&](float u, float v) { return Tube(path, skinRadius)(u, v * sockTop / length); },
        Along(path, track, 0.0f, sockTop));
    const float sockStart = sockTop - 0.06f;
    auto sockRadius = [=](float t) {
        const float sArc = sockStart + t * (length - sockStart);
        const float r = baseRadius(sArc) + 0.025f + 0.03f * Smooth(sockStart + 0.15f, sockStart, sArc);
        return glm::vec2(r, r * 0.96f);
    };
    mesh.Grid(
        kSocks, 28, 30, true,
        [&](float u, float v) {
            const float t = (sockStart + v * (length - sockStart)) / length;
            SurfacePoint p = Tube(path, [&](float) { return sockRadius(v); })(u, t);
            p.uv = glm::vec2(u, v);
            return p;
        },
        Along(path, track, sockStart, length));
}

void BuildShoe(MeshBuilder& mesh, const Rig& rig, int side) {
    const std::string s = SideName(side);
    const float heel = 0.82f;
    const float toe = -1.6f;
    const float x0 = kAnkle.x;
    auto point = [=](float u, float v) {
        const float z = heel + (toe - heel) * v;
        const float d0 = heel - z;
        const float d1 = z - toe;
        const float close = RoundEnd(d0, 0.35f) * RoundEnd(d1, 0.45f);
        const float top = Curve({{toe, 0.42f}, {-0.8f, 0.55f}, {-0.1f, 0.95f}, {0.4f, 1.05f}, {heel, 0.95f}}, z);
        const float halfWidth = Curve({{toe, 0.36f}, {-0.7f, 0.44f}, {0.0f, 0.4f}, {heel, 0.36f}}, z) * close;
        const float halfHeight = 0.5f * top * (0.35f + 0.65f * close);
        const float cy = 0.5f * top + (1.0f - close) * 0.05f;
        const float a = u * glm::two_pi<float>();
        const float c = std::cos(a);
        const float sn = std::sin(a);
        const float e = 0.6f;
        const float cx = std::copysign(std::pow(std::fabs(c), e), c);
        const float sx = std::copysign(std::pow(std::fabs(sn), e), sn);
        SurfacePoint p;
        p.position = glm::vec3((x0 + 0.08f * (heel - z) / (heel - toe)) + halfWidth * sx,
                               std::max(0.0f, cy + halfHeight * cx), z);
        p.position.x *= static_cast<float>(side);
        p.uv = glm::vec2(u, v);
        return p;
    };
    const int32_t ankle = rig[s + "足首"];
    const int32_t toeBone = rig[s + "つま先"];
    mesh.Grid(
        kShoes, 28, 24, true, point,
        [=](float, float, const glm::vec3& p) {
            const float k = Smooth(-0.6f, -1.0f, p.z);
            WeightMix mix;
            mix.Add(ankle, 1.0f - k);
            mix.Add(toeBone, k);
            return mix.Finish();
        },
        side < 0);
}

void BuildSkirt(MeshBuilder& mesh, Rig& rig) {
    // Skirt bones: columns round the waist, rows down to the hem.
    const std::vector<glm::vec2> rx = {{7.7f, 2.6f}, {9.45f, 2.08f}, {10.4f, 1.78f}, {11.3f, 1.34f}};
    const std::vector<glm::vec2> rz = {{7.7f, 2.42f}, {9.45f, 1.85f}, {10.4f, 1.5f}, {11.3f, 1.02f}};
    const float rowY[kSkirtRows + 1] = {11.2f, 9.45f, 7.75f};
    auto ringPoint = [&](float y, float angle, float grow) {
        return glm::vec3((Curve(rx, y) + grow) * std::sin(angle), y, 0.15f - (Curve(rz, y) + grow) * std::cos(angle));
    };
    const int32_t lower = rig["下半身"];
    std::vector<std::vector<int32_t>> bones(kSkirtColumns, std::vector<int32_t>(kSkirtRows + 1));
    for (int c = 0; c < kSkirtColumns; ++c) {
        const float angle = glm::two_pi<float>() * static_cast<float>(c) / kSkirtColumns;
        int32_t parent = lower;
        for (int r = 0; r <= kSkirtRows; ++r) {
            const uint16_t flags = r < kSkirtRows ? static_cast<uint16_t>(kRotBone) : static_cast<uint16_t>(mmd::kPMXBoneRotatable);
            bones[c][r] = rig.Add(SkirtBoneName(c, r), "skirt" + std::to_string(c) + "_" + std::to_string(r),
                                  ringPoint(rowY[r], angle, 0.0f), parent, flags);
            if (r > 0) {
                rig.Bone(parent).m_flags |= mmd::kPMXBoneTailIsBone;
                rig.Bone(parent).m_tailIndex = bones[c][r];
            }
            parent = bones[c][r];
        }
    }
    const float top = 11.35f;
    const float hem = 7.7f;
    auto surface = [&](float u, float v) {
        const float y = top + (hem - top) * v;
        const float angle = u * glm::two_pi<float>();
        // Pleats deepen toward the hem.
        const float phase = u * 24.0f;
        const float tri = 2.0f * std::fabs(2.0f * (phase - std::floor(phase + 0.5f))) - 1.0f;
        const float amp = 0.075f * Smooth(top, hem, y);
        const float grow = (Curve(rx, y)) * amp * tri;
        SurfacePoint p;
        p.position = ringPoint(y, angle, grow);
        p.uv = glm::vec2(u * 4.0f - std::floor(u * 4.0f - 1e-4f), v);
        if (u >= 1.0f) {
            p.uv.x = 1.0f;
        }
        return p;
    };
    auto weights = [&](float u, float, const glm::vec3& p) {
        float col = u * kSkirtColumns;
        const int c0 = static_cast<int>(std::floor(col)) % kSkirtColumns;
        const int c1 = (c0 + 1) % kSkirtColumns;
        const float fc = col - std::floor(col);
        // Row weights: waist band on the lower body, then the two rows of bones.
        WeightTrack rows;
        rows.Key(0.0f, 0).Key(0.12f, 1).Key(0.42f, 1).Key(0.62f, 2);
        const WeightMix rowMix = rows.At((top - p.y) / (top - hem));
        WeightMix mix;
        const BoneWeights rw = rowMix.Finish();
        for (int k = 0; k < rw.count; ++k) {
            if (rw.weights[k] <= 0.0f) continue;
            const int row = rw.bones[k];
            if (row == 0) {
                mix.Add(lower, rw.weights[k]);
            } else {
                mix.Add(bones[c0][row - 1], rw.weights[k] * (1.0f - fc));
                mix.Add(bones[c1][row - 1], rw.weights[k] * fc);
            }
        }
        return mix.Finish();
    };
    mesh.Grid(kSkirt, 96, 16, true, surface, weights);
}

void BuildRibbon(MeshBuilder& mesh, const Rig& rig) {
    const int32_t chest = rig["上半身2"];
    auto fixed = [chest](float, float, const glm::vec3&) { return WeightMix(chest).Finish(); };
    const glm::vec3 knot(0.0f, 14.2f, -0.98f);
    for (int side : {1, -1}) {
        // A loop of the bow: a flattened ring lying on the chest.
        std::vector<glm::vec3> loop;
        for (int k = 0; k <= 12; ++k) {
            const float a = glm::two_pi<float>() * static_cast<float>(k) / 12.0f;
            loop.push_back(knot + glm::vec3(side * (0.32f - 0.3f * std::cos(a)), 0.16f * std::sin(a) * side,
                                            0.04f * (1.0f - std::cos(a))));
        }
        const Path path(loop, glm::vec3(0.0f, 0.0f, -1.0f));
        mesh.Grid(kRibbon, 10, 30, true, Tube(path, [](float) { return glm::vec2(0.05f, 0.11f); }), fixed, false,
                  0.6f);
        const Path tail({knot, knot + glm::vec3(side * 0.12f, -0.35f, -0.02f), knot + glm::vec3(side * 0.2f, -0.7f, 0.0f)},
                        glm::vec3(0.0f, 0.0f, -1.0f));
        mesh.Grid(kRibbon, 10, 10, true,
                  Tube(tail, [](float t) { return glm::vec2(0.04f, 0.1f + 0.04f * t) * RoundEnd((1.0f - t) * 3.0f, 0.2f); }),
                  fixed, false, 0.6f);
    }
    const Path knotPath({knot + glm::vec3(0.0f, 0.1f, 0.0f), knot - glm::vec3(0.0f, 0.1f, 0.0f)},
                        glm::vec3(0.0f, 0.0f, -1.0f));
    mesh.Grid(kRibbon, 12, 8, true,
              Tube(knotPath, [](float t) {
                  const float r = 0.12f * RoundEnd(t * 0.2f, 0.06f) * RoundEnd((1.0f - t) * 0.2f, 0.06f);
                  return glm::vec2(r * 0.8f, r);
              }),
              fixed, false, 0.6f);
}

}  // namespace

std::string SkirtBoneName(int column, int row) {
    return "スカート" + std::to_string(column) + "_" + std::to_string(row);
}

void BuildBody(MeshBuilder& mesh, Rig& rig) {
    BuildTorso(mesh, rig);
    BuildNeck(mesh, rig);
    for (int side : {1, -1}) {
        BuildArm(mesh, rig, side);
        BuildHand(mesh, rig, side);
        BuildLeg(mesh, rig, side);
        BuildShoe(mesh, rig, side);
    }
    BuildSkirt(mesh, rig);
    BuildRibbon(mesh, rig);
}

}  // namespace mnxc

#include <cmath>
#include <string>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

#include "Character.h"
#include "HeadShape.h"
#include "Path.h"

namespace mnxc {
namespace {

const glm::vec3 kSkullCentre(0.0f, head::kCentreY - 0.3f, 0.05f);

// Head surface point moved out along the direction from the skull centre, so the crown stays a single point.
glm::vec3 Shell(float latitude, float angle, float grow) {
    const float y = head::kCentreY + head::kRadiusY * std::cos(latitude);
    const glm::vec3 s = head::Surface(y, angle);
    return s + glm::normalize(s - kSkullCentre) * grow;
}

float LatitudeOf(float y) { return std::acos(std::clamp((y - head::kCentreY) / head::kRadiusY, -1.0f, 1.0f)); }

MeshBuilder::WeightFn Fixed(int32_t bone) {
    return [bone](float, float, const glm::vec3&) { return WeightMix(bone).Finish(); };
}

// A strand of hair: flattened across the surface, pointed at the tip.
RadiusFn Strand(float width, float thickness, float rootRound) {
    return [=](float t) {
        const float taper = std::pow(1.0f - t, 0.7f);
        const float r = RoundEnd(t, rootRound);
        return glm::vec2(thickness * (0.4f + 0.6f * taper) * r, width * taper * r);
    };
}

MeshBuilder::SurfaceFn HairUV(MeshBuilder::SurfaceFn fn) {
    return [fn](float u, float v) {
        SurfacePoint p = fn(u, v);
        p.uv = glm::vec2(u, v);
        return p;
    };
}

void Cap(MeshBuilder& mesh, int32_t headBone) {
    auto hairline = [](float angle) {
        const float back = std::pow(0.5f - 0.5f * std::cos(angle), 0.6f);
        return 17.95f - (17.95f - 15.55f) * back;
    };
    mesh.Grid(
        kHair, 56, 22, true,
        [&](float u, float v) {
            const float angle = u * glm::two_pi<float>();
            const float grow = 0.12f + 0.08f * (0.5f - 0.5f * std::cos(angle)) * (1.0f - v * 0.5f);
            SurfacePoint p;
            p.position = Shell(v * LatitudeOf(hairline(angle)), angle, grow);
            p.uv = glm::vec2(u * 3.0f - std::floor(u * 3.0f - 1e-4f), v);
            return p;
        },
        Fixed(headBone));
}

void Bangs(MeshBuilder& mesh, int32_t headBone) {
    constexpr int kCount = 9;
    for (int i = 0; i < kCount; ++i) {
        const float k = static_cast<float>(i - kCount / 2) / (kCount / 2);  // -1 .. 1
        const float rootX = 1.05f * k;
        const float tipY = 17.12f - 0.5f * k * k * std::fabs(k) - ((i % 2) ? 0.12f : 0.0f);
        const float tipX = rootX * 1.12f + (i % 2 ? 0.05f : -0.05f);
        std::vector<glm::vec3> points;
        constexpr int kSteps = 6;
        for (int s = 0; s <= kSteps; ++s) {
            const float t = static_cast<float>(s) / kSteps;
            const float y = 18.55f + (tipY - 18.55f) * t;
            const float x = rootX + (tipX - rootX) * t * t;
            points.push_back(head::Front(x, y, 0.16f + 0.05f * (1.0f - t)));
        }
        const Path path(points, head::FrontNormal(rootX, 18.55f));
        mesh.Grid(kHair, 10, 14, true, HairUV(Tube(path, Strand(0.2f, 0.075f, 0.05f))), Fixed(headBone));
    }
}

void SideLocks(MeshBuilder& mesh, int32_t headBone) {
    for (int side : {1, -1}) {
        const float a = 1.22f * side;
        const glm::vec3 p0 = head::Surface(17.9f, a, 0.17f);
        const glm::vec3 p1 = head::Surface(17.0f, a, 0.17f);
        const glm::vec3 p2 = head::Surface(16.1f, a * 1.02f, 0.2f);
        const Path path({p0, p1, p2, p2 + glm::vec3(0.04f * side, -0.9f, -0.05f), p2 + glm::vec3(0.08f * side, -1.7f, 0.0f)},
                        glm::vec3(std::sin(a), 0.0f, -std::cos(a)));
        mesh.Grid(kHair, 10, 20, true, HairUV(Tube(path, Strand(0.3f, 0.12f, 0.08f))), Fixed(headBone));
    }
}

void BackHair(MeshBuilder& mesh, int32_t headBone) {
    constexpr int kCount = 9;
    for (int i = 0; i < kCount; ++i) {
        const float k = static_cast<float>(i - kCount / 2) / (kCount / 2);
        const float a = glm::pi<float>() + 1.35f * k;
        const glm::vec3 p0 = Shell(0.95f, a, 0.1f);
        const glm::vec3 p1 = Shell(1.7f, a, 0.2f);
        const glm::vec3 p2 = Shell(2.3f, a, 0.26f);
        const float tipY = 14.15f + 0.3f * std::fabs(k) + ((i % 2) ? 0.15f : 0.0f);
        glm::vec3 tip = p2;
        tip.y = tipY;
        tip.z = std::max(p2.z, 1.0f) + 0.05f;
        const Path path({p0, p1, p2, (p2 + tip) * 0.5f + glm::vec3(0.0f, 0.0f, 0.08f), tip},
                        glm::normalize(p1 - kSkullCentre));
        mesh.Grid(kHair, 10, 18, true, HairUV(Tube(path, Strand(0.36f, 0.15f, 0.1f))), Fixed(headBone));
    }
}

void Ahoge(MeshBuilder& mesh, int32_t headBone) {
    const Path path({glm::vec3(0.0f, head::kTop + 0.05f, -0.15f), glm::vec3(0.05f, 19.45f, -0.45f),
                     glm::vec3(0.25f, 19.78f, -0.85f), glm::vec3(0.48f, 19.62f, -1.08f)},
                    glm::vec3(0.0f, 0.0f, -1.0f));
    mesh.Grid(kHair, 8, 12, true, HairUV(Tube(path, Strand(0.12f, 0.05f, 0.03f))), Fixed(headBone));
}

void Tails(MeshBuilder& mesh, Rig& rig) {
    const int32_t headBone = rig["頭"];
    for (int side : {1, -1}) {
        auto at = [side](float x, float y, float z) { return glm::vec3(x * side, y, z); };
        const glm::vec3 root = Shell(0.75f, 2.1f * side, 0.0f);
        const std::vector<glm::vec3> joints = {at(2.05f, 17.7f, 0.95f), at(2.35f, 16.3f, 1.3f),
                                               at(2.45f, 14.2f, 1.45f), at(2.4f, 12.2f, 1.45f),
                                               at(2.25f, 10.3f, 1.35f)};
        const glm::vec3 tip = at(2.05f, 8.9f, 1.25f);
        int32_t parent = headBone;
        std::vector<int32_t> bones;
        for (int k = 0; k < kHairTailBones; ++k) {
            const int32_t bone = rig.Add(HairBoneName(side, k + 1),
                                         std::string("hair") + std::to_string(k + 1) + (side > 0 ? "_L" : "_R"),
                                         joints[k], parent, kRotBone);
            if (k > 0) {
                rig.Bone(parent).m_flags |= mmd::kPMXBoneTailIsBone;
                rig.Bone(parent).m_tailIndex = bone;
            }
            bones.push_back(bone);
            parent = bone;
        }
        rig.Bone(parent).m_tailOffset = tip - joints.back();

        std::vector<glm::vec3> points = {root};
        points.insert(points.end(), joints.begin(), joints.end());
        points.push_back(tip);
        const Path path(points, glm::vec3(side, 0.0f, 0.0f));
        std::vector<float> arc = {0.0f};
        for (size_t k = 1; k < points.size(); ++k) {
            arc.push_back(arc.back() + glm::length(points[k] - points[k - 1]));
        }
        // Arc lengths of the control points approximate those of the smooth path closely enough for weights.
        const float scale = path.Length() / arc.back();
        WeightTrack track;
        track.Key(arc[1] * scale - 0.25f, headBone);
        for (int k = 0; k < kHairTailBones; ++k) {
            const float s = arc[k + 1] * scale;
            track.Key(s + 0.3f, bones[k]);
            const float next = arc[k + 2] * scale;
            if (k + 1 < kHairTailBones) {
                track.Key(next - 0.3f, bones[k]);
            }
        }
        const float length = path.Length();
        auto radius = [=](float t) {
            const float s = t * length;
            const float r = Curve({{0.0f, 0.25f}, {1.0f, 0.42f}, {2.6f, 0.52f}, {5.5f, 0.46f}, {length, 0.05f}}, s) *
                            RoundEnd(s, 0.2f) * RoundEnd(length - s, 0.6f);
            return glm::vec2(r, r * 0.82f);
        };
        mesh.Grid(kHair, 14, 48, true, HairUV(Tube(path, radius)),
                  [track, length](float, float v, const glm::vec3&) { return track.At(v * length).Finish(); });

        // The tie round the root of the tail.
        const Path::Frame f = path.At(0.55f);
        std::vector<glm::vec3> ring;
        for (int k = 0; k <= 12; ++k) {
            const float a = glm::two_pi<float>() * static_cast<float>(k) / 12.0f;
            ring.push_back(f.position + (f.normal * std::cos(a) + f.binormal * std::sin(a)) * 0.36f);
        }
        const Path tie(ring, f.tangent);
        mesh.Grid(kRibbon, 8, 26, true, Tube(tie, [](float) { return glm::vec2(0.1f, 0.09f); }), Fixed(headBone),
                  false, 0.6f);
    }
}

}  // namespace

std::string HairBoneName(int side, int k) {
    static const char* kDigits[10] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
    return SideName(side) + "髪" + kDigits[k % 10];
}

void BuildHair(MeshBuilder& mesh, Rig& rig) {
    const int32_t headBone = rig["頭"];
    Cap(mesh, headBone);
    Bangs(mesh, headBone);
    SideLocks(mesh, headBone);
    BackHair(mesh, headBone);
    Ahoge(mesh, headBone);
    Tails(mesh, rig);
}

}  // namespace mnxc

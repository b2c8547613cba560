#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

#include "Character.h"
#include "HeadShape.h"
#include "Path.h"

namespace mnxc {
namespace {

// One facial expression as a set of shape controls; every vertex morph is the difference between the face built
// with its expression and the neutral face.
struct Expression {
    float closeL = 0.0f, closeR = 0.0f;  // eyes shut (blink line)
    float happyL = 0.0f, happyR = 0.0f;  // eyes shut as arches (laughing)
    float wide = 0.0f;                   // eyes wide open, irises smaller
    float browUp = 0.0f, browAngry = 0.0f, browWorry = 0.0f;
    float open = 0.0f;   // mouth opening (model units at the centre)
    float width = 1.0f;  // mouth width factor
    float round = 0.0f;  // 1 rounds the opening
    float smile = 0.0f, frown = 0.0f;
    float puff = 0.0f;
    float tongue = 0.0f;
};

constexpr float kEyeY = 16.72f;
constexpr float kEyeX = 0.56f;
constexpr float kEyeHalfWidth = 0.3f;
constexpr float kEyeHalfHeight = 0.36f;
constexpr float kMouthY = 15.93f;
constexpr float kMouthHalfWidth = 0.16f;

float Pow(float base, float e) { return std::pow(std::max(base, 0.0f), e); }

// Eye outline in eye space: q runs from the inner corner (-1) to the outer corner (+1).
float EyeTop(float q) { return kEyeY + kEyeHalfHeight * Pow(1.0f - q * q, 0.45f) * (1.0f - 0.08f * q); }
float EyeBottom(float q) { return kEyeY - kEyeHalfHeight * 0.85f * Pow(1.0f - q * q, 0.6f); }
float BlinkLine(float q) { return kEyeY - 0.35f * kEyeHalfHeight - 0.18f * kEyeHalfHeight * (1.0f - q * q); }
float HappyLine(float q) { return kEyeY - 0.25f * kEyeHalfHeight + 0.4f * kEyeHalfHeight * (1.0f - q * q); }

// Moves a point of the eye opening (eye space q, height y) by the eye controls of one side.
float EyeY(float q, float y, const Expression& e, int side) {
    const float close = side > 0 ? e.closeL : e.closeR;
    const float happy = side > 0 ? e.happyL : e.happyR;
    y = kEyeY + (y - kEyeY) * (1.0f + 0.2f * e.wide * (y > kEyeY ? 1.0f : 0.4f));
    y += close * (BlinkLine(q) - y);
    y += happy * (HappyLine(q) - y);
    return y;
}

float EyeCentreX(int side) { return kEyeX * static_cast<float>(side); }
float EyeQ(float x, int side) { return (x - EyeCentreX(side)) / kEyeHalfWidth * static_cast<float>(side); }

// Cheeks puff out and the jaw drops with the mouth; applied to skin and features alike so they stay together.
glm::vec3 SkinDisplace(const glm::vec3& p, const Expression& e) {
    glm::vec3 d(0.0f);
    if (e.puff > 0.0f) {
        for (int side : {1, -1}) {
            const glm::vec2 c(0.72f * side, 16.1f);
            const float r2 = (glm::dot(glm::vec2(p.x, p.y) - c, glm::vec2(p.x, p.y) - c)) / (0.38f * 0.38f);
            const float front = 1.0f - Smooth(-0.6f, 0.2f, p.z);
            d += glm::normalize(glm::vec3(0.55f * side, -0.1f, -0.8f)) * (0.14f * e.puff * std::exp(-r2) * front);
        }
    }
    if (e.open > 0.0f) {
        const float below = Smooth(kMouthY + 0.03f, kMouthY - 0.3f, p.y);
        const float centre = 1.0f - Smooth(0.4f, 1.05f, std::fabs(p.x));
        const float front = 1.0f - Smooth(-0.5f, 0.3f, p.z);
        d.y -= 0.5f * e.open * below * centre * front;
    }
    return d;
}

// A piece of the face: a grid whose shape depends on the expression.
struct Feature {
    GridIndices grid;
    int cols = 0;
    bool wrap = false;
    std::function<glm::vec3(float u, float v, const Expression&)> shape;
};

class FaceBuilder {
public:
    FaceBuilder(MeshBuilder& mesh, Rig& rig, mmd::PMXFileData& pmx) : m_mesh(mesh), m_rig(rig), m_pmx(pmx) {}

    void Add(int material, int cols, int rows, bool wrap, std::function<glm::vec3(float, float, const Expression&)> shape,
             std::function<glm::vec2(float, float)> uv, int32_t bone, float edge = 0.0f) {
        Feature f;
        f.cols = cols;
        f.wrap = wrap;
        f.shape = [shape](float u, float v, const Expression& e) {
            const glm::vec3 p = shape(u, v, e);
            return p + SkinDisplace(shape(u, v, Expression{}), e);
        };
        const Expression neutral;
        f.grid = m_mesh.Grid(
            material, cols, rows, wrap,
            [&](float u, float v) {
                SurfacePoint p;
                p.position = f.shape(u, v, neutral);
                p.uv = uv(u, v);
                return p;
            },
            [bone](float, float, const glm::vec3&) { return WeightMix(bone).Finish(); }, false, edge);
        m_features.push_back(std::move(f));
    }

    void HeadSkin() {
        const int32_t headBone = m_rig["頭"];
        Add(
            kSkin, 56, 44, true,
            [](float u, float v, const Expression&) {
                const float y = head::kCentreY + head::kRadiusY * std::cos(glm::pi<float>() * v);
                return head::Surface(y, u * glm::two_pi<float>());
            },
            [](float u, float v) { return glm::vec2(u, v); }, headBone, 1.0f);
    }

    void Eye(int side) {
        const int32_t eyeBone = m_rig[SideName(side) + "目"];
        const int32_t headBone = m_rig["頭"];
        const float cx = EyeCentreX(side);
        auto xAt = [cx](float u, float extend) { return cx + (2.0f * u - 1.0f) * kEyeHalfWidth * extend; };
        // Eye white.
        Add(
            kEyeWhite, 12, 8, false,
            [=](float u, float v, const Expression& e) {
                const float x = xAt(u, 1.0f);
                const float q = EyeQ(x, side);
                const float y = EyeTop(q) + (EyeBottom(q) - EyeTop(q)) * v;
                return head::Front(x, EyeY(q, y, e, side), 0.02f);
            },
            [](float u, float v) { return glm::vec2(u, v); }, headBone);
        // Iris with pupil (texture), turning with the eye bone.
        const float ix = cx - 0.03f * side;
        const float iy = kEyeY - 0.02f;
        auto irisPoint = [=](float u, float v, const Expression& e, float rx, float ry, float ox, float oy,
                             float offset) {
            const float a = u * glm::two_pi<float>();
            const float shrink = 1.0f - 0.22f * e.wide;
            const float x = ix + (ox + rx * v * std::cos(a)) * shrink;
            float y = iy + (oy + ry * v * std::sin(a)) * shrink;
            const float q = EyeQ(x, side);
            y = EyeY(q, y, e, side);
            return head::Front(x, y, offset);
        };
        Add(
            kIris, 20, 6, true,
            [=](float u, float v, const Expression& e) { return irisPoint(u, v, e, 0.215f, 0.285f, 0.0f, 0.0f, 0.04f); },
            [](float u, float v) {
                const float a = u * glm::two_pi<float>();
                return glm::vec2(0.5f + 0.5f * v * std::cos(a), 0.5f - 0.5f * v * std::sin(a));
            },
            eyeBone);
        // Catch lights: one large, one small, lit from the same side on both eyes.
        for (int k = 0; k < 2; ++k) {
            const float r = k == 0 ? 0.075f : 0.038f;
            const float ox = k == 0 ? 0.07f : -0.08f;
            const float oy = k == 0 ? 0.11f : -0.13f;
            Add(
                kHighlight, 12, 3, true,
                [=](float u, float v, const Expression& e) { return irisPoint(u, v, e, r, r * 1.15f, ox, oy, 0.06f); },
                [](float u, float v) {
                    const float a = u * glm::two_pi<float>();
                    return glm::vec2(0.5f + 0.5f * v * std::cos(a), 0.5f - 0.5f * v * std::sin(a));
                },
                eyeBone);
        }
        // Upper lash line, thicker toward the outer corner with a small flick.
        Add(
            kLash, 20, 3, false,
            [=](float u, float v, const Expression& e) {
                const float q = side > 0 ? -1.08f + 2.22f * u : 1.14f - 2.22f * u;
                const float x = cx + q * kEyeHalfWidth * side;
                const float qc = std::clamp(q, -1.0f, 1.0f);
                const float thick = 0.05f + 0.04f * Smooth(-0.4f, 1.0f, q);
                const float flick = 0.07f * Smooth(0.92f, 1.14f, q);
                const float base = EyeY(qc, EyeTop(qc) - 0.01f, e, side) + flick * (1.0f - v);
                return head::Front(x, base + thick * (0.75f - v), 0.07f);
            },
            [](float u, float v) { return glm::vec2(u, v); }, headBone);
        // Lower lash line.
        Add(
            kLash, 14, 2, false,
            [=](float u, float v, const Expression& e) {
                const float q = side > 0 ? -0.35f + 1.4f * u : 1.05f - 1.4f * u;
                const float x = cx + q * kEyeHalfWidth * side;
                const float happy = side > 0 ? e.happyL : e.happyR;
                const float y = EyeBottom(std::clamp(q, -1.0f, 1.0f)) + 0.06f * happy;
                return head::Front(x, y + 0.022f * (0.5f - v), 0.06f);
            },
            [](float u, float v) { return glm::vec2(u, v); }, headBone);
    }

    void Brow(int side) {
        const int32_t headBone = m_rig["頭"];
        const float inner = 0.27f * side;
        const float outer = 0.92f * side;
        Add(
            kBrow, 14, 3, false,
            [=](float u, float v, const Expression& e) {
                const float x = side > 0 ? inner + (outer - inner) * u : outer + (inner - outer) * u;
                const float q = (x - inner) / (outer - inner) * 2.0f - 1.0f;
                float y = 17.45f + 0.07f * (1.0f - q * q) - 0.04f * q;
                y += 0.13f * e.browUp;
                y += e.browAngry * (-0.14f * (1.0f - q) * 0.5f + 0.05f * (1.0f + q) * 0.5f);
                y += e.browWorry * (0.12f * (1.0f - q) * 0.5f - 0.05f * (1.0f + q) * 0.5f);
                const float thick = 0.06f * (1.0f - 0.45f * Smooth(-1.0f, 1.0f, q)) * RoundEnd(1.0f - std::fabs(q), 0.15f);
                return head::Front(x, y + thick * (0.5f - v) * 2.0f, 0.08f);
            },
            [](float u, float v) { return glm::vec2(u, v); }, headBone);
    }

    static float MouthCurve(float q, const Expression& e) {
        return kMouthY + 0.02f * q * q + (0.07f * e.smile) * q * q - 0.075f * e.frown * q * q + 0.025f * e.frown;
    }

    static float MouthWidth(const Expression& e) { return kMouthHalfWidth * e.width * (1.0f + 0.12f * e.smile); }

    void Mouth() {
        const int32_t headBone = m_rig["頭"];
        Add(
            kMouth, 18, 7, false,
            [](float u, float v, const Expression& e) {
                const float q = 2.0f * u - 1.0f;
                const float x = q * MouthWidth(e);
                const float shape = e.round > 0.0f ? Pow(1.0f - q * q, 0.8f - 0.35f * e.round) : Pow(1.0f - q * q, 0.8f);
                const float top = MouthCurve(q, e) + 0.18f * e.open * shape;
                const float bottom = MouthCurve(q, e) - 0.03f * Pow(1.0f - q * q, 0.5f) - e.open * shape;
                return head::Front(x, top + (bottom - top) * v, 0.02f);
            },
            [](float u, float v) { return glm::vec2(u, v); }, headBone);
        Add(
            kTongue, 14, 4, true,
            [](float u, float v, const Expression& e) {
                const float a = u * glm::two_pi<float>();
                const float scale = 0.15f + 0.85f * e.tongue;
                const float x = 0.11f * v * std::cos(a) * scale;
                const float y = kMouthY - 0.07f - 0.1f * e.tongue + 0.1f * v * std::sin(a) * scale;
                return head::Front(x, y, -0.12f + 0.16f * e.tongue);
            },
            [](float u, float v) {
                const float a = u * glm::two_pi<float>();
                return glm::vec2(0.5f + 0.5f * v * std::cos(a), 0.5f - 0.5f * v * std::sin(a));
            },
            headBone);
        // A small nose mark.
        Add(
            kLash, 8, 2, true,
            [](float u, float v, const Expression&) {
                const float a = u * glm::two_pi<float>();
                return head::Front(0.025f * v * std::cos(a), 16.36f + 0.018f * v * std::sin(a), 0.015f);
            },
            [](float u, float v) { return glm::vec2(u, v); }, headBone);
    }

    void Blush(int side) {
        const int32_t headBone = m_rig["頭"];
        Add(
            kBlush, 14, 4, true,
            [side](float u, float v, const Expression&) {
                const float a = u * glm::two_pi<float>();
                return head::Front(0.76f * side + 0.28f * v * std::cos(a), 16.33f + 0.13f * v * std::sin(a), 0.015f);
            },
            [](float u, float v) {
                const float a = u * glm::two_pi<float>();
                return glm::vec2(0.5f + 0.5f * v * std::cos(a), 0.5f - 0.5f * v * std::sin(a));
            },
            headBone);
    }

    void AddMorph(const std::string& name, const std::string& english, uint8_t panel, const Expression& e) {
        mmd::PMXMorphRecord morph;
        morph.m_name = name;
        morph.m_englishName = english;
        morph.m_controlPanel = panel;
        morph.m_type = mmd::PMXMorphType::Position;
        for (const Feature& f : m_features) {
            const int vertexCols = f.grid.cols;
            for (int r = 0; r < f.grid.rows; ++r) {
                for (int c = 0; c < vertexCols; ++c) {
                    const uint32_t index = f.grid.At(c, r);
                    const glm::vec3 moved = f.shape(GridU(c, f.cols, f.wrap), GridV(r, f.grid.rows), e);
                    const glm::vec3 offset = moved - m_pmx.m_vertices[index].m_position;
                    if (glm::length(offset) > 1e-5f) {
                        morph.m_positionOffsets.push_back(mmd::PMXPositionMorphOffset{index, offset});
                    }
                }
            }
        }
        m_pmx.m_morphs.push_back(std::move(morph));
    }

private:
    MeshBuilder& m_mesh;
    Rig& m_rig;
    mmd::PMXFileData& m_pmx;
    std::vector<Feature> m_features;
};

}  // namespace

void BuildFace(MeshBuilder& mesh, Rig& rig, mmd::PMXFileData& pmx) {
    FaceBuilder face(mesh, rig, pmx);
    face.HeadSkin();
    for (int side : {1, -1}) {
        face.Eye(side);
        face.Brow(side);
        face.Blush(side);
    }
    face.Mouth();

    // Panels: 1 brows, 2 eyes, 3 mouth, 4 other.
    Expression e;
    e = {};
    e.closeL = e.closeR = 1.0f;
    face.AddMorph("まばたき", "blink", 2, e);
    e = {};
    e.happyL = e.happyR = 1.0f;
    face.AddMorph("笑い", "smile", 2, e);
    e = {};
    e.happyL = 1.0f;
    face.AddMorph("ウィンク", "wink", 2, e);
    e = {};
    e.happyR = 1.0f;
    face.AddMorph("ウィンク右", "wink R", 2, e);
    e = {};
    e.wide = 1.0f;
    face.AddMorph("びっくり", "surprised", 2, e);
    e = {};
    e.browUp = 1.0f;
    face.AddMorph("上", "brow up", 1, e);
    e = {};
    e.browAngry = 1.0f;
    face.AddMorph("怒り", "angry", 1, e);
    e = {};
    e.browWorry = 1.0f;
    face.AddMorph("困る", "troubled", 1, e);
    e = {};
    e.open = 0.3f;
    face.AddMorph("あ", "a", 3, e);
    e = {};
    e.open = 0.08f;
    e.width = 1.35f;
    face.AddMorph("い", "i", 3, e);
    e = {};
    e.open = 0.12f;
    e.width = 0.5f;
    e.round = 1.0f;
    face.AddMorph("う", "u", 3, e);
    e = {};
    e.open = 0.16f;
    e.width = 1.18f;
    face.AddMorph("え", "e", 3, e);
    e = {};
    e.open = 0.26f;
    e.width = 0.72f;
    e.round = 1.0f;
    face.AddMorph("お", "o", 3, e);
    e = {};
    e.smile = 1.0f;
    face.AddMorph("にこり", "grin", 3, e);
    e = {};
    e.frown = 1.0f;
    face.AddMorph("∧", "frown", 3, e);
    e = {};
    e.puff = 1.0f;
    e.width = 0.55f;
    e.open = 0.03f;
    e.round = 1.0f;
    face.AddMorph("ぷぅ", "pout", 3, e);
    e = {};
    e.tongue = 1.0f;
    e.open = 0.06f;
    face.AddMorph("ぺろっ", "tongue out", 3, e);
}

}  // namespace mnxc

#include <gtest/gtest.h>

#include <cstdlib>
#include <glm/gtc/quaternion.hpp>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>

#include "mmd/PMXModel.h"
#include "mmd/PMXSkinning.h"
#include "support/ModelBuilder.h"
#include "mmd/writer/PmxWriter.h"
#include "support/SkinningReference.h"
#include "support/TempDir.h"

namespace {

using mmd::PMXVertexWeight;
using mnx::test::ModelBuilder;
using mnx::test::SkinningReference;

constexpr int kVertexCount = 20000;  // enough for 16 ranges of at least 1000 vertices
constexpr int kBoneCount = 8;

// A model whose vertices all use one weight type, with random positions, normals, UVs, bones and weights (some
// BDEF4/QDEF slots empty), one position morph over every tenth vertex, and a chain of bones with a side branch.
mmd::PMXFileData MakeModel(PMXVertexWeight type) {
    std::mt19937 rng(1234 + static_cast<int>(type));
    std::uniform_real_distribution<float> coord(-2.0f, 2.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> boneOf(0, kBoneCount - 1);
    ModelBuilder b;
    int parent = -1;
    for (int i = 0; i < kBoneCount; ++i) {
        parent = b.AddBone("bone" + std::to_string(i), {coord(rng), coord(rng), coord(rng)}, i == 5 ? 1 : parent);
    }
    for (int i = 0; i < kVertexCount; ++i) {
        const glm::vec3 p(coord(rng), coord(rng), coord(rng));
        int v = 0;
        switch (type) {
            case PMXVertexWeight::BDEF1:
                v = b.AddVertex(p, boneOf(rng));
                break;
            case PMXVertexWeight::BDEF2:
                v = b.AddVertexBDEF2(p, boneOf(rng), boneOf(rng), unit(rng));
                break;
            case PMXVertexWeight::BDEF4:
            case PMXVertexWeight::QDEF: {
                std::array<int32_t, 4> bones{boneOf(rng), boneOf(rng), boneOf(rng), boneOf(rng)};
                std::array<float, 4> weights{unit(rng), unit(rng), unit(rng), unit(rng)};
                if (i % 3 == 0) {
                    bones[3] = -1;
                    weights[3] = 0.0f;
                }
                const float sum = weights[0] + weights[1] + weights[2] + weights[3];
                for (float& w : weights) w /= sum;
                v = type == PMXVertexWeight::QDEF ? b.AddVertexQDEF(p, bones, weights)
                                                  : b.AddVertexBDEF4(p, bones, weights);
                break;
            }
            case PMXVertexWeight::SDEF: {
                const int b0 = boneOf(rng);
                const int b1 = (b0 + 1 + boneOf(rng) % (kBoneCount - 1)) % kBoneCount;
                v = b.AddVertexSDEF(p, b0, b1, unit(rng), {coord(rng), coord(rng), coord(rng)},
                                    {coord(rng), coord(rng), coord(rng)}, {coord(rng), coord(rng), coord(rng)});
                break;
            }
        }
        b.Vertex(v).m_normal = glm::normalize(glm::vec3(coord(rng), coord(rng), coord(rng)) + glm::vec3(0.01f));
        b.Vertex(v).m_uv = glm::vec2(unit(rng), unit(rng));
    }
    std::vector<std::pair<uint32_t, glm::vec3>> offsets;
    for (uint32_t i = 0; i < kVertexCount; i += 10) {
        offsets.push_back({i, {coord(rng) * 0.1f, coord(rng) * 0.1f, coord(rng) * 0.1f}});
    }
    b.AddPositionMorph("morph", offsets);
    return b.Build();
}

class SkinningFixture {
public:
    explicit SkinningFixture(PMXVertexWeight type) : m_pmx(MakeModel(type)), m_temp("mnx-skin"), m_dir(m_temp.Path()) {
        const std::string path = m_dir + "/model.pmx";
        EXPECT_TRUE(mmd::PmxWriter::WriteFile(m_pmx, path));
        EXPECT_TRUE(m_model.Load(path, m_dir));
        m_model.InitializeAnimation();
    }

    // Poses every bone at random, applies the morph at `weight` and skins with `parallelCount` tasks.
    void Pose(uint32_t parallelCount, float morphWeight, unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> angle(-1.5f, 1.5f);
        std::uniform_real_distribution<float> shift(-0.5f, 0.5f);
        m_model.BeginAnimation();
        for (size_t i = 0; i < m_model.GetNodeManager()->GetNodeCount(); ++i) {
            mmd::MMDNode* node = m_model.GetNodeManager()->GetNode(i);
            const glm::vec3 axis = glm::normalize(glm::vec3(angle(rng), angle(rng), angle(rng)) + glm::vec3(0.01f));
            node->SetAnimationRotate(glm::angleAxis(angle(rng), axis));
            node->SetAnimationTranslate(glm::vec3(shift(rng), shift(rng), shift(rng)));
        }
        m_model.GetMorphManager()->GetMorph(0)->SetWeight(morphWeight);
        m_model.UpdateMorphAnimation();
        m_model.UpdateNodeAnimation(false);
        m_model.UpdateNodeAnimation(true);
        m_model.EndAnimation();
        m_model.SetParallelUpdateHint(parallelCount);
        m_model.Update();
    }

    SkinningReference::Result Reference(float morphWeight) {
        std::vector<glm::mat4> globals;
        std::vector<glm::mat4> inverseInits;
        for (size_t i = 0; i < m_model.GetNodeManager()->GetNodeCount(); ++i) {
            globals.push_back(m_model.GetNodeManager()->GetNode(i)->GetGlobalTransform());
            inverseInits.push_back(m_model.GetNodeManager()->GetNode(i)->GetInverseInitTransform());
        }
        std::vector<glm::vec3> morph(m_pmx.m_vertices.size(), glm::vec3(0.0f));
        for (const auto& o : m_pmx.m_morphs[0].m_positionOffsets) {
            morph[o.m_vertexIndex] += glm::vec3(o.m_position.x, o.m_position.y, -o.m_position.z) * morphWeight;
        }
        return SkinningReference::Skin(m_pmx, globals, inverseInits, morph);
    }

    mmd::PMXModel& Model() { return m_model; }

private:
    mmd::PMXFileData m_pmx;
    mnx::test::TempDir m_temp;
    std::string m_dir;
    mmd::PMXModel m_model;
};

// One loaded model per weight type, shared by that type's parallel counts.
SkinningFixture& FixtureFor(PMXVertexWeight type) {
    static std::map<PMXVertexWeight, std::unique_ptr<SkinningFixture>> fixtures;
    auto& f = fixtures[type];
    if (!f) f = std::make_unique<SkinningFixture>(type);
    return *f;
}

void ExpectNear(const glm::vec3& expected, const glm::vec3& actual, size_t vertex, const char* what) {
    ASSERT_NEAR(expected.x, actual.x, 1e-5f) << what << " of vertex " << vertex;
    ASSERT_NEAR(expected.y, actual.y, 1e-5f) << what << " of vertex " << vertex;
    ASSERT_NEAR(expected.z, actual.z, 1e-5f) << what << " of vertex " << vertex;
}

class PMXSkinningTest : public testing::TestWithParam<std::tuple<PMXVertexWeight, uint32_t>> {};

TEST_P(PMXSkinningTest, MatchesTheSingleThreadedReference) {
    const auto [type, parallelCount] = GetParam();
    SkinningFixture& f = FixtureFor(type);
    const float morphWeight = parallelCount % 2 == 0 ? 0.7f : 0.0f;
    f.Pose(parallelCount, morphWeight, 100 + parallelCount);
    const SkinningReference::Result expected = f.Reference(morphWeight);
    const mmd::PMXModel& m = f.Model();
    ASSERT_EQ(m.GetVertexCount(), expected.positions.size());
    for (size_t i = 0; i < expected.positions.size(); ++i) {
        ExpectNear(expected.positions[i], m.GetUpdatePositions()[i], i, "position");
        ExpectNear(expected.normals[i], m.GetUpdateNormals()[i], i, "normal");
        ASSERT_EQ(expected.uvs[i], m.GetUpdateUVs()[i]) << "uv of vertex " << i;
    }
}

std::string TypeName(PMXVertexWeight type) {
    static const char* const kNames[] = {"BDEF1", "BDEF2", "BDEF4", "SDEF", "QDEF"};
    return kNames[static_cast<int>(type)];
}

INSTANTIATE_TEST_SUITE_P(EveryTypeAndCount, PMXSkinningTest,
                         testing::Combine(testing::Values(PMXVertexWeight::BDEF1, PMXVertexWeight::BDEF2,
                                                          PMXVertexWeight::BDEF4, PMXVertexWeight::SDEF,
                                                          PMXVertexWeight::QDEF),
                                          testing::Range(1u, 17u)),
                         [](const testing::TestParamInfo<PMXSkinningTest::ParamType>& info) {
                             return TypeName(std::get<0>(info.param)) + "_x" + std::to_string(std::get<1>(info.param));
                         });

}  // namespace

#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "SampleCharacter.h"
#include "app/base/KySettings.h"
#include "face/BuildInternalMorphs.h"
#include "mmd/PMXModel.h"
#include "support/ModelBuilder.h"
#include "support/PmxWriter.h"

namespace {

using mnx::test::ModelBuilder;
using Offsets = std::vector<std::pair<uint32_t, glm::vec3>>;

// Five face vertices along x (the model's left is +x) and morphs added per test.
constexpr float kRestX[] = {-2.0f, -1.0f, 0.0f, 1.0f, 2.0f};

// Skinned positions with the named morph at `weight` and every other morph at 0.
std::vector<glm::vec3> Skin(mmd::PMXModel& model, int32_t morph, float weight) {
    model.InitializeAnimation();
    if (morph >= 0) model.GetMorphManager()->GetMorph(static_cast<size_t>(morph))->SetWeight(weight);
    model.BeginAnimation();
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    model.EndAnimation();
    model.Update();
    return {model.GetUpdatePositions(), model.GetUpdatePositions() + model.GetVertexCount()};
}

// What the named morph at `weight` does to each vertex (runtime frame). Measured against the skinned rest pose,
// so that vertices the morph leaves alone read exactly 0 whatever the skinning's rounding.
std::vector<glm::vec3> MovesOf(mmd::PMXModel& model, const std::string& name, float weight = 1.0f) {
    const int32_t index = model.GetMorphManager()->FindMorphIndex(name);
    EXPECT_GE(index, 0) << name;
    if (index < 0) return {};
    const std::vector<glm::vec3> rest = Skin(model, -1, 0.0f);
    std::vector<glm::vec3> moves = Skin(model, index, weight);
    for (size_t i = 0; i < moves.size(); ++i) moves[i] -= rest[i];
    return moves;
}

class BuildInternalMorphsTest : public testing::Test {
protected:
    BuildInternalMorphsTest() {
        m_bone = m_builder.AddBone("センター", {0, 0, 0});
        for (float x : kRestX) m_builder.AddVertex({x, 15.0f, -1.0f}, m_bone);
        m_builder.AddTriangle(0, 1, 2);
        m_builder.AddTriangle(2, 3, 4);
        m_builder.AddMaterial("face");
    }

    void Vertex(const std::string& name) { m_builder.AddPositionMorph(name, {{0, {0, 0.1f, 0}}}); }

    std::shared_ptr<mmd::PMXModel> Load(const ModelBuilder& builder) {
        const std::string path = ::testing::TempDir() + "internal_morphs.pmx";
        auto model = std::make_shared<mmd::PMXModel>();
        if (!builder.WriteFile(path) || !model->Load(path, "")) return nullptr;
        return model;
    }

    InternalMorphData Build() {
        m_model = Load(m_builder);
        if (!m_model) ADD_FAILURE() << "model did not load";
        return BuildInternalMorphs(m_model);
    }

    bool Has(const char* name) const { return m_model->GetMorphManager()->FindMorphIndex(name) >= 0; }

    std::vector<glm::vec3> Moves(const std::string& name, float weight = 1.0f) {
        return MovesOf(*m_model, name, weight);
    }

    ModelBuilder m_builder;
    int m_bone = 0;
    std::shared_ptr<mmd::PMXModel> m_model;
};

void ExpectMoves(const std::vector<glm::vec3>& actual, const std::vector<glm::vec3>& expected, const char* morph) {
    ASSERT_EQ(actual.size(), expected.size()) << morph;
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].x, expected[i].x, 1e-5f) << morph << " vertex " << i;
        EXPECT_NEAR(actual[i].y, expected[i].y, 1e-5f) << morph << " vertex " << i;
        EXPECT_NEAR(actual[i].z, expected[i].z, 1e-5f) << morph << " vertex " << i;
    }
}

// File offsets on every vertex. Vertex 2 sits on the centre line and moves to +x; vertex 3 sits left of it and
// moves across to the right: the split by rest x and the split by moved x disagree on exactly these two.
const Offsets kCrossing = {{0, {0.1f, 0.2f, 0.3f}},
                           {1, {0.2f, -0.1f, 0.4f}},
                           {2, {0.5f, 0.3f, -0.2f}},
                           {3, {-1.5f, 0.4f, 0.1f}},
                           {4, {0.1f, 0.5f, 0.6f}}};

glm::vec3 Runtime(const glm::vec3& d) { return {d.x, d.y, -d.z}; }

// Expected moves of a half: the entries whose vertex is on that side, z mirrored and scaled.
std::vector<glm::vec3> Half(const Offsets& offsets, bool left, bool byMoved, const glm::vec3& scale = glm::vec3(1)) {
    std::vector<glm::vec3> moves(std::size(kRestX), glm::vec3(0));
    for (const auto& [v, d] : offsets) {
        const float x = kRestX[v] + (byMoved ? d.x : 0.0f);
        if ((x > 0.0f) == left) moves[v] = Runtime(d) * scale;
    }
    return moves;
}

struct PairCase {
    const char* source;
    const char* left;
    const char* right;
    bool byMoved;
};

class SplitTest : public BuildInternalMorphsTest, public testing::WithParamInterface<PairCase> {};

TEST_P(SplitTest, SourceIsSplitIntoLeftAndRightHalvesAsIs) {
    const PairCase& c = GetParam();
    m_builder.AddPositionMorph(c.source, kCrossing);
    Build();
    ExpectMoves(Moves(c.left), Half(kCrossing, true, c.byMoved), c.left);
    ExpectMoves(Moves(c.right), Half(kCrossing, false, c.byMoved), c.right);
}

INSTANTIATE_TEST_SUITE_P(Pairs, SplitTest,
                         testing::Values(PairCase{"まばたき", "eyeBlink_L", "eyeBlink_R", false},
                                         PairCase{"びっくり", "eyeWide_L", "eyeWide_R", true},
                                         PairCase{"にっこり", "cheekSquint_L", "cheekSquint_R", false}));

// The report goes into the process-wide settings, which need the Qt application of the test main.
class RequiredMorphTest : public BuildInternalMorphsTest {
protected:
    RequiredMorphTest() {
        m_settings = std::make_unique<KySettings>();
        m_settings->messageText = QStringLiteral("earlier|");
        setKySettings(m_settings.get());
    }
    ~RequiredMorphTest() override { setKySettings(nullptr); }
    std::unique_ptr<KySettings> m_settings;
};

TEST_F(RequiredMorphTest, EveryMissingMorphIsListedInTheFixedOrder) {
    Vertex("上");
    m_builder.AddGroupMorph("あ", {{0, 1.0f}});
    const InternalMorphData data = Build();
    EXPECT_EQ(data.missingMorphs, QStringList({"あ", "う", "まばたき", "笑い", "怒り", "困る"}));
    EXPECT_EQ(m_settings->messageText,
              QStringLiteral("earlier|必須モーフが見つかりませんでした。|モデルに頂点モーフを追加してください。| "
                             "|あ|う|まばたき|笑い|怒り|困る| |"));
}

// Morphs synthesised for a loaded model move only vertices that the model's own vertex morphs move, by finite
// amounts.
void ExpectSynthesisedMorphsStayOnTheirSources(mmd::PMXModel& model) {
    std::set<uint32_t> allowed;
    const size_t fileMorphs = model.GetPMXMorphs().size();
    for (const auto& morph : model.GetPMXMorphs()) {
        for (const auto& o : morph.m_positionOffsets) allowed.insert(o.m_vertexIndex);
    }
    const size_t count = model.GetMorphManager()->GetMorphCount();
    ASSERT_GT(count, fileMorphs);
    for (size_t m = fileMorphs; m < count; ++m) {
        const std::string target = model.GetMorphManager()->GetMorph(m)->GetName();
        const std::vector<glm::vec3> moves = MovesOf(model, target);
        size_t moved = 0;
        for (size_t v = 0; v < moves.size(); ++v) {
            ASSERT_TRUE(std::isfinite(moves[v].x) && std::isfinite(moves[v].y) && std::isfinite(moves[v].z))
                << target << " vertex " << v;
            if (moves[v] == glm::vec3(0)) continue;
            ++moved;
            EXPECT_TRUE(allowed.count(static_cast<uint32_t>(v))) << target << " moves vertex " << v;
        }
        // Smiles are made still; an outer brow ramp may be flat.
        const bool mayBeStill = target.rfind("browOuterUp", 0) == 0 || target.rfind("mouthSmile", 0) == 0;
        EXPECT_TRUE(moved > 0 || mayBeStill) << target << " moves nothing";
    }
}

TEST_F(BuildInternalMorphsTest, TheRealFixtureModelGetsItsMissingMorphs) {
    const std::string path = std::string(MNX_FIXTURES_DIR) + "/real/miku_v2/index.pmx";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no fixture at " << path;
    auto model = std::make_shared<mmd::PMXModel>();
    ASSERT_TRUE(model->Load(path, ""));
    const size_t before = model->GetMorphManager()->GetMorphCount();
    const InternalMorphData data = BuildInternalMorphs(model);
    // Every conventional source but "ぷぅ" is there and no face-capture name is.
    EXPECT_EQ(model->GetMorphManager()->GetMorphCount(), before + 26);
    EXPECT_EQ(model->GetMorphManager()->FindMorphIndex("cheekPuff"), -1);
    EXPECT_TRUE(data.missingMorphs.isEmpty());
    EXPECT_TRUE(data.useEyeAdjust);
    EXPECT_TRUE(data.useBrowAdjust);
    ExpectSynthesisedMorphsStayOnTheirSources(*model);

    // The two blink halves share the source's vertices by the side of their rest position.
    const std::vector<glm::vec3> whole = MovesOf(*model, "まばたき");
    const std::vector<glm::vec3> left = MovesOf(*model, "eyeBlink_L");
    const std::vector<glm::vec3> right = MovesOf(*model, "eyeBlink_R");
    size_t leftMoved = 0;
    size_t rightMoved = 0;
    for (size_t v = 0; v < whole.size(); ++v) {
        const bool onLeft = model->GetPositions()[v].x > 0.0f;
        EXPECT_EQ(onLeft ? right[v] : left[v], glm::vec3(0)) << "vertex " << v;
        const glm::vec3 half = onLeft ? left[v] : right[v];
        EXPECT_NEAR(half.y, whole[v].y, 1e-4f) << "vertex " << v;
        if (half != glm::vec3(0)) ++(onLeft ? leftMoved : rightMoved);
    }
    EXPECT_GT(leftMoved, 0u);
    EXPECT_GT(rightMoved, 0u);
}

TEST_F(BuildInternalMorphsTest, TheSampleCharacterHasEveryRequiredMorph) {
    const std::string path = ::testing::TempDir() + "sample_character.pmx";
    ASSERT_TRUE(mnx::test::PmxWriter::WriteFile(mnxc::BuildSampleCharacter(), path));
    auto model = std::make_shared<mmd::PMXModel>();
    ASSERT_TRUE(model->Load(path, ""));
    const InternalMorphData data = BuildInternalMorphs(model);
    EXPECT_TRUE(data.missingMorphs.isEmpty()) << data.missingMorphs.join(", ").toStdString();
    ExpectSynthesisedMorphsStayOnTheirSources(*model);
}

}  // namespace

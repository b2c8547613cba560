#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "SampleCharacter.h"
#include "app/base/KySettings.h"
#include "face/BuildInternalMorphs.h"
#include "mmd/PMXModel.h"
#include "support/ModelBuilder.h"
#include "mmd/writer/PmxWriter.h"

namespace {

using mnx::test::ModelBuilder;
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

// A five-vertex face whose missing-morph report goes into the process-wide settings (which need the Qt
// application of the test main).
class BuildInternalMorphsTest : public testing::Test {
protected:
    BuildInternalMorphsTest() {
        const int bone = m_builder.AddBone("センター", {0, 0, 0});
        for (float x : {-2.0f, -1.0f, 0.0f, 1.0f, 2.0f}) m_builder.AddVertex({x, 15.0f, -1.0f}, bone);
        m_builder.AddTriangle(0, 1, 2);
        m_builder.AddTriangle(2, 3, 4);
        m_builder.AddMaterial("face");
        m_settings.messageText = QStringLiteral("earlier|");
        setKySettings(&m_settings);
    }
    ~BuildInternalMorphsTest() override { setKySettings(nullptr); }

    ModelBuilder m_builder;
    KySettings m_settings;
};

TEST_F(BuildInternalMorphsTest, EveryMissingMorphIsReportedInTheFixedOrder) {
    m_builder.AddPositionMorph("上", {{0, {0, 0.1f, 0}}});
    m_builder.AddGroupMorph("あ", {{0, 1.0f}});
    const std::string path = ::testing::TempDir() + "internal_morphs.pmx";
    auto model = std::make_shared<mmd::PMXModel>();
    ASSERT_TRUE(m_builder.WriteFile(path) && model->Load(path, ""));
    const InternalMorphData data = BuildInternalMorphs(model);
    EXPECT_EQ(data.missingMorphs, QStringList({"あ", "う", "まばたき", "笑い", "怒り", "困る"}));
    EXPECT_EQ(m_settings.messageText,
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
    EXPECT_EQ(m_settings.messageText, QStringLiteral("earlier|")) << "a complete model adds no report";
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
    ASSERT_TRUE(mmd::PmxWriter::WriteFile(mnxc::BuildSampleCharacter(), path));
    auto model = std::make_shared<mmd::PMXModel>();
    ASSERT_TRUE(model->Load(path, ""));
    const InternalMorphData data = BuildInternalMorphs(model);
    EXPECT_TRUE(data.missingMorphs.isEmpty()) << data.missingMorphs.join(", ").toStdString();
    ExpectSynthesisedMorphsStayOnTheirSources(*model);
}

}  // namespace

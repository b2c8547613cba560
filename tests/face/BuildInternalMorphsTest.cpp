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
                                         PairCase{"笑い", "eyeSquint_L", "eyeSquint_R", false},
                                         PairCase{"びっくり", "eyeWide_L", "eyeWide_R", true},
                                         PairCase{"怒り", "noseSneer_L", "noseSneer_R", true},
                                         PairCase{"困る", "browDown_L", "browDown_R", true},
                                         PairCase{"にこり", "cheekSquint_L", "cheekSquint_R", false},
                                         PairCase{"にっこり", "cheekSquint_L", "cheekSquint_R", false}));

TEST_F(BuildInternalMorphsTest, AVertexOnTheCentreLineBelongsToTheRightEye) {
    m_builder.AddPositionMorph("まばたき", {{2, {0, -0.5f, 0}}, {3, {0, -0.5f, 0}}});
    Build();
    EXPECT_NEAR(Moves("eyeBlink_R")[2].y, -0.5f, 1e-5f);
    EXPECT_EQ(Moves("eyeBlink_L")[2].y, 0.0f);
    EXPECT_NEAR(Moves("eyeBlink_L")[3].y, -0.5f, 1e-5f);
}

TEST_F(BuildInternalMorphsTest, MouthOpenAndRoundDeriveTwoMorphsEachFromEveryEntry) {
    m_builder.AddPositionMorph("あ", kCrossing);
    m_builder.AddPositionMorph("う", kCrossing);
    Build();
    std::vector<glm::vec3> open, close, pucker, funnel;
    for (const auto& [v, d] : kCrossing) {
        open.push_back(Runtime(d));
        close.push_back(-Runtime(d));
        pucker.push_back({d.x, d.y / 2, -d.z});
        funnel.push_back({d.x / 2, d.y / 2, -d.z});
    }
    ExpectMoves(Moves("jawOpen"), open, "jawOpen");
    ExpectMoves(Moves("mouthClose"), close, "mouthClose");
    ExpectMoves(Moves("mouthPucker"), pucker, "mouthPucker");
    ExpectMoves(Moves("mouthFunnel"), funnel, "mouthFunnel");
}

class FrownTest : public BuildInternalMorphsTest, public testing::WithParamInterface<const char*> {};

TEST_P(FrownTest, StretchAndFrownAreTheSameHalvesAtHalfStrength) {
    m_builder.AddPositionMorph(GetParam(), kCrossing);
    Build();
    const glm::vec3 half(0.5f);
    ExpectMoves(Moves("mouthStretch_L"), Half(kCrossing, true, false, half), "mouthStretch_L");
    ExpectMoves(Moves("mouthStretch_R"), Half(kCrossing, false, false, half), "mouthStretch_R");
    ExpectMoves(Moves("mouthFrown_L"), Half(kCrossing, true, false, half), "mouthFrown_L");
    ExpectMoves(Moves("mouthFrown_R"), Half(kCrossing, false, false, half), "mouthFrown_R");
}

INSTANTIATE_TEST_SUITE_P(Sources, FrownTest, testing::Values("∧", "へ"));

TEST_F(BuildInternalMorphsTest, PuffAndTongueTakeEveryEntryAsIsAndSmilesMoveNothing) {
    m_builder.AddPositionMorph("ぷぅ", kCrossing);
    m_builder.AddPositionMorph("ぺろっ", kCrossing);
    m_builder.AddPositionMorph("にこり", kCrossing);
    Build();
    std::vector<glm::vec3> all, none(std::size(kRestX), glm::vec3(0));
    for (const auto& [v, d] : kCrossing) all.push_back(Runtime(d));
    ExpectMoves(Moves("cheekPuff"), all, "cheekPuff");
    ExpectMoves(Moves("tongueOut"), all, "tongueOut");
    ExpectMoves(Moves("mouthSmile_L"), none, "mouthSmile_L");
    ExpectMoves(Moves("mouthSmile_R"), none, "mouthSmile_R");
}

TEST_F(BuildInternalMorphsTest, BrowRaiseIsRampedFromTheInnerToTheOuterEndOfEachSide) {
    // Every entry lifts by 1 and pushes back by 0.2; the centre entry moves in x, which places it at moved x 0.
    const Offsets up = {
        {0, {-1.0f, 1, 0.2f}}, {1, {0, 1, 0.2f}}, {2, {0, 1, 0.2f}}, {3, {0, 1, 0.2f}}, {4, {1.0f, 1, 0.2f}}};
    m_builder.AddPositionMorph("上", up);
    Build();
    // Distances from the centre line per side: right 0, 1, 3 and left 0, 1, 3.
    const float third = 1.0f / 3.0f;
    ExpectMoves(Moves("browInnerUp"),
                {{-1, 0, -0.2f}, {0, 1 - third, -0.2f}, {0, 1, -0.2f}, {0, 1 - third, -0.2f}, {1, 0, -0.2f}},
                "browInnerUp");
    // The left outer ramp leaves the centre out (1 .. 3); the right one keeps it (0 .. 3).
    ExpectMoves(Moves("browOuterUp_L"), {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, -0.2f}, {1, 1, -0.2f}},
                "browOuterUp_L");
    ExpectMoves(Moves("browOuterUp_R"), {{-1, 1, -0.2f}, {0, third, -0.2f}, {0, 0, -0.2f}, {0, 0, 0}, {0, 0, 0}},
                "browOuterUp_R");
}

TEST_F(BuildInternalMorphsTest, ABrowSideWithoutSpreadContributesNothing) {
    // Left: two entries at the same distance. Right: only the centre vertex, which the left side shares.
    m_builder.AddPositionMorph("上", {{2, {0, 1, 0}}, {3, {0, 1, 0}}, {4, {-1.0f, 1, 0}}});
    Build();
    ExpectMoves(Moves("browOuterUp_L"), std::vector<glm::vec3>(5, glm::vec3(0)), "browOuterUp_L");
    ExpectMoves(Moves("browOuterUp_R"), std::vector<glm::vec3>(5, glm::vec3(0)), "browOuterUp_R");
    // The left side ramps from the centre (0) out to 1; the right side has no spread.
    ExpectMoves(Moves("browInnerUp"), {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {-1, 0, 0}}, "browInnerUp");
}

TEST_F(BuildInternalMorphsTest, ACentreVertexOfTheBrowsMovesAsFarAsItsNeighbours) {
    m_builder.AddPositionMorph("上", {{0, {0, 1, 0}}, {1, {0, 1, 0}}, {2, {0, 1, 0}}, {3, {0, 1, 0}}, {4, {0, 1, 0}}});
    Build();
    EXPECT_NEAR(Moves("browInnerUp")[2].y, 1.0f, 1e-5f);
}

// Each builder with one of its targets already a vertex morph of the model: nothing of that builder is added.
struct PresentCase {
    const char* source;
    const char* present;
    std::vector<const char*> notAdded;
};

class TargetPresentTest : public BuildInternalMorphsTest, public testing::WithParamInterface<PresentCase> {};

TEST_P(TargetPresentTest, ABuilderWithATargetAlreadyPresentAddsNothing) {
    const PresentCase& c = GetParam();
    m_builder.AddPositionMorph(c.source, kCrossing);
    Vertex(c.present);
    Build();
    EXPECT_EQ(m_model->GetMorphManager()->FindMorphIndex(c.present), 1) << "the model's own morph is kept";
    for (const char* name : c.notAdded) EXPECT_FALSE(Has(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Builders, TargetPresentTest,
    testing::Values(
        PresentCase{"まばたき", "eyeBlink_L", {"eyeBlink_R"}}, PresentCase{"まばたき", "eyeBlink_R", {"eyeBlink_L"}},
        PresentCase{"笑い", "eyeSquint_R", {"eyeSquint_L"}}, PresentCase{"びっくり", "eyeWide_L", {"eyeWide_R"}},
        PresentCase{"あ", "mouthClose", {"jawOpen"}}, PresentCase{"う", "mouthPucker", {"mouthFunnel"}},
        PresentCase{"怒り", "noseSneer_R", {"noseSneer_L"}}, PresentCase{"困る", "browDown_L", {"browDown_R"}},
        PresentCase{"にこり", "cheekSquint_L", {"cheekSquint_R"}},
        PresentCase{"にっこり", "mouthSmile_R", {"mouthSmile_L"}},
        PresentCase{"∧", "mouthFrown_R", {"mouthStretch_L", "mouthStretch_R", "mouthFrown_L"}},
        PresentCase{"へ", "mouthStretch_L", {"mouthStretch_R", "mouthFrown_L", "mouthFrown_R"}}));

TEST_F(BuildInternalMorphsTest, BrowRaisesAreDecidedOneByOne) {
    m_builder.AddPositionMorph("上", kCrossing);
    Vertex("browOuterUp_L");
    Build();
    EXPECT_TRUE(Has("browInnerUp"));
    EXPECT_TRUE(Has("browOuterUp_R"));
    EXPECT_EQ(m_model->GetMorphManager()->GetMorphCount(), 4u);
}

TEST_F(BuildInternalMorphsTest, CheekAndSmileAreDecidedSeparately) {
    m_builder.AddPositionMorph("にこり", kCrossing);
    Vertex("cheekSquint_R");
    Build();
    EXPECT_FALSE(Has("cheekSquint_L"));
    EXPECT_TRUE(Has("mouthSmile_L"));
    EXPECT_TRUE(Has("mouthSmile_R"));
}

TEST_F(BuildInternalMorphsTest, SynthesisedMorphsAreAppendedInOrderAsPositionMorphsAtWeightZero) {
    for (const char* name : {"ぺろっ", "ぷぅ", "へ", "∧", "にっこり", "にこり", "上", "困る", "怒り", "う", "あ",
                             "びっくり", "笑い", "まばたき"}) {
        m_builder.AddPositionMorph(name, kCrossing);
    }
    Build();
    const auto& morphs = m_model->GetPMXMorphManager().GetMorphs();
    std::vector<std::string> added;
    for (size_t i = 14; i < morphs.size(); ++i) {
        added.push_back(morphs[i]->GetName());
        EXPECT_EQ(morphs[i]->GetWeight(), 0.0f);
        EXPECT_EQ(morphs[i]->GetMorphType(), mmd::PMXModel::PMXMorph::MorphType::Position);
    }
    const std::vector<std::string> expected = {
        "eyeBlink_L",    "eyeBlink_R",   "eyeSquint_L",  "eyeSquint_R",    "eyeWide_L",      "eyeWide_R",
        "jawOpen",       "mouthClose",   "mouthPucker",  "mouthFunnel",    "noseSneer_L",    "noseSneer_R",
        "browDown_L",    "browDown_R",   "browInnerUp",  "browOuterUp_L",  "browOuterUp_R",  "cheekSquint_L",
        "cheekSquint_R", "mouthSmile_L", "mouthSmile_R", "mouthStretch_L", "mouthStretch_R", "mouthFrown_L",
        "mouthFrown_R",  "cheekPuff",    "tongueOut"};
    EXPECT_EQ(added, expected);
}

TEST_F(BuildInternalMorphsTest, OnlyVertexMorphsServeAsSourcesAndCountAsPresent) {
    m_builder.AddPositionMorph("笑い", kCrossing);
    m_builder.AddGroupMorph("まばたき", {{0, 1.0f}});
    m_builder.AddGroupMorph("eyeSquint_L", {{0, 1.0f}});
    m_builder.AddPositionMorph("あ", kCrossing);
    m_builder.AddPositionMorph("笑い", {{0, {0, 1, 0}}});
    const InternalMorphData data = Build();
    EXPECT_FALSE(Has("eyeBlink_L"));
    EXPECT_TRUE(Has("eyeSquint_R"));
    EXPECT_EQ(data.vertexMorphNames, QStringList({"笑い", "あ", "笑い"}));
    ASSERT_EQ(data.vertexMorphs.size(), 2);
    EXPECT_EQ(data.vertexMorphs.value("笑い"), 0);
    EXPECT_EQ(data.vertexMorphs.value("あ"), 3);
    // The first record of a repeated name is the source.
    EXPECT_NEAR(Moves("eyeSquint_R")[0].y, kCrossing[0].second.y, 1e-5f);
    EXPECT_TRUE(data.missingMorphs.contains("まばたき"));
}

TEST_F(BuildInternalMorphsTest, OffsetsPastTheVerticesAreLeftOut) {
    m_builder.AddPositionMorph("まばたき", {{4, {0, 1, 0}}, {200, {0, 1, 0}}, {0, {0, 2, 0}}});
    Build();
    ExpectMoves(Moves("eyeBlink_L"), {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 1, 0}}, "eyeBlink_L");
    ExpectMoves(Moves("eyeBlink_R"), {{0, 2, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, "eyeBlink_R");
}

TEST_F(BuildInternalMorphsTest, ASecondRunAddsNothing) {
    m_builder.AddPositionMorph("まばたき", kCrossing);
    m_builder.AddPositionMorph("上", kCrossing);
    const InternalMorphData first = Build();
    const size_t count = m_model->GetMorphManager()->GetMorphCount();
    const InternalMorphData second = BuildInternalMorphs(m_model);
    EXPECT_EQ(m_model->GetMorphManager()->GetMorphCount(), count);
    EXPECT_EQ(second.vertexMorphNames, first.vertexMorphNames);
    EXPECT_EQ(second.useEyeAdjust, first.useEyeAdjust);
    EXPECT_EQ(second.missingMorphs, first.missingMorphs);
}

TEST_F(BuildInternalMorphsTest, TheFullWidthUpperBodyTwoIsRenamed) {
    const int upper = m_builder.AddBone("上半身", {0, 10, 0}, m_bone);
    m_builder.AddBone("上半身２", {0, 12, 0}, upper);
    const InternalMorphData data = Build();
    EXPECT_EQ(data.model, m_model);
    EXPECT_EQ(m_model->GetNodeManager()->FindNodeIndex("上半身2"), 2);
    EXPECT_EQ(m_model->GetNodeManager()->FindNodeIndex("上半身２"), -1);
    EXPECT_EQ(m_model->GetNodeManager()->FindNodeIndex("上半身"), 1);
}

TEST(BuildInternalMorphsWithoutModel, NullGivesEmptyData) {
    const InternalMorphData data = BuildInternalMorphs(nullptr);
    EXPECT_EQ(data.model, nullptr);
    EXPECT_TRUE(data.vertexMorphs.isEmpty());
    EXPECT_FALSE(data.useEyeAdjust);
    EXPECT_FALSE(data.useBrowAdjust);
}

struct FlagCase {
    std::vector<const char*> morphs;
    bool eye;
    bool brow;
};

class FlagTest : public BuildInternalMorphsTest, public testing::WithParamInterface<FlagCase> {};

TEST_P(FlagTest, CombinationModesFollowTheConventionalMorphsAndTheirAbsentReplacements) {
    for (const char* name : GetParam().morphs) Vertex(name);
    const InternalMorphData data = Build();
    EXPECT_EQ(data.useEyeAdjust, GetParam().eye);
    EXPECT_EQ(data.useBrowAdjust, GetParam().brow);
}

INSTANTIATE_TEST_SUITE_P(Flags, FlagTest,
                         testing::Values(FlagCase{{"まばたき", "笑い", "怒り", "困る", "上"}, true, true},
                                         FlagCase{{"まばたき", "怒り", "困る"}, false, false},
                                         FlagCase{{"笑い", "上", "困る"}, false, false},
                                         FlagCase{{"まばたき", "笑い", "eyeSmile_R"}, false, false},
                                         FlagCase{{"まばたき", "笑い", "eyeBlink_L"}, false, false},
                                         FlagCase{{"まばたき", "笑い", "eyeSquint_R"}, false, false},
                                         FlagCase{{"怒り", "困る", "上", "browOuterUp_R"}, false, false},
                                         FlagCase{{"怒り", "困る", "上", "noseSneer_L"}, false, false},
                                         FlagCase{
                                             {"怒り", "困る", "上", "browInnerUp", "まばたき", "笑い"}, true, false},
                                         // Morphs synthesised in the same run do not switch a mode off.
                                         FlagCase{{"上", "怒り", "困る"}, false, true}));

std::vector<QString>* g_messages = nullptr;

void Record(QtMsgType, const QMessageLogContext&, const QString& text) { g_messages->push_back(text); }

TEST_F(BuildInternalMorphsTest, ModesAndTheVertexMorphListAreLogged) {
    for (const char* name : {"まばたき", "笑い", "怒り", "困る", "上"}) Vertex(name);
    std::vector<QString> messages;
    g_messages = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(Record);
    Build();
    qInstallMessageHandler(previous);
    g_messages = nullptr;
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "useEyeAdjust");
    EXPECT_EQ(messages[1], "useBrowAdjust");
    EXPECT_TRUE(messages[2].startsWith("Internal Morph Data Created.")) << messages[2].toStdString();
    EXPECT_TRUE(messages[2].contains("困る")) << messages[2].toStdString();
}

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

TEST_F(RequiredMorphTest, AModelLackingAHasNoMouthOpeningAndIsReported) {
    for (const char* name : {"う", "まばたき", "笑い", "上", "怒り", "困る"}) Vertex(name);
    const InternalMorphData data = Build();
    EXPECT_FALSE(Has("jawOpen"));
    EXPECT_FALSE(Has("mouthClose"));
    EXPECT_EQ(data.missingMorphs, QStringList{"あ"});
    EXPECT_EQ(
        m_settings->messageText,
        QStringLiteral("earlier|必須モーフが見つかりませんでした。|モデルに頂点モーフを追加してください。| |あ| |"));
}

TEST_F(RequiredMorphTest, EveryMissingMorphIsListedInTheFixedOrder) {
    Vertex("上");
    m_builder.AddGroupMorph("あ", {{0, 1.0f}});
    const InternalMorphData data = Build();
    EXPECT_EQ(data.missingMorphs, QStringList({"あ", "う", "まばたき", "笑い", "怒り", "困る"}));
    EXPECT_EQ(m_settings->messageText,
              QStringLiteral("earlier|必須モーフが見つかりませんでした。|モデルに頂点モーフを追加してください。| "
                             "|あ|う|まばたき|笑い|怒り|困る| |"));
}

TEST_F(RequiredMorphTest, ACompleteModelAddsNoReport) {
    for (const char* name : {"あ", "う", "まばたき", "笑い", "上", "怒り", "困る"}) Vertex(name);
    const InternalMorphData data = Build();
    EXPECT_TRUE(data.missingMorphs.isEmpty());
    EXPECT_EQ(m_settings->messageText, QStringLiteral("earlier|"));
    EXPECT_TRUE(MissingMorphReport({}).isEmpty());
}

// Synthesised morphs of a loaded model move only vertices of their source, by finite amounts.
void ExpectSynthesisedMorphsStayOnTheirSources(mmd::PMXModel& model, const InternalMorphData& data) {
    const std::vector<std::pair<const char*, std::vector<const char*>>> sources = {
        {"eyeBlink_L", {"まばたき"}},
        {"eyeBlink_R", {"まばたき"}},
        {"eyeSquint_L", {"笑い"}},
        {"eyeSquint_R", {"笑い"}},
        {"eyeWide_L", {"びっくり"}},
        {"eyeWide_R", {"びっくり"}},
        {"jawOpen", {"あ"}},
        {"mouthClose", {"あ"}},
        {"mouthPucker", {"う"}},
        {"mouthFunnel", {"う"}},
        {"noseSneer_L", {"怒り"}},
        {"noseSneer_R", {"怒り"}},
        {"browDown_L", {"困る"}},
        {"browDown_R", {"困る"}},
        {"browInnerUp", {"上"}},
        {"browOuterUp_L", {"上"}},
        {"browOuterUp_R", {"上"}},
        {"cheekSquint_L", {"にこり", "にっこり"}},
        {"cheekSquint_R", {"にこり", "にっこり"}},
        {"mouthStretch_L", {"∧", "へ"}},
        {"mouthStretch_R", {"∧", "へ"}},
        {"mouthFrown_L", {"∧", "へ"}},
        {"mouthFrown_R", {"∧", "へ"}},
        {"cheekPuff", {"ぷぅ"}},
        {"tongueOut", {"ぺろっ"}}};
    const size_t fileMorphs = model.GetPMXMorphs().size();
    int checked = 0;
    for (const auto& [target, candidates] : sources) {
        const int32_t index = model.GetMorphManager()->FindMorphIndex(target);
        if (index < static_cast<int32_t>(fileMorphs)) continue;  // the model's own, or not made
        const mmd::PMXMorphRecord* source = nullptr;
        for (const char* name : candidates) {
            if (!source && data.vertexMorphs.contains(name)) source = &model.GetPMXMorphs()[data.vertexMorphs[name]];
        }
        ASSERT_NE(source, nullptr) << target;
        std::set<uint32_t> allowed;
        for (const auto& o : source->m_positionOffsets) allowed.insert(o.m_vertexIndex);
        const std::vector<glm::vec3> moves = MovesOf(model, target);
        size_t moved = 0;
        for (size_t v = 0; v < moves.size(); ++v) {
            ASSERT_TRUE(std::isfinite(moves[v].x) && std::isfinite(moves[v].y) && std::isfinite(moves[v].z))
                << target << " vertex " << v;
            if (moves[v] != glm::vec3(0)) {
                ++moved;
                EXPECT_TRUE(allowed.count(static_cast<uint32_t>(v))) << target << " moves vertex " << v;
            }
        }
        const bool mayBeStill = std::string(target).rfind("browOuterUp", 0) == 0;
        EXPECT_TRUE(moved > 0 || mayBeStill || source->m_positionOffsets.empty()) << target << " moves nothing";
        ++checked;
    }
    EXPECT_GT(checked, 0);
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
    ExpectSynthesisedMorphsStayOnTheirSources(*model, data);

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
    ExpectSynthesisedMorphsStayOnTheirSources(*model, data);
}

}  // namespace

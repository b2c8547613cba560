// The bundled sample character: what the rest of the app relies on (bone and morph names, weights, materials), and
// that it survives animation and physics as a character should.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/quaternion.hpp>

#include "Image.h"
#include "Preview.h"
#include "ResourceTree.h"
#include "SampleCharacter.h"
#include "Textures.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysics.h"
#include "mmd/MMDPhysicsManager.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXFile.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"

namespace {

namespace fs = std::filesystem;

// The tree is generated once for the whole suite; every test reads from it.
class SampleCharacterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = fs::temp_directory_path() / ("mnx_sample_" + std::to_string(::getpid()));
        std::string error;
        s_written = mnxc::WriteResourceTree(s_root, &error);
        ASSERT_TRUE(s_written) << error;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(s_root, ec);
    }

    static fs::path SamplePath() { return s_root / "model" / "0_sample" / "sample.pmx"; }

    static mmd::PMXFileData ReadSample() {
        mmd::PMXFileData pmx;
        EXPECT_TRUE(mmd::ReadPMXFile(pmx, SamplePath().string()));
        return pmx;
    }

    static std::shared_ptr<mmd::PMXModel> LoadSample(float gravity) {
        auto model = std::make_shared<mmd::PMXModel>();
        if (!model->Load(SamplePath().string(), (s_root / "toontex").string())) return nullptr;
        model->GetMMDPhysics()->SetGravity(0.0f, gravity, 0.0f);
        return model;
    }

    static fs::path s_root;
    static bool s_written;
};

fs::path SampleCharacterTest::s_root;
bool SampleCharacterTest::s_written = false;

// One full CPU frame as the app runs it.
void Step(mmd::PMXModel& model, mmd::VMDAnimation* animation, double key) {
    model.BeginAnimation();
    if (animation) animation->Evaluate(static_cast<float>(key));
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    model.UpdatePhysicsAnimation(1.0f / 60.0f);
    model.UpdateNodeAnimation(true);
    model.EndAnimation();
    model.Update();
}

struct Drift {
    float distance = 0.0f;
    std::string body;
    int frame = -1;

    void Update(mmd::PMXModel& model, int atFrame) {
        for (const auto& rigidBody : model.GetPhysicsManager()->GetRigidBodies()) {
            if (!rigidBody->GetNode()) continue;
            const glm::vec3 actual(rigidBody->GetTransform()[3]);
            const glm::vec3 expected((rigidBody->GetNode()->GetGlobalTransform() * rigidBody->GetOffset())[3]);
            const float d = glm::length(actual - expected);
            if (d > distance) {
                distance = d;
                body = rigidBody->GetName();
                frame = atFrame;
            }
        }
    }
};

TEST_F(SampleCharacterTest, HasTheBonesTheAppLooksUpByName) {
    const mmd::PMXFileData pmx = ReadSample();
    std::set<std::string> names;
    for (const mmd::PMXBone& bone : pmx.m_bones) names.insert(bone.m_name);
    std::vector<std::string> expected = {"センター", "下半身", "上半身", "上半身2", "首", "頭", "両目", "左目", "右目"};
    for (const char* side : {"左", "右"}) {
        for (const char* part : {"肩", "腕", "腕捩", "ひじ", "手捩", "手首", "足", "ひざ", "足首", "つま先", "足ＩＫ",
                                 "つま先ＩＫ", "親指０", "親指１", "親指２", "人指１", "人指２", "人指３", "中指１",
                                 "中指２", "中指３", "薬指１", "薬指２", "薬指３", "小指１", "小指２", "小指３"}) {
            expected.push_back(std::string(side) + part);
        }
    }
    for (const std::string& name : expected) EXPECT_TRUE(names.count(name)) << name;
}

TEST_F(SampleCharacterTest, HasTheExpressionMorphsAndEveryMorphKind) {
    const mmd::PMXFileData pmx = ReadSample();
    std::set<std::string> names;
    std::set<mmd::PMXMorphType> kinds;
    for (const mmd::PMXMorphRecord& morph : pmx.m_morphs) {
        names.insert(morph.m_name);
        kinds.insert(morph.m_type);
    }
    for (const char* name : {"まばたき", "笑い", "びっくり", "あ", "い", "う", "え", "お", "怒り", "困る", "上", "にこり",
                             "∧", "ぷぅ", "ぺろっ"}) {
        EXPECT_TRUE(names.count(name)) << name;
    }
    EXPECT_TRUE(kinds.count(mmd::PMXMorphType::Material));
    EXPECT_TRUE(kinds.count(mmd::PMXMorphType::Group));
}

TEST_F(SampleCharacterTest, FaceMorphsMoveOnlyTheHeadAndVisibly) {
    const mmd::PMXFileData pmx = ReadSample();
    for (const mmd::PMXMorphRecord& morph : pmx.m_morphs) {
        if (morph.m_type != mmd::PMXMorphType::Position) continue;
        float largest = 0.0f;
        for (const mmd::PMXPositionMorphOffset& offset : morph.m_positionOffsets) {
            ASSERT_LT(offset.m_vertexIndex, pmx.m_vertices.size()) << morph.m_name;
            EXPECT_GT(pmx.m_vertices[offset.m_vertexIndex].m_position.y, 15.0f) << morph.m_name;
            largest = std::max(largest, glm::length(offset.m_position));
        }
        EXPECT_GT(largest, 0.03f) << morph.m_name;
        EXPECT_LT(largest, 1.5f) << morph.m_name;
    }
}

TEST_F(SampleCharacterTest, MeshIsWellFormed) {
    const mmd::PMXFileData pmx = ReadSample();
    EXPECT_GE(pmx.m_vertices.size(), 8000u);
    std::set<mmd::PMXVertexWeight> kinds;
    glm::vec3 low(1e9f), high(-1e9f);
    for (const mmd::PMXVertex& v : pmx.m_vertices) {
        kinds.insert(v.m_weightType);
        low = glm::min(low, v.m_position);
        high = glm::max(high, v.m_position);
        EXPECT_NEAR(glm::length(v.m_normal), 1.0f, 1e-3f);
        const int count = v.m_weightType == mmd::PMXVertexWeight::BDEF1   ? 1
                          : v.m_weightType == mmd::PMXVertexWeight::BDEF2 ? 2
                                                                          : 4;
        for (int k = 0; k < count; ++k) {
            ASSERT_GE(v.m_boneIndices[k], 0);
            ASSERT_LT(v.m_boneIndices[k], static_cast<int32_t>(pmx.m_bones.size()));
        }
        if (count == 2) {
            EXPECT_GE(v.m_boneWeights[0], 0.0f);
            EXPECT_LE(v.m_boneWeights[0], 1.0f);
        } else if (count == 4) {
            EXPECT_NEAR(v.m_boneWeights[0] + v.m_boneWeights[1] + v.m_boneWeights[2] + v.m_boneWeights[3], 1.0f, 1e-4f);
        }
    }
    EXPECT_TRUE(kinds.count(mmd::PMXVertexWeight::BDEF1));
    EXPECT_TRUE(kinds.count(mmd::PMXVertexWeight::BDEF2));
    EXPECT_TRUE(kinds.count(mmd::PMXVertexWeight::BDEF4));
    EXPECT_NEAR(high.y - low.y, 20.0f, 1.5f);
    EXPECT_NEAR(low.y, 0.0f, 0.2f);
    for (const mmd::PMXFace& face : pmx.m_faces) {
        for (uint32_t index : face.m_vertices) ASSERT_LT(index, pmx.m_vertices.size());
    }
    // Faces -Z, as MMD models do: the eyes are in front of the head bone.
    for (const mmd::PMXBone& bone : pmx.m_bones) {
        if (bone.m_name == "頭") {
            EXPECT_NEAR(bone.m_position.y, 16.0f, 0.5f);
        }
        if (bone.m_name == "左目") {
            EXPECT_LT(bone.m_position.z, -0.5f);
            EXPECT_GT(bone.m_position.x, 0.0f);
        }
    }
}

TEST_F(SampleCharacterTest, MaterialsCarryTheFlagsAndTexturesTheRendererUses) {
    const mmd::PMXFileData pmx = ReadSample();
    bool transBrow = false;
    bool sphere = false;
    bool edged = false;
    for (const mmd::PMXMaterial& material : pmx.m_materials) {
        transBrow = transBrow || material.m_name == "眉透過";
        sphere = sphere || material.m_sphereTextureIndex >= 0;
        edged = edged || (material.m_drawFlags & mmd::kPMXDrawEdge) != 0;
        EXPECT_EQ(material.m_toonMode, mmd::PMXToonMode::Shared) << material.m_name;
        ASSERT_GE(material.m_textureIndex, 0) << material.m_name;
        // Every texture the model names is shipped beside it.
        EXPECT_TRUE(fs::exists(SamplePath().parent_path() / pmx.m_textures[material.m_textureIndex]))
            << pmx.m_textures[material.m_textureIndex];
    }
    EXPECT_TRUE(transBrow);
    EXPECT_TRUE(sphere);
    EXPECT_TRUE(edged);
}

// Bends elbows and knees hard and measures how far any triangle edge stretches: a vertex bound to the wrong bone
// tears its triangles open by far more than a smooth joint ever stretches.
TEST_F(SampleCharacterTest, JointsBendWithoutTearing) {
    auto model = LoadSample(-29.4f);
    ASSERT_TRUE(model);
    model->InitializeAnimation();
    mmd::MMDModel::MMDNodeManager* nodes = model->GetNodeManager();
    auto node = [&](const char* name) { return nodes->GetNode(static_cast<size_t>(nodes->FindNodeIndex(name))); };
    model->BeginAnimation();
    node("左ひじ")->SetAnimationRotate(glm::angleAxis(glm::radians(100.0f), glm::vec3(0.0f, 1.0f, 0.0f)));
    node("右ひじ")->SetAnimationRotate(glm::angleAxis(glm::radians(-100.0f), glm::vec3(0.0f, 1.0f, 0.0f)));
    node("左腕")->SetAnimationRotate(glm::angleAxis(glm::radians(60.0f), glm::vec3(0.0f, 0.0f, 1.0f)));
    node("右肩")->SetAnimationRotate(glm::angleAxis(glm::radians(-20.0f), glm::vec3(0.0f, 0.0f, 1.0f)));
    // Raising a foot IK target bends hip and knee through the solver.
    node("左足ＩＫ")->SetAnimationTranslate(glm::vec3(0.0f, 4.0f, 3.0f));
    node("右足ＩＫ")->SetAnimationTranslate(glm::vec3(0.0f, 3.0f, -2.0f));
    model->UpdateMorphAnimation();
    model->UpdateNodeAnimation(false);
    model->UpdateNodeAnimation(true);
    model->EndAnimation();
    model->Update();

    const mmd::PMXFileData pmx = ReadSample();
    const glm::vec3* posed = model->GetUpdatePositions();
    const glm::vec3* rest = model->GetPositions();
    float worst = 0.0f;
    for (const mmd::PMXFace& face : pmx.m_faces) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = face.m_vertices[k];
            const uint32_t b = face.m_vertices[(k + 1) % 3];
            const float restLength = glm::length(rest[a] - rest[b]);
            if (restLength < 1e-3f) continue;
            worst = std::max(worst, glm::length(posed[a] - posed[b]) / restLength);
        }
    }
    EXPECT_LT(worst, 3.0f);
    // The raised knee bends forward (toward -Z in the file, +Z in the runtime frame).
    const glm::vec3 knee(node("左ひざ")->GetGlobalTransform()[3]);
    const glm::vec3 hip(node("左足")->GetGlobalTransform()[3]);
    const glm::vec3 ankle(node("左足首")->GetGlobalTransform()[3]);
    EXPECT_GT(knee.z, (hip.z + ankle.z) * 0.5f);
}

struct SettleCase {
    const char* name;
    float gravity;
};

class SampleCharacterPhysicsTest : public SampleCharacterTest, public ::testing::WithParamInterface<SettleCase> {};

// Standing still, hair and skirt settle under gravity and stay settled: no body leaves its bone, nothing shivers.
TEST_P(SampleCharacterPhysicsTest, SettlesAndStaysStill) {
    auto model = LoadSample(GetParam().gravity);
    ASSERT_TRUE(model);
    model->InitializeAnimation();
    std::vector<glm::vec3> previous;
    Drift drift;
    float lastMove = 0.0f;
    for (int frame = 0; frame < 600; ++frame) {
        Step(*model, nullptr, 0.0);
        drift.Update(*model, frame);
        const glm::vec3* positions = model->GetUpdatePositions();
        if (frame == 599) {
            for (size_t i = 0; i < previous.size(); ++i) {
                lastMove = std::max(lastMove, glm::length(positions[i] - previous[i]));
            }
        }
        previous.assign(positions, positions + model->GetVertexCount());
    }
    EXPECT_LT(drift.distance, 3.0f) << drift.body << " at frame " << drift.frame;
    EXPECT_LT(lastMove, 0.02f);
    for (const glm::vec3& p : previous) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
}

INSTANTIATE_TEST_SUITE_P(Gravity, SampleCharacterPhysicsTest,
                         ::testing::Values(SettleCase{"App", -9.8f * 3.0f}, SettleCase{"MmdDefault", -98.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MotionCase {
    const char* name;
    std::string path;  // relative to the generated tree, or absolute
};

class SampleCharacterMotionTest : public SampleCharacterTest, public ::testing::WithParamInterface<MotionCase> {};

// Real and bundled motions play without any part of the character flying off.
TEST_P(SampleCharacterMotionTest, PlaysWithoutFlyingApart) {
    const fs::path path = fs::path(GetParam().path).is_absolute() ? fs::path(GetParam().path) : s_root / GetParam().path;
    if (!fs::exists(path)) GTEST_SKIP() << path << " is not there";
    auto model = LoadSample(-29.4f);
    ASSERT_TRUE(model);
    mmd::VMDFileData vmd;
    ASSERT_TRUE(mmd::ReadVMDFile(vmd, path.string()));
    mmd::VMDAnimation animation;
    ASSERT_TRUE(animation.Create(model));
    ASSERT_TRUE(animation.Add(vmd));
    model->InitializeAnimation();
    const double maxKey = std::max(1.0, static_cast<double>(animation.GetMaxKeyTime()));
    float farthest = 0.0f;
    Drift drift;
    for (int frame = 0; frame < 600; ++frame) {
        Step(*model, &animation, std::fmod(frame * 0.5, maxKey));
        // The motion's first key snaps the body out of the rest pose the bodies start in; they catch up within a
        // few frames.
        if (frame >= 30) drift.Update(*model, frame);
        const glm::vec3* positions = model->GetUpdatePositions();
        for (size_t i = 0; i < model->GetVertexCount(); ++i) {
            ASSERT_TRUE(std::isfinite(positions[i].x) && std::isfinite(positions[i].y) && std::isfinite(positions[i].z));
            farthest = std::max(farthest, glm::length(positions[i]));
        }
    }
    EXPECT_LT(farthest, 30.0f);
    EXPECT_LT(drift.distance, 3.0f) << drift.body << " at frame " << drift.frame;
}

INSTANTIATE_TEST_SUITE_P(
    Motions, SampleCharacterMotionTest,
    ::testing::Values(MotionCase{"Stand", "pose/default/stand.vmd"},
                      MotionCase{"Run", MNX_FIXTURES_DIR "/real/motions/run.vmd"},
                      MotionCase{"Pose", MNX_FIXTURES_DIR "/real/motions/pose_im5066365.vmd"}),
    [](const auto& info) { return std::string(info.param.name); });

// A software rendering of the character, saved for people to look at, must show a figure: a tall shape in the
// middle of the picture with skin, hair and clothes colours in it.
TEST_F(SampleCharacterTest, SnapshotShowsAFigure) {
    const mmd::PMXFileData pmx = mnxc::BuildSampleCharacter();
    const mnxc::Image image = mnxc::RenderPreview(pmx, mnxc::SampleTextures(), mnxc::PreviewOptions{});
    ASSERT_TRUE(mnxc::WriteFile("sample_character.png", image.EncodePng()));
    const glm::vec4 background = image.Get(0, 0);
    int covered = 0;
    int top = image.height;
    int bottom = -1;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (glm::length(image.Get(x, y) - background) > 0.05f) {
                ++covered;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    const float fraction = static_cast<float>(covered) / static_cast<float>(image.width * image.height);
    EXPECT_GT(fraction, 0.12f);
    EXPECT_LT(fraction, 0.6f);
    EXPECT_GT(bottom - top, image.height * 8 / 10);
}

}  // namespace

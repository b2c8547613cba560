#include <gtest/gtest.h>

#include <glm/gtc/constants.hpp>
#include <glm/gtc/quaternion.hpp>
#include <string>

#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "support/LogCapture.h"
#include "support/ModelBuilder.h"

namespace {

using mnx::test::LogCapture;
using mnx::test::ModelBuilder;

// Three vertices on one bone, one material with a grey diffuse, and morphs added per test.
class PMXModelMorphTest : public testing::Test {
protected:
    PMXModelMorphTest() {
        m_bone = m_builder.AddBone("センター", {0, 0, 0});
        for (int i = 0; i < 3; ++i) m_builder.AddVertex({float(i), 0, 0}, m_bone);
        m_builder.AddTriangle(0, 1, 2);
        m_builder.AddMaterial("body");
        m_builder.Material(0).m_diffuse = {0.8f, 0.6f, 0.4f, 1.0f};
    }
    bool Load() {
        const std::string path = ::testing::TempDir() + "morph_model.pmx";
        return m_builder.WriteFile(path) && m_model.Load(path, "");
    }
    void SetWeight(const char* name, float weight) {
        auto* morphs = m_model.GetMorphManager();
        const int32_t index = morphs->FindMorphIndex(name);
        ASSERT_GE(index, 0) << name;
        morphs->GetMorph(static_cast<size_t>(index))->SetWeight(weight);
    }
    void Frame() {
        m_model.BeginAnimation();
        m_model.UpdateMorphAnimation();
        m_model.UpdateNodeAnimation(false);
        m_model.EndAnimation();
        m_model.Update();
    }
    glm::vec3 Vertex(size_t i) const { return m_model.GetUpdatePositions()[i]; }

    ModelBuilder m_builder;
    int m_bone = 0;
    mmd::PMXModel m_model;
};

TEST_F(PMXModelMorphTest, PositionMorphAddsItsOffsetScaledByWeightInTheRuntimeFrame) {
    m_builder.AddPositionMorph("あ", {{1, {0, 1, 2}}});
    ASSERT_TRUE(Load());
    m_model.InitializeAnimation();
    SetWeight("あ", 0.0f);
    Frame();
    EXPECT_EQ(Vertex(1), glm::vec3(1, 0, 0));
    SetWeight("あ", 0.5f);
    Frame();
    EXPECT_EQ(Vertex(1), glm::vec3(1, 0.5f, -1.0f));  // Z mirrored at load
    EXPECT_EQ(Vertex(0), glm::vec3(0, 0, 0));
}

TEST_F(PMXModelMorphTest, AMutualGroupCycleTerminates) {
    m_builder.AddPositionMorph("あ", {{2, {0, 0, 1}}});
    m_builder.AddGroupMorph("A", {{2, 1.0f}, {0, 0.5f}});
    m_builder.AddGroupMorph("B", {{1, 1.0f}});
    LogCapture log;
    ASSERT_TRUE(Load());
    // The first visit (from A) reaches B, whose entry back to A would close the cycle.
    EXPECT_TRUE(log.Has("Infinit Group Morph:[2][B][0]"));
    m_model.InitializeAnimation();
    SetWeight("A", 1.0f);
    SetWeight("B", 1.0f);
    Frame();
    // A adds half of あ through its second entry; B's cut entry adds nothing.
    EXPECT_NEAR(Vertex(2).z, -0.5f, 1e-6f);
}

struct MaterialCase {
    mmd::PMXMaterialMorphOp op;
    glm::vec4 diffuse;
    float weight;
    glm::vec4 expected;
};

class PMXMaterialMorphTest : public PMXModelMorphTest, public testing::WithParamInterface<MaterialCase> {};

TEST_P(PMXMaterialMorphTest, BlendsTheDiffuse) {
    const MaterialCase c = GetParam();
    mmd::PMXMaterialMorphOffset offset;
    offset.m_materialIndex = 0;
    offset.m_operation = c.op;
    offset.m_diffuse = c.diffuse;
    offset.m_textureFactor = c.op == mmd::PMXMaterialMorphOp::Multiply ? glm::vec4(1) : glm::vec4(0);
    offset.m_sphereTextureFactor = offset.m_toonTextureFactor = offset.m_textureFactor;
    offset.m_specular = offset.m_ambient = glm::vec3(c.op == mmd::PMXMaterialMorphOp::Multiply ? 1.0f : 0.0f);
    offset.m_specularPower = c.op == mmd::PMXMaterialMorphOp::Multiply ? 1.0f : 0.0f;
    m_builder.AddMaterialMorph("m1", {offset});
    m_builder.AddMaterialMorph("m2", {offset});
    ASSERT_TRUE(Load());
    m_model.InitializeAnimation();
    SetWeight("m1", c.weight);
    if (c.op == mmd::PMXMaterialMorphOp::Add) SetWeight("m2", c.weight);
    Frame();
    const glm::vec4 d = m_model.GetMaterials()[0].m_diffuse;
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(d[k], c.expected[k], 1e-6f) << k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PMXMaterialMorphTest,
    testing::Values(MaterialCase{mmd::PMXMaterialMorphOp::Multiply, glm::vec4(0), 0.5f, {0.4f, 0.3f, 0.2f, 0.5f}},
                    // two add morphs on the same material sum
                    MaterialCase{mmd::PMXMaterialMorphOp::Add, {0.1f, 0.1f, 0.1f, 0}, 0.5f, {0.9f, 0.7f, 0.5f, 1.0f}}));

TEST_F(PMXModelMorphTest, UVMorphIsUndoneInTheFirstFrameWithoutIt) {
    m_builder.AddUVMorph("uv", {{1, {0.25f, 0.5f, 0, 0}}});
    ASSERT_TRUE(Load());
    m_model.InitializeAnimation();
    const glm::vec2 rest = m_model.GetUVs()[1];
    SetWeight("uv", 1.0f);
    Frame();
    EXPECT_NE(m_model.GetUpdateUVs()[1], rest);
    SetWeight("uv", 0.0f);
    for (int frame = 0; frame < 2; ++frame) {
        Frame();
        EXPECT_EQ(m_model.GetUpdateUVs()[1], rest) << "frame " << frame << " after the morph";
    }
}

// A grant (append) bone turns by its weight's share of its source's rotation, as the eyes follow 両目.
TEST_F(PMXModelMorphTest, AnAppendBoneTurnsByItsWeightOfTheSource) {
    const int source = m_builder.AddBone("両目", {0, 0, 0}, m_bone);
    const int eye = m_builder.AddBone("左目", {0, 0, 0}, m_bone);
    m_builder.SetAppend(eye, source, 0.5f, true, false);
    const int tip = m_builder.AddVertex({0, 0, -1}, eye);
    ASSERT_TRUE(Load());
    m_model.InitializeAnimation();
    auto* nodes = m_model.GetNodeManager();
    m_model.BeginAnimation();
    nodes->GetNode(size_t(nodes->FindNodeIndex("両目")))
        ->SetAnimationRotate(glm::angleAxis(glm::half_pi<float>(), glm::vec3(0, 1, 0)));
    m_model.UpdateMorphAnimation();
    m_model.UpdateNodeAnimation(false);
    m_model.EndAnimation();
    m_model.Update();
    const glm::vec3 expected = glm::angleAxis(glm::quarter_pi<float>(), glm::vec3(0, 1, 0)) * glm::vec3(0, 0, 1);
    EXPECT_LT(glm::distance(Vertex(size_t(tip)), expected), 1e-4f);
}

// Morph data that points outside the model must be dropped, never written through.
TEST_F(PMXModelMorphTest, OutOfRangeTargetsAreIgnored) {
    m_builder.AddPositionMorph("far", {{9999, {1, 1, 1}}, {1, {0, 1, 0}}});
    m_builder.AddGroupMorph("g", {{77, 1.0f}, {0, 1.0f}});
    ASSERT_TRUE(Load());
    m_model.InitializeAnimation();
    SetWeight("g", 1.0f);
    Frame();
    EXPECT_EQ(Vertex(1), glm::vec3(1, 1, 0));
}

}  // namespace

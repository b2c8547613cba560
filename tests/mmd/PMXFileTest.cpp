#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "mmd/PMXFile.h"
#include "mmd/writer/ByteWriter.h"
#include "support/LogCapture.h"
#include "support/ModelBuilder.h"
#include "mmd/writer/PmxWriter.h"
#include "support/TempDir.h"

namespace {

using mnx::test::LogCapture;
using mnx::test::ModelBuilder;
using mmd::PmxWriter;

class PMXFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_temp = std::make_unique<mnx::test::TempDir>("mnx-pmx");
        m_dir = m_temp->Path();
        ASSERT_FALSE(m_dir.empty());
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    // Writes the bytes and reads them back.
    bool Read(const std::vector<uint8_t>& bytes, mmd::PMXFileData& data) {
        const std::string path = Path("model.pmx");
        EXPECT_TRUE(mmd::WriteBytesToFile(bytes, path));
        return mmd::ReadPMXFile(data, path);
    }
    std::unique_ptr<mnx::test::TempDir> m_temp;
    std::string m_dir;
};

// A model from the wild (UTF-16 texts, two-byte vertex and bone indices), against its known contents.
TEST_F(PMXFileTest, ReadsTheRealModel) {
    mmd::PMXFileData data;
    ASSERT_TRUE(mmd::ReadPMXFile(data, MNX_FIXTURES_DIR "/real/miku_v2/index.pmx"));
    EXPECT_EQ(data.m_vertices.size(), 12354u);
    EXPECT_EQ(data.m_faces.size(), 68883u / 3);
    EXPECT_EQ(data.m_materials.size(), 17u);
    EXPECT_EQ(data.m_bones.size(), 140u);
    EXPECT_EQ(data.m_morphs.size(), 30u);
    EXPECT_EQ(data.m_rigidBodies.size(), 45u);
    EXPECT_EQ(data.m_joints.size(), 27u);
    size_t bdef2 = 0;
    for (const mmd::PMXVertex& v : data.m_vertices) {
        bdef2 += v.m_weightType == mmd::PMXVertexWeight::BDEF2;
        ASSERT_GE(v.m_boneIndices[0], 0);
        ASSERT_LT(v.m_boneIndices[0], 140);
    }
    EXPECT_EQ(bdef2, 4053u);
    for (const mmd::PMXBone& bone : data.m_bones) EXPECT_LT(bone.m_parentIndex, 140) << bone.m_name;
    EXPECT_EQ(data.m_bones[0].m_name, "センター");
    EXPECT_TRUE(std::any_of(data.m_morphs.begin(), data.m_morphs.end(),
                            [](const mmd::PMXMorphRecord& m) { return m.m_name == "まばたき"; }));
}

TEST_F(PMXFileTest, EveryTruncationFailsExceptRightAfterTheJoints) {
    ModelBuilder builder = ModelBuilder::EveryFeature();
    const std::vector<uint8_t> full = builder.Bytes();
    builder.SetVersion(2.0f);
    mmd::PMXFileData v20 = builder.Build();
    v20.m_header.m_version = 2.1f;  // same header bytes as the full file
    v20.m_softBodies.clear();
    std::vector<uint8_t> upToJoints = PmxWriter::Write(v20);
    upToJoints.resize(upToJoints.size() - 4);  // the 2.1 writer adds an empty soft-body count
    ASSERT_EQ(std::memcmp(full.data(), upToJoints.data(), upToJoints.size()), 0);

    for (size_t size = 0; size < full.size(); ++size) {
        mmd::PMXFileData data;
        const bool ok = Read(std::vector<uint8_t>(full.begin(), full.begin() + size), data);
        EXPECT_EQ(ok, size == upToJoints.size()) << size;
        if (ok) {
            EXPECT_TRUE(data.m_softBodies.empty());
        }
    }
}

// Files that lie about their contents fail with the reason before "PMX File Read Fail." (truncations are above).
struct BadFile {
    const char* name;
    std::function<void(mmd::PMXFileData&)> edit;
    std::string reason;
};

class PMXBadInputTest : public PMXFileTest, public testing::WithParamInterface<BadFile> {};

TEST_P(PMXBadInputTest, FailsWithItsReason) {
    mmd::PMXFileData source = ModelBuilder::EveryFeature().Build();
    GetParam().edit(source);
    LogCapture log;
    mmd::PMXFileData data;
    EXPECT_FALSE(Read(PmxWriter::Write(source), data));
    const std::vector<std::string> lines = log.Texts();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], GetParam().reason);
    EXPECT_EQ(lines.back(), "PMX File Read Fail. " + Path("model.pmx"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, PMXBadInputTest,
    testing::Values(
        BadFile{"IndexWidth3", [](mmd::PMXFileData& d) { d.m_header.m_boneIndexSize = 3; }, "ReadHeader Fail."},
        BadFile{"WeightType5",
                [](mmd::PMXFileData& d) { d.m_vertices[1].m_weightType = static_cast<mmd::PMXVertexWeight>(5); },
                "ReadVertex Fail."},
        BadFile{"MorphType11", [](mmd::PMXFileData& d) { d.m_morphs[2].m_type = static_cast<mmd::PMXMorphType>(11); },
                "ReadMorph Fail."}),
    [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(PMXFileTest, NonFiniteFloatsBecomeZeroWithAWarning) {
    mmd::PMXFileData source = ModelBuilder::EveryFeature().Build();
    source.m_vertices[0].m_position.x = std::numeric_limits<float>::quiet_NaN();
    source.m_vertices[1].m_normal.y = std::numeric_limits<float>::infinity();
    source.m_rigidBodies[0].m_mass = -std::numeric_limits<float>::infinity();
    LogCapture log;
    mmd::PMXFileData data;
    ASSERT_TRUE(Read(PmxWriter::Write(source), data));
    EXPECT_EQ(data.m_vertices[0].m_position.x, 0.0f);
    EXPECT_EQ(data.m_vertices[1].m_normal.y, 0.0f);
    EXPECT_EQ(data.m_rigidBodies[0].m_mass, 0.0f);
    EXPECT_TRUE(log.Has("PMX File: 3 non-finite values replaced by 0."));
}

TEST_F(PMXFileTest, OneByteObjectIndex255IsNoneAndVertexIndex255IsAVertex) {
    ModelBuilder b;
    b.SetEncoding(1);
    for (int i = 0; i < 256; ++i) b.AddVertex({0, 0, 0}, i % 2 ? 200 : -1);
    b.AddTriangle(255, 0, 1);
    b.AddPositionMorph("m", {{255, {1, 0, 0}}});
    mmd::PMXFileData data;
    ASSERT_TRUE(Read(b.Bytes(), data));
    ASSERT_EQ(data.m_header.m_vertexIndexSize, 1);
    ASSERT_EQ(data.m_header.m_boneIndexSize, 1);
    EXPECT_EQ(data.m_vertices[0].m_boneIndices[0], -1);
    EXPECT_EQ(data.m_vertices[1].m_boneIndices[0], 200);
    EXPECT_EQ(data.m_faces[0].m_vertices[0], 255u);
    EXPECT_EQ(data.m_morphs[0].m_positionOffsets[0].m_vertexIndex, 255u);
}

TEST_F(PMXFileTest, TwoByteIndexNoneAndFourByteVertexIndexAboveInt32) {
    mmd::PMXFileData source = ModelBuilder::EveryFeature().Build();
    source.m_header.m_boneIndexSize = 2;
    source.m_header.m_vertexIndexSize = 4;
    source.m_vertices[0].m_boneIndices[0] = -1;
    source.m_faces[0].m_vertices[0] = 0x80000000u;
    mmd::PMXFileData data;
    ASSERT_TRUE(Read(PmxWriter::Write(source), data));
    EXPECT_EQ(data.m_vertices[0].m_boneIndices[0], -1);
    EXPECT_EQ(data.m_faces[0].m_vertices[0], 0x80000000u);
}

}  // namespace

#include "mmd/PMXFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <tuple>

#include "mmd/File.h"
#include "mmd/UnicodeUtil.h"
#include "support/ByteWriter.h"
#include "support/LogCapture.h"
#include "support/ModelBuilder.h"
#include "support/PmxWriter.h"
#include "support/TempDir.h"

namespace {

using mnx::test::LogCapture;
using mnx::test::ModelBuilder;
using mnx::test::PmxWriter;

class PMXFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_temp = std::make_unique<mnx::test::TempDir>("mnx-pmx");
        m_dir = m_temp->Path();
        ASSERT_FALSE(m_dir.empty());
        mmd::SetLoadScale(1.0f);
    }
    void TearDown() override {
        mmd::SetLoadScale(1.0f);
        m_temp.reset();
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    // Writes the bytes and reads them back.
    bool Read(const std::vector<uint8_t>& bytes, mmd::PMXFileData& data) {
        const std::string path = Path("model.pmx");
        EXPECT_TRUE(mnx::test::WriteBytesToFile(bytes, path));
        return mmd::ReadPMXFile(data, path);
    }
    std::unique_ptr<mnx::test::TempDir> m_temp;
    std::string m_dir;
};

// Round trips compare the re-written bytes: the writer writes every field the reader reads, so equal bytes
// mean equal records.
class PMXRoundTripTest : public PMXFileTest,
                         public testing::WithParamInterface<std::tuple<float, uint8_t, uint8_t>> {};

TEST_P(PMXRoundTripTest, WriteThenReadGivesTheSameData) {
    const auto [version, encoding, width] = GetParam();
    mmd::PMXFileData original = ModelBuilder::EveryFeature().SetEncoding(encoding).Build();
    original.m_header.m_version = version;
    if (version < 2.05f) original.m_softBodies.clear();
    mmd::PMXHeader& h = original.m_header;
    h.m_vertexIndexSize = h.m_textureIndexSize = h.m_materialIndexSize = h.m_boneIndexSize = h.m_morphIndexSize =
        h.m_rigidBodyIndexSize = width;
    const std::vector<uint8_t> bytes = PmxWriter::Write(original);

    mmd::PMXFileData read;
    ASSERT_TRUE(Read(bytes, read));
    EXPECT_EQ(PmxWriter::Write(read), bytes);
    EXPECT_EQ(read.m_info.m_modelName, "全部入り");
    EXPECT_EQ(read.m_info.m_comment, "every record kind\nline two");
    EXPECT_EQ(read.m_textures[0], "tex\\body.png");
    EXPECT_EQ(read.m_vertices.size(), 5u);
    EXPECT_EQ(read.m_vertices[2].m_boneIndices[3], -1);
    EXPECT_EQ(read.m_vertices[3].m_weightType, mmd::PMXVertexWeight::SDEF);
    EXPECT_EQ(read.m_vertices[3].m_sdefR0, glm::vec3(1, 2, 0));
    EXPECT_EQ(read.m_vertices[4].m_additionalUVs[3], glm::vec4(4, 3, 0.5f, 1));
    EXPECT_EQ(read.m_bones[4].m_ikLinks.size(), 2u);
    EXPECT_EQ(read.m_bones[4].m_ikLinks[0].m_lowerLimit.x, -3.14159f);
    EXPECT_EQ(read.m_morphs.size(), 12u);
    EXPECT_EQ(read.m_morphs[7].m_boneOffsets[0].m_rotation.y, 0.3826834f);
    EXPECT_EQ(read.m_rigidBodies[2].m_boneIndex, -1);
    EXPECT_EQ(read.m_softBodies.size(), version < 2.05f ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(VersionsEncodingsWidths, PMXRoundTripTest,
                         testing::Combine(testing::Values(2.0f, 2.1f), testing::Values(uint8_t{0}, uint8_t{1}),
                                          testing::Values(uint8_t{1}, uint8_t{2}, uint8_t{4})));

TEST_F(PMXFileTest, LogsSuccessOpenFailureAndReadFailure) {
    LogCapture log;
    mmd::PMXFileData data;
    const std::string path = Path("ok.pmx");
    ASSERT_TRUE(ModelBuilder().WriteFile(path));
    EXPECT_TRUE(mmd::ReadPMXFile(data, path));
    EXPECT_TRUE(log.Has("PMX File Read Successed. " + path));

    EXPECT_FALSE(mmd::ReadPMXFile(data, Path("missing.pmx")));
    EXPECT_TRUE(log.Has("PMX File Open Fail. " + Path("missing.pmx")));

    // Cut the file ten bytes into the vertex section (UTF-16 texts: a length and two bytes per unit).
    const ModelBuilder every = ModelBuilder::EveryFeature();
    const mmd::PMXInfo& info = every.Build().m_info;
    size_t vertexStart = 17;
    for (const std::string* text : {&info.m_modelName, &info.m_englishModelName, &info.m_comment,
                                    &info.m_englishComment}) {
        std::u16string units;
        ASSERT_TRUE(mmd::ConvU8ToU16(*text, units));
        vertexStart += 4 + 2 * units.size();
    }
    std::vector<uint8_t> bytes = every.Bytes();
    bytes.resize(vertexStart + 10);
    log.Clear();
    EXPECT_FALSE(Read(bytes, data));
    // Five vertices cannot fit in ten bytes: the count is refused before anything is allocated.
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"PMX Count Error: [5]", "ReadVertex Fail.",
                                                     "PMX File Read Fail. " + Path("model.pmx")}));
    const std::vector<LogCapture::Line> lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].level, spdlog::level::err);
    EXPECT_EQ(lines[2].level, spdlog::level::info);
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

TEST_F(PMXFileTest, EmptyAndUnconvertibleUtf16TextsGiveEmptyStringsAndReadingGoesOn) {
    mmd::PMXFileData source = ModelBuilder::EveryFeature().Build();
    source.m_info.m_modelName = "";
    std::vector<uint8_t> bytes = PmxWriter::Write(source);
    mmd::PMXFileData data;
    ASSERT_TRUE(Read(bytes, data));
    EXPECT_EQ(data.m_info.m_modelName, "");
    EXPECT_EQ(data.m_info.m_englishModelName, "builder");

    // English name "builder" (UTF-16, offset 17 + 4 + 4): make its first unit a high surrogate before 'u'.
    bytes[25] = 0x3D, bytes[26] = 0xD8;
    ASSERT_TRUE(Read(bytes, data));
    EXPECT_EQ(data.m_info.m_englishModelName, "");
    EXPECT_EQ(data.m_bones.size(), 6u);
}

TEST_F(PMXFileTest, SharedToonByteIsTheToonIndex) {
    ModelBuilder b;
    b.AddMaterial("m");
    b.Material(0).m_toonIndex = 3;
    mmd::PMXFileData data;
    ASSERT_TRUE(Read(b.Bytes(), data));
    EXPECT_EQ(data.m_materials[0].m_toonMode, mmd::PMXToonMode::Shared);
    EXPECT_EQ(data.m_materials[0].m_toonIndex, 3);
}

TEST_F(PMXFileTest, LoadScaleMultipliesLengthsOnly) {
    ModelBuilder b = ModelBuilder::EveryFeature();
    b.Vertex(0).m_position = {10, 20, 30};
    b.Vertex(0).m_normal = {0, 1, 0};
    mmd::SetLoadScale(0.1f);
    mmd::PMXFileData data;
    ASSERT_TRUE(Read(b.Bytes(), data));
    const float s = 0.1f;
    EXPECT_EQ(data.m_vertices[0].m_position, glm::vec3(10 * s, 20 * s, 30 * s));
    EXPECT_EQ(data.m_vertices[0].m_normal, glm::vec3(0, 1, 0));
    EXPECT_EQ(data.m_vertices[3].m_sdefR0, glm::vec3(1 * s, 2 * s, 0));
    EXPECT_EQ(data.m_bones[1].m_position, glm::vec3(0, 10 * s, 0));
    EXPECT_EQ(data.m_bones[1].m_tailOffset, glm::vec3(0, -1 * s, 0));
    EXPECT_EQ(data.m_morphs[0].m_positionOffsets[0].m_position, glm::vec3(0, 0.1f * s, 0));
    EXPECT_EQ(data.m_morphs[7].m_boneOffsets[0].m_translation, glm::vec3(0, 1 * s, 0));
    EXPECT_EQ(data.m_rigidBodies[1].m_shapeSize, glm::vec3(0.5f * s, 1 * s, 0.5f * s));
    EXPECT_EQ(data.m_rigidBodies[1].m_rotation, glm::vec3(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(data.m_joints[0].m_translationUpperLimit, glm::vec3(s));
    EXPECT_EQ(data.m_joints[0].m_rotationUpperLimit, glm::vec3(0.5f, 0, 0));
    EXPECT_EQ(data.m_bones[4].m_ikLinks[0].m_lowerLimit.x, -3.14159f);
}

TEST_F(PMXFileTest, FaceCountNotAMultipleOfThreeDropsTheRemainder) {
    mmd::PMXFileData source = ModelBuilder::EveryFeature().SetEncoding(1).Build();
    const std::vector<uint8_t> bytes = PmxWriter::Write(source);
    // The face section: count 6 and the one-byte indices 0 1 2 2 3 4. Give it a seventh index.
    const uint8_t faces[] = {6, 0, 0, 0, 0, 1, 2, 2, 3, 4};
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(faces), std::end(faces));
    ASSERT_NE(at, bytes.end());
    std::vector<uint8_t> patched(bytes.begin(), at);
    for (uint8_t b : {7, 0, 0, 0, 0, 1, 2, 2, 3, 4, 4}) patched.push_back(b);
    patched.insert(patched.end(), at + sizeof(faces), bytes.end());
    mmd::PMXFileData data;
    ASSERT_TRUE(Read(patched, data));
    EXPECT_EQ(data.m_faces.size(), 2u);
    EXPECT_EQ(data.m_textures, source.m_textures);
}

}  // namespace

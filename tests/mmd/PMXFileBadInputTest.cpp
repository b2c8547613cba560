// The PMX reader against files that lie: every case must fail (or succeed) with a clear log line, without
// reading out of bounds or allocating what the file cannot hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "mmd/PMXFile.h"
#include "support/ByteWriter.h"
#include "support/LogCapture.h"
#include "support/ModelBuilder.h"
#include "support/PmxWriter.h"
#include "support/TempDir.h"

namespace {

using mnx::test::LogCapture;
using mnx::test::ModelBuilder;
using mnx::test::PmxWriter;

// UTF-8 texts and empty info texts put the vertex count at a fixed offset.
constexpr size_t kVertexCountOffset = 17 + 4 * 4;

std::vector<uint8_t> Plain(const std::function<void(mmd::PMXFileData&)>& edit) {
    ModelBuilder b = ModelBuilder::EveryFeature();
    b.SetEncoding(1);
    b.Data().m_info = mmd::PMXInfo{};
    mmd::PMXFileData data = b.Build();
    edit(data);
    return PmxWriter::Write(data);
}

void PutI32(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof(value));
}

struct BadFile {
    const char* name;
    std::function<std::vector<uint8_t>()> bytes;
    std::vector<std::string> lines;  // the log lines expected before "PMX File Read Fail. <path>"
};

class PMXBadInputTest : public testing::TestWithParam<BadFile> {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_temp.Path().empty());
        m_path = m_temp.Path() + "/bad.pmx";
    }
    mnx::test::TempDir m_temp{"mnx-pmxbad"};
    std::string m_path;
};

TEST_P(PMXBadInputTest, FailsWithItsReason) {
    ASSERT_TRUE(mnx::test::WriteBytesToFile(GetParam().bytes(), m_path));
    LogCapture log;
    mmd::PMXFileData data;
    EXPECT_FALSE(mmd::ReadPMXFile(data, m_path));
    std::vector<std::string> expected = GetParam().lines;
    expected.push_back("PMX File Read Fail. " + m_path);
    EXPECT_EQ(log.Texts(), expected);
}

std::vector<uint8_t> WithVertexCount(int32_t count) {
    std::vector<uint8_t> bytes = Plain([](mmd::PMXFileData&) {});
    PutI32(bytes, kVertexCountOffset, count);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, PMXBadInputTest,
    testing::Values(
        BadFile{"Empty", [] { return std::vector<uint8_t>{}; }, {"ReadHeader Fail."}},
        BadFile{"IndexWidth3",
                [] { return Plain([](mmd::PMXFileData& d) { d.m_header.m_boneIndexSize = 3; }); },
                {"Unsupported Index Size: [3]", "ReadHeader Fail."}},
        BadFile{"VertexIndexWidth0",
                [] { return Plain([](mmd::PMXFileData& d) { d.m_header.m_vertexIndexSize = 0; }); },
                {"Unsupported Index Size: [0]", "ReadHeader Fail."}},
        BadFile{"FiveAdditionalUVs",
                [] { return Plain([](mmd::PMXFileData& d) { d.m_header.m_additionalUVCount = 5; }); },
                {"Unsupported Additional UV Count: [5]", "ReadHeader Fail."}},
        BadFile{"Encoding2", [] { return Plain([](mmd::PMXFileData& d) { d.m_header.m_encoding = 2; }); },
                {"Unsupported Text Encoding: [2]", "ReadHeader Fail."}},
        BadFile{"TextLongerThanFile",
                [] {
                    std::vector<uint8_t> bytes = Plain([](mmd::PMXFileData&) {});
                    PutI32(bytes, 17, 0x7FFFFFFF);
                    return bytes;
                },
                {"PMX Text Length Error: [2147483647]", "ReadInfo Fail."}},
        BadFile{"NegativeTextLength",
                [] {
                    std::vector<uint8_t> bytes = Plain([](mmd::PMXFileData&) {});
                    PutI32(bytes, 21, -2);
                    return bytes;
                },
                {"PMX Text Length Error: [-2]", "ReadInfo Fail."}},
        BadFile{"VertexCount2Pow31Minus1", [] { return WithVertexCount(std::numeric_limits<int32_t>::max()); },
                {"PMX Count Error: [2147483647]", "ReadVertex Fail."}},
        BadFile{"NegativeVertexCount", [] { return WithVertexCount(std::numeric_limits<int32_t>::min()); },
                {"PMX Count Error: [-2147483648]", "ReadVertex Fail."}},
        BadFile{"WeightType5",
                [] {
                    return Plain([](mmd::PMXFileData& d) {
                        d.m_vertices[1].m_weightType = static_cast<mmd::PMXVertexWeight>(5);
                    });
                },
                {"Unsupported Vertex Weight Type: [5]", "ReadVertex Fail."}},
        BadFile{"ToonMode2",
                [] {
                    return Plain([](mmd::PMXFileData& d) {
                        d.m_materials[1].m_toonMode = static_cast<mmd::PMXToonMode>(2);
                    });
                },
                {"Unsupported Toon Mode: [2]", "ReadMaterial Fail."}},
        BadFile{"IKLinkCountHuge",
                [] {
                    std::vector<uint8_t> bytes = Plain([](mmd::PMXFileData& d) { d.m_bones[4].m_ikLinks.clear(); });
                    // The IK bone is the only one with no links: its link count is the first int32 0 after its
                    // loop count 40 and limit 2.0f.
                    const uint8_t tail[] = {40, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0, 0};
                    auto at = std::search(bytes.begin(), bytes.end(), std::begin(tail), std::end(tail));
                    PutI32(bytes, static_cast<size_t>(at - bytes.begin()) + 8, 0x40000000);
                    return bytes;
                },
                {"PMX Count Error: [1073741824]", "ReadBone Fail."}},
        BadFile{"MorphType11",
                [] {
                    return Plain([](mmd::PMXFileData& d) {
                        d.m_morphs[2].m_type = static_cast<mmd::PMXMorphType>(11);
                    });
                },
                {"Unsupported Morph Type:[11]", "ReadMorph Fail."}},
        BadFile{"DisplayTarget2",
                [] {
                    return Plain([](mmd::PMXFileData& d) {
                        d.m_displayFrames[1].m_targets[0].m_type = static_cast<mmd::PMXDisplayTargetType>(2);
                    });
                },
                {"Unsupported Display Target Type: [2]", "ReadDisplayFrame Fail."}},
        BadFile{"SoftBodyCountHuge",
                [] {
                    std::vector<uint8_t> bytes = Plain([](mmd::PMXFileData& d) { d.m_softBodies.clear(); });
                    PutI32(bytes, bytes.size() - 4, 1000);
                    return bytes;
                },
                {"PMX Count Error: [1000]", "ReadSoftbody Fail."}},
        BadFile{"TrailingBytesAfterJoints",
                [] {
                    std::vector<uint8_t> bytes =
                        Plain([](mmd::PMXFileData& d) { d.m_header.m_version = 2.0f; });
                    bytes.push_back(1);
                    return bytes;
                },
                {"ReadSoftbody Fail."}}),
    [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(PMXBadInputTest, NonFiniteFloatsBecomeZeroWithAWarning) {
    const std::vector<uint8_t> bytes = Plain([](mmd::PMXFileData& d) {
        d.m_vertices[0].m_position.x = std::numeric_limits<float>::quiet_NaN();
        d.m_vertices[1].m_normal.y = std::numeric_limits<float>::infinity();
        d.m_rigidBodies[0].m_mass = -std::numeric_limits<float>::infinity();
    });
    ASSERT_TRUE(mnx::test::WriteBytesToFile(bytes, m_path));
    LogCapture log;
    mmd::PMXFileData data;
    ASSERT_TRUE(mmd::ReadPMXFile(data, m_path));
    EXPECT_EQ(data.m_vertices[0].m_position.x, 0.0f);
    EXPECT_EQ(data.m_vertices[1].m_normal.y, 0.0f);
    EXPECT_EQ(data.m_rigidBodies[0].m_mass, 0.0f);
    EXPECT_TRUE(log.Has("PMX File: 3 non-finite values replaced by 0."));
}

// Every single-byte corruption of a complete file must be survived; the sanitizer builds catch any stray access.
TEST_F(PMXBadInputTest, SurvivesEverySingleByteFlip) {
    const std::vector<uint8_t> bytes = Plain([](mmd::PMXFileData&) {});
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            std::vector<uint8_t> broken = bytes;
            broken[i] = value;
            ASSERT_TRUE(mnx::test::WriteBytesToFile(broken, m_path));
            mmd::PMXFileData data;
            mmd::ReadPMXFile(data, m_path);
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <QByteArray>
#include <vector>

#include "render/ObjReader.h"

namespace {

// Four positions at distinct x (1, 2, 3, 4) and four texture coordinates at distinct u (0.1 .. 0.4), so each
// emitted vertex shows which position and coordinate it came from.
const QByteArray kHeader =
    "v 1 0 0\nv 2 0 0\nv 3 0 0\nv 4 0 0\n"
    "vt 0.1 0\nvt 0.2 0\nvt 0.3 0\nvt 0.4 0\n";

// x of each emitted vertex, in order.
std::vector<float> positionsX(const std::vector<float>& vertices) {
    std::vector<float> xs;
    for (size_t i = 0; i + ObjReader::kFloatsPerVertex <= vertices.size(); i += ObjReader::kFloatsPerVertex) {
        xs.push_back(vertices[i]);
    }
    return xs;
}

struct FaceCase {
    const char* name;
    QByteArray faceLines;
    std::vector<float> expectedX;
};

class ObjFaceTest : public ::testing::TestWithParam<FaceCase> {};

TEST_P(ObjFaceTest, EmitsTheExpectedCorners) {
    const std::vector<float> vertices = ObjReader::parse(kHeader + GetParam().faceLines, 1.0f);
    ASSERT_EQ(vertices.size() % ObjReader::kFloatsPerVertex, 0u);
    EXPECT_EQ(positionsX(vertices), GetParam().expectedX);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, ObjFaceTest,
    ::testing::Values(FaceCase{"QuadBecomesTwoTriangles", "f 1/1 2/2 3/3 4/4\n", {1, 2, 3, 1, 3, 4}},
                      // Empty parts count: a trailing space makes a four-corner face a five-corner line.
                      FaceCase{"TrailingSpaceTurnsQuadIntoTriangle", "f 1/1 2/2 3/3 4/4 \n", {1, 2, 3}},
                      FaceCase{"CrLfLineEnds", "f 1/1 2/2 3/3 4/4\r\nf 4/4 3/3 2/2\r\n", {1, 2, 3, 1, 3, 4, 4, 3, 2}},
                      FaceCase{"IndexZeroSkipsTriangle", "f 0/1 2/2 3/3\n", {}},
                      FaceCase{"PositionPastTheEndSkipsTriangle", "f 1/1 2/2 5/3\n", {}},
                      FaceCase{"BadSecondTriangleKeepsFirst", "f 1/1 2/2 3/3 9/4\n", {1, 2, 3}},
                      FaceCase{"NotANumberSkipsTriangle", "f a/1 2/2 3/3\nf 1/1 2/2 3/3\n", {1, 2, 3}},
                      FaceCase{
                          "CommentsAndOtherRecordsIgnored", "# f 1/1 2/2 3/3\ng x\nusemtl m\nvn 0 0 1\n\ns 1\n", {}}),
    [](const ::testing::TestParamInfo<FaceCase>& info) { return std::string(info.param.name); });

TEST(ObjReaderTest, VertexIsPositionTimesScaleThenFlippedTexcoord) {
    const std::vector<float> vertices = ObjReader::parse("v 1 -2 3\nvt 0.25 0.75\nf 1/1 1/1 1/1\n", 10.0f);
    ASSERT_EQ(vertices.size(), 15u);
    EXPECT_EQ(std::vector<float>(vertices.begin(), vertices.begin() + 5),
              (std::vector<float>{10.0f, -20.0f, 30.0f, 0.25f, 0.25f}));
}

TEST(ObjReaderTest, FacesOnlyReferToWhatCameBefore) {
    EXPECT_TRUE(ObjReader::parse("f 1/1 1/1 1/1\nv 0 0 0\nvt 0 0\n", 1.0f).empty());
}

struct BadNumberCase {
    const char* name;
    QByteArray lines;
};

class ObjBadNumberTest : public ::testing::TestWithParam<BadNumberCase> {};

// A malformed position or coordinate is dropped, so the face that needs it goes too, but later records still
// count from the ones that were read.
TEST_P(ObjBadNumberTest, MalformedRecordIsDropped) {
    const QByteArray text = GetParam().lines + "v 7 0 0\nvt 0 0\nf 1/1 1/1 1/1\nf 2/2 2/2 2/2\n";
    EXPECT_EQ(positionsX(ObjReader::parse(text, 1.0f)), (std::vector<float>{7, 7, 7}));
}

INSTANTIATE_TEST_SUITE_P(Numbers, ObjBadNumberTest,
                         ::testing::Values(BadNumberCase{"TooFewCoordinates", "v 1 2\nvt 0\n"},
                                           BadNumberCase{"NotFinite", "v nan 0 0\nvt inf 0\n"},
                                           BadNumberCase{"Overflow", "v 1e39 0 0\nvt 0 -1e39\n"},
                                           BadNumberCase{"DoubleSpace", "v  1 2 3\nvt  0 0\n"}),
                         [](const ::testing::TestParamInfo<BadNumberCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace

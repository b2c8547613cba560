#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "mmd/VPDFile.h"
#include "support/LogCapture.h"
#include "support/ModelBuilder.h"
#include "mmd/writer/ShiftJis.h"
#include "mmd/writer/VpdWriter.h"

using mnx::test::LogCapture;
using mmd::VpdWriter;

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "vpdfile_" + name; }

bool ReadBytes(const std::string& bytes, mmd::VPDFileData& vpd) {
    const std::string path = TempPath("case.vpd");
    EXPECT_TRUE(VpdWriter::SaveBytes(path, bytes));
    return mmd::ReadVPDFile(vpd, path);
}

// UTF-8 lines -> Shift-JIS file text with CR LF.
std::string Text(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return mmd::ToShiftJis(text);
}

VpdWriter HandPose() {
    VpdWriter w;
    w.AddBone("右親指１", {0.0f, 0.0f, 0.0f}, glm::quat(0.9f, 0.1f, -0.2f, 0.3f));
    w.AddBone("センター", {1.5f, -2.25f, 3.0f}, glm::quat(1.0f, 0.0f, 0.0f, 0.0f));
    w.AddMorph("まばたき", 0.5f);
    w.AddMorph("あ", 1.0f);
    return w;
}

class VPDFileLayoutTest : public ::testing::TestWithParam<std::tuple<std::string, bool>> {};

TEST_P(VPDFileLayoutTest, ReadsTheMMDLayout) {
    const auto& [lineEnd, comments] = GetParam();
    mmd::VPDFileData vpd;
    LogCapture log;
    ASSERT_TRUE(ReadBytes(HandPose().SetLineEnd(lineEnd).SetComments(comments).Build(), vpd));
    EXPECT_TRUE(log.Texts().empty());
    ASSERT_EQ(vpd.bones.size(), 2u);
    EXPECT_EQ(vpd.bones[0].boneName, "右親指１");
    EXPECT_FLOAT_EQ(vpd.bones[0].quaternion.x, 0.1f);
    EXPECT_FLOAT_EQ(vpd.bones[0].quaternion.y, -0.2f);
    EXPECT_FLOAT_EQ(vpd.bones[0].quaternion.z, 0.3f);
    EXPECT_FLOAT_EQ(vpd.bones[0].quaternion.w, 0.9f);
    EXPECT_EQ(vpd.bones[1].boneName, "センター");
    EXPECT_EQ(vpd.bones[1].translate, glm::vec3(1.5f, -2.25f, 3.0f));
    ASSERT_EQ(vpd.morphs.size(), 2u);
    EXPECT_EQ(vpd.morphs[0].morphName, "まばたき");
    EXPECT_EQ(vpd.morphs[0].weight, 0.5f);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, VPDFileLayoutTest,
                         ::testing::Combine(::testing::Values("\r\n", "\n", "\r"), ::testing::Bool()));

TEST(VPDFileTest, BonesOnlyAndLooseSpacing) {
    mmd::VPDFileData vpd;
    ASSERT_TRUE(ReadBytes(Text({"Vocaloid Pose Data file", "model.pmx;", "1;", "Bone0{頭 \t", "\t1 ,\t2, 3 ;",
                                "0,0,0,1;  // comment", "  }  // end"}),
                          vpd));
    ASSERT_EQ(vpd.bones.size(), 1u);
    EXPECT_EQ(vpd.bones[0].boneName, "頭");
    EXPECT_EQ(vpd.bones[0].translate, glm::vec3(1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(vpd.morphs.empty());
}

TEST(VPDFileTest, FirstLineMustBeExact) {
    for (const std::string first : {"", "Vocaloid Pose Data file // comment", "Vocaloid Pose Data file ",
                                    "\xEF\xBB\xBFVocaloid Pose Data file", "Vocaloid Pose Data"}) {
        mmd::VPDFileData vpd;
        LogCapture log;
        EXPECT_FALSE(ReadBytes(first + "\r\nmodel.pmx;\r\n0;\r\n", vpd)) << first;
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"VPD File Format Error."});
    }
}

struct BadPose {
    const char* what;
    std::vector<std::string> lines;
    std::string message;
};

class VPDFileErrorTest : public ::testing::TestWithParam<BadPose> {};

TEST_P(VPDFileErrorTest, NamesTheOffendingLine) {
    mmd::VPDFileData vpd;
    LogCapture log;
    EXPECT_FALSE(ReadBytes(Text(GetParam().lines), vpd));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{GetParam().message});
}

const char* kHead = "Vocaloid Pose Data file";

INSTANTIATE_TEST_SUITE_P(Cases, VPDFileErrorTest,
                         ::testing::Values(BadPose{"no parent line",
                                                   {kHead, "", "// only a comment"},
                                                   "VPD File Parse Error.[parent fil name]"},
                                           BadPose{"bone index over",
                                                   {kHead, "m.pmx;", "3;", "", "Bone5{頭", "0,0,0;", "0,0,0,1;", "}"},
                                                   "VPD File Parse Error. 4:[Bone Index over]"},
                                           BadPose{"not a number written out",
                                                   {kHead, "m.pmx;", "1;", "Bone0{頭", "nan,0,0;", "0,0,0,1;", "}"},
                                                   "VPD File Parse Error. 4:[invalid stof argument]"}),
                         [](const ::testing::TestParamInfo<BadPose>& info) {
                             std::string name = info.param.what;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

}  // namespace

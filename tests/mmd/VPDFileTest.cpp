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
#include "support/ShiftJis.h"
#include "support/VpdWriter.h"

using mnx::test::LogCapture;
using mnx::test::VpdWriter;

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
    return mnx::test::ToShiftJis(text);
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
    EXPECT_EQ(vpd.morphs[1].morphName, "あ");
    EXPECT_EQ(vpd.morphs[1].weight, 1.0f);
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
    for (const std::string first : {"Vocaloid Pose Data file // comment", "Vocaloid Pose Data file ",
                                    "\xEF\xBB\xBFVocaloid Pose Data file", "Vocaloid Pose Data"}) {
        mmd::VPDFileData vpd;
        LogCapture log;
        EXPECT_FALSE(ReadBytes(first + "\r\nmodel.pmx;\r\n0;\r\n", vpd)) << first;
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"VPD File Format Error."});
        EXPECT_EQ(log.Lines()[0].level, spdlog::level::info);
    }
    mmd::VPDFileData vpd;
    LogCapture log;
    EXPECT_FALSE(ReadBytes("", vpd));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"VPD File Format Error."});
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

INSTANTIATE_TEST_SUITE_P(
    Cases, VPDFileErrorTest,
    ::testing::Values(
        BadPose{"no parent line", {kHead, "", "// only a comment"}, "VPD File Parse Error.[parent fil name]"},
        BadPose{"no bone count", {kHead, "m.pmx;", "  "}, "VPD File Parse Error.[num bones]"},
        BadPose{"bone count without semicolon", {kHead, "m.pmx;", "3"}, "VPD File Parse Error.[num bones]"},
        BadPose{"bone count not a number",
                {kHead, "m.pmx;", "", "three;"},
                "VPD File Parse Error. 3:[invalid stoi argument]"},
        BadPose{"bone count out of range",
                {kHead, "m.pmx;", "99999999999;"},
                "VPD File Parse Error. 2:[stoi argument out of range]"},
        BadPose{"bone index over",
                {kHead, "m.pmx;", "3;", "", "Bone5{頭", "0,0,0;", "0,0,0,1;", "}"},
                "VPD File Parse Error. 4:[Bone Index over]"},
        BadPose{"bone header missing",
                {kHead, "m.pmx;", "1;", "", "Morph0{あ", "1;", "}"},
                "VPD File Parse Error. 4:[Not Found Bone]"},
        BadPose{"fewer bones than declared",
                {kHead, "m.pmx;", "2;", "Bone0{頭", "0,0,0;", "0,0,0,1;", "}", ""},
                "VPD File Parse Error. 8:[Not Found Bone]"},
        BadPose{"two translation numbers",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,0;", "0,0,0,1;", "}"},
                "VPD File Parse Error. 4:[Split error]"},
        BadPose{"five rotation numbers",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,0,0;", "0,0,0,1,2;", "}"},
                "VPD File Parse Error. 5:[Split error]"},
        BadPose{"value line without semicolon",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,0,0  // x,y,z", "0,0,0,1;", "}"},
                "VPD File Parse Error. 4:[Split error]"},
        BadPose{"empty number",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,,0;", "0,0,0,1;", "}"},
                "VPD File Parse Error. 4:[Split error]"},
        BadPose{"missing close",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,0,0;", "0,0,0,1;", "Bone1{首"},
                "VPD File Parse Error. 6:[Split error]"},
        BadPose{"file ends inside a bone",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,0,0;"},
                "VPD File Parse Error. 5:[Split error]"},
        BadPose{"number not a number",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,x,0;", "0,0,0,1;", "}"},
                "VPD File Parse Error. 4:[invalid stof argument]"},
        BadPose{"number with trailing text",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,1.5cm,0;", "0,0,0,1;", "}"},
                "VPD File Parse Error. 4:[invalid stof argument]"},
        BadPose{"number out of range",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "0,0,0;", "0,1e39,0,1;", "}"},
                "VPD File Parse Error. 5:[stof argument out of range]"},
        BadPose{"not a number written out",
                {kHead, "m.pmx;", "1;", "Bone0{頭", "nan,0,0;", "0,0,0,1;", "}"},
                "VPD File Parse Error. 4:[invalid stof argument]"},
        BadPose{"garbage after the bones",
                {kHead, "m.pmx;", "0;", "", "Morph0{あ", "1;", "}", "", "xyz"},
                "VPD File Parse Error. 8:[Not Found Morph]"},
        BadPose{"morph without weight",
                {kHead, "m.pmx;", "0;", "Morph0{あ", "}"},
                "VPD File Parse Error. 4:[Split error]"}),
    [](const ::testing::TestParamInfo<BadPose>& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

TEST(VPDFileTest, MissingFileIsLogged) {
    mmd::VPDFileData vpd;
    LogCapture log;
    const std::string path = TempPath("does_not_exist.vpd");
    EXPECT_FALSE(mmd::ReadVPDFile(vpd, path));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"VPD File Open Fail. " + path});
}

// Large garbage, with or without a valid first line, is rejected quickly and without holding millions of lines.
TEST(VPDFileTest, GarbageIsRejected) {
    std::mt19937 random(7);
    std::string garbage(10 << 20, '\0');
    for (char& c : garbage) c = char(random());
    mmd::VPDFileData vpd;
    LogCapture log;
    EXPECT_FALSE(ReadBytes(garbage, vpd));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"VPD File Format Error."});

    log.Clear();
    EXPECT_FALSE(ReadBytes(std::string(kHead) + "\n" + std::string(10 << 20, '\n'), vpd));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"VPD File Format Error."});

    log.Clear();
    EXPECT_FALSE(ReadBytes(std::string(kHead) + "\nm;\n1;\n" + garbage.substr(0, 500000), vpd));
    ASSERT_EQ(log.Texts().size(), 1u);
    EXPECT_EQ(log.Texts()[0].rfind("VPD File Parse Error. ", 0), 0u) << log.Texts()[0];
}

std::shared_ptr<mmd::PMXModel> LoadHandModel() {
    mnx::test::ModelBuilder b;
    const int wrist = b.AddBone("右手首", {5, 10, 0});
    const int thumb = b.AddBone("右親指１", {5.5f, 9.5f, -0.5f}, wrist);
    b.AddVertex({5, 10, 0}, wrist);
    b.AddVertex({5.5f, 9.5f, -0.5f}, thumb);
    b.AddVertex({6, 9, -1}, thumb);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("hand");
    b.AddPositionMorph("まばたき", {{0, {0, 1, 0}}});
    const std::string path = TempPath("hand.pmx");
    EXPECT_TRUE(b.WriteFile(path));
    auto model = std::make_shared<mmd::PMXModel>();
    EXPECT_TRUE(model->Load(path, ""));
    model->InitializeAnimation();
    return model;
}

mmd::MMDNode* Node(mmd::MMDModel& model, const std::string& name) {
    return model.GetNodeManager()->GetNode(size_t(model.GetNodeManager()->FindNodeIndex(name)));
}

mmd::MMDMorph* Morph(mmd::MMDModel& model, const std::string& name) {
    return model.GetMorphManager()->GetMorph(size_t(model.GetMorphManager()->FindMorphIndex(name)));
}

TEST(LoadPoseTest, ReachesThePoseInTheRuntimeFrame) {
    auto model = LoadHandModel();
    const glm::quat turn = glm::angleAxis(0.8f, glm::normalize(glm::vec3(1.0f, 0.5f, 0.25f)));
    mmd::VPDFileData vpd;
    ASSERT_TRUE(ReadBytes(VpdWriter()
                              .AddBone("右親指１", {0.5f, 1.0f, 2.0f}, turn)
                              .AddBone("左親指１", {9, 9, 9}, turn)
                              .AddMorph("まばたき", 0.75f)
                              .AddMorph("ウィンク", 1.0f)
                              .Build(),
                          vpd));
    Node(*model, "右手首")->SetAnimationTranslate({0, 1, 0});
    model->LoadPose(vpd, 30);

    mmd::MMDNode* thumb = Node(*model, "右親指１");
    EXPECT_LT(glm::distance(thumb->GetAnimationTranslate(), glm::vec3(0.5f, 1.0f, -2.0f)), 1e-5f);
    EXPECT_NEAR(std::fabs(glm::dot(thumb->GetAnimationRotate(), glm::quat(turn.w, -turn.x, -turn.y, turn.z))), 1.0f,
                1e-5f);
    EXPECT_FLOAT_EQ(Morph(*model, "まばたき")->GetWeight(), 0.75f);
    // A bone the pose does not name keeps its value; the thumb's global pose follows the new local values.
    EXPECT_EQ(Node(*model, "右手首")->GetAnimationTranslate(), glm::vec3(0, 1, 0));
    const glm::vec3 thumbOrigin(thumb->GetGlobalTransform()[3]);
    EXPECT_LT(glm::distance(thumbOrigin, glm::vec3(5.5f + 0.5f, 9.5f + 1.0f + 1.0f, 0.5f - 2.0f)), 1e-4f);
}

TEST(LoadPoseTest, ZeroFramesChangesNothing) {
    auto model = LoadHandModel();
    mmd::VPDFileData vpd;
    ASSERT_TRUE(ReadBytes(
        VpdWriter().AddBone("右親指１", {1, 2, 3}, glm::quat(0, 1, 0, 0)).AddMorph("まばたき", 1).Build(), vpd));
    const glm::mat4 before = Node(*model, "右親指１")->GetGlobalTransform();
    model->LoadPose(vpd, 0);
    EXPECT_EQ(Node(*model, "右親指１")->GetAnimationTranslate(), glm::vec3(0.0f));
    EXPECT_EQ(Node(*model, "右親指１")->GetGlobalTransform(), before);
    EXPECT_EQ(Morph(*model, "まばたき")->GetWeight(), 0.0f);
}

}  // namespace

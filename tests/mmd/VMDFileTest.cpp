#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "mmd/SjisToUnicode.h"
#include "mmd/VMDFile.h"
#include "support/LogCapture.h"
#include "support/ShiftJis.h"
#include "support/VmdWriter.h"
#include "support/VpdWriter.h"

using mnx::test::LogCapture;
using mnx::test::VmdSection;
using mnx::test::VmdWriter;

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "vmdfile_" + name; }

bool ReadBytes(const std::string& bytes, mmd::VMDFileData& vmd, const std::string& name = "case.vmd") {
    const std::string path = TempPath(name);
    EXPECT_TRUE(mnx::test::VpdWriter::SaveBytes(path, bytes));
    return mmd::ReadVMDFile(vmd, path);
}

VmdWriter FullWriter() {
    VmdWriter w;
    w.SetModelName("初音ミク");
    mnx::test::VmdBoneKey bone;
    bone.name = "センター";
    bone.frame = 12;
    bone.translate = {1.0f, 2.0f, 3.0f};
    bone.rotate = glm::quat(0.5f, 0.1f, 0.2f, 0.3f);
    bone.interpolation = VmdWriter::Curves(10, 200, 117, 5);
    w.AddBoneKey(bone);
    bone.name = "abcdefghijklmnopq";  // longer than the field: stored as 15 bytes without terminator
    bone.frame = 7;
    w.AddBoneKey(bone);
    w.AddMorphKey("まばたき", 3, 0.75f);
    mnx::test::VmdCameraKey camera;
    camera.frame = 5;
    camera.viewAngle = 45;
    camera.interpolation[23] = 99;
    w.AddCameraKey(camera);
    w.AddLightKey({9, {0.1f, 0.2f, 0.3f}, {1.0f, -1.0f, 0.5f}});
    w.AddShadowKey({4, 2, 0.5f});
    w.AddIkKey({0, 1, {{"左足ＩＫ", true}, {"右足ＩＫ", false}}});
    w.AddIkKey({30, 0, {}});
    return w;
}

TEST(VMDFileTest, ReadsEverySection) {
    mmd::VMDFileData vmd;
    LogCapture log;
    ASSERT_TRUE(ReadBytes(FullWriter().Build(), vmd));
    EXPECT_TRUE(log.Texts().empty());

    EXPECT_STREQ(vmd.header.header, "Vocaloid Motion Data 0002");
    EXPECT_EQ(mmd::ConvertSjisToU8String(vmd.header.modelName), "初音ミク");

    ASSERT_EQ(vmd.motions.size(), 2u);
    const mmd::VMDMotion& m = vmd.motions[0];
    EXPECT_EQ(mmd::ConvertSjisToU8String(m.boneName), "センター");
    EXPECT_EQ(m.frame, 12u);
    EXPECT_EQ(m.translate, glm::vec3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(m.quaternion.x, 0.1f);
    EXPECT_EQ(m.quaternion.y, 0.2f);
    EXPECT_EQ(m.quaternion.z, 0.3f);
    EXPECT_EQ(m.quaternion.w, 0.5f);
    EXPECT_EQ(m.interpolation[0], 10);
    EXPECT_EQ(m.interpolation[7], 200);
    EXPECT_EQ(m.interpolation[11], 117);
    EXPECT_EQ(m.interpolation[15], 5);
    EXPECT_STREQ(vmd.motions[1].boneName, "abcdefghijklmno");

    ASSERT_EQ(vmd.morphs.size(), 1u);
    EXPECT_EQ(mmd::ConvertSjisToU8String(vmd.morphs[0].blendShapeName), "まばたき");
    EXPECT_EQ(vmd.morphs[0].frame, 3u);
    EXPECT_EQ(vmd.morphs[0].weight, 0.75f);

    ASSERT_EQ(vmd.cameras.size(), 1u);
    EXPECT_EQ(vmd.cameras[0].frame, 5u);
    EXPECT_EQ(vmd.cameras[0].distance, -45.0f);
    EXPECT_EQ(vmd.cameras[0].interest, glm::vec3(0.0f, 10.0f, 0.0f));
    EXPECT_EQ(vmd.cameras[0].interpolation[23], 99);
    EXPECT_EQ(vmd.cameras[0].viewAngle, 45u);

    ASSERT_EQ(vmd.lights.size(), 1u);
    EXPECT_EQ(vmd.lights[0].frame, 9u);
    EXPECT_EQ(vmd.lights[0].position, glm::vec3(1.0f, -1.0f, 0.5f));

    ASSERT_EQ(vmd.shadows.size(), 1u);
    EXPECT_EQ(vmd.shadows[0].shadowType, 2);
    EXPECT_EQ(vmd.shadows[0].distance, 0.5f);

    ASSERT_EQ(vmd.iks.size(), 2u);
    ASSERT_EQ(vmd.iks[0].ikInfos.size(), 2u);
    EXPECT_EQ(mmd::ConvertSjisToU8String(vmd.iks[0].ikInfos[0].name), "左足ＩＫ");
    EXPECT_EQ(vmd.iks[0].ikInfos[0].enable, 1);
    EXPECT_EQ(vmd.iks[0].ikInfos[1].enable, 0);
    EXPECT_EQ(vmd.iks[1].frame, 30u);
    EXPECT_EQ(vmd.iks[1].show, 0);
    EXPECT_TRUE(vmd.iks[1].ikInfos.empty());
}

TEST(VMDFileTest, AcceptsTheOlderSignatureAndBytesAfterTheTerminator) {
    for (const std::string& signature :
         {std::string("Vocaloid Motion Data"), std::string("Vocaloid Motion Data 0002") + '\0' + "JUNK"}) {
        mmd::VMDFileData vmd;
        EXPECT_TRUE(ReadBytes(FullWriter().SetSignature(signature).Build(), vmd)) << signature;
        EXPECT_EQ(vmd.motions.size(), 2u);
    }
}

TEST(VMDFileTest, RejectsAnotherSignature) {
    for (const char* signature :
         {"Vocaloid Motion Data 0003", "Vocaloid Motion", "", "Vocaloid Motion Data 0002 and thirty bytes"}) {
        mmd::VMDFileData vmd;
        LogCapture log;
        EXPECT_FALSE(ReadBytes(FullWriter().SetSignature(signature).Build(), vmd)) << signature;
        EXPECT_EQ(log.Texts(), (std::vector<std::string>{"VMD Header error.", "ReadHeader Fail."}));
        EXPECT_EQ(log.Lines()[0].level, spdlog::level::warn);
    }
}

TEST(VMDFileTest, MissingFileIsLogged) {
    mmd::VMDFileData vmd;
    LogCapture log;
    const std::string path = TempPath("does_not_exist.vmd");
    EXPECT_FALSE(mmd::ReadVMDFile(vmd, path));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"VMD File Open Fail. " + path});
}

// Files that end after a section (as older tools write them) read with the later lists empty.
class VMDFileEndTest : public ::testing::TestWithParam<VmdSection> {};

TEST_P(VMDFileEndTest, LaterSectionsAreEmpty) {
    mmd::VMDFileData vmd;
    LogCapture log;
    ASSERT_TRUE(ReadBytes(FullWriter().EndAfter(GetParam()).Build(), vmd));
    EXPECT_TRUE(log.Texts().empty());
    const int last = int(GetParam());
    EXPECT_EQ(vmd.motions.size(), 2u);
    EXPECT_EQ(vmd.morphs.size(), last >= int(VmdSection::Morphs) ? 1u : 0u);
    EXPECT_EQ(vmd.cameras.size(), last >= int(VmdSection::Camera) ? 1u : 0u);
    EXPECT_EQ(vmd.lights.size(), last >= int(VmdSection::Light) ? 1u : 0u);
    EXPECT_EQ(vmd.shadows.size(), last >= int(VmdSection::Shadow) ? 1u : 0u);
    EXPECT_EQ(vmd.iks.size(), last >= int(VmdSection::Ik) ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Sections, VMDFileEndTest,
                         ::testing::Values(VmdSection::Motions, VmdSection::Morphs, VmdSection::Camera,
                                           VmdSection::Light, VmdSection::Shadow, VmdSection::Ik));

// Cutting the file anywhere inside a section fails with that section's message; cutting it exactly between
// sections reads the sections before the cut.
TEST(VMDFileTest, EveryTruncationFailsWithTheSectionMessageOrReadsWholeSections) {
    const std::string full = FullWriter().Build();
    const size_t header = 50;
    const size_t motions = header + 4 + 2 * 111;
    const size_t morphs = motions + 4 + 23;
    const size_t cameras = morphs + 4 + 61;
    const size_t lights = cameras + 4 + 28;
    const size_t shadows = lights + 4 + 9;
    ASSERT_EQ(full.size(), shadows + 4 + (9 + 2 * 21) + 9);
    const std::set<size_t> boundaries = {motions, morphs, cameras, lights, shadows, full.size()};
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        mmd::VMDFileData vmd;
        LogCapture log;
        const bool ok = ReadBytes(full.substr(0, cut), vmd, "cut.vmd");
        EXPECT_EQ(ok, boundaries.count(cut) == 1) << cut;
        if (ok) continue;
        const char* expected = cut < header    ? "ReadHeader Fail."
                               : cut < motions ? "ReadMotion Fail."
                               : cut < morphs  ? "ReadBlednShape Fail."
                               : cut < cameras ? "ReadCamera Fail."
                               : cut < lights  ? "ReadLight Fail."
                               : cut < shadows ? "ReadShadow Fail."
                                               : "ReadIK Fail.";
        EXPECT_EQ(log.Texts(), std::vector<std::string>{expected}) << cut;
    }
}

// A count far beyond the file is rejected before anything is allocated for it.
TEST(VMDFileTest, CountsBeyondTheFileAreRejected) {
    std::string bytes = VmdWriter().EndAfter(VmdSection::Motions).Build();
    std::memset(&bytes[50], 0xFF, 4);
    mmd::VMDFileData vmd;
    LogCapture log;
    EXPECT_FALSE(ReadBytes(bytes, vmd));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"ReadMotion Fail."});

    bytes = VmdWriter().AddIkKey({0, 1, {{"a", true}}}).Build();
    const size_t infoCount = bytes.size() - 21 - 4;
    std::memset(&bytes[infoCount], 0xFF, 4);
    log.Clear();
    EXPECT_FALSE(ReadBytes(bytes, vmd));
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"ReadIK Fail."});
}

struct RealMotion {
    const char* file;
    size_t boneKeys, boneNames, morphKeys, morphNames, ikKeys;
    uint32_t lastFrame;
};

class VMDFileRealTest : public ::testing::TestWithParam<RealMotion> {};

TEST_P(VMDFileRealTest, ReadsWithTheKnownCounts) {
    const RealMotion& r = GetParam();
    mmd::VMDFileData vmd;
    ASSERT_TRUE(mmd::ReadVMDFile(vmd, std::string(MNX_FIXTURES_DIR) + "/real/motions/" + r.file));
    std::set<std::string> bones, morphs;
    uint32_t last = 0;
    for (const mmd::VMDMotion& m : vmd.motions) {
        bones.insert(m.boneName);
        last = std::max(last, m.frame);
    }
    for (const mmd::VMDMorph& m : vmd.morphs) {
        morphs.insert(m.blendShapeName);
        last = std::max(last, m.frame);
    }
    EXPECT_EQ(vmd.motions.size(), r.boneKeys);
    EXPECT_EQ(bones.size(), r.boneNames);
    EXPECT_EQ(vmd.morphs.size(), r.morphKeys);
    if (r.morphNames != 0) {
        EXPECT_EQ(morphs.size(), r.morphNames);
    }
    EXPECT_EQ(vmd.iks.size(), r.ikKeys);
    EXPECT_EQ(last, r.lastFrame);
    EXPECT_TRUE(vmd.cameras.empty());
    EXPECT_TRUE(vmd.lights.empty());
    EXPECT_TRUE(vmd.shadows.empty());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, VMDFileRealTest,
                         ::testing::Values(RealMotion{"run.vmd", 912, 76, 110, 55, 2, 48},
                                           RealMotion{"pose_im5066365.vmd", 110, 82, 15, 0, 1, 1}));

}  // namespace

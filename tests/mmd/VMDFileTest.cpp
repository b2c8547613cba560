#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "mmd/SjisToUnicode.h"
#include "mmd/VMDFile.h"
#include "support/LogCapture.h"
#include "mmd/writer/ShiftJis.h"
#include "mmd/writer/VmdWriter.h"
#include "mmd/writer/VpdWriter.h"

using mnx::test::LogCapture;
using mmd::VmdSection;
using mmd::VmdWriter;

namespace {

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "vmdfile_" + name; }

bool ReadBytes(const std::string& bytes, mmd::VMDFileData& vmd, const std::string& name = "case.vmd") {
    const std::string path = TempPath(name);
    EXPECT_TRUE(mmd::VpdWriter::SaveBytes(path, bytes));
    return mmd::ReadVMDFile(vmd, path);
}

VmdWriter FullWriter() {
    VmdWriter w;
    mmd::VmdBoneKey bone;
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
    w.AddCameraKey(mmd::VmdCameraKey{});
    w.AddLightKey({9, {0.1f, 0.2f, 0.3f}, {1.0f, -1.0f, 0.5f}});
    w.AddShadowKey({4, 2, 0.5f});
    w.AddIkKey({0, 1, {{"左足ＩＫ", true}, {"右足ＩＫ", false}}});
    w.AddIkKey({30, 0, {}});
    return w;
}

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

// Real motions, against their known contents (Shift-JIS names compared as bytes).
struct RealMotion {
    const char* file;
    size_t boneKeys, boneNames, morphKeys, ikKeys;
    uint32_t lastFrame;
};

class VMDFileRealTest : public ::testing::TestWithParam<RealMotion> {};

TEST_P(VMDFileRealTest, ReadsWithTheKnownCounts) {
    const RealMotion& r = GetParam();
    mmd::VMDFileData vmd;
    ASSERT_TRUE(mmd::ReadVMDFile(vmd, std::string(MNX_FIXTURES_DIR) + "/real/motions/" + r.file));
    std::set<std::string> bones;
    uint32_t last = 0;
    for (const mmd::VMDMotion& m : vmd.motions) {
        bones.insert(m.boneName);
        last = std::max(last, m.frame);
    }
    for (const mmd::VMDMorph& m : vmd.morphs) last = std::max(last, m.frame);
    EXPECT_EQ(vmd.motions.size(), r.boneKeys);
    EXPECT_EQ(bones.size(), r.boneNames);
    EXPECT_EQ(vmd.morphs.size(), r.morphKeys);
    EXPECT_EQ(vmd.iks.size(), r.ikKeys);
    EXPECT_EQ(last, r.lastFrame);
    EXPECT_TRUE(vmd.cameras.empty() && vmd.lights.empty() && vmd.shadows.empty());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, VMDFileRealTest,
                         ::testing::Values(RealMotion{"run.vmd", 912, 76, 110, 2, 48},
                                           RealMotion{"pose_im5066365.vmd", 110, 82, 15, 1, 1}));

}  // namespace

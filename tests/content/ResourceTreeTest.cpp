// The resource tree the build writes beside the executable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "ResourceTree.h"
#include "stb_image.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Relative path -> bytes of every file under root.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) files[fs::relative(entry.path(), root).generic_string()] = ReadBytes(entry.path());
    }
    return files;
}

class ResourceTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = fs::temp_directory_path() / ("mnx_tree_" + std::to_string(::getpid()));
        fs::remove_all(m_base);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_base, ec);
    }
    fs::path m_base;
};

TEST_F(ResourceTreeTest, GeneratesTheSameBytesEveryTime) {
    std::string error;
    ASSERT_TRUE(mnxc::WriteResourceTree(m_base / "a", &error)) << error;
    ASSERT_TRUE(mnxc::WriteResourceTree(m_base / "b", &error)) << error;
    const auto a = Snapshot(m_base / "a");
    EXPECT_EQ(a, Snapshot(m_base / "b"));
    for (const char* expected : {"model/0_sample/sample.pmx", "toontex/toon01.bmp", "toontex/toon10.bmp",
                                 "accessory/README.txt", "pose/default/stand.vmd", "pose/default/handDefault_R.vpd",
                                 "pose/default/handTumbsUp_L.vpd"}) {
        EXPECT_TRUE(a.count(expected)) << expected;
    }
}

TEST_F(ResourceTreeTest, RewritingMendsDamageAndKeepsGoodFiles) {
    std::string error;
    const fs::path root = m_base / "tree";
    ASSERT_TRUE(mnxc::WriteResourceTree(root, &error)) << error;
    const auto before = Snapshot(root);
    const fs::path toon = root / "toontex" / "toon03.bmp";
    const auto toonTime = fs::last_write_time(toon);
    std::ofstream(root / "model" / "0_sample" / "sample.pmx", std::ios::trunc) << "broken";
    fs::remove(root / "accessory" / "README.txt");
    ASSERT_TRUE(mnxc::WriteResourceTree(root, &error)) << error;
    EXPECT_EQ(before, Snapshot(root));
    EXPECT_EQ(toonTime, fs::last_write_time(toon));
}

TEST_F(ResourceTreeTest, FailsWithAReasonWhenTheFolderCannotBeWritten) {
    std::ofstream(m_base.string() + "_file") << "a file where the folder should be";
    std::string error;
    EXPECT_FALSE(mnxc::WriteResourceTree(fs::path(m_base.string() + "_file") / "tree", &error));
    EXPECT_FALSE(error.empty());
    fs::remove(m_base.string() + "_file");
}

class ToonRampTest : public ::testing::TestWithParam<int> {};

// Shared toons are 32 x 32 ramps, lit at the top and shaded at the bottom, as MMD models expect.
TEST_P(ToonRampTest, IsA32By32RampLightAtTheTop) {
    const fs::path root = fs::temp_directory_path() / ("mnx_toon_" + std::to_string(::getpid()));
    std::string error;
    ASSERT_TRUE(mnxc::WriteResourceTree(root, &error)) << error;
    char name[16];
    std::snprintf(name, sizeof(name), "toon%02d.bmp", GetParam());
    const std::string bytes = ReadBytes(root / "toontex" / name);
    fs::remove_all(root);
    int w = 0, h = 0, n = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                  static_cast<int>(bytes.size()), &w, &h, &n, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);
    auto brightness = [&](int y) { return pixels[(y * w + 16) * 3] + pixels[(y * w + 16) * 3 + 1] + pixels[(y * w + 16) * 3 + 2]; };
    EXPECT_GT(brightness(0), brightness(31));
    stbi_image_free(pixels);
}

INSTANTIATE_TEST_SUITE_P(AllTen, ToonRampTest, ::testing::Range(1, 11));

}  // namespace

// The resource tree the build writes beside the executable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "ResourceTree.h"

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

}  // namespace

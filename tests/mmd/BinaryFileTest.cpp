#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "mmd/File.h"
#include "support/ByteWriter.h"

namespace {

class BinaryFileTest : public testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/mnx-binaryfile-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }
    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = m_dir + "/" + name;
        mnx::test::WriteBytesToFile(std::vector<uint8_t>(content.begin(), content.end()), path);
        return path;
    }
    std::string m_dir;
};

TEST_F(BinaryFileTest, ClosedFileDoesNothing) {
    mmd::BinaryFile file;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Tell(), -1);
    EXPECT_EQ(file.Size(), -1);
    EXPECT_EQ(file.Remaining(), 0);
    int value = 0;
    EXPECT_FALSE(file.Read(&value));
    EXPECT_FALSE(file.IsBad());
    std::vector<std::string> lines{"x"};
    EXPECT_FALSE(file.ReadAllLines(lines));
    EXPECT_TRUE(lines.empty());
}

TEST_F(BinaryFileTest, OpenFailsForMissingFilesDirectoriesAndInvalidUtf8) {
    mmd::BinaryFile file;
    EXPECT_FALSE(file.Open(m_dir + "/missing.pmx"));
    EXPECT_FALSE(file.Open(m_dir));
    Write("ok.bin", "1234");
    EXPECT_FALSE(file.Open(m_dir + "/ok.bin\xC0\x80"));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(BinaryFileTest, MeasuresSizeAndSetsBadOnShortReadUntilClosed) {
    const std::string path = Write("data.bin", std::string("\x01\x00\x00\x00\x02\x00", 6));
    mmd::BinaryFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.Size(), 6);
    int32_t value = 0;
    ASSERT_TRUE(file.Read(&value));
    EXPECT_EQ(value, 1);
    EXPECT_EQ(file.Tell(), 4);
    EXPECT_EQ(file.Remaining(), 2);
    EXPECT_FALSE(file.Read(&value));
    EXPECT_TRUE(file.IsBad());
    EXPECT_EQ(file.Tell(), 6) << "a short read stops at the end";
    EXPECT_TRUE(file.Seek(2));
    const uint8_t* span = file.ReadSpan(4);
    ASSERT_NE(span, nullptr);
    EXPECT_EQ(span[2], 0x02);
    EXPECT_EQ(file.ReadSpan(1), nullptr) << "no byte is left";
    EXPECT_TRUE(file.Seek(0));
    EXPECT_TRUE(file.Read(&value));
    EXPECT_TRUE(file.IsBad()) << "bad is never cleared by later reads";
    file.Close();
    EXPECT_FALSE(file.IsBad());
    EXPECT_EQ(file.Size(), -1);
}

TEST_F(BinaryFileTest, BackslashesInPathsAreSeparators) {
    ASSERT_EQ(system(("mkdir -p '" + m_dir + "/sub'").c_str()), 0);
    Write("sub/a.bin", "x");
    mmd::BinaryFile file;
    EXPECT_TRUE(file.Open(m_dir + "\\sub\\a.bin"));
    EXPECT_EQ(file.Size(), 1);
}

TEST_F(BinaryFileTest, OpensUtf8Names) {
    const std::string path = Write("モデル.pmx", "abc");
    mmd::BinaryFile file;
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.Size(), 3);
}

TEST_F(BinaryFileTest, ReadAllLinesSplitsAtCrLfAndCrLf) {
    const std::string path = Write("pose.vpd", "a\r\nb\rc\n\nd");
    mmd::BinaryFile file;
    ASSERT_TRUE(file.OpenText(path));
    std::vector<std::string> lines{"old"};
    ASSERT_TRUE(file.ReadAllLines(lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "d"}));

    ASSERT_TRUE(file.OpenText(Write("end.vpd", "x\n")));
    ASSERT_TRUE(file.ReadAllLines(lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"x"}));
    ASSERT_TRUE(file.OpenText(Write("empty.vpd", "")));
    ASSERT_TRUE(file.ReadAllLines(lines));
    EXPECT_TRUE(lines.empty());
}

}  // namespace

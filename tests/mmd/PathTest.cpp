#include "mmd/Path.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct JoinCase {
    std::string a, b, joined;
};

class PathJoinTest : public testing::TestWithParam<JoinCase> {};

TEST_P(PathJoinTest, Joins) { EXPECT_EQ(mmd::PathJoin(GetParam().a, GetParam().b), GetParam().joined); }

INSTANTIATE_TEST_SUITE_P(Cases, PathJoinTest,
                         testing::Values(JoinCase{"C:\\models\\", "tex/a.png", "C:\\models\\tex/a.png"},
                                         JoinCase{"a//", "b\\\\", "a\\b"}, JoinCase{"", "b", "b"},
                                         JoinCase{"a", "", "a\\"}, JoinCase{"", "", ""},
                                         JoinCase{"/home/u/m", "t.png", "/home/u/m\\t.png"}));

TEST(PathTest, NormalizePathTurnsSlashesIntoBackslashes) {
    EXPECT_EQ(mmd::NormalizePath("C:\\models\\tex/a.png"), "C:\\models\\tex\\a.png");
    EXPECT_EQ(mmd::NormalizePath("a/b/"), "a\\b\\");
}

TEST(PathTest, GetDirectoryNameCutsAtLastSeparatorOfEitherKind) {
    EXPECT_EQ(mmd::GetDirectoryName("a/b\\c.pmx"), "a/b");
    EXPECT_EQ(mmd::GetDirectoryName("a\\b/c.pmx"), "a\\b");
    EXPECT_EQ(mmd::GetDirectoryName("c.pmx"), "");
    EXPECT_EQ(mmd::GetDirectoryName("dir\\"), "dir");
}

TEST(PathTest, ToNativePathUsesSlashesOnPosix) {
    EXPECT_EQ(mmd::ToNativePath("C:\\m\\tex/a.png"), "C:/m/tex/a.png");
}

TEST(PathTest, GetExecutablePathNamesThisTest) {
    const std::string path = mmd::GetExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "PathTest");
    EXPECT_EQ(access(path.c_str(), X_OK), 0);
}

}  // namespace

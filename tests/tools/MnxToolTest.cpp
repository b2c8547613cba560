#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const std::string kFixtures = MNX_FIXTURES_DIR;
const std::string kModel = kFixtures + "/real/miku_v2/index.pmx";
const std::string kMotion = kFixtures + "/real/motions/run.vmd";

struct RunResult {
    int m_exitCode = -1;
    std::string m_stdout;
};

// Standard error is discarded: the contract under test is that standard output carries the JSON and nothing else.
RunResult RunTool(const std::string& arguments) {
    const std::string command = std::string(MNX_BIN_DIR) + "/mnxtool " + arguments + " 2>/dev/null";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        result.m_stdout.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The text after `"key":` up to the next separator; the first occurrence wins, so nested keys must be unique.
std::string Field(const std::string& json, const std::string& key) {
    const std::string needle = "\"" + key + "\":";
    const size_t at = json.find(needle);
    if (at == std::string::npos) {
        return "<missing " + key + ">";
    }
    const size_t start = at + needle.size();
    const size_t end = json.find_first_of(",}]", start);
    return json.substr(start, end - start);
}

long Count(const std::string& json, const std::string& key) { return std::atol(Field(json, key).c_str()); }

std::string WriteTruncatedCopy(const std::string& source, const std::string& name, size_t bytes) {
    std::ifstream in(source, std::ios::binary);
    std::string data(bytes, '\0');
    in.read(&data[0], static_cast<std::streamsize>(bytes));
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(in.gcount()));
    return path;
}

TEST(MnxToolTest, InfoReportsTheFixtureModelCounts) {
    const RunResult r = RunTool("info " + kModel);
    ASSERT_EQ(r.m_exitCode, 0);
    const std::string& j = r.m_stdout;
    ASSERT_EQ(j.front(), '{');
    EXPECT_EQ(j.find('\n'), j.size() - 1) << "exactly one line of JSON";
    // The reader's counts, as the model reader test knows them.
    EXPECT_EQ(Count(j, "vertices"), 12354);
    EXPECT_EQ(Count(j, "BDEF2"), 4053);
    EXPECT_EQ(Count(j, "bones"), 140);
    EXPECT_EQ(Count(j, "rigid_bodies"), 45);
    // UTF-16 names come out as UTF-8 text, not escapes.
    EXPECT_NE(j.find("\"センター\""), std::string::npos);
    EXPECT_NE(j.find("\"まばたき\""), std::string::npos);
    EXPECT_EQ(j.find("上半身2"), std::string::npos);
}

TEST(MnxToolTest, RejectedFilesExitOneWithNothingOnStdout) {
    const std::string model = WriteTruncatedCopy(kModel, "mnxtool_truncated.pmx", 5000);
    const std::string motion = WriteTruncatedCopy(kMotion, "mnxtool_truncated.vmd", 100);
    const std::string garbage = testing::TempDir() + "mnxtool_garbage.bin";
    std::ofstream(garbage, std::ios::binary) << "this is not a model file at all";

    for (const std::string& args : {"info " + model, "info " + garbage, "info " + kFixtures + "/no/such.pmx",
                                    "motion " + motion, "motion " + garbage, "bench " + model + " --frames 1",
                                    "bench " + kModel + " --motion " + motion + " --frames 1"}) {
        const RunResult r = RunTool(args);
        EXPECT_EQ(r.m_exitCode, 1) << args;
        EXPECT_EQ(r.m_stdout, "") << args;
    }
}

TEST(MnxToolTest, BenchAnimatesTheModelWithFinitePositions) {
    const RunResult r =
        RunTool("bench " + kModel + " --motion " + kMotion + " --frames 300 --threads 2 --checksum-at 0 --repeat 2");
    ASSERT_EQ(r.m_exitCode, 0);
    const std::string& j = r.m_stdout;
    EXPECT_EQ(Field(j, "all_finite"), "true");
    EXPECT_EQ(Count(j, "frames"), 300);
    EXPECT_EQ(Count(j, "threads"), 2);
    const std::string first = Field(j, "checksum_at");
    const std::string last = Field(j, "checksum");
    ASSERT_NE(first.find('.'), std::string::npos) << j;
    ASSERT_NE(last.find('.'), std::string::npos) << j;
    EXPECT_NE(first, last) << "the motion must move the skinned vertices";
}

TEST(MnxToolTest, BenchIsRepeatableAndIndependentOfThreadCount) {
    const std::string args = "bench " + kModel + " --motion " + kMotion + " --frames 20";
    const RunResult one = RunTool(args + " --threads 1");
    const RunResult two = RunTool(args + " --threads 2");
    ASSERT_EQ(one.m_exitCode, 0);
    ASSERT_EQ(two.m_exitCode, 0);
    EXPECT_EQ(Field(one.m_stdout, "checksum"), Field(two.m_stdout, "checksum"));
}

TEST(MnxToolTest, BadArgumentsAreUsageErrors) {
    EXPECT_EQ(RunTool("").m_exitCode, 2);
    EXPECT_EQ(RunTool("bench " + kModel + " --frames zero").m_exitCode, 2);
    EXPECT_EQ(RunTool("bench " + kModel + " --unknown 1").m_exitCode, 2);
}

}  // namespace

// mnxtool snapshot renders a real model and the sample character offscreen; the pictures must show the figure.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string kFixtures = MNX_FIXTURES_DIR;
const std::string kBin = MNX_BIN_DIR;

int RunTool(const std::string& arguments, const std::string& environment = "") {
    const std::string command = environment + " " + kBin + "/mnxtool " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Figure {
    int covered = 0;
    QRect bounds;
    int headPixels = 0;
};

Figure Analyse(const QImage& image, QRgb background) {
    Figure figure;
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == (background & 0xFFFFFF)) continue;
            ++figure.covered;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return figure;
    figure.bounds = QRect(QPoint(left, top), QPoint(right, bottom));
    // The head: the top eighth of the figure, which must be filled, not a stray strand of hair.
    const int headBottom = top + figure.bounds.height() / 8;
    for (int y = top; y <= headBottom; ++y) {
        for (int x = left; x <= right; ++x) figure.headPixels += (image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
    }
    return figure;
}

struct SnapshotCase {
    const char* name;
    std::string model;
    std::string extra;
};

class SnapshotTest : public ::testing::TestWithParam<SnapshotCase> {};

TEST_P(SnapshotTest, FrontViewShowsTheWholeFigure) {
    const std::string out = std::string(MNX_TEST_OUTPUT_DIR) + "/snapshot_" + GetParam().name + ".png";
    std::remove(out.c_str());
    const int code = RunTool("snapshot " + GetParam().model + " --out " + out + " --size 640x360 --bg 203040 " +
                             GetParam().extra);
    if (code == 1 && std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    ASSERT_EQ(code, 0);
    const QImage image(QString::fromStdString(out));
    ASSERT_FALSE(image.isNull()) << out;
    EXPECT_EQ(image.size(), QSize(640, 360));
    const Figure figure = Analyse(image, QColor(0x20, 0x30, 0x40).rgb());
    const double share = double(figure.covered) / (640.0 * 360.0);
    EXPECT_GT(share, 0.03) << out;
    EXPECT_LT(share, 0.5) << out;
    // Framed head to foot and centred.
    EXPECT_GT(figure.bounds.height(), 360 * 0.75) << out;
    EXPECT_NEAR(figure.bounds.center().x(), 320, 64) << out;
    EXPECT_GT(figure.headPixels, figure.bounds.width() * figure.bounds.height() / 8 / 10) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Models, SnapshotTest,
    ::testing::Values(SnapshotCase{"fixture", kFixtures + "/real/miku_v2/index.pmx",
                                   "--motion " + kFixtures + "/real/motions/run.vmd --time 0.5"},
                      SnapshotCase{"sample", kBin + "/resource/model/0_sample/sample.pmx",
                                   "--motion " + kBin + "/resource/pose/default/stand.vmd --time 1"},
                      SnapshotCase{"sample_left", kBin + "/resource/model/0_sample/sample.pmx", "--camera left"},
                      SnapshotCase{"sample_hand", kBin + "/resource/model/0_sample/sample.pmx",
                                   "--pose " + kBin + "/resource/pose/default/handRock_R.vpd --camera back"}),
    [](const ::testing::TestParamInfo<SnapshotCase>& info) { return std::string(info.param.name); });

QByteArray ReadAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The motion clock and the physics step come from the command, not from the machine: the same command gives the
// same file, and turning physics off shows a different (unsimulated) pose of hair and skirt.
TEST(SnapshotRepeatTest, SameCommandGivesTheSameFile) {
    const std::string base = std::string(MNX_TEST_OUTPUT_DIR) + "/snapshot_repeat";
    const std::string command = "snapshot " + kFixtures + "/real/miku_v2/index.pmx --motion " + kFixtures +
                                "/real/motions/run.vmd --time 1.0 --size 320x240 --out ";
    std::vector<QByteArray> files;
    for (const char* suffix : {"_a.png", "_b.png", "_off.png"}) {
        const std::string out = base + suffix;
        std::remove(out.c_str());
        const std::string physics = std::string(suffix) == "_off.png" ? " --physics off" : "";
        const int code = RunTool(command + out + physics);
        if (code == 1 && std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
        ASSERT_EQ(code, 0) << out;
        files.push_back(ReadAll(out));
        ASSERT_FALSE(files.back().isEmpty()) << out;
    }
    EXPECT_TRUE(files[0] == files[1]) << base << "_a.png and _b.png differ";
    EXPECT_FALSE(files[0] == files[2]) << "--physics off changed nothing";
}

TEST(SnapshotFailureTest, ReportsWhatWentWrong) {
    const std::string out = std::string(MNX_TEST_OUTPUT_DIR) + "/snapshot_never.png";
    EXPECT_EQ(RunTool("snapshot /nonexistent.pmx --out " + out), 1);
    EXPECT_EQ(RunTool("snapshot " + kFixtures + "/real/miku_v2/index.pmx --out " + out, "QT_QPA_PLATFORM=minimal"), 1)
        << "no GL context on that platform";
    EXPECT_EQ(RunTool("snapshot " + kFixtures + "/real/miku_v2/index.pmx --out " + out + " --size 10"), 2);
    EXPECT_EQ(RunTool("snapshot " + kFixtures + "/real/miku_v2/index.pmx"), 2) << "no --out";
    FILE* file = std::fopen(out.c_str(), "rb");
    EXPECT_EQ(file, nullptr);
    if (file) std::fclose(file);
}

}  // namespace

// Under a comma-decimal locale (which QApplication adopts from the environment) every text number the system
// reads or writes keeps the C form: pose files, phone packets, the tool's JSON.
#include <gtest/gtest.h>

#include <QString>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "face/iFacialMoCap.h"
#include "mmd/VPDFile.h"
#include "mmd/writer/VpdWriter.h"
#include "tools/mnxtool/JsonWriter.h"

namespace {

// de_DE.UTF-8, from the system or else compiled once into the build tree (a fresh system has only C).
bool UseCommaLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) return true;
    const std::filesystem::path dir = std::filesystem::path(MNX_BIN_DIR).parent_path() / "locale";
    if (!std::filesystem::exists(dir / "de_DE.UTF-8")) {
        std::filesystem::create_directories(dir);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + (dir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(command.c_str());
    }
    ::setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

class CommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(UseCommaLocale()) << "no de_DE.UTF-8 locale (scripts/install-deps.sh generates it)";
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

// Fails with strtof: "0.5" stops at the point, and every pose and hand-pose file is rejected.
TEST_F(CommaLocaleTest, PoseFileNumbersAreRead) {
    const std::string path = ::testing::TempDir() + "comma_locale.vpd";
    mmd::VpdWriter writer;
    writer.AddBone("センター", {0.5f, 1.25f, -2.75f}, glm::quat(0.6f, 0, 0.8f, 0));
    writer.AddMorph("まばたき", 0.625f);
    // The fixture writer formats with the C library, so it writes under C, as MikuMikuDance does.
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(writer.Save(path));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    mmd::VPDFileData vpd;
    ASSERT_TRUE(mmd::ReadVPDFile(vpd, path));
    ASSERT_EQ(vpd.bones.size(), 1u);
    EXPECT_FLOAT_EQ(vpd.bones[0].translate.y, 1.25f);
    EXPECT_FLOAT_EQ(vpd.bones[0].quaternion.y, 0.8f);
    ASSERT_EQ(vpd.morphs.size(), 1u);
    EXPECT_FLOAT_EQ(vpd.morphs[0].weight, 0.625f);
}

TEST_F(CommaLocaleTest, PacketNumbersAreRead) {
    iFacialMoCap receiver;
    receiver.Parse(QStringLiteral("=head#0,0,0,0.25,0.5,0.75|jawOpen-45|") + QString(80, QLatin1Char('|')));
    EXPECT_FLOAT_EQ(receiver.LatestFrame().headPosition.y, 0.5f);
}

// Fails with printf: the JSON would hold "0,115720", which no JSON reader accepts.
TEST_F(CommaLocaleTest, ToolJsonWritesPoints) {
    mnxtool::JsonWriter json;
    json.Add("covered", 0.11572);
    EXPECT_NE(json.Finish().find("\"covered\":0.115720"), std::string::npos) << json.Finish();
}

}  // namespace

// Models, motions, poses and textures usually sit in folders with Japanese names. The readers take UTF-8 paths;
// on Windows they must open them through UTF-16, since a UTF-8 name given to fopen is read in the ANSI code page.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "mmd/File.h"
#include "mmd/PMXModel.h"
#include "mmd/writer/ByteWriter.h"
#include "support/ModelBuilder.h"

namespace {

namespace fs = std::filesystem;

class UnicodePathTest : public testing::Test {
protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        m_root = fs::temp_directory_path() / ("mnx-unicode-" + std::to_string(stamp));
        m_modelDir = m_root / fs::u8path(u8"モデル") / fs::u8path(u8"初音ミク 改");
        fs::create_directories(m_modelDir / fs::u8path(u8"テクスチャ"));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    // The UTF-8 text of a path in the model folder, as the app hands it to the runtime.
    std::string Utf8(const std::string& relative) const { return (m_modelDir / fs::u8path(relative)).u8string(); }

    fs::path m_root;
    fs::path m_modelDir;
};

TEST_F(UnicodePathTest, ModelAndTextureLoadFromAJapaneseFolder) {
    // MMD writes texture paths with "\\", relative to the model's folder.
    const std::string texture = u8"テクスチャ\\肌.png";
    mnx::test::ModelBuilder builder;
    const int center = builder.AddBone(u8"センター", glm::vec3(0.0f, 8.0f, 0.0f));
    builder.AddVertex(glm::vec3(0.0f), center);
    builder.AddVertex(glm::vec3(1.0f, 0.0f, 0.0f), center);
    builder.AddVertex(glm::vec3(0.0f, 1.0f, 0.0f), center);
    builder.AddTriangle(0, 1, 2);
    builder.AddMaterial(u8"肌", builder.AddTexture(texture));
    ASSERT_TRUE(builder.WriteFile(Utf8(u8"ミク.pmx")));
    const std::vector<uint8_t> pixels = {0x89, 'P', 'N', 'G', 1, 2, 3};
    ASSERT_TRUE(mmd::WriteBytesToFile(pixels, Utf8(u8"テクスチャ/肌.png")));

    mmd::PMXModel model;
    ASSERT_TRUE(model.Load(Utf8(u8"ミク.pmx"), Utf8(u8"toon")));
    ASSERT_EQ(model.GetMaterialCount(), 1u);
    // The texture path the renderer opens is the model folder joined with the file's relative path.
    mmd::BinaryFile image;
    ASSERT_TRUE(image.Open(model.GetMaterials()[0].m_texture)) << model.GetMaterials()[0].m_texture;
    EXPECT_EQ(image.Size(), static_cast<int64_t>(pixels.size()));
}

}  // namespace

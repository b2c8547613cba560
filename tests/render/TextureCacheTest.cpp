#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/TextureCache.h"

namespace {

class TextureCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(16, 16)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        ASSERT_TRUE(m_dir.isValid());
    }

    // Writes a 2 x 2 PNG whose first (top) row is `top` and second row `bottom`, each with `channels` bytes.
    std::string writePng(const char* name, int channels, std::vector<unsigned char> top,
                         std::vector<unsigned char> bottom) {
        std::vector<unsigned char> pixels;
        for (const auto* row : {&top, &bottom}) {
            for (int x = 0; x < 2; ++x) {
                pixels.insert(pixels.end(), row->begin(), row->end());
            }
        }
        const std::string path = m_dir.filePath(name).toStdString();
        EXPECT_NE(stbi_write_png(path.c_str(), 2, 2, channels, pixels.data(), 2 * channels), 0);
        return path;
    }

    std::vector<unsigned char> readTexture(GLuint texture, GLenum format, int channels) {
        std::vector<unsigned char> pixels(static_cast<size_t>(4 * channels));
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glBindTexture(GL_TEXTURE_2D, texture);
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gl->glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
        gl->glBindTexture(GL_TEXTURE_2D, 0);
        return pixels;
    }

    GlTestContext m_context;
    QTemporaryDir m_dir;
    TextureCache m_cache;
};

TEST_F(TextureCacheTest, RgbaImageKeepsAlphaAndIsFlipped) {
    const std::string path = writePng("rgba.png", 4, {255, 0, 0, 128}, {0, 0, 255, 255});
    const Texture texture = m_cache.GetTexture(path);
    ASSERT_NE(texture.m_texture, 0u);
    EXPECT_TRUE(texture.m_hasAlpha);
    const auto pixels = readTexture(texture.m_texture, GL_RGBA, 4);
    // The image's top row (red, half transparent) becomes the texture's last row.
    EXPECT_EQ(std::vector<unsigned char>(pixels.begin(), pixels.begin() + 4),
              (std::vector<unsigned char>{0, 0, 255, 255}));
    EXPECT_EQ(std::vector<unsigned char>(pixels.begin() + 8, pixels.begin() + 12),
              (std::vector<unsigned char>{255, 0, 0, 128}));
}

struct ChannelCase {
    int channels;
    bool hasAlpha;
};

class TextureChannelTest : public TextureCacheTest, public ::testing::WithParamInterface<ChannelCase> {};

TEST_P(TextureChannelTest, OnlyFourChannelImagesHaveAlpha) {
    const int channels = GetParam().channels;
    const std::vector<unsigned char> row(static_cast<size_t>(channels), 200);
    const Texture texture = m_cache.GetTexture(writePng("image.png", channels, row, row));
    ASSERT_NE(texture.m_texture, 0u);
    EXPECT_EQ(texture.m_hasAlpha, GetParam().hasAlpha);
    GLint internalFormat = 0;
    glFunctions()->glBindTexture(GL_TEXTURE_2D, texture.m_texture);
    glFunctions()->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
    GLint maxLevel = 0;
    glFunctions()->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    glFunctions()->glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(maxLevel, 2);
    if (GetParam().hasAlpha) {
        EXPECT_TRUE(internalFormat == GL_RGBA || internalFormat == GL_RGBA8) << internalFormat;
    } else {
        EXPECT_TRUE(internalFormat == GL_RGB || internalFormat == GL_RGB8) << internalFormat;
    }
}

INSTANTIATE_TEST_SUITE_P(Channels, TextureChannelTest,
                         ::testing::Values(ChannelCase{1, false}, ChannelCase{2, false}, ChannelCase{3, false},
                                           ChannelCase{4, true}));

TEST_F(TextureCacheTest, SamePathSharesOneTexture) {
    const std::string path = writePng("shared.png", 3, {1, 2, 3}, {4, 5, 6});
    const Texture first = m_cache.GetTexture(path);
    const Texture second = m_cache.GetTexture(path);
    EXPECT_NE(first.m_texture, 0u);
    EXPECT_EQ(first.m_texture, second.m_texture);
    EXPECT_EQ(m_cache.Size(), 1u);
}

TEST_F(TextureCacheTest, BackslashSeparatorsOpenTheSameFile) {
    QDir(m_dir.path()).mkdir("tex");
    const std::string path = writePng("tex/a.png", 3, {9, 9, 9}, {9, 9, 9});
    std::string windowsStyle = path;
    windowsStyle.replace(windowsStyle.rfind('/'), 1, "\\");
    EXPECT_NE(m_cache.GetTexture(windowsStyle).m_texture, 0u);
}

TEST_F(TextureCacheTest, FailuresAreLoggedEachTimeAndNotCached) {
    QFile garbage(m_dir.filePath("garbage.png"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("definitely not an image");
    garbage.close();
    // A PNG cut short after its header: the size query succeeds, decoding fails.
    const std::string valid = writePng("whole.png", 3, {1, 1, 1}, {2, 2, 2});
    QFile whole(QString::fromStdString(valid));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray head = whole.read(40);
    QFile truncated(m_dir.filePath("truncated.png"));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(head);
    truncated.close();

    for (const QString& name : {QString("missing.png"), QString("garbage.png"), QString("truncated.png")}) {
        const std::string path = m_dir.filePath(name).toStdString();
        LogCapture log;
        EXPECT_EQ(m_cache.GetTexture(path).m_texture, 0u) << name.toStdString();
        EXPECT_FALSE(m_cache.GetTexture(path).m_hasAlpha);
        EXPECT_EQ(log.count("failed load Texture"), 2) << name.toStdString();
    }
    EXPECT_EQ(m_cache.Size(), 0u);
}

TEST_F(TextureCacheTest, DummiesAndReleaseManageEveryTexture) {
    m_cache.CreateDummyTextures();
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const GLuint color = m_cache.DummyColorTexture();
    const GLuint depth = m_cache.DummyDepthTexture();
    ASSERT_TRUE(gl->glIsTexture(color));
    ASSERT_TRUE(gl->glIsTexture(depth));
    GLint format = 0;
    gl->glBindTexture(GL_TEXTURE_2D, depth);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, GL_DEPTH_COMPONENT16);
    GLint width = 0;
    gl->glBindTexture(GL_TEXTURE_2D, color);
    gl->glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(width, 1);

    const GLuint loaded = m_cache.GetTexture(writePng("b.png", 3, {1, 1, 1}, {1, 1, 1})).m_texture;
    ASSERT_TRUE(gl->glIsTexture(loaded));
    m_cache.Release();
    EXPECT_FALSE(gl->glIsTexture(color));
    EXPECT_FALSE(gl->glIsTexture(depth));
    EXPECT_FALSE(gl->glIsTexture(loaded));
    EXPECT_EQ(m_cache.Size(), 0u);
    m_cache.Release();
}

}  // namespace

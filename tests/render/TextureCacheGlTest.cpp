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

struct ChannelCase {
    int channels;
    bool hasAlpha;
};

class TextureChannelTest : public TextureCacheTest, public ::testing::WithParamInterface<ChannelCase> {};

// The image's top row becomes the texture's last row (GL's first row is the bottom), rows of any byte width
// arrive unsheared, and only four-channel images keep alpha.
TEST_P(TextureChannelTest, ImageIsFlippedUnshearedAndHasAlphaOnlyWithFourChannels) {
    const int channels = GetParam().channels;
    std::vector<unsigned char> top(static_cast<size_t>(channels), 40);
    std::vector<unsigned char> bottom(static_cast<size_t>(channels), 200);
    top[0] = 250;
    const Texture texture = m_cache.GetTexture(writePng("image.png", channels, top, bottom));
    ASSERT_NE(texture.m_texture, 0u);
    EXPECT_EQ(texture.m_hasAlpha, GetParam().hasAlpha);
    const auto pixels = readTexture(texture.m_texture, GL_RGBA, 4);
    // Texels in GL order: bottom row (two texels), then top row.
    for (int texel = 0; texel < 4; ++texel) {
        const unsigned char expected = texel < 2 ? 200 : 250;
        EXPECT_EQ(pixels[static_cast<size_t>(texel * 4)], expected) << "texel " << texel;
    }
    if (channels == 4) {
        EXPECT_EQ(pixels[15], 40) << "alpha of the top row";
    }
}

INSTANTIATE_TEST_SUITE_P(Channels, TextureChannelTest,
                         ::testing::Values(ChannelCase{1, false}, ChannelCase{2, false}, ChannelCase{3, false},
                                           ChannelCase{4, true}));

TEST_F(TextureCacheTest, FailuresAreLoggedEachTimeAndNotCached) {
    // A PNG cut short after its header: the size query succeeds, decoding fails.
    const std::string valid = writePng("whole.png", 3, {1, 1, 1}, {2, 2, 2});
    QFile whole(QString::fromStdString(valid));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray head = whole.read(40);
    QFile truncated(m_dir.filePath("truncated.png"));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(head);
    truncated.close();

    for (const QString& name : {QString("missing.png"), QString("truncated.png")}) {
        const std::string path = m_dir.filePath(name).toStdString();
        LogCapture log;
        EXPECT_EQ(m_cache.GetTexture(path).m_texture, 0u) << name.toStdString();
        EXPECT_FALSE(m_cache.GetTexture(path).m_hasAlpha);
        EXPECT_EQ(log.count("failed load Texture"), 2) << name.toStdString();
    }
    EXPECT_EQ(m_cache.Size(), 0u);
}

}  // namespace

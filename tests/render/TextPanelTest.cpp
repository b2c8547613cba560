#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <vector>

#include "render/Cp437Font.h"
#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/SimpleText.h"
#include "render/TextPanel.h"

namespace {

constexpr int kSize = TextPanel::kSize;

class TextPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(8, 8)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        m_text = std::make_unique<SimpleText>();
        m_panel = std::make_unique<TextPanel>();
        ASSERT_NE(m_panel->texture(), 0u);
        TextPanel::clearLines();
    }
    void TearDown() override {
        m_panel.reset();
        m_text.reset();
    }

    // The panel texture with its first row (t = 0) last, i.e. as the text was laid out from the top.
    QImage image() {
        QImage out(kSize, kSize, QImage::Format_RGBA8888);
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glBindTexture(GL_TEXTURE_2D, m_panel->texture());
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        gl->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.bits());
        gl->glBindTexture(GL_TEXTURE_2D, 0);
        return out.mirrored(false, true);
    }

    void stain() {
        const std::vector<unsigned char> white(static_cast<size_t>(kSize * kSize * 4), 255);
        QOpenGLFunctions_4_1_Core* gl = glFunctions();
        gl->glBindTexture(GL_TEXTURE_2D, m_panel->texture());
        gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, white.data());
        gl->glBindTexture(GL_TEXTURE_2D, 0);
    }

    // Whether the character cell at panel pixel (x, y) shows `glyph` in cyan on the opaque-black text background.
    static bool showsGlyph(const QImage& picture, int x, int y, unsigned char glyph) {
        for (int row = 0; row < 16; ++row) {
            const std::uint8_t bits = kCp437Font8x16[static_cast<size_t>(glyph) * 16 + static_cast<size_t>(row)];
            for (int column = 0; column < 8; ++column) {
                const QColor want = ((bits >> column) & 1) ? QColor(0, 255, 255) : QColor(0, 0, 0);
                if (picture.pixelColor(x + column, y + row) != want) {
                    return false;
                }
            }
        }
        return true;
    }

    GlTestContext m_context;
    std::unique_ptr<SimpleText> m_text;
    std::unique_ptr<TextPanel> m_panel;
};

TEST_F(TextPanelTest, DrawsEachLineOnItsRowOverBlue) {
    TextPanel::setLines({QStringLiteral("AB"), QStringLiteral("C")});
    EXPECT_FALSE(TextPanel::isDrawn());
    m_panel->draw(*m_text);
    EXPECT_TRUE(TextPanel::isDrawn());
    const QImage picture = image();
    EXPECT_TRUE(showsGlyph(picture, 10, 10, 'A'));
    EXPECT_TRUE(showsGlyph(picture, 18, 10, 'B'));
    EXPECT_TRUE(showsGlyph(picture, 10, 28, 'C'));
    EXPECT_EQ(picture.pixelColor(300, 300), QColor(0, 0, 255, 255));
    EXPECT_EQ(picture.pixelColor(10, 27), QColor(0, 0, 255, 255));  // the 2-pixel gap between rows
    if (HasFailure()) {
        saveTestImage(picture, "TextPanel");
    }
}

TEST_F(TextPanelTest, RedrawsOnlyAfterTheListChanges) {
    TextPanel::setLines({QStringLiteral("x")});
    m_panel->draw(*m_text);
    stain();
    m_panel->draw(*m_text);
    EXPECT_EQ(image().pixelColor(300, 300), QColor(255, 255, 255, 255));
    TextPanel::addLine(QStringLiteral("y"));
    EXPECT_EQ(TextPanel::lines(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    m_panel->draw(*m_text);
    const QImage picture = image();
    EXPECT_EQ(picture.pixelColor(300, 300), QColor(0, 0, 255, 255));
    EXPECT_TRUE(showsGlyph(picture, 10, 28, 'y'));
}

TEST_F(TextPanelTest, LeavesTheOverlayColoursAndSizeAlone) {
    m_text->SetForegroundColor(0, 0, 0, 127);
    m_text->SetBackgroundColor(0, 0, 0, 0);
    m_text->SetTextSize(3);
    TextPanel::setLines({QStringLiteral("\x1b[31mred")});
    m_panel->draw(*m_text);
    EXPECT_EQ(m_text->ForegroundColor(), (std::array<std::uint8_t, 4>{0, 0, 0, 127}));
    EXPECT_EQ(m_text->BackgroundColor(), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(m_text->TextSize(), 3);
    GLint bound = -1;
    glFunctions()->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
}

}  // namespace

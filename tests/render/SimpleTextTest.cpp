#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <string>

#include "render/Cp437Font.h"
#include "render/GLFunctions.h"
#include "render/GlTestContext.h"
#include "render/SimpleText.h"

namespace {

using Rgb = std::array<int, 3>;

Rgb pixel(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return {c.red(), c.green(), c.blue()};
}

bool inkAt(unsigned char glyph, int column, int row) {
    if (column < 0 || column > 7 || row < 0 || row > 15) {
        return false;
    }
    return ((kCp437Font8x16[static_cast<size_t>(glyph) * 16 + static_cast<size_t>(row)] >> column) & 1) != 0;
}

// Whether a blank texel touches ink, where magnified text may round off the inner corner.
bool besideInk(unsigned char glyph, int column, int row) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (inkAt(glyph, column + dx, row + dy)) {
                return true;
            }
        }
    }
    return false;
}

class SimpleTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(128, 64)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        m_text = std::make_unique<SimpleText>();
        ASSERT_TRUE(m_text->IsValid());
        m_context.bindTarget(0.0f, 0.0f, 0.0f, 1.0f);
    }

    void TearDown() override { m_text.reset(); }

    // Counts the pixels of the glyph cell at (x, y) whose colour differs from the glyph drawn in `ink` over
    // `paper` at text size `size`; saves both pictures when any does. Magnified, a blank pixel next to ink may
    // be either colour, since the filtered atlas fills inner corners.
    int cellMismatches(const QImage& image, int x, int y, unsigned char glyph, Rgb ink, Rgb paper, int size = 1) {
        int mismatches = 0;
        QImage expected = image.copy();
        for (int py = 0; py < 16 * size; ++py) {
            for (int px = 0; px < 8 * size; ++px) {
                const bool isInk = inkAt(glyph, px / size, py / size);
                const Rgb want = isInk ? ink : paper;
                expected.setPixelColor(x + px, y + py, QColor(want[0], want[1], want[2]));
                const Rgb got = pixel(image, x + px, y + py);
                if (size > 1 && !isInk && besideInk(glyph, px / size, py / size) && (got == ink || got == paper)) {
                    continue;
                }
                if (got != want) {
                    ++mismatches;
                }
            }
        }
        if (mismatches > 0) {
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            saveTestImage(image, QString::fromStdString(name + "_rendered").replace('/', '_'));
            saveTestImage(expected, QString::fromStdString(name + "_expected").replace('/', '_'));
        }
        return mismatches;
    }

    GlTestContext m_context;
    std::unique_ptr<SimpleText> m_text;
};

constexpr Rgb kGrey{170, 170, 170};
constexpr Rgb kBlack{0, 0, 0};

struct GlyphCase {
    const char* name;
    std::string text;
    int cell;  // cell of the glyph under test
    unsigned char glyph;
    Rgb ink;
    Rgb paper;
};

class SimpleTextGlyphTest : public SimpleTextTest, public ::testing::WithParamInterface<GlyphCase> {};

TEST_P(SimpleTextGlyphTest, DrawsTheGlyphInItsColours) {
    const GlyphCase& c = GetParam();
    m_text->Label(c.text.data(), c.text.size(), 4, 8);
    m_text->Draw();
    EXPECT_EQ(cellMismatches(m_context.readTarget(), 4 + 8 * c.cell, 8, c.glyph, c.ink, c.paper), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Glyphs, SimpleTextGlyphTest,
    ::testing::Values(GlyphCase{"BrightRedA", "\x1b[31;1mA", 0, 'A', {255, 85, 85}, kBlack},
                      GlyphCase{"Smiley", "\x01", 0, 0x01, kGrey, kBlack},
                      GlyphCase{"VerticalBoxLine", "\xb3", 0, 0xB3, kGrey, kBlack},
                      GlyphCase{"GreenOnBlue", "\x1b[32;44mW", 0, 'W', {0, 170, 0}, {0, 0, 170}},
                      GlyphCase{"ColourHoldsForLaterCharacters", "\x1b[36mab", 1, 'b', {0, 170, 170}, kBlack},
                      GlyphCase{"ResetAfterColour", "\x1b[35;1;43mx\x1b[0my", 1, 'y', kGrey, kBlack},
                      // The broken sequence draws a blank cell and then its own characters.
                      GlyphCase{"BrokenSequenceBlankCell", "\x1b[31A", 0, 0x00, kGrey, kBlack},
                      GlyphCase{"BrokenSequenceRestDrawn", "\x1b[31A", 4, 'A', kGrey, kBlack},
                      GlyphCase{"NoBracketResumesAfterEsc", "\x1bQ", 1, 'Q', kGrey, kBlack}),
    [](const ::testing::TestParamInfo<GlyphCase>& info) { return std::string(info.param.name); });

TEST_F(SimpleTextTest, EscapeSequenceDrawsNothing) {
    m_text->Label("\x1b[31;1m", 0, 0);
    EXPECT_EQ(m_text->VertexCount(), 0u);
    m_text->Label("\x1b[31;1mA", 0, 0);
    EXPECT_EQ(m_text->VertexCount(), 4u);
}

TEST_F(SimpleTextTest, TrailingSequenceColoursTheNextLabel) {
    m_text->Label("\x1b[32m", 0, 0);
    m_text->Label("G", 0, 0);
    m_text->Draw();
    EXPECT_EQ(cellMismatches(m_context.readTarget(), 0, 0, 'G', {0, 170, 0}, kBlack), 0);
}

TEST_F(SimpleTextTest, TextSizeScalesTheCell) {
    m_text->SetTextSize(2);
    EXPECT_EQ(m_text->CharacterWidth(), 16);
    EXPECT_EQ(m_text->CharacterHeight(), 32);
    m_text->Label("\x1b[33;1mHi", 10, 20);
    m_text->Draw();
    const QImage image = m_context.readTarget();
    EXPECT_EQ(cellMismatches(image, 10, 20, 'H', {255, 255, 85}, kBlack, 2), 0);
    EXPECT_EQ(cellMismatches(image, 26, 20, 'i', {255, 255, 85}, kBlack, 2), 0);
}

TEST_F(SimpleTextTest, TransparentBackgroundBlendsOverTheTarget) {
    m_context.bindTarget(0.0f, 0.0f, 1.0f, 1.0f);
    m_text->SetForegroundColor(255, 255, 255, 255);
    m_text->SetBackgroundColor(0, 0, 0, 0);
    m_text->EnableBlending(true);
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glDisable(GL_BLEND);
    gl->glBlendFunc(GL_ONE, GL_ZERO);
    m_text->Label("\xdb", 0, 0);  // full block: ink everywhere but the cell's blank border rows
    m_text->Draw();
    EXPECT_EQ(cellMismatches(m_context.readTarget(), 0, 0, 0xDB, {255, 255, 255}, {0, 0, 255}), 0);
    // The caller's blend state is back.
    EXPECT_EQ(gl->glIsEnabled(GL_BLEND), GL_FALSE);
    GLint source = 0;
    gl->glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    EXPECT_EQ(source, GL_ONE);
}

TEST_F(SimpleTextTest, BlendingLeftOnWhenTheCallerHadIt) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    for (const bool wanted : {false, true}) {
        m_text->EnableBlending(wanted);
        gl->glEnable(GL_BLEND);
        m_text->Label("x", 0, 0);
        m_text->Draw();
        EXPECT_EQ(gl->glIsEnabled(GL_BLEND), GL_TRUE) << "blending wanted: " << wanted;
    }
}

TEST_F(SimpleTextTest, QuadsFollowTheCellLayout) {
    m_text->Label("\x1b[31mAB", 3, 5);
    ASSERT_EQ(m_text->VertexCount(), 8u);
    const TextVertex& b = m_text->Vertices()[4];
    // 'B' (0x42) sits at atlas cell column 2, row 4; its left edge follows 'A'.
    EXPECT_EQ(b.x, (3 + 8) * 4);
    EXPECT_EQ(b.y, 5 * 4);
    EXPECT_EQ(b.u, 2 * 64);
    EXPECT_EQ(b.v, 4 * 64);
    const TextVertex& bottomRight = m_text->Vertices()[6];
    EXPECT_EQ(bottomRight.x, (3 + 16) * 4);
    EXPECT_EQ(bottomRight.y, (5 + 16) * 4);
    EXPECT_EQ(bottomRight.u, 2 * 64 + 32);
    EXPECT_EQ(bottomRight.v, 5 * 64);
    EXPECT_EQ(b.foreground, (std::array<std::uint8_t, 4>{170, 0, 0, 255}));
}

TEST_F(SimpleTextTest, CapacityGrowsByPowersOfTwoUpToTheIndexLimit) {
    EXPECT_EQ(m_text->Capacity(), 4096u);
    const std::string line(1500, 'x');
    m_text->Label(line.data(), line.size(), 0, 0);
    EXPECT_EQ(m_text->VertexCount(), 6000u);
    EXPECT_EQ(m_text->Capacity(), 8192u);
    // 16-bit indices reach 65536 vertices; characters past that are dropped rather than drawn with wrapped indices.
    const std::string many(20000, 'y');
    m_text->Label(many.data(), many.size(), 0, 0);
    EXPECT_EQ(m_text->VertexCount(), 65536u);
    EXPECT_EQ(m_text->Capacity(), 65536u);
    m_text->Draw();
    EXPECT_EQ(m_text->VertexCount(), 0u);
    EXPECT_EQ(glFunctions()->glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SimpleTextTest, FarOffCoordinatesAreClampedNotWrapped) {
    m_text->Label("z", 20000, -5);
    ASSERT_EQ(m_text->VertexCount(), 4u);
    EXPECT_EQ(m_text->Vertices()[0].x, 65535);
    EXPECT_EQ(m_text->Vertices()[0].y, 0);
}

}  // namespace

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
    return ((kCp437Font8x16[static_cast<size_t>(glyph) * 16 + static_cast<size_t>(row)] >> column) & 1) != 0;
}

class SimpleTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_context.create(128, 64)) {
            GTEST_SKIP() << "no OpenGL 4.1 core context";
        }
        m_text = std::make_unique<SimpleText>();
        m_context.bindTarget(0.0f, 0.0f, 0.0f, 1.0f);
    }

    void TearDown() override { m_text.reset(); }

    // Counts the pixels of the glyph cell at (x, y) whose colour differs from the glyph drawn in `ink` over
    // `paper`; saves both pictures when any does.
    int cellMismatches(const QImage& image, int x, int y, unsigned char glyph, Rgb ink, Rgb paper) {
        int mismatches = 0;
        QImage expected = image.copy();
        for (int py = 0; py < 16; ++py) {
            for (int px = 0; px < 8; ++px) {
                const Rgb want = inkAt(glyph, px, py) ? ink : paper;
                expected.setPixelColor(x + px, y + py, QColor(want[0], want[1], want[2]));
                if (pixel(image, x + px, y + py) != want) {
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

INSTANTIATE_TEST_SUITE_P(Glyphs, SimpleTextGlyphTest,
                         ::testing::Values(GlyphCase{"BrightRedA", "\x1b[31;1mA", 0, 'A', {255, 85, 85}, kBlack},
                                           GlyphCase{"VerticalBoxLine", "\xb3", 0, 0xB3, kGrey, kBlack},
                                           GlyphCase{"GreenOnBlue", "\x1b[32;44mW", 0, 'W', {0, 170, 0}, {0, 0, 170}},
                                           GlyphCase{"ResetAfterColour", "\x1b[35;1;43mx\x1b[0my", 1, 'y', kGrey,
                                                     kBlack},
                                           // The broken sequence draws a blank cell and then its own characters.
                                           GlyphCase{"BrokenSequenceBlankCell", "\x1b[31A", 0, 0x00, kGrey, kBlack},
                                           GlyphCase{"NoBracketResumesAfterEsc", "\x1bQ", 1, 'Q', kGrey, kBlack}),
                         [](const ::testing::TestParamInfo<GlyphCase>& info) { return std::string(info.param.name); });

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

TEST_F(SimpleTextTest, CharactersPastTheIndexLimitAreDropped) {
    // 16-bit indices reach 65536 vertices; characters past that are dropped rather than drawn with wrapped indices.
    const std::string many(20000, 'y');
    m_text->Label(many.data(), many.size(), 0, 0);
    EXPECT_EQ(m_text->VertexCount(), 65536u);
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

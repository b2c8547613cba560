#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <array>
#include <cstdint>
#include <vector>

#include "render/AnsiEscapeCodeDecoder.h"

class SimpleText;

// One corner of a character quad: position in quarter pixels from the top-left of the viewport, atlas
// coordinate in quarter texels of the 256 x 256 font atlas, and the two colours (r, g, b, a).
struct TextVertex {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t u = 0;
    std::uint16_t v = 0;
    std::array<std::uint8_t, 4> foreground{};
    std::array<std::uint8_t, 4> background{};
};
static_assert(sizeof(TextVertex) == 16, "the vertex layout is uploaded as is");

namespace SimpleTextImplDetails {

// Hands the decoder's colour changes to its text renderer.
class EscapeCodeExecuter : public ANSI_EscapeCodeDecoder::IEscapeCodeExecuter {
public:
    explicit EscapeCodeExecuter(SimpleText* text) : m_text(text) {}
    void SetColor(int which, bool bright, int index) override;
    void GetColor(int which, bool& bright, int& index) override;

private:
    SimpleText* m_text;
};

}  // namespace SimpleTextImplDetails

// Bitmap-font text drawn straight into the current framebuffer: code page 437 glyphs of 8 x 16 pixels times the
// text size, one byte per character (control bytes included, no line breaking) with ANSI colour escapes.
// Owners queue text with Label and then draw it with Draw (or Upload / Begin / glDrawElements / End /
// ResetVertexCount themselves). Create, use and destroy it with the GL context current and the process-wide
// function table installed. A program that fails to build is reported on standard output and leaves the
// renderer drawing nothing.
class SimpleText {
public:
    SimpleText();
    ~SimpleText();
    SimpleText(const SimpleText&) = delete;
    SimpleText& operator=(const SimpleText&) = delete;

    // The 16-colour text palette as rgb: normal (bright false) or bright, index in [0, 7].
    static std::array<std::uint8_t, 3> PaletteColor(bool bright, int index);

    // Queues one quad per character of `text` (bytes, not UTF-8) starting at pixel (x, y) from the top-left.
    // Escape sequences change the current colours and draw nothing. The batch holds at most 16384 characters
    // (the limit of 16-bit indices); further characters are dropped until the vertex count is reset.
    void Label(const char* text, size_t length, int x, int y);
    void Label(const char* text, int x, int y);

    // Uploads the queued vertices and their indices.
    void Upload();
    // Sets up program, atlas, blending and attributes for drawing the queued quads; reads the viewport.
    void Begin();
    // Undoes Begin: the blend state as it was before, attribute arrays and buffers unbound.
    void End();
    // Upload, Begin, draw the queued quads as 16-bit indexed triangles, End, then empty the queue.
    void Draw();
    void ResetVertexCount() { m_vertexCount = 0; }

    // Text size n scales the 8 x 16 cell to 8n x 16n pixels; values below 1 are taken as 1.
    void SetTextSize(int size);
    int TextSize() const { return m_textSize; }

    // Current colours (r, g, b, a) given directly; the palette indices the escapes start from stay as they are.
    void SetForegroundColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
    void SetBackgroundColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
    const std::array<std::uint8_t, 4>& ForegroundColor() const { return m_foreground; }
    const std::array<std::uint8_t, 4>& BackgroundColor() const { return m_background; }
    // Palette colours by index as the escapes set them (which: 0 foreground, 1 background; the background is
    // never bright). Alpha becomes 255.
    void SetPaletteColor(int which, bool bright, int index);
    void GetPaletteColor(int which, bool& bright, int& index) const;

    // Whether Begin switches source-alpha blending on for the text.
    void EnableBlending(bool enable) { m_blendingWanted = enable; }

    unsigned VertexCount() const { return m_vertexCount; }
    const std::vector<TextVertex>& Vertices() const { return m_vertices; }

private:
    void buildAtlas();
    void buildProgram();
    void reserve(unsigned vertices);
    void quad(unsigned char c, int column, int x, int y);

    GLuint m_vertexArray = 0;
    GLuint m_vertexBuffer = 0;
    GLuint m_indexBuffer = 0;
    GLuint m_fontTexture = 0;
    GLuint m_program = 0;
    GLint m_textLocation = -1;
    GLint m_viewportLocation = -1;
    std::vector<TextVertex> m_vertices;
    std::vector<std::uint16_t> m_indices;
    unsigned m_vertexCount = 0;
    unsigned m_capacity = 0;
    int m_textSize = 1;
    int m_charWidth = 8;
    int m_charHeight = 16;
    std::array<std::uint8_t, 4> m_foreground{170, 170, 170, 255};
    std::array<std::uint8_t, 4> m_background{0, 0, 0, 255};
    std::array<GLint, 4> m_viewport{};
    bool m_blendingWanted = false;
    bool m_blendWasOn = false;
    bool m_depthWasOn = false;
    bool m_cullWasOn = false;
    std::array<GLint, 4> m_savedBlend{};
    int m_foregroundIndex = 7;
    int m_backgroundIndex = 0;
    int m_bright = 0;
    SimpleTextImplDetails::EscapeCodeExecuter m_executer{this};
    SimpleTextImplDetails::ANSI_EscapeCodeDecoder m_decoder{&m_executer};
};

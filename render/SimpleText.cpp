#include "render/SimpleText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "render/Cp437Font.h"
#include "render/GLFunctions.h"
#include "render/RenderState.h"

namespace {

constexpr int kAtlasSize = 256;
constexpr unsigned kInitialVertices = 4096;
// 16-bit indices address at most this many vertices, i.e. 16384 character quads.
constexpr unsigned kMaxVertices = 65536;

// Core-profile GLSL: a 4.1 core context rejects the unversioned attribute/varying dialect. The precision
// statement only matters to GL ES.
constexpr const char* kVertexSource = R"(#version 410
#ifdef GL_ES
precision mediump float;
#endif
uniform vec2 u_viewport;
in vec2 in_position;
in vec2 in_coord;
in vec4 in_colorf;
in vec4 in_colorb;
out vec2 v_coord;
out vec4 v_colorf;
out vec4 v_colorb;
void main() {
    vec2 p = 2.0 * in_position / (u_viewport * 4.0) - 1.0;
    gl_Position = vec4(p.x, -p.y, 0.0, 1.0);
    v_coord = in_coord / 256.0 / 4.0;
    v_colorf = in_colorf / 255.0;
    v_colorb = in_colorb / 255.0;
}
)";

constexpr const char* kFragmentSource = R"(#version 410
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D text;
in vec2 v_coord;
in vec4 v_colorf;
in vec4 v_colorb;
out vec4 out_color;
void main() {
    float c = texture(text, v_coord).r > 0.4 ? 1.0 : 0.0;
    out_color = mix(v_colorb, v_colorf, c);
}
)";

// Prints an info log of two or more characters under its heading, or the bare failure; returns `ok`.
bool report(bool ok, const std::string& log) {
    if (log.size() >= 2) {
        std::fputs(ok ? "GLSL Warning\n" : "GLSL Error\n", stdout);
        std::fputs(log.c_str(), stdout);
        std::fputs("\n", stdout);
    } else if (!ok) {
        std::fputs("Error without info log\n", stdout);
    }
    return ok;
}

std::string shaderLog(QOpenGLFunctions_4_1_Core* gl, GLuint shader) {
    GLint length = 0;
    gl->glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0) {
        gl->glGetShaderInfoLog(shader, length, nullptr, log.data());
        log.resize(std::strlen(log.c_str()));
    }
    return log;
}

std::string programLog(QOpenGLFunctions_4_1_Core* gl, GLuint program) {
    GLint length = 0;
    gl->glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0) {
        gl->glGetProgramInfoLog(program, length, nullptr, log.data());
        log.resize(std::strlen(log.c_str()));
    }
    return log;
}

GLuint compile(QOpenGLFunctions_4_1_Core* gl, GLenum type, const char* source) {
    const GLuint shader = gl->glCreateShader(type);
    gl->glShaderSource(shader, 1, &source, nullptr);
    gl->glCompileShader(shader);
    GLint status = GL_FALSE;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (!report(status == GL_TRUE, shaderLog(gl, shader))) {
        gl->glDeleteShader(shader);
        return 0;
    }
    return shader;
}

std::uint16_t quarter(long value) { return static_cast<std::uint16_t>(std::clamp(value, 0L, 65535L)); }

}  // namespace

namespace SimpleTextImplDetails {

void EscapeCodeExecuter::SetColor(int which, bool bright, int index) { m_text->SetPaletteColor(which, bright, index); }

void EscapeCodeExecuter::GetColor(int which, bool& bright, int& index) {
    m_text->GetPaletteColor(which, bright, index);
}

}  // namespace SimpleTextImplDetails

std::array<std::uint8_t, 3> SimpleText::PaletteColor(bool bright, int index) {
    static constexpr std::uint8_t kNormal[8][3] = {{0, 0, 0},   {170, 0, 0},   {0, 170, 0},   {170, 85, 0},
                                                   {0, 0, 170}, {170, 0, 170}, {0, 170, 170}, {170, 170, 170}};
    static constexpr std::uint8_t kBright[8][3] = {{85, 85, 85},  {255, 85, 85},  {85, 255, 85},  {255, 255, 85},
                                                   {85, 85, 255}, {255, 85, 255}, {85, 255, 255}, {255, 255, 255}};
    const int i = index < 0 ? 0 : (index > 7 ? 7 : index);
    const auto& rgb = (bright ? kBright : kNormal)[i];
    return {rgb[0], rgb[1], rgb[2]};
}

SimpleText::SimpleText() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    buildAtlas();
    buildProgram();
    gl->glGenVertexArrays(1, &m_vertexArray);
    gl->glGenBuffers(1, &m_vertexBuffer);
    gl->glGenBuffers(1, &m_indexBuffer);
    reserve(kInitialVertices);
    SetPaletteColor(0, false, 7);
    SetBackgroundColor(0, 0, 0, 255);
}

SimpleText::~SimpleText() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (gl == nullptr) {
        return;
    }
    gl->glDeleteBuffers(1, &m_vertexBuffer);
    gl->glDeleteBuffers(1, &m_indexBuffer);
    gl->glDeleteVertexArrays(1, &m_vertexArray);
    gl->glDeleteTextures(1, &m_fontTexture);
    if (m_program != 0) {
        gl->glDeleteProgram(m_program);
    }
}

void SimpleText::buildAtlas() {
    std::vector<std::uint8_t> atlas(static_cast<size_t>(kAtlasSize * kAtlasSize), 0);
    for (int glyph = 0; glyph < 256; ++glyph) {
        const int cellX = (glyph % 16) * 16;
        const int cellY = (glyph / 16) * 16;
        for (int row = 0; row < 16; ++row) {
            const std::uint8_t bits = kCp437Font8x16[static_cast<size_t>(glyph * 16 + row)];
            for (int column = 0; column < 8; ++column) {
                if ((bits >> column) & 1) {
                    atlas[static_cast<size_t>((cellY + row) * kAtlasSize + cellX + column)] = 255;
                }
            }
        }
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glGenTextures(1, &m_fontTexture);
    gl->glBindTexture(GL_TEXTURE_2D, m_fontTexture);
    {
        const ScopedUnpackAlignment alignment(1);
        gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kAtlasSize, kAtlasSize, 0, GL_RED, GL_UNSIGNED_BYTE, atlas.data());
    }
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
}

void SimpleText::buildProgram() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const GLuint vertex = compile(gl, GL_VERTEX_SHADER, kVertexSource);
    if (vertex == 0) {
        return;
    }
    const GLuint fragment = compile(gl, GL_FRAGMENT_SHADER, kFragmentSource);
    if (fragment == 0) {
        gl->glDeleteShader(vertex);
        return;
    }
    const GLuint program = gl->glCreateProgram();
    gl->glAttachShader(program, vertex);
    gl->glAttachShader(program, fragment);
    gl->glBindAttribLocation(program, 0, "in_position");
    gl->glBindAttribLocation(program, 1, "in_coord");
    gl->glBindAttribLocation(program, 2, "in_colorf");
    gl->glBindAttribLocation(program, 3, "in_colorb");
    gl->glLinkProgram(program);
    gl->glDeleteShader(vertex);
    gl->glDeleteShader(fragment);
    GLint status = GL_FALSE;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (!report(status == GL_TRUE, programLog(gl, program))) {
        gl->glDeleteProgram(program);
        return;
    }
    m_program = program;
    m_textLocation = gl->glGetUniformLocation(program, "text");
    m_viewportLocation = gl->glGetUniformLocation(program, "u_viewport");
}

void SimpleText::reserve(unsigned vertices) {
    if (vertices <= m_capacity) {
        return;
    }
    unsigned capacity = std::max(m_capacity, 1u);
    while (capacity < vertices) {
        capacity *= 2;
    }
    m_vertices.resize(capacity);
    const unsigned quads = capacity / 4;
    m_indices.reserve(static_cast<size_t>(quads) * 6);
    for (unsigned q = static_cast<unsigned>(m_indices.size() / 6); q < quads; ++q) {
        const auto v = static_cast<std::uint16_t>(q * 4);
        m_indices.insert(m_indices.end(), {v, static_cast<std::uint16_t>(v + 1), static_cast<std::uint16_t>(v + 2), v,
                                           static_cast<std::uint16_t>(v + 2), static_cast<std::uint16_t>(v + 3)});
    }
    m_capacity = capacity;
}

void SimpleText::quad(unsigned char c, int column, int x, int y) {
    if (m_vertexCount + 4 > kMaxVertices) {
        return;
    }
    reserve(m_vertexCount + 4);
    const long left = (static_cast<long>(x) + static_cast<long>(m_charWidth) * column) * 4;
    const long top = static_cast<long>(y) * 4;
    const long right = left + m_charWidth * 4;
    const long bottom = top + m_charHeight * 4;
    const auto cellLeft = static_cast<std::uint16_t>((c % 16) * 64);
    const auto cellTop = static_cast<std::uint16_t>((c / 16) * 64);
    const auto cellRight = static_cast<std::uint16_t>(cellLeft + 32);
    const auto cellBottom = static_cast<std::uint16_t>(cellTop + 64);
    TextVertex* v = &m_vertices[m_vertexCount];
    v[0] = {quarter(left), quarter(top), cellLeft, cellTop, m_foreground, m_background};
    v[1] = {quarter(left), quarter(bottom), cellLeft, cellBottom, m_foreground, m_background};
    v[2] = {quarter(right), quarter(bottom), cellRight, cellBottom, m_foreground, m_background};
    v[3] = {quarter(right), quarter(top), cellRight, cellTop, m_foreground, m_background};
    m_vertexCount += 4;
}

void SimpleText::Label(const char* text, int x, int y) { Label(text, text != nullptr ? std::strlen(text) : 0, x, y); }

void SimpleText::Label(const char* text, size_t length, int x, int y) {
    int column = 0;
    size_t pos = 0;
    while (pos < length) {
        if (text[pos] == SimpleTextImplDetails::ANSI_EscapeCodeDecoder::kEscape) {
            const auto result = m_decoder.Decode(text, length, pos);
            if (result.blankCell) {
                quad(0, column++, x, y);
            }
            pos = result.next;
            continue;
        }
        quad(static_cast<unsigned char>(text[pos]), column++, x, y);
        ++pos;
    }
}

void SimpleText::Upload() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(TextVertex) * m_vertexCount), m_vertices.data(),
                     GL_DYNAMIC_DRAW);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    // The element binding belongs to the vertex-array object, so it is made with that bound.
    gl->glBindVertexArray(m_vertexArray);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(std::uint16_t) * (m_vertexCount / 4) * 6),
                     m_indices.data(), GL_DYNAMIC_DRAW);
    gl->glBindVertexArray(0);
}

void SimpleText::Begin() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glUseProgram(m_program);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, m_fontTexture);
    gl->glUniform1i(m_textLocation, 0);
    gl->glGetIntegerv(GL_VIEWPORT, m_viewport.data());
    gl->glUniform2f(m_viewportLocation, static_cast<float>(m_viewport[2]), static_cast<float>(m_viewport[3]));
    m_blendWasOn = gl->glIsEnabled(GL_BLEND) == GL_TRUE;
    if (m_blendingWanted) {
        gl->glEnable(GL_BLEND);
        gl->glGetIntegerv(GL_BLEND_SRC_RGB, &m_savedBlend[0]);
        gl->glGetIntegerv(GL_BLEND_DST_RGB, &m_savedBlend[1]);
        gl->glGetIntegerv(GL_BLEND_SRC_ALPHA, &m_savedBlend[2]);
        gl->glGetIntegerv(GL_BLEND_DST_ALPHA, &m_savedBlend[3]);
        gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else if (m_blendWasOn) {
        gl->glDisable(GL_BLEND);
    }
    m_depthWasOn = gl->glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
    m_cullWasOn = gl->glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);
    // A core context draws nothing without a vertex-array object, so the text carries its own.
    gl->glBindVertexArray(m_vertexArray);
    gl->glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    const GLsizei stride = sizeof(TextVertex);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 2, GL_UNSIGNED_SHORT, GL_FALSE, stride, reinterpret_cast<const void*>(0));
    gl->glEnableVertexAttribArray(1);
    gl->glVertexAttribPointer(1, 2, GL_UNSIGNED_SHORT, GL_FALSE, stride, reinterpret_cast<const void*>(4));
    gl->glEnableVertexAttribArray(2);
    gl->glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, reinterpret_cast<const void*>(8));
    gl->glEnableVertexAttribArray(3);
    gl->glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, reinterpret_cast<const void*>(12));
}

void SimpleText::End() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (m_blendingWanted) {
        if (!m_blendWasOn) {
            gl->glDisable(GL_BLEND);
        }
        gl->glBlendFuncSeparate(static_cast<GLenum>(m_savedBlend[0]), static_cast<GLenum>(m_savedBlend[1]),
                                static_cast<GLenum>(m_savedBlend[2]), static_cast<GLenum>(m_savedBlend[3]));
    } else if (m_blendWasOn) {
        // Leave blending as the caller had it, not only when the text itself asked for it.
        gl->glEnable(GL_BLEND);
    }
    // The caller's depth test and culling come back too: the next pass may rely on them.
    if (m_depthWasOn) gl->glEnable(GL_DEPTH_TEST);
    if (m_cullWasOn) gl->glEnable(GL_CULL_FACE);
    for (GLuint attribute = 0; attribute < 4; ++attribute) {
        gl->glDisableVertexAttribArray(attribute);
    }
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);
}

void SimpleText::Draw() {
    if (m_program != 0 && m_vertexCount > 0) {
        Upload();
        Begin();
        glFunctions()->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(m_vertexCount / 4 * 6), GL_UNSIGNED_SHORT,
                                      nullptr);
        End();
    }
    ResetVertexCount();
}

void SimpleText::SetTextSize(int size) {
    m_textSize = std::max(size, 1);
    m_charWidth = 8 * m_textSize;
    m_charHeight = 16 * m_textSize;
}

void SimpleText::SetForegroundColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    m_foreground = {r, g, b, a};
}

void SimpleText::SetBackgroundColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    m_background = {r, g, b, a};
}

void SimpleText::SetPaletteColor(int which, bool bright, int index) {
    index = index < 0 ? 0 : (index > 7 ? 7 : index);
    if (which == 0) {
        m_foregroundIndex = index;
        m_bright = bright ? 1 : 0;
        const auto rgb = PaletteColor(bright, index);
        m_foreground = {rgb[0], rgb[1], rgb[2], 255};
    } else {
        m_backgroundIndex = index;
        const auto rgb = PaletteColor(false, index);
        m_background = {rgb[0], rgb[1], rgb[2], 255};
    }
}

void SimpleText::GetPaletteColor(int which, bool& bright, int& index) const {
    if (which == 0) {
        bright = m_bright != 0;
        index = m_foregroundIndex;
    } else {
        bright = false;
        index = m_backgroundIndex;
    }
}

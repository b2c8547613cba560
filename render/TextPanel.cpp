#include "render/TextPanel.h"

#include "render/GLFunctions.h"
#include "render/SimpleText.h"

namespace {

QStringList& panelLines() {
    static QStringList lines;
    return lines;
}

bool g_drawn = false;

}  // namespace

TextPanel::TextPanel() { m_target.create(kSize, kSize); }

void TextPanel::setLines(const QStringList& lines) {
    panelLines() = lines;
    g_drawn = false;
}

void TextPanel::addLine(const QString& line) {
    panelLines().append(line);
    g_drawn = false;
}

void TextPanel::clearLines() {
    panelLines().clear();
    g_drawn = false;
}

QStringList TextPanel::lines() { return panelLines(); }

bool TextPanel::isDrawn() { return g_drawn; }

void TextPanel::draw(SimpleText& text) {
    if (g_drawn || m_target.framebuffer() == 0) {
        return;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    m_target.bind();
    gl->glDisable(GL_MULTISAMPLE);
    gl->glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    // The same renderer draws the desktop overlay, so the panel's colours must not leak into it.
    const auto foreground = text.ForegroundColor();
    const auto background = text.BackgroundColor();
    const int size = text.TextSize();
    text.SetForegroundColor(0, 255, 255, 255);
    text.SetTextSize(1);
    const QStringList lines = panelLines();
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray bytes = lines[i].toLocal8Bit();
        text.Label(bytes.constData(), static_cast<size_t>(bytes.size()), kLeft, kTop + kLineHeight * i);
        text.Draw();
    }
    text.SetForegroundColor(foreground[0], foreground[1], foreground[2], foreground[3]);
    text.SetBackgroundColor(background[0], background[1], background[2], background[3]);
    text.SetTextSize(size);
    m_target.release();
    g_drawn = true;
}

#pragma once

#include <QString>
#include <QStringList>

#include "render/RenderTarget.h"

class SimpleText;

// The first square screen of the VR room: the process-wide list of text lines, drawn in cyan on blue into a
// 512 x 512 render target whenever the list has changed since it was last drawn. Create, draw and destroy it with
// the GL context current and the process-wide function table installed.
class TextPanel {
public:
    static constexpr int kSize = 512;
    static constexpr int kLeft = 10;
    static constexpr int kTop = 10;
    static constexpr int kLineHeight = 18;

    TextPanel();

    // The process-wide line list; each change marks the panel for redrawing. Lines are drawn in the local 8-bit
    // encoding, one per row, without wrapping.
    static void setLines(const QStringList& lines);
    static void addLine(const QString& line);
    static void clearLines();
    static QStringList lines();
    // Whether the current list has been drawn.
    static bool isDrawn();

    // Redraws the panel when the list has changed; binds framebuffer 0 after. The text renderer's colours and
    // size are back as they were when this returns.
    void draw(SimpleText& text);

    GLuint texture() const { return m_target.texture(); }
    const RenderTarget& target() const { return m_target; }

private:
    RenderTarget m_target;
};

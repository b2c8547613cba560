#pragma once

#include <QColor>
#include <QString>

class QWidget;

// The few Windows desktop calls the windows make (user32, gdi32, dwmapi) and the debugger output, behind plain
// functions. Elsewhere each is a no-op that returns false, and the caller keeps its Qt-only behaviour.
namespace NativeWindow {

// Replaces the class background brush of the window's native window by a solid brush of the colour (alpha
// ignored), so the area the GL surface does not cover shows the same colour, and repaints it. The class is
// shared by Qt's windows, so one brush serves them all; the previous brush this function made is freed.
bool setClassBackground(QWidget* window, const QColor& color);

// Native style of a frameless window. Resizable: caption, thick frame and maximise box (the window manager then
// snaps and resizes it), the close command removed from the system menu. Fixed: popup style, with the close,
// maximise, minimise and size commands removed. Both enable blur-behind on the whole window and extend the frame
// into the client area by 1 on each side, which gives the translucent blurred frame.
bool applyFramelessStyle(QWidget* window, bool resizeable);

// The main GL window's variant: caption, thick frame and maximise box, the frame extended by 1 at the top only,
// and square corners (Windows 11 rounds them otherwise).
bool applyFramelessGLStyle(QWidget* window);

// Writes the text and a line feed to the debugger output (OutputDebugStringW), where a debugger or DebugView
// shows it while the app runs without a console.
bool writeDebuggerOutput(const QString& text);

}  // namespace NativeWindow

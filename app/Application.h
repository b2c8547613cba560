#pragma once

#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QSurfaceFormat>

// Runs Marionix: start-up, the event loop, shutdown. argc must outlive the call (QApplication keeps a
// reference). Returns the process exit code, always 0.
int runMarionix(int& argc, char** argv);

class KySettings;
class MainWidget;

// The show sequence of start-up: the stored background colour, show and paint, the stored geometry, the model
// scene, the fade-in and the control window.
void showMainWindow(MainWidget& window, KySettings& settings);

// Sets the application attributes; must run before the QApplication exists.
void setApplicationAttributes();

// The default format of every OpenGL surface: 4.1 core with deprecated functions, 8 samples requested (the
// driver may give fewer), 24-bit depth, 8-bit stencil, no vertical sync.
QSurfaceFormat applicationSurfaceFormat();

// The application style sheet with its pixel sizes scaled by dpiFactor (logical DPI / 96).
QString applicationStyleSheet(double dpiFactor);

// base with the Text role of every colour group set to an opaque RGB(24, 24, 24).
QPalette applicationPalette(QPalette base);

// "BIZ UDPゴシック" at 9 pt. Installs a CJK substitute for the Japanese families, which Linux rarely has.
QFont applicationFont();

// Where the main window goes for a stored rectangle: a rectangle without area takes fallback's size, and
// each side is kept within twice the virtual desktop's, so a damaged config.ini cannot ask for a window
// (and GL surface) of absurd size. Windows larger than one screen stay possible for capture set-ups.
QRect mainWindowGeometry(const QRect& stored, const QRect& fallback, const QRect& desktop);

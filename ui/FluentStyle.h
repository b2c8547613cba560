#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// Colours and small painting helpers shared by the Fluent widgets and the control window.
namespace fluent {

inline QColor rowBackground() { return QColor(255, 255, 255, 224); }
inline QColor rowSeparator() { return QColor(192, 192, 192, 128); }
inline QColor secondaryText() { return QColor(128, 128, 128); }
inline QColor accent() { return QColor(52, 191, 96); }
inline QColor sliderGroove() { return QColor(224, 224, 224); }
inline QColor toggleTrackOff() { return QColor(192, 192, 192); }
inline QColor bubble() { return QColor(64, 64, 64); }
inline QColor colorButtonFrame() { return QColor(127, 127, 127, 127); }
inline QColor iconTint() { return QColor(48, 48, 48); }
inline QColor iconPressed() { return QColor(48, 48, 48, 24); }
inline QColor powerPressed() { return QColor(255, 144, 128, 64); }
inline QColor backText() { return QColor(25, 118, 210); }

// The single-colour SVG at `path` rendered to a `size` square (device pixels) with every opaque pixel set to
// `color` (coverage kept as alpha). A null pixmap when the file cannot be read.
QPixmap tintedSvg(const QString& path, int size, const QColor& color);

// Per-channel blend of `to` (weight p/100) and `from` (weight (100-p)/100), each product truncated separately;
// p is clamped to 0..100.
QColor mixColor(const QColor& from, const QColor& to, int p);

// Linear interpolation of two colours by t in [0, 1], alpha included.
QColor lerpColor(const QColor& from, const QColor& to, double t);

}  // namespace fluent

#include "ui/FluentStyle.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

namespace fluent {

QPixmap tintedSvg(const QString& path, int size, const QColor& color) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid() || size <= 0) return QPixmap();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    // The icons are drawn in one colour; SourceIn keeps their coverage and replaces that colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    return QPixmap::fromImage(image);
}

QColor mixColor(const QColor& from, const QColor& to, int p) {
    p = std::clamp(p, 0, 100);
    auto channel = [p](int a, int b) { return b * p / 100 + a * (100 - p) / 100; };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()),
                  channel(from.alpha(), to.alpha()));
}

QColor lerpColor(const QColor& from, const QColor& to, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [t](int a, int b) { return static_cast<int>(a + (b - a) * t + 0.5); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()),
                  channel(from.alpha(), to.alpha()));
}

}  // namespace fluent

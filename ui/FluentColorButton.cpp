#include "ui/FluentColorButton.h"

#include <QPainter>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"

FluentColorButton::FluentColorButton(const QString& title, QWidget* parent) : FluentLabel(title, parent) {
    setReservedWidth(dpiScaled(28) + dpiScaled(4));
}

void FluentColorButton::setColor(const QColor& color) {
    m_color = color;
    update();
}

QRect FluentColorButton::swatchRect() const {
    const int w = dpiScaled(28);
    const int h = dpiScaled(14);
    return QRect(width() - dpiScaled(8) - w, (height() - h) / 2, w, h);
}

void FluentColorButton::paintEvent(QPaintEvent* event) {
    FluentLabel::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(fluent::colorButtonFrame(), 1));
    painter.setBrush(m_color);
    const double radius = dpiScaled(4);
    painter.drawRoundedRect(QRectF(swatchRect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

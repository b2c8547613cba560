#include "ui/SliderLabel.h"

#include <QPainter>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"

SliderLabel::SliderLabel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SliderLabel::setText(const QString& text) {
    if (text == m_text) return;
    m_text = text;
    update();
}

void SliderLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(0.8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fluent::bubble());
    painter.drawRoundedRect(QRectF(rect()), dpiScaled(4), dpiScaled(4));
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.8);
    painter.setFont(small);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

#include "ui/FluentIconButton.h"

#include <QPainter>
#include <QVariantAnimation>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"

FluentIconButton::FluentIconButton(const QString& svgPath, QWidget* parent) : QPushButton(parent) {
    setFixedSize(dpiScaled(32), dpiScaled(32));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    m_dark = fluent::tintedSvg(svgPath, dpiScaled(32), fluent::iconTint());
    m_white = fluent::tintedSvg(svgPath, dpiScaled(32), Qt::white);
    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(500);
    m_animation->setEasingCurve(QEasingCurve::Linear);
    connect(m_animation, &QVariantAnimation::valueChanged, this, &FluentIconButton::onUpdateValue);
}

void FluentIconButton::setSelected(bool selected) {
    if (selected == m_selected) return;
    m_selected = selected;
    m_animation->stop();
    m_animation->setStartValue(m_value);
    m_animation->setEndValue(selected ? 1.0 : 0.0);
    m_animation->start();
    update();
}

void FluentIconButton::setColor(const QColor& color) {
    m_color = color;
    update();
}

void FluentIconButton::onUpdateValue(const QVariant& value) {
    m_value = value.toDouble();
    update();
}

void FluentIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(Qt::NoPen);
    const QRectF backdrop(rect());
    const double radius = width() / 4.0;
    if (m_value > 0.0) {
        painter.setOpacity(m_value);
        painter.setBrush(isDown() ? m_color.lighter(110) : m_color);
        painter.drawRoundedRect(backdrop, radius, radius);
        painter.setOpacity(1.0);
    }
    if (!m_selected && isDown()) {
        painter.setBrush(m_power ? fluent::powerPressed() : fluent::iconPressed());
        painter.drawRoundedRect(backdrop, radius, radius);
    }
    const int inset = dpiScaled(6);
    painter.drawPixmap(rect().adjusted(inset, inset, -inset, -inset), m_selected ? m_white : m_dark);
}

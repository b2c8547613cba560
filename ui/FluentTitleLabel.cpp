#include "ui/FluentTitleLabel.h"

#include <QPainter>
#include <QVariantAnimation>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"

FluentTitleLabel::FluentTitleLabel(QWidget* parent) : QPushButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(dpiScaled(40));
    m_animation = new QVariantAnimation(this);
    m_animation->setEasingCurve(QEasingCurve::Linear);
    connect(m_animation, &QVariantAnimation::valueChanged, this, &FluentTitleLabel::onValueChanged);
}

void FluentTitleLabel::setText(const QString& text) {
    m_text = text;
    QPushButton::setText(text);
    update();
}

void FluentTitleLabel::setBackText(const QString& text) {
    if (text == m_backText) return;
    m_backText = text;
    m_animation->stop();
    if (!text.isEmpty()) {
        m_paintedBackText = text;
        m_animation->setDuration(250);
        m_animation->setStartValue(0.0);
        m_animation->setEndValue(1.0);
    } else {
        m_animation->setDuration(1000);
        m_animation->setStartValue(1.0);
        m_animation->setEndValue(0.0);
    }
    m_animation->start();
}

void FluentTitleLabel::onValueChanged(const QVariant& value) {
    m_backOpacity = value.toDouble();
    update();
}

void FluentTitleLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int backHeight = dpiScaled(14);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(rect().adjusted(0, backHeight, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_text);
    if (m_backOpacity > 0.0 && !m_paintedBackText.isEmpty()) {
        QFont small = font();
        small.setPointSizeF(8);
        painter.setFont(small);
        painter.setPen(fluent::backText());
        painter.setOpacity(m_backOpacity);
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, m_paintedBackText);
    }
}

#include "ui/HomeButtonWidget.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>

#include "app/base/DpiScale.h"

HomeButtonWidget::HomeButtonWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(dpiScaled(140), dpiScaled(16));
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(27);
    shadow->setOffset(0, 2);
    shadow->setColor(QColor(0, 0, 0, 96));
    setGraphicsEffect(shadow);
}

QSize HomeButtonWidget::sizeHint() const { return QSize(dpiScaled(140), dpiScaled(16)); }

QList<QRect> HomeButtonWidget::blocks() const {
    const int gap = dpiScaled(6);
    const int blockWidth = (width() - 2 * gap) / 3;
    QList<QRect> result;
    for (int i = 0; i < 3; ++i) result.append(QRect(i * (blockWidth + gap), 0, blockWidth, height()));
    return result;
}

void HomeButtonWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor colours[3] = {QColor(149, 117, 205), QColor(240, 98, 146), QColor(0, 188, 212)};
    const QList<QRect> rects = blocks();
    const double radius = dpiScaled(3);
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(colours[i]);
        painter.drawRoundedRect(rects[i], radius, radius);
    }
}

#include "ui/FluentCheckButton.h"

#include <QPainter>

#include "app/base/DpiScale.h"
#include "ui/FluentStyle.h"

FluentCheckButton::FluentCheckButton(const QString& title, QWidget* parent) : FluentLabel(title, parent) {
    setCheckable(true);
    setReservedWidth(dpiScaled(20) + dpiScaled(4));
    m_check = fluent::tintedSvg(QStringLiteral(":/icon/resources/icon/check_bold.svg"), dpiScaled(20), fluent::accent());
    connect(this, &QPushButton::toggled, this, &FluentCheckButton::radioToggled);
}

void FluentCheckButton::paintEvent(QPaintEvent* event) {
    FluentLabel::paintEvent(event);
    if (!isChecked()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int size = dpiScaled(20);
    painter.drawPixmap(QRect(width() - dpiScaled(8) - size, (height() - size) / 2, size, size), m_check);
}

#include "ui/KyControlWidget.h"

#include <QPalette>

#include "app/base/DpiScale.h"

KyControlWidget::KyControlWidget(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint) {
    setObjectName(QStringLiteral("KyControlWidget"));
    setWindowTitle(QStringLiteral("MnxControl"));
    resize(dpiScaled(260), dpiScaled(320));
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(249, 250, 250));
    setPalette(background);
    setAutoFillBackground(true);
}

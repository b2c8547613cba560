#include "app/FramelessGLWidget.h"

#include <QMouseEvent>

#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "app/base/NativeWindow.h"

FramelessGLWidget::FramelessGLWidget(QWidget* parent)
    : TzOpenGLWidget(parent), m_frameless(this, dpiScaled(8), dpiScaled(24)) {
    setWindowOpacity(0.0);
    hide();
    setWindowFlags(windowFlags() | Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint);
    NativeWindow::applyFramelessGLStyle(this);
    setMouseTracking(true);
    if (const KySettings* settings = kySettings()) onBGColorChanged(settings->bgColor);
}

// The title-bar pointer is guarded; the slot stays for callers that connect to it.
void FramelessGLWidget::onTitleBarDestroyed() {
    if (sender() != nullptr && m_frameless.titleBar() == sender()) m_frameless.setTitleBar(nullptr);
}

void FramelessGLWidget::showFullScreen() { m_frameless.showFullScreen(); }

void FramelessGLWidget::onBGColorChanged(QColor color) {
    NativeWindow::setClassBackground(this, color);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    setPalette(palette);
}

void FramelessGLWidget::mousePressEvent(QMouseEvent* event) {
    TzOpenGLWidget::mousePressEvent(event);
    m_frameless.startSystemMoveOrResize(*event);
}

void FramelessGLWidget::mouseMoveEvent(QMouseEvent* event) {
    m_frameless.updateCursor(event->globalPos());
    TzOpenGLWidget::mouseMoveEvent(event);
}

void FramelessGLWidget::moveEvent(QMoveEvent* event) {
    m_frameless.moved();
    TzOpenGLWidget::moveEvent(event);
}

void FramelessGLWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) m_frameless.windowStateChanged();
    TzOpenGLWidget::changeEvent(event);
}

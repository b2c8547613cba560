#include "ui/FramelessBlurWidget.h"

#include <QCloseEvent>
#include <QMouseEvent>

#include "app/base/NativeWindow.h"

FramelessBlurWidget::FramelessBlurWidget(QWidget* parent) : QWidget(parent), m_frameless(this, 6, 30) {
    setAttribute(Qt::WA_TranslucentBackground);
    applyWindowFlags();
}

void FramelessBlurWidget::applyWindowFlags() {
    Qt::WindowFlags flags = windowFlags() | Qt::Window | Qt::FramelessWindowHint;
    if (m_frameless.isResizeable()) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint;
    } else {
        flags &= ~(Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    }
    const bool shown = isVisible();
    setWindowFlags(flags);
    NativeWindow::applyFramelessStyle(this, m_frameless.isResizeable());
    if (shown) show();
}

void FramelessBlurWidget::setResizeable(bool resizeable) {
    m_frameless.setResizeable(resizeable);
    applyWindowFlags();
}

// The title-bar pointer is guarded; the slot stays for callers that connect to it.
void FramelessBlurWidget::onTitleBarDestroyed() {
    if (titleBar() == sender()) m_frameless.setTitleBar(nullptr);
}

void FramelessBlurWidget::showFullScreen() { m_frameless.showFullScreen(); }

void FramelessBlurWidget::mousePressEvent(QMouseEvent* event) {
    if (m_frameless.startSystemMoveOrResize(*event)) return;
    QWidget::mousePressEvent(event);
}

void FramelessBlurWidget::moveEvent(QMoveEvent* event) {
    m_frameless.moved();
    QWidget::moveEvent(event);
}

void FramelessBlurWidget::closeEvent(QCloseEvent* event) {
    // The window manager's close request (a spontaneous event) is swallowed like the system close command.
    if (!m_frameless.isResizeable() && event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void FramelessBlurWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) m_frameless.windowStateChanged();
    QWidget::changeEvent(event);
}

#include "ui/FramelessBlurWidget.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include "app/base/NativeWindow.h"

FramelessBlurWidget::FramelessBlurWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    applyWindowFlags();
}

void FramelessBlurWidget::applyWindowFlags() {
    Qt::WindowFlags flags = windowFlags() | Qt::Window | Qt::FramelessWindowHint;
    if (m_resizeable) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint;
    } else {
        flags &= ~(Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    }
    const bool shown = isVisible();
    setWindowFlags(flags);
    NativeWindow::applyFramelessStyle(this, m_resizeable);
    if (shown) show();
}

void FramelessBlurWidget::setResizeable(bool resizeable) {
    m_resizeable = resizeable;
    applyWindowFlags();
}

void FramelessBlurWidget::setTitleBar(QWidget* titleBar) {
    if (m_titleBar) disconnect(m_titleBar, &QObject::destroyed, this, &FramelessBlurWidget::onTitleBarDestroyed);
    m_titleBar = titleBar;
    if (m_titleBar) connect(m_titleBar, &QObject::destroyed, this, &FramelessBlurWidget::onTitleBarDestroyed);
}

void FramelessBlurWidget::addIgnoreWidget(QWidget* widget) {
    if (widget) m_ignoreWidgets.append(widget);
}

void FramelessBlurWidget::onTitleBarDestroyed() {
    if (m_titleBar == sender()) m_titleBar = nullptr;
}

void FramelessBlurWidget::showFullScreen() {
    if (isMaximized()) {
        setContentsMargins(m_margins);
        m_frames = QMargins();
    }
    QWidget::showFullScreen();
}

FramelessBlurWidget::HitArea FramelessBlurWidget::hitTest(const QPoint& globalPos) const {
    HitArea result = Client;
    const QRect window = frameGeometry();
    const int b = m_borderWidth;
    const int x = globalPos.x();
    const int y = globalPos.y();
    const bool resizeWidth = minimumWidth() != maximumWidth();
    const bool resizeHeight = minimumHeight() != maximumHeight();
    if (m_resizeable) {
        const bool left = x >= window.left() && x < window.left() + b;
        const bool right = x <= window.right() && x > window.right() - b;
        const bool top = y >= window.top() && y < window.top() + b;
        const bool bottom = y <= window.bottom() && y > window.bottom() - b;
        if (resizeWidth) {
            if (left) result = Left;
            if (right) result = Right;
        }
        if (resizeHeight) {
            if (bottom) result = Bottom;
            if (top) result = Top;
        }
        if (resizeWidth && resizeHeight) {
            if (left && bottom) result = BottomLeft;
            if (right && bottom) result = BottomRight;
            if (left && top) result = TopLeft;
            if (right && top) result = TopRight;
        }
    }
    if (result != Client) return result;

    auto listed = [this](const QWidget* child) {
        for (const QPointer<QWidget>& widget : m_ignoreWidgets) {
            if (widget && (widget == child || widget->isAncestorOf(child))) return true;
        }
        return false;
    };
    const QPoint local = mapFromGlobal(globalPos);
    if (m_titleHeight >= 1 && local.y() >= 0 && local.y() < m_titleHeight) {
        const QWidget* child = childAt(local);
        if (!child || !listed(child)) return Caption;
    }
    if (m_titleBar && m_titleBar->rect().contains(m_titleBar->mapFromGlobal(globalPos))) {
        const QWidget* child = m_titleBar->childAt(m_titleBar->mapFromGlobal(globalPos));
        if (!child || listed(child)) return Caption;
    }
    return Client;
}

void FramelessBlurWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle()) {
        const HitArea area = hitTest(event->globalPos());
        Qt::Edges edges;
        switch (area) {
            case Caption: windowHandle()->startSystemMove(); return;
            case Left: edges = Qt::LeftEdge; break;
            case Right: edges = Qt::RightEdge; break;
            case Top: edges = Qt::TopEdge; break;
            case Bottom: edges = Qt::BottomEdge; break;
            case TopLeft: edges = Qt::TopEdge | Qt::LeftEdge; break;
            case TopRight: edges = Qt::TopEdge | Qt::RightEdge; break;
            case BottomLeft: edges = Qt::BottomEdge | Qt::LeftEdge; break;
            case BottomRight: edges = Qt::BottomEdge | Qt::RightEdge; break;
            case Client: break;
        }
        if (edges) {
            windowHandle()->startSystemResize(edges);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void FramelessBlurWidget::moveEvent(QMoveEvent* event) {
    QScreen* now = windowHandle() ? windowHandle()->screen() : nullptr;
    if (now && now != m_currentScreen) {
        QScreen* before = m_currentScreen;
        m_currentScreen = now;
        update();
        resize(size());
        // Same DPI: the native size may still be stale after the move; apply it again.
        if (before && before->logicalDotsPerInch() == now->logicalDotsPerInch() && windowHandle()) {
            windowHandle()->resize(size());
        }
    }
    QWidget::moveEvent(event);
}

void FramelessBlurWidget::closeEvent(QCloseEvent* event) {
    // The window manager's close request (a spontaneous event) is swallowed like the system close command.
    if (!m_resizeable && event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void FramelessBlurWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        if (isMaximized() && !m_justMaximized) {
            m_margins = contentsMargins();
            m_justMaximized = true;
        } else if (!isMaximized() && m_justMaximized) {
            setContentsMargins(m_margins);
            m_frames = QMargins();
            m_justMaximized = false;
        }
    }
    QWidget::changeEvent(event);
}

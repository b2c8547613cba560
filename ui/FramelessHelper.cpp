#include "ui/FramelessHelper.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

FramelessHelper::FramelessHelper(QWidget* window, int borderWidth, int titleHeight)
    : m_window(window), m_borderWidth(borderWidth), m_titleHeight(titleHeight) {}

void FramelessHelper::setTitleBar(QWidget* titleBar) { m_titleBar = titleBar; }

void FramelessHelper::addIgnoreWidget(QWidget* widget) {
    if (widget) m_ignoreWidgets.append(widget);
}

FramelessHelper::HitArea FramelessHelper::hitTest(const QPoint& globalPos) const {
    HitArea result = Client;
    const QRect window = m_window->frameGeometry();
    const int b = m_borderWidth;
    const int x = globalPos.x();
    const int y = globalPos.y();
    const bool resizeWidth = m_window->minimumWidth() != m_window->maximumWidth();
    const bool resizeHeight = m_window->minimumHeight() != m_window->maximumHeight();
    const bool sized = !m_window->isMaximized() && !m_window->isFullScreen();
    if (m_resizeable && sized) {
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
    const QPoint local = m_window->mapFromGlobal(globalPos);
    if (m_titleHeight >= 1 && local.y() >= 0 && local.y() < m_titleHeight) {
        const QWidget* child = m_window->childAt(local);
        if (!child || !listed(child)) return Caption;
    }
    if (m_titleBar && m_titleBar->rect().contains(m_titleBar->mapFromGlobal(globalPos))) {
        const QWidget* child = m_titleBar->childAt(m_titleBar->mapFromGlobal(globalPos));
        if (!child || listed(child)) return Caption;
    }
    return Client;
}

namespace {

Qt::Edges edgesOf(FramelessHelper::HitArea area) {
    switch (area) {
        case FramelessHelper::Left:
            return Qt::LeftEdge;
        case FramelessHelper::Right:
            return Qt::RightEdge;
        case FramelessHelper::Top:
            return Qt::TopEdge;
        case FramelessHelper::Bottom:
            return Qt::BottomEdge;
        case FramelessHelper::TopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case FramelessHelper::TopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case FramelessHelper::BottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case FramelessHelper::BottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        case FramelessHelper::Client:
        case FramelessHelper::Caption:
            break;
    }
    return {};
}

}  // namespace

bool FramelessHelper::startSystemMoveOrResize(const QMouseEvent& event) const {
    QWindow* native = m_window->windowHandle();
    if (event.button() != Qt::LeftButton || native == nullptr) return false;
    const HitArea area = hitTest(event.globalPos());
    if (area == Caption) return native->startSystemMove();
    const Qt::Edges edges = edgesOf(area);
    return edges != Qt::Edges() && native->startSystemResize(edges);
}

void FramelessHelper::updateCursor(const QPoint& globalPos) const {
    switch (hitTest(globalPos)) {
        case Left:
        case Right:
            m_window->setCursor(Qt::SizeHorCursor);
            break;
        case Top:
        case Bottom:
            m_window->setCursor(Qt::SizeVerCursor);
            break;
        case TopLeft:
        case BottomRight:
            m_window->setCursor(Qt::SizeFDiagCursor);
            break;
        case TopRight:
        case BottomLeft:
            m_window->setCursor(Qt::SizeBDiagCursor);
            break;
        case Client:
        case Caption:
            m_window->unsetCursor();
            break;
    }
}

void FramelessHelper::showFullScreen() {
    if (m_window->isMaximized() && m_maximisedMargins) {
        m_window->setContentsMargins(m_margins);
        m_maximisedMargins = false;
    }
    m_window->QWidget::showFullScreen();
}

void FramelessHelper::windowStateChanged() {
    if (m_window->isMaximized() && !m_maximisedMargins) {
        m_margins = m_window->contentsMargins();
        m_maximisedMargins = true;
    } else if (!m_window->isMaximized() && m_maximisedMargins) {
        m_window->setContentsMargins(m_margins);
        m_maximisedMargins = false;
    }
}

void FramelessHelper::moved() {
    QScreen* now = m_window->windowHandle() ? m_window->windowHandle()->screen() : nullptr;
    if (now == nullptr || now == m_currentScreen) return;
    QScreen* before = m_currentScreen;
    m_currentScreen = now;
    m_window->update();
    m_window->resize(m_window->size());
    if (before && before->logicalDotsPerInch() == now->logicalDotsPerInch()) {
        m_window->windowHandle()->resize(m_window->size());
    }
}

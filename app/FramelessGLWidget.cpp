#include "app/FramelessGLWidget.h"

#include <QMouseEvent>
#include <QWindow>

#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "app/base/NativeWindow.h"

namespace {
int borderWidth() { return dpiScaled(8); }
}  // namespace

FramelessGLWidget::FramelessGLWidget(QWidget* parent) : TzOpenGLWidget(parent) {
    setWindowOpacity(0.0);
    m_titleHeight = dpiScaled(24);
    hide();
    setWindowFlags(windowFlags() | Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint);
    NativeWindow::applyFramelessGLStyle(this);
    setMouseTracking(true);
    if (const KySettings* settings = kySettings()) onBGColorChanged(settings->bgColor);
}

void FramelessGLWidget::setTitleBar(QWidget* titleBar) {
    m_titleBar = titleBar;
    if (titleBar != nullptr) {
        connect(titleBar, SIGNAL(destroyed(QObject*)), this, SLOT(onTitleBarDestroyed()));
    }
}

void FramelessGLWidget::addIgnoreWidget(QWidget* widget) {
    if (widget != nullptr) m_whiteList.append(widget);
}

void FramelessGLWidget::onTitleBarDestroyed() { m_titleBar = nullptr; }

void FramelessGLWidget::showFullScreen() {
    if (isMaximized()) {
        showNormal();
    } else {
        showMaximized();
    }
}

void FramelessGLWidget::onBGColorChanged(QColor color) {
    NativeWindow::setClassBackground(this, color);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    setPalette(palette);
}

Qt::Edges FramelessGLWidget::resizeEdges(const QPoint& pos) const {
    if (!m_resizeable || isMaximized() || isFullScreen()) return {};
    const int border = borderWidth();
    Qt::Edges edges;
    if (pos.x() < border) edges |= Qt::LeftEdge;
    if (pos.x() >= width() - border) edges |= Qt::RightEdge;
    if (pos.y() < border) edges |= Qt::TopEdge;
    if (pos.y() >= height() - border) edges |= Qt::BottomEdge;
    return edges;
}

bool FramelessGLWidget::isInTitleArea(const QPoint& pos) const {
    const QWidget* child = childAt(pos);
    for (const QPointer<QWidget>& widget : m_whiteList) {
        if (widget && child != nullptr && (child == widget || widget->isAncestorOf(child))) return false;
    }
    if (m_titleBar) return m_titleBar->geometry().contains(pos) && (child == nullptr || child == m_titleBar);
    return pos.y() >= 0 && pos.y() < m_titleHeight;
}

void FramelessGLWidget::mousePressEvent(QMouseEvent* event) {
    TzOpenGLWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || windowHandle() == nullptr) return;
    const Qt::Edges edges = resizeEdges(event->pos());
    if (edges != Qt::Edges()) {
        windowHandle()->startSystemResize(edges);
    } else if (isInTitleArea(event->pos())) {
        windowHandle()->startSystemMove();
    }
}

void FramelessGLWidget::mouseMoveEvent(QMouseEvent* event) {
    // Show where a press would resize.
    const Qt::Edges edges = resizeEdges(event->pos());
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool mainDiagonal = (edges & Qt::LeftEdge && edges & Qt::TopEdge) ||
                                  (edges & Qt::RightEdge && edges & Qt::BottomEdge);
        setCursor(mainDiagonal ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else if (horizontal) {
        setCursor(Qt::SizeHorCursor);
    } else if (vertical) {
        setCursor(Qt::SizeVerCursor);
    } else {
        unsetCursor();
    }
    TzOpenGLWidget::mouseMoveEvent(event);
}

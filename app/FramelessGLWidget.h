#pragma once

#include <QColor>

#include "app/TzOpenGLWidget.h"
#include "ui/FramelessHelper.h"

// The borderless main window: no decorations, moved by dragging its top strip and resized from its border, by
// the same rules as the control window (FramelessHelper). The window system does the moving and resizing
// (startSystemMove/Resize), so it stays smooth and snaps like a decorated window.
class FramelessGLWidget : public TzOpenGLWidget, public FramelessHitArea {
    Q_OBJECT
public:
    explicit FramelessGLWidget(QWidget* parent = nullptr);

    // A widget that acts as the title bar (dragging it moves the window); null for the plain top strip.
    void setTitleBar(QWidget* titleBar) { m_frameless.setTitleBar(titleBar); }
    // Children inside the title area that stay clickable instead of starting a move.
    void addIgnoreWidget(QWidget* widget) { m_frameless.addIgnoreWidget(widget); }
    void setResizeable(bool resizeable) { m_frameless.setResizeable(resizeable); }
    bool isResizeable() const { return m_frameless.isResizeable(); }
    int titleHeight() const { return m_frameless.titleBarHeight(); }
    int borderWidth() const { return m_frameless.borderWidth(); }

    // What a point (global coordinates) of the window is for.
    HitArea hitTest(const QPoint& globalPos) const { return m_frameless.hitTest(globalPos); }

public slots:
    void onTitleBarDestroyed();
    void showFullScreen();
    void onBGColorChanged(QColor color);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    FramelessHelper m_frameless;
};

#pragma once

#include <QColor>
#include <QList>
#include <QMargins>
#include <QPointer>

#include "app/TzOpenGLWidget.h"

class QScreen;

// The borderless main window: no decorations, moved by dragging its top strip and resized from its border, the
// way the control window behaves. The window system does the moving and resizing (startSystemMove/Resize), so
// it stays smooth and snaps like a decorated window.
class FramelessGLWidget : public TzOpenGLWidget {
    Q_OBJECT
public:
    explicit FramelessGLWidget(QWidget* parent = nullptr);

    // A widget that acts as the title bar (dragging it moves the window); null for the plain top strip.
    void setTitleBar(QWidget* titleBar);
    // Children inside the title area that stay clickable instead of starting a move.
    void addIgnoreWidget(QWidget* widget);
    void setResizeable(bool resizeable) { m_resizeable = resizeable; }
    bool isResizeable() const { return m_resizeable; }
    int titleHeight() const { return m_titleHeight; }

    // Which edges a press at `pos` (widget coordinates) grabs for resizing; none inside the border.
    Qt::Edges resizeEdges(const QPoint& pos) const;
    // Whether a press at `pos` starts moving the window.
    bool isInTitleArea(const QPoint& pos) const;

public slots:
    void onTitleBarDestroyed();
    void showFullScreen();
    void onBGColorChanged(QColor color);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPointer<QWidget> m_titleBar;
    QList<QPointer<QWidget>> m_whiteList;
    int m_titleHeight = 0;
    bool m_resizeable = true;
    QMargins m_frames;
    QScreen* m_currentScreen = nullptr;
};

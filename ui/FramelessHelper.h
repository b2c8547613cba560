#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QMouseEvent;
class QScreen;

// The areas of a frameless window, after the Windows hit-test codes.
struct FramelessHitArea {
    enum HitArea { Client, Caption, Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight };
};

// The frameless-window rules both top-level windows share (the blurred control window and the GL main window):
// which point resizes or drags, how a press starts the window manager's move or resize, full screen after
// maximised, and re-applying the size when the window reaches another screen. Owned by the window it serves
// (by value), which forwards the events named below.
class FramelessHelper : public FramelessHitArea {
public:
    // `window` is observed, not owned; sizes in device-independent pixels.
    FramelessHelper(QWidget* window, int borderWidth, int titleHeight);

    void setResizeable(bool resizeable) { m_resizeable = resizeable; }
    bool isResizeable() const { return m_resizeable; }
    void setTitleBarHeight(int height) { m_titleHeight = height; }
    int titleBarHeight() const { return m_titleHeight; }
    int borderWidth() const { return m_borderWidth; }
    // An optional title-bar widget (not owned; forgotten when it is destroyed): its empty areas and its listed
    // children drag the window.
    void setTitleBar(QWidget* titleBar);
    QWidget* titleBar() const { return m_titleBar; }
    // Children that stay clickable inside the title area.
    void addIgnoreWidget(QWidget* widget);

    // What a point (global coordinates) of the window is for. Borders only when resizable, and only in the
    // directions the window can change size; then the title strip and the title-bar widget.
    HitArea hitTest(const QPoint& globalPos) const;
    // The window-manager move or resize for a left press on a border or the title area; false when the press is
    // the window's own (a client point, or no native window yet).
    bool startSystemMoveOrResize(const QMouseEvent& event) const;
    // The resize cursor over a border, none elsewhere.
    void updateCursor(const QPoint& globalPos) const;

    // Full screen; a maximised window first gets back the contents margins it had before.
    void showFullScreen();
    // Window-state changes: remembers the margins on maximise and restores them afterwards.
    void windowStateChanged();
    // A move: when the window reached another screen, repaint it and apply its size again (the native size can
    // be stale after a move between screens of the same DPI).
    void moved();

private:
    QWidget* m_window;
    QPointer<QWidget> m_titleBar;
    QList<QPointer<QWidget>> m_ignoreWidgets;
    int m_borderWidth;
    int m_titleHeight;
    bool m_resizeable = true;
    QMargins m_margins;
    bool m_maximisedMargins = false;
    QScreen* m_currentScreen = nullptr;
};

#pragma once

#include <QWidget>

#include "ui/FramelessHelper.h"

// A frameless top-level window with a translucent background (standing in for the desktop's blur-behind).
// The top strip of titleBarHeight() pixels drags the window through the window manager; when resizable, a
// 6 px border resizes it. Not resizable also means the window manager's close request is ignored. The hit-test
// rules are those of FramelessHelper, shared with the main window.
class FramelessBlurWidget : public QWidget, public FramelessHitArea {
    Q_OBJECT

public:
    explicit FramelessBlurWidget(QWidget* parent = nullptr);

    void setResizeable(bool resizeable);
    bool isResizeable() const { return m_frameless.isResizeable(); }
    void setTitleBarHeight(int height) { m_frameless.setTitleBarHeight(height); }
    int titleBarHeight() const { return m_frameless.titleBarHeight(); }
    int borderWidth() const { return m_frameless.borderWidth(); }
    // An optional title-bar widget (not owned); its empty areas and listed children drag the window.
    void setTitleBar(QWidget* titleBar) { m_frameless.setTitleBar(titleBar); }
    QWidget* titleBar() const { return m_frameless.titleBar(); }
    // Children of the title area that stay clickable.
    void addIgnoreWidget(QWidget* widget) { m_frameless.addIgnoreWidget(widget); }

    // The hit-test rules of the frameless window for a point in global coordinates.
    HitArea hitTest(const QPoint& globalPos) const { return m_frameless.hitTest(globalPos); }

public slots:
    void onTitleBarDestroyed();
    void showFullScreen();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyWindowFlags();

    FramelessHelper m_frameless;
};

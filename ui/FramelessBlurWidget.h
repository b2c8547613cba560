#pragma once

#include <QList>
#include <QMargins>
#include <QPointer>
#include <QWidget>

class QScreen;

// A frameless top-level window with a translucent background (standing in for the desktop's blur-behind).
// The top strip of titleBarHeight() pixels drags the window through the window manager; when resizable, a
// 6 px border resizes it. Not resizable also means the window manager's close request is ignored.
class FramelessBlurWidget : public QWidget {
    Q_OBJECT

public:
    // What a point of the window is for, after the Windows hit-test codes.
    enum HitArea { Client, Caption, Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight };
    Q_ENUM(HitArea)

    explicit FramelessBlurWidget(QWidget* parent = nullptr);

    void setResizeable(bool resizeable);
    bool isResizeable() const { return m_resizeable; }
    void setTitleBarHeight(int height) { m_titleHeight = height; }
    int titleBarHeight() const { return m_titleHeight; }
    int borderWidth() const { return m_borderWidth; }
    // An optional title-bar widget (not owned); its empty areas and listed children drag the window.
    void setTitleBar(QWidget* titleBar);
    QWidget* titleBar() const { return m_titleBar; }
    // Children of the title area that stay clickable.
    void addIgnoreWidget(QWidget* widget);

    // The hit-test rules of the frameless window for a point in global coordinates.
    HitArea hitTest(const QPoint& globalPos) const;

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

    QWidget* m_titleBar = nullptr;
    QList<QPointer<QWidget>> m_ignoreWidgets;
    int m_borderWidth = 6;
    QMargins m_margins;
    QMargins m_frames;
    bool m_justMaximized = false;
    int m_titleHeight = 30;
    bool m_resizeable = true;
    QScreen* m_currentScreen = nullptr;
};

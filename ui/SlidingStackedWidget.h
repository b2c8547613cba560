#pragma once

#include <QEasingCurve>
#include <QPoint>
#include <QStackedWidget>

class QParallelAnimationGroup;

// A stacked widget that slides and fades between pages. The incoming page moves in by one eighth of the
// offset and fades from 0 to 0.99; the outgoing one fades from 0.2 to 0. Mode 1 only fades.
class SlidingStackedWidget : public QStackedWidget {
    Q_OBJECT

public:
    enum slideOption {
        Automatic = 0,
        FadeOnly = 1,
        LeftToRight = 2,
        RightToLeft = 3,
        BottomToTop = 4,
        TopToBottom = 5,
    };
    Q_ENUM(slideOption)

    explicit SlidingStackedWidget(QWidget* parent = nullptr);

    // Slides to page `index` in direction `mode` (an index past either end wraps, with the matching
    // direction). A running slide finishes at once first.
    void slideInIdx(int index, slideOption mode = Automatic);
    // The index that is or will be current when the running slide ends.
    int targetIndex() const { return m_next; }
    bool isAnimating() const { return m_active; }

signals:
    void startChanging(int index);
    void animationFinished();

public slots:
    void setAnimationSpeed(int milliseconds) { m_speed = milliseconds; }
    int animationSpeed() const { return m_speed; }
    void setAnimationCurve(QEasingCurve::Type curve) { m_curve = curve; }
    QEasingCurve::Type animationCurve() const { return m_curve; }
    void setVerticalMode(bool vertical) { m_orientation = vertical ? Qt::Vertical : Qt::Horizontal; }
    void setVerticalMode() { setVerticalMode(true); }
    void setSlideOrientation(Qt::Orientation orientation) { m_orientation = orientation; }
    void setSlideOrientation() { setSlideOrientation(Qt::Horizontal); }
    Qt::Orientation slideOrientation() const { return m_orientation; }
    void setWrap(bool wrap) { m_wrap = wrap; }
    bool isWrap() const { return m_wrap; }
    void setOption(slideOption option) { m_option = option; }
    slideOption option() const { return m_option; }
    void slideInNext();
    void slideInPrev();
    // Slides with the current option.
    void setCurrentIndex(int index);
    void setCurrentWidget(QWidget* widget);
    void animationDoneSlot();
    void onValueChanged(const QVariant& value);

private:
    int m_speed = 350;
    slideOption m_option = Automatic;
    QEasingCurve::Type m_curve = QEasingCurve::OutExpo;
    Qt::Orientation m_orientation = Qt::Horizontal;
    int m_now = 0;
    int m_next = 0;
    bool m_wrap = true;
    QPoint m_pnow;
    bool m_active = false;
    QParallelAnimationGroup* m_group = nullptr;  // child
};

#pragma once

#include <QSlider>

class SliderLabel;

// The horizontal slider of a FluentSlider: a value bubble at its left, then a rounded groove filled with the
// accent colour up to the value and a round handle. A press anywhere on the groove moves the handle there.
class iSlider : public QSlider {
    Q_OBJECT

public:
    explicit iSlider(QWidget* parent = nullptr);

    SliderLabel* bubble() const { return m_bubble; }
    // The groove's span in widget x coordinates (handle centre at minimum and maximum).
    int grooveLeft() const;
    int grooveRight() const;
    // Handle centre x for a value.
    int handleX(int value) const;

public slots:
    void onSliderMoved(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int valueAt(int x) const;

    SliderLabel* m_bubble = nullptr;  // child
};

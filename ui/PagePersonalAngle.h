#pragma once

#include <QWidget>

class FluentSlider;

// Settings sub-page "初期角度": the eyes' and the head's initial angles (x up/down, y left/right), shown
// as field x 100. Refreshed on every modelLoaded().
class PagePersonalAngle : public QWidget {
    Q_OBJECT

public:
    explicit PagePersonalAngle(QWidget* parent = nullptr);

    // 0: eye x, 1: eye y, 2: head x, 3: head y.
    FluentSlider* slider(int index) const { return m_sliders[index]; }

public slots:
    void onEyeXAngleChanged(int value);
    void onEyeYAngleChanged(int value);
    void onHeadXAngleChanged(int value);
    void onHeadYAngleChanged(int value);
    // Shows the store's values; writes nothing.
    void onModelLoaded();

private:
    FluentSlider* m_sliders[4] = {nullptr, nullptr, nullptr, nullptr};
};

#pragma once

#include <QPushButton>

// The switch drawn at the right of a FluentToggleButton: a rounded track and a white knob whose position and
// colour follow the toggle's state machine value (0 off, 1 on) through an in-out quadratic curve. It takes no
// mouse input itself: clicks go to the row, which sets it down while the row is pressed.
class iToggleButton : public QPushButton {
    Q_OBJECT

public:
    explicit iToggleButton(QWidget* parent = nullptr);

    // The machine value last received, 0 to 1.
    double variant() const { return m_variant; }
    // Knob centre x for the current value (widget coordinates).
    double knobCenterX() const;

public slots:
    void onVariantChanged(double value);
    void onToggled(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_variant = 0.0;
};

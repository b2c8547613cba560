#pragma once

#include "ui/PageBase.h"

class FluentColorButton;
class FluentSlider;
class QColorDialog;

// Settings sub-page "ライト設定": light colour and the three light angles in degrees (the sliders show the
// negated lightDir components).
class PageLight : public PageBase {
    Q_OBJECT

public:
    explicit PageLight(QWidget* parent = nullptr);

    FluentColorButton* colorButton() const { return m_color; }
    // 0: X, 1: Y, 2: Z.
    FluentSlider* slider(int axis) const { return m_sliders[axis]; }

public slots:
    // Opens a colour dialog at the light colour; accepting stores it as lightColor (components / 255).
    void onColorButtonClicked();
    // lightDir = -(X, Y, Z) of the three sliders.
    void onSliderValueChanged(int value);

private:
    FluentColorButton* m_color = nullptr;
    FluentSlider* m_sliders[3] = {nullptr, nullptr, nullptr};
    QColorDialog* m_dialog = nullptr;
};

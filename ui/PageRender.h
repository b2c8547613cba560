#pragma once

#include <QWidget>

class FluentColorButton;
class FluentLabel;
class FluentSlider;
class FluentToggleButton;
class QColorDialog;

// Settings sub-page "3D表示設定": background colour, the link to the light page, edge width and brightness,
// brow transparency (first group) and accessory display (second group). Each control writes its settings
// field as it changes.
class PageRender : public QWidget {
    Q_OBJECT

public:
    explicit PageRender(QWidget* parent = nullptr);

    FluentColorButton* bgColorButton() const { return m_bgColor; }
    FluentLabel* lightRow() const { return m_light; }
    FluentSlider* edgeMulSlider() const { return m_edgeMul; }
    FluentSlider* edgeBrightnessSlider() const { return m_edgeBrightness; }
    FluentSlider* transBrowSlider() const { return m_transBrow; }
    FluentToggleButton* renderAccButton() const { return m_renderAcc; }

public slots:
    // Opens a colour dialog at bgColor; accepting applies the colour through setBgColor().
    void onColorButtonClicked();
    void onEdgeMulChanged(int value);
    void onEdgeBrightnessChanged(int value);
    void onTransBrowChanged(int value);
    void onRenderAccChanged(bool on);

private:
    FluentColorButton* m_bgColor = nullptr;
    FluentLabel* m_light = nullptr;
    FluentSlider* m_edgeMul = nullptr;
    FluentSlider* m_edgeBrightness = nullptr;
    FluentSlider* m_transBrow = nullptr;
    FluentToggleButton* m_renderAcc = nullptr;
    QColorDialog* m_dialog = nullptr;
};

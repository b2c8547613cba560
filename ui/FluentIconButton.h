#pragma once

#include <QColor>
#include <QPixmap>
#include <QPushButton>

class QVariantAnimation;

// A square side-bar button showing a tinted SVG icon. The selected state fades a rounded accent backdrop in
// or out over 500 ms and turns the icon white. Fixed size dpiScaled 32.
class FluentIconButton : public QPushButton {
    Q_OBJECT

public:
    FluentIconButton(const QString& svgPath, QWidget* parent = nullptr);

    // Animated from the current backdrop opacity; no effect when the state does not change.
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    // The backdrop colour of the selected state.
    void setColor(const QColor& color);
    QColor color() const { return m_color; }
    // The power button has its own pressed overlay.
    void setPowerButton(bool power) { m_power = power; }

public slots:
    void onUpdateValue(const QVariant& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_dark;
    QPixmap m_white;
    QColor m_color{52, 191, 96};
    bool m_selected = false;
    bool m_power = false;
    double m_value = 0.0;
    QVariantAnimation* m_animation = nullptr;  // child
};

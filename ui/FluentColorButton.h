#pragma once

#include <QColor>

#include "ui/FluentLabel.h"

// A settings row with a colour swatch at its right; clicking it is left to the page (a colour dialog).
class FluentColorButton : public FluentLabel {
    Q_OBJECT

public:
    explicit FluentColorButton(const QString& title, QWidget* parent = nullptr);

    void setColor(const QColor& color);
    QColor color() const { return m_color; }
    // Where the swatch is painted.
    QRect swatchRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color{127, 127, 127};
};

#pragma once

#include <QWidget>

// The home page's decorative bar: three coloured rounded blocks with a soft drop shadow.
class HomeButtonWidget : public QWidget {
    Q_OBJECT

public:
    explicit HomeButtonWidget(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // The three blocks for the current size, left to right.
    QList<QRect> blocks() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

#pragma once

#include <QString>
#include <QWidget>

// The value bubble of an iSlider: white text on a dark rounded rectangle, painted at opacity 0.8.
class SliderLabel : public QWidget {
    Q_OBJECT

public:
    explicit SliderLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

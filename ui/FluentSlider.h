#pragma once

#include <QStringList>

#include "ui/FluentLabel.h"

class iSlider;

// A settings row with a horizontal slider at its right. valueChanged(int) reports values the user sets;
// setValue() and setDefaultValue() move the slider silently. Optional tick texts under the slider make the
// row taller.
class FluentSlider : public FluentLabel {
    Q_OBJECT

public:
    explicit FluentSlider(const QString& title, QWidget* parent = nullptr);

    void setMinimum(int value);
    void setMaximum(int value);
    // The marked default: stored and shown, without valueChanged.
    void setDefaultValue(int value);
    // Moves the slider (clamped to its range) without valueChanged.
    void setValue(int value);
    int value() const;
    // Texts spread evenly under the groove from minimum to maximum.
    void setTickTexts(const QStringList& texts);
    iSlider* slider() const { return m_slider; }

signals:
    void valueChanged(int value);

public slots:
    void onSliderMoved(int value);

protected:
    QRect titleRect() const override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutSlider();

    iSlider* m_slider = nullptr;  // child
    int m_defaultValue = 0;
    QStringList m_ticks;
};

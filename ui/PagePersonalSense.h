#pragma once

#include <QWidget>

class FluentSlider;

// Settings sub-page "表情感度": seven per-model expression sensitivities, -2 (weakest) to 2 (strongest).
// Refreshed on every modelLoaded().
class PagePersonalSense : public QWidget {
    Q_OBJECT

public:
    explicit PagePersonalSense(QWidget* parent = nullptr);

    static constexpr int kCount = 7;
    FluentSlider* slider(int index) const { return m_sliders[index]; }

public slots:
    // Writes the sending slider's field, clamped to [-2, 2], then emits the store's modelSenceChanged().
    void onMorphSenseChanged(int value);
    // Shows the store's values; writes nothing.
    void onModelLoaded();

private:
    FluentSlider* m_sliders[kCount] = {};
};

#pragma once

#include "ui/KyTopWidget.h"

class FluentLabel;
class FluentToggleButton;

// Top page 1, "キャプチャー": the capture switch and the look-forward row. Connected by name to the
// orchestrator (solutionSignals()) when one exists at construction: the switch starts and stops capture,
// and the orchestrator's captured(bool) sets the switch, so a capture that ends by itself switches it off.
class KyFaceCaptureWidget : public KyTopWidget {
    Q_OBJECT

public:
    explicit KyFaceCaptureWidget(QWidget* parent = nullptr);

    FluentToggleButton* captureButton() const { return m_capture; }
    FluentLabel* lookForwardButton() const { return m_lookForward; }

signals:
    void captureStart();
    void captureStop();

public slots:
    void onCaptureButtonClicked(bool checked);
    // The orchestrator's capture state; a real change goes on as if the switch had been toggled.
    void setFaceCapture(bool state);

private:
    FluentToggleButton* m_capture = nullptr;  // child
    FluentLabel* m_lookForward = nullptr;     // child
};

#pragma once

#include <QObject>
#include <QWidget>

namespace mnx::test {

// Stands in for the orchestrator: the signals and slots the control window connects to by name, with counters.
class FakeSolution : public QObject {
    Q_OBJECT

public:
    int runs = 0;
    int quits = 0;
    int lookForwards = 0;
    int longPresses = 0;
    int presses = 0;

signals:
    void captured(bool on);
    void emitLook();

public slots:
    void threadRun() { ++runs; }
    void threadQuit() { ++quits; }
    void onSendLookForward() { ++lookForwards; }
    void onGlobalMenuR_LongPressed() { ++longPresses; }
    void onGlobalMenuR_Pressed() { ++presses; }
};

// Stands in for the main window: the camera slots the control window's keys reach, with counters, and its
// close events.
class FakeMainWindow : public QWidget {
    Q_OBJECT

public:
    int right = 0, left = 0, up = 0, down = 0, front = 0, back = 0, closes = 0;

public slots:
    void onCamRight() { ++right; }
    void onCamLeft() { ++left; }
    void onCamUp() { ++up; }
    void onCamDown() { ++down; }
    void onCamFront() { ++front; }
    void onCamBack() { ++back; }

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace mnx::test

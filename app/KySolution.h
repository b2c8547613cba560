#pragma once

#include <QObject>
#include <QString>
#include <memory>

class KyThread;
class QTimer;
class iFacialMoCap;
namespace vmc {
class VmcReceiver;
}  // namespace vmc

// The orchestrator of face capture: the one place where capture starts, stops, times out and re-centres.
// Owns the capture thread (which owns the receiver) and two clock timers. Lives on the GUI thread; created at
// start-up after the settings store and deleted by the main window's destructor.
class KySolution : public QObject {
    Q_OBJECT

public:
    explicit KySolution(QObject* parent = nullptr);
    // Ends a running capture (without the stop command; the receiver's destruction sends it) and waits for it.
    ~KySolution() override;

    // The capture thread's receiver; null when there is no capture thread.
    iFacialMoCap* receiver() const;
    // Whether capture runs: the capture thread (capturing, or waiting up to 2 s for the phone) or the VMC
    // receiver, by Global/CaptureType.
    bool isRunning() const;
    // The VMC receiver (its own worker thread); never null while the orchestrator exists.
    vmc::VmcReceiver* vmcReceiver() const { return m_vmc.get(); }

signals:
    void captureTimeout();
    // true when capture starts; false when it stops (twice for a stop the user asked for).
    void captured(bool on);
    void past1Second();
    void past1Minute();
    void preload();
    void emitLook();

public slots:
    void onAnimateTimerFinished();
    // Emits captured(true) and starts the capture thread.
    void threadRun();
    // Stops capture: the stop command, end of the capture thread (waited for), captured(false). Safe when
    // capture never ran.
    void threadQuit();
    // Re-centres the head (look-forward command) and emits emitLook().
    void onSendLookForward();
    // Toggles capture, with the system beep.
    void onGlobalMenuR_LongPressed();
    // Re-centres like onSendLookForward().
    void onGlobalMenuR_Pressed();
    // Calibrates the performer, holding both controllers out at shoulder height, to the main model and
    // stores the result in the settings store (saved with it). Does nothing unless VR runs with both hands'
    // pose actions resolved.
    void onCalibration();
    void onResetPhysics();
    // The capture thread ended: logs "KySolution::onCaptureTimeout" and emits captured(false).
    void onCaptureTimeout();
    // Stops a running capture and stores the phone's address in the settings store.
    void onIPAddressChanged(QString address);
    void on1SecondTimeout();
    void on1MinuteTimeout();
    void onShaderFileChanged(QString path);

private:
    void startCapture();
    void stopCapture();

    bool startVmc();

    std::unique_ptr<KyThread> m_thread;
    std::unique_ptr<vmc::VmcReceiver> m_vmc;
    QTimer* m_secondTimer = nullptr;  // child
    QTimer* m_minuteTimer = nullptr;  // child
};

// The process-wide orchestrator; null before start-up creates it and after the main window deleted it.
KySolution* kySolution();
// Publishes (or, with null, withdraws) the process-wide orchestrator; the caller keeps ownership.
void setKySolution(KySolution* solution);

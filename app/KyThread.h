#pragma once

#include <QMutex>
#include <QThread>
#include <memory>
#include <mutex>

class QTimer;
class iFacialMoCap;

// The one worker thread: runs the face-capture receiver's network side. Each run asks the phone to stream,
// then receives and parses packets until the stream ends or quit() is called. The object lives on the GUI
// thread; run() and onTimer() execute on the worker thread.
class KyThread : public QThread {
    Q_OBJECT

public:
    // Creates the receiver (owned).
    KyThread();
    // The thread must have finished (waitFinished) before destruction.
    ~KyThread() override;

    // The receiver; never null while the thread object exists.
    iFacialMoCap* receiver() const { return m_receiver.get(); }
    // Guards the receiver's Start and Parse; GUI-thread code that needs the worker idle between packets takes it.
    QMutex* mutex() { return &m_mutex; }
    // Lets a parse in progress finish, then waits for the thread to end; ULONG_MAX waits without limit.
    // True when the thread has finished.
    bool waitFinished(unsigned long timeoutMs);

signals:
    void captureTimeout();

public slots:
    // Worker thread: one blocking receive and, for a packet, one parse.
    void onTimer();

protected:
    void run() override;

private:
    QTimer* m_timer = nullptr;  // exists only during run(), on the worker thread
    QMutex m_mutex;
    // Released by run() as its last step and taken after every wait(): a standard mutex, so that thread checkers,
    // which cannot see inside Qt, also see the end of a run ordered before what the GUI thread does next.
    std::mutex m_runEnd;
    std::unique_ptr<iFacialMoCap> m_receiver;
};

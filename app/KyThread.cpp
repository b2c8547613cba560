#include "app/KyThread.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QTimer>

#include "face/iFacialMoCap.h"

KyThread::KyThread() : m_receiver(std::make_unique<iFacialMoCap>()) {}

KyThread::~KyThread() {
    // A thread still running here would use the receiver after its deletion.
    m_receiver->Interrupt();
    quit();
    wait();
    const std::lock_guard<std::mutex> ended(m_runEnd);
}

bool KyThread::waitFinished(unsigned long timeoutMs) {
    m_mutex.lock();
    m_mutex.unlock();
    if (!wait(timeoutMs)) return false;
    const std::lock_guard<std::mutex> ended(m_runEnd);
    return true;
}

void KyThread::run() {
    {
        QMutexLocker locker(&m_mutex);
        m_receiver->Start();
    }
    {
        // Gone before the run's end is published: its destruction still edits this object's connections.
        QTimer timer;
        m_timer = &timer;
        connect(&timer, &QTimer::timeout, this, &KyThread::onTimer, Qt::DirectConnection);
        timer.setInterval(1);
        timer.start();
        exec();
        timer.stop();
        m_timer = nullptr;
    }
    // No connection outlives a capture run, however the loop ended.
    const std::lock_guard<std::mutex> ending(m_runEnd);
    m_receiver->Disconnect();
}

void KyThread::onTimer() {
    QCoreApplication::processEvents();
    const QString text = m_receiver->Receive();
    if (text.isEmpty()) {
        quit();
        return;
    }
    bool connected;
    {
        QMutexLocker locker(&m_mutex);
        m_receiver->setParsing(true);
        m_receiver->Parse(text);
        m_receiver->setParsing(false);
        connected = m_receiver->isConnected();
    }
    if (!connected) quit();
}

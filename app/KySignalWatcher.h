#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal delivered on the GUI thread, so that a script can end the
// application through its normal close and shutdown (settings saved). The handler only writes a byte into a
// pipe. After the first signal the default action is restored: a second one ends a hung process at once.
// One instance per process; a no-op where POSIX signals do not exist.
class KySignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit KySignalWatcher(QObject* parent = nullptr);
    // Restores the default actions and closes the pipe.
    ~KySignalWatcher() override;

signals:
    // Emitted once per received signal; signalNumber is SIGTERM or SIGINT.
    void terminationRequested(int signalNumber);

private slots:
    void onSignalReadable();

private:
    QSocketNotifier* m_notifier = nullptr;
};

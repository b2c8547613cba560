#include "app/KySignalWatcher.h"

#include <QSocketNotifier>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

int g_pipe[2] = {-1, -1};

void onPosixSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void setHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

}  // namespace

KySignalWatcher::KySignalWatcher(QObject* parent) : QObject(parent) {
    Q_ASSERT(g_pipe[0] < 0);
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &KySignalWatcher::onSignalReadable);
    setHandler(SIGTERM, onPosixSignal);
    setHandler(SIGINT, onPosixSignal);
}

KySignalWatcher::~KySignalWatcher() {
    if (g_pipe[0] < 0) return;
    setHandler(SIGTERM, SIG_DFL);
    setHandler(SIGINT, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void KySignalWatcher::onSignalReadable() {
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        setHandler(SIGTERM, SIG_DFL);
        setHandler(SIGINT, SIG_DFL);
        emit terminationRequested(byte);
    }
}

#else

KySignalWatcher::KySignalWatcher(QObject* parent) : QObject(parent) {}
KySignalWatcher::~KySignalWatcher() = default;
void KySignalWatcher::onSignalReadable() {}

#endif

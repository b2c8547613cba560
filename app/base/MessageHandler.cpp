#include "app/base/MessageHandler.h"

#include <QByteArray>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QThread>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/base/NativeWindow.h"

namespace {

std::atomic<QPlainTextEdit*> g_logSink{nullptr};
QMetaObject::Connection g_logSinkDestroyed;  // GUI thread only

QString contextLine(const char* kind, const QMessageLogContext& context, const QString& message) {
    const QByteArray local = message.toLocal8Bit();
    return QString::asprintf("%s: %s (%s:%u, %s)", kind, local.constData(), context.file ? context.file : "",
                             static_cast<unsigned>(context.line), context.function ? context.function : "");
}

void appendToSink(const QString& line) {
    QPlainTextEdit* view = g_logSink.load();
    if (!view || line.isNull()) return;
    if (QThread::currentThread() == view->thread()) {
        view->appendPlainText(line);
    } else {
        // A queued call is dropped by Qt when the view is destroyed before it runs.
        QMetaObject::invokeMethod(view, [view, line] { view->appendPlainText(line); }, Qt::QueuedConnection);
    }
}

}  // namespace

QString logLine(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    switch (type) {
        case QtDebugMsg:
            return message;
        case QtWarningMsg:
            return contextLine("Warning", context, message);
        case QtCriticalMsg:
            return contextLine("Critical", context, message);
        case QtFatalMsg:
            return contextLine("Fatal", context, message);
        case QtInfoMsg:
            break;
    }
    return QString();
}

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    NativeWindow::writeDebuggerOutput(message);
    const QByteArray text = (message + QLatin1Char('\n')).toUtf8();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    std::fflush(stderr);
    appendToSink(logLine(type, context, message));
    if (type == QtFatalMsg) std::abort();
}

void setLogSink(QPlainTextEdit* view) {
    QObject::disconnect(g_logSinkDestroyed);
    g_logSink.store(view);
    if (view) {
        g_logSinkDestroyed = QObject::connect(view, &QObject::destroyed, [view] {
            QPlainTextEdit* expected = view;
            g_logSink.compare_exchange_strong(expected, nullptr);
        });
    }
}

QPlainTextEdit* logSink() { return g_logSink.load(); }

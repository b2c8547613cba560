#pragma once

#include <QString>
#include <QtGlobal>

class QPlainTextEdit;

// Qt message handler of the application: writes every message and a line feed to standard error (the
// stand-in for the debugger output), then appends logLine() to the log sink when one is set. A fatal message
// aborts the process afterwards. Callable from any thread; takes no lock.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

// The line the log view shows for a message: the text alone for debug messages, "Warning: %s (%s:%u, %s)",
// "Critical: ..." or "Fatal: ..." with file, line and function of the context (empty and 0 where the build
// records none). A null string for info messages, which the log view does not show.
QString logLine(QtMsgType type, const QMessageLogContext& context, const QString& message);

// Registers the log view (null withdraws it). Not owned; withdrawn automatically when the view is destroyed.
// Lines logged on other threads are appended later on the view's thread.
void setLogSink(QPlainTextEdit* view);
// The registered log view, or null.
QPlainTextEdit* logSink();

#pragma once

#include <Qt>

class QObject;

// The orchestrator as a signal source, for subsystems below the application layer that connect to its signals
// by name (for example emitLook()). Null while no orchestrator exists.
QObject* solutionSignals();
void setSolutionSignals(QObject* solution);

// Connects the signal of `sender` to the method of `receiver`, both given by signature ("captured(bool)"), for an
// object whose class lies in a layer above the caller (the orchestrator, the main window). A signature that does
// not resolve on its object is logged as a warning ("... does not resolve") and gives false, so a renamed slot
// shows at once rather than leaving a key or button dead.
bool connectByName(const QObject* sender, const char* signal, const QObject* receiver, const char* method,
                   Qt::ConnectionType type = Qt::AutoConnection);

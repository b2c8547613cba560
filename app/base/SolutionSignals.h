#pragma once

class QObject;

// The orchestrator as a signal source, for subsystems below the application layer that connect to its signals
// by name (for example emitLook()). Null while no orchestrator exists.
QObject* solutionSignals();
void setSolutionSignals(QObject* solution);

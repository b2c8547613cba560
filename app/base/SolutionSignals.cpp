#include "app/base/SolutionSignals.h"

#include <QObject>
#include <QPointer>

namespace {
QPointer<QObject> g_solutionSignals;
}

QObject* solutionSignals() { return g_solutionSignals.data(); }

void setSolutionSignals(QObject* solution) { g_solutionSignals = solution; }

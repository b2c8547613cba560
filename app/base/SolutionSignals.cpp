#include "app/base/SolutionSignals.h"

#include <QMetaMethod>
#include <QObject>
#include <QPointer>
#include <QtDebug>

namespace {
QPointer<QObject> g_solutionSignals;
}

QObject* solutionSignals() { return g_solutionSignals.data(); }

void setSolutionSignals(QObject* solution) { g_solutionSignals = solution; }

bool connectByName(const QObject* sender, const char* signal, const QObject* receiver, const char* method,
                   Qt::ConnectionType type) {
    if (sender == nullptr || receiver == nullptr) return false;
    const QByteArray signalName = QMetaObject::normalizedSignature(signal);
    const QByteArray methodName = QMetaObject::normalizedSignature(method);
    const QMetaObject* from = sender->metaObject();
    const QMetaObject* to = receiver->metaObject();
    const int signalIndex = from->indexOfSignal(signalName.constData());
    const int methodIndex = to->indexOfMethod(methodName.constData());
    if (signalIndex < 0 || methodIndex < 0) {
        qWarning("connection %s::%s to %s::%s does not resolve", from->className(), signalName.constData(),
                 to->className(), methodName.constData());
        return false;
    }
    return static_cast<bool>(
        QObject::connect(sender, from->method(signalIndex), receiver, to->method(methodIndex), type));
}

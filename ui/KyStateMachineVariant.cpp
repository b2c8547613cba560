#include "ui/KyStateMachineVariant.h"

#include <QPropertyAnimation>
#include <QSignalTransition>
#include <QState>

namespace {

QPropertyAnimation* makeAnimation(QObject* machine, const char* property, int duration, QEasingCurve::Type curve,
                                  const QString& name) {
    auto* animation = new QPropertyAnimation(machine, property, machine);
    animation->setDuration(duration);
    animation->setEasingCurve(curve);
    animation->setObjectName(name);
    return animation;
}

}  // namespace

KyStateMachineVariant::KyStateMachineVariant(QObject* parent, int openDuration, int closeDuration)
    : QStateMachine(parent) {
    m_closed = new QState(this);
    m_opening = new QState(this);
    m_open = new QState(this);
    m_closing = new QState(this);
    m_closed->setObjectName(QStringLiteral("closed"));
    m_opening->setObjectName(QStringLiteral("opening"));
    m_open->setObjectName(QStringLiteral("open"));
    m_closing->setObjectName(QStringLiteral("closing"));

    m_opening->assignProperty(this, "offset", 1.0);
    m_opening->assignProperty(this, "opacity", 1.0);
    m_closing->assignProperty(this, "offset", 0.0);
    m_closing->assignProperty(this, "opacity", 0.0);

    QPropertyAnimation* openOffset =
        makeAnimation(this, "offset", openDuration, QEasingCurve::OutCirc, QStringLiteral("openOffset"));
    QPropertyAnimation* openOpacity =
        makeAnimation(this, "opacity", openDuration, QEasingCurve::Linear, QStringLiteral("openOpacity"));
    QSignalTransition* open = m_closed->addTransition(this, &KyStateMachineVariant::signalOpen, m_opening);
    open->addAnimation(openOffset);
    open->addAnimation(openOpacity);
    m_opening->addTransition(openOpacity, &QAbstractAnimation::finished, m_open);
    connect(m_open, &QState::entered, this, &KyStateMachineVariant::onOpenFinished);

    // Separate animation objects per transition: one animation can only run for one transition at a time.
    for (QState* from : {m_opening, m_open}) {
        const QString prefix = from == m_opening ? QStringLiteral("reverse") : QStringLiteral("close");
        QSignalTransition* close = from->addTransition(this, &KyStateMachineVariant::signalClose, m_closing);
        QPropertyAnimation* closeOpacity =
            makeAnimation(this, "opacity", closeDuration, QEasingCurve::Linear, prefix + QStringLiteral("Opacity"));
        close->addAnimation(closeOpacity);
        close->addAnimation(
            makeAnimation(this, "offset", closeDuration, QEasingCurve::InCirc, prefix + QStringLiteral("Offset")));
        m_closing->addTransition(closeOpacity, &QAbstractAnimation::finished, m_closed);
    }
    // A new open request while closing reverses from the current value, so the knob never ends up off while
    // the button is on.
    QSignalTransition* reopen = m_closing->addTransition(this, &KyStateMachineVariant::signalOpen, m_opening);
    reopen->addAnimation(
        makeAnimation(this, "offset", openDuration, QEasingCurve::OutCirc, QStringLiteral("reopenOffset")));
    QPropertyAnimation* reopenOpacity =
        makeAnimation(this, "opacity", openDuration, QEasingCurve::Linear, QStringLiteral("reopenOpacity"));
    reopen->addAnimation(reopenOpacity);
    m_opening->addTransition(reopenOpacity, &QAbstractAnimation::finished, m_open);

    setInitialState(m_closed);
    start();
}

void KyStateMachineVariant::setOpen(bool open) {
    if (isRunning()) {
        if (open) {
            emit signalOpen();
        } else {
            emit signalClose();
        }
        return;
    }
    setInitialState(open ? m_open : m_closed);
    setOffset(open ? 1.0 : 0.0);
    setOpacity(open ? 1.0 : 0.0);
}

void KyStateMachineVariant::setOpacity(double value) {
    m_opacity = value;
    emit variantChanged(value);
}

void KyStateMachineVariant::setOffset(double value) { m_offset = value; }

void KyStateMachineVariant::onOpenFinished() { emit openFinished(); }

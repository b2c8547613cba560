#pragma once

#include <QStateMachine>

class QPropertyAnimation;
class QState;

// Four-state open/close machine (closed, opening, open, closing) whose `offset` and `opacity` properties are
// animated on the machine itself. Every change of `opacity` is reported as variantChanged(value), so a
// widget can follow it; a close during opening reverses from the current value. Started at construction.
class KyStateMachineVariant : public QStateMachine {
    Q_OBJECT
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)
    Q_PROPERTY(double offset READ offset WRITE setOffset)

public:
    // Durations in ms.
    KyStateMachineVariant(QObject* parent, int openDuration, int closeDuration);

    // Opens (true) or closes the machine. Qt runs a state machine only once the event loop does, and a signal
    // sent before is lost; until then this jumps straight to the end state, where the machine will also start.
    void setOpen(bool open);

    double opacity() const { return m_opacity; }
    void setOpacity(double value);
    double offset() const { return m_offset; }
    void setOffset(double value);

signals:
    void signalOpen();
    void signalClose();
    void openFinished();
    void variantChanged(double value);

public slots:
    void onOpenFinished();

private:
    double m_opacity = 0.0;
    double m_offset = 0.0;
    QState* m_closed = nullptr;
    QState* m_opening = nullptr;
    QState* m_open = nullptr;
    QState* m_closing = nullptr;
};

#pragma once

#include "ui/FramelessBlurWidget.h"

class KyMainWidget;
class KySideBarWidget;

// The control window: a frameless, translucent top-level window owned by the main window (its Qt parent), with
// the side bar at the left and the page host at the right. Dragged by its top dpiScaled 24 pixels; not
// resizable. Its keyboard actions repeat the main window's (camera keys, F5, F10) and add Backspace (back).
class KyControlWidget : public FramelessBlurWidget {
    Q_OBJECT

public:
    // Sized dpiScaled 260 x 320; hidden until start-up shows it. The camera keys reach `parent`'s slots of
    // the same names when it has them; F5 and F10 reach the orchestrator (solutionSignals()) when it exists.
    explicit KyControlWidget(QWidget* parent = nullptr);

    KySideBarWidget* sideBar() const { return m_sideBar; }
    KyMainWidget* mainWidget() const { return m_mainWidget; }

public slots:
    // -1 closes the parent window (the application ends normally); 0 to 3 select that top page.
    void onSysButtonClicked(int index);

protected:
    void moveEvent(QMoveEvent* event) override;

private:
    void createActions();
    void addAction(const QKeySequence& keys, QObject* receiver, const char* slot);

    KySideBarWidget* m_sideBar = nullptr;  // child
    KyMainWidget* m_mainWidget = nullptr;  // child
};

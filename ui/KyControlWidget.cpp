#include "ui/KyControlWidget.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMetaObject>

#include "app/base/DpiScale.h"
#include "app/base/SolutionSignals.h"
#include "ui/KyMainWidget.h"
#include "ui/KySideBarWidget.h"

KyControlWidget::KyControlWidget(QWidget* parent) : FramelessBlurWidget(parent) {
    setObjectName(QStringLiteral("KyControlWidget"));
    resize(350, 428);
    setWindowTitle(QStringLiteral("MnxControl"));
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    m_sideBar = new KySideBarWidget(this);
    m_sideBar->setObjectName(QStringLiteral("sideBar"));
    m_mainWidget = new KyMainWidget(this);
    m_mainWidget->setObjectName(QStringLiteral("mainWidget"));
    layout->addWidget(m_sideBar);
    layout->addWidget(m_mainWidget);

    resize(dpiScaled(260), dpiScaled(320));
    setResizeable(false);
    setTitleBarHeight(dpiScaled(24));

    connect(m_sideBar, &KySideBarWidget::sysButtonClicked, this, &KyControlWidget::onSysButtonClicked);
    createActions();
}

void KyControlWidget::onSysButtonClicked(int index) {
    if (index == -1) {
        // Closing the main window does not hide its child windows; this one goes with it.
        QWidget* main = parentWidget();
        if (main && main->close()) hide();
        return;
    }
    m_mainWidget->setPage(index);
}

void KyControlWidget::addAction(const QKeySequence& keys, QObject* receiver, const char* slot) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    // The main window and the orchestrator lie above this layer, so their slots are named; a name that does not
    // resolve is logged. Without a receiver (no orchestrator yet) the key stays inert.
    if (receiver) connectByName(action, "triggered(bool)", receiver, slot);
    QWidget::addAction(action);
}

void KyControlWidget::createActions() {
    QWidget* main = parentWidget();
    addAction(QKeySequence(Qt::Key_D), main, "onCamRight()");
    addAction(QKeySequence(Qt::Key_A), main, "onCamLeft()");
    addAction(QKeySequence(Qt::Key_W), main, "onCamUp()");
    addAction(QKeySequence(Qt::Key_S), main, "onCamDown()");
    addAction(QKeySequence(Qt::SHIFT + Qt::Key_W), main, "onCamFront()");
    addAction(QKeySequence(Qt::SHIFT + Qt::Key_S), main, "onCamBack()");
    addAction(QKeySequence(Qt::Key_F5), solutionSignals(), "onGlobalMenuR_LongPressed()");
    addAction(QKeySequence(Qt::Key_F10), solutionSignals(), "onGlobalMenuR_Pressed()");
    addAction(QKeySequence(Qt::Key_Backspace), m_mainWidget, "onTitleClicked()");
}

void KyControlWidget::moveEvent(QMoveEvent* event) {
    FramelessBlurWidget::moveEvent(event);
    m_sideBar->update();
}

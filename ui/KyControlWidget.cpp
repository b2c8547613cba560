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

    connect(m_sideBar, SIGNAL(sysButtonClicked(int)), this, SLOT(onSysButtonClicked(int)));
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
    // A receiver without the slot (no main window, no orchestrator in tests) leaves the key inert.
    if (receiver) {
        const QByteArray signature = QMetaObject::normalizedSignature(slot + 1);
        if (receiver->metaObject()->indexOfSlot(signature.constData()) >= 0) {
            connect(action, SIGNAL(triggered(bool)), receiver, slot);
        }
    }
    QWidget::addAction(action);
}

void KyControlWidget::createActions() {
    QWidget* main = parentWidget();
    addAction(QKeySequence(Qt::Key_D), main, SLOT(onCamRight()));
    addAction(QKeySequence(Qt::Key_A), main, SLOT(onCamLeft()));
    addAction(QKeySequence(Qt::Key_W), main, SLOT(onCamUp()));
    addAction(QKeySequence(Qt::Key_S), main, SLOT(onCamDown()));
    addAction(QKeySequence(Qt::SHIFT + Qt::Key_W), main, SLOT(onCamFront()));
    addAction(QKeySequence(Qt::SHIFT + Qt::Key_S), main, SLOT(onCamBack()));
    addAction(QKeySequence(Qt::Key_F5), solutionSignals(), SLOT(onGlobalMenuR_LongPressed()));
    addAction(QKeySequence(Qt::Key_F10), solutionSignals(), SLOT(onGlobalMenuR_Pressed()));
    addAction(QKeySequence(Qt::Key_Backspace), m_mainWidget, SLOT(onTitleClicked()));
}

void KyControlWidget::moveEvent(QMoveEvent* event) {
    FramelessBlurWidget::moveEvent(event);
    m_sideBar->update();
}

#include "ui/KyFaceCaptureWidget.h"

#include <QDebug>
#include <QVBoxLayout>

#include "app/base/DpiScale.h"
#include "app/base/SolutionSignals.h"
#include "ui/FluentToggleButton.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/KyVmcSourceGroup.h"

KyFaceCaptureWidget::KyFaceCaptureWidget(QWidget* parent) : KyTopWidget(parent) {
    setWindowTitle(QStringLiteral("キャプチャー"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(dpiScaled(12));
    auto* group = new KyItemGroupWidget(this);
    m_capture = new FluentToggleButton(QStringLiteral("iPhoneと接続"), group);
    m_lookForward = new FluentLabel(QStringLiteral("正面補正"), group);
    group->addRow(m_capture);
    group->addRow(m_lookForward);
    layout->addWidget(group);
    layout->addWidget(new KyVmcSourceGroup(this));
    layout->addStretch(1);

    connect(m_capture, &QPushButton::toggled, this, &KyFaceCaptureWidget::onCaptureButtonClicked);
    if (QObject* solution = solutionSignals()) {
        // The orchestrator's class lies above this layer: its side is named, and checked.
        connectByName(this, "captureStart()", solution, "threadRun()");
        connectByName(this, "captureStop()", solution, "threadQuit()");
        connectByName(solution, "captured(bool)", this, "setFaceCapture(bool)");
        connectByName(m_lookForward, "clicked(bool)", solution, "onSendLookForward()");
    }
}

void KyFaceCaptureWidget::onCaptureButtonClicked(bool checked) {
    if (checked) {
        emit captureStart();
    } else {
        emit captureStop();
    }
}

void KyFaceCaptureWidget::setFaceCapture(bool state) {
    qDebug() << "setFaceCapture" << state;
    m_capture->setChecked(state);
}

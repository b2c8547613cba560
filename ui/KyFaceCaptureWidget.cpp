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
        connect(this, SIGNAL(captureStart()), solution, SLOT(threadRun()));
        connect(this, SIGNAL(captureStop()), solution, SLOT(threadQuit()));
        connect(solution, SIGNAL(captured(bool)), this, SLOT(setFaceCapture(bool)));
        connect(m_lookForward, SIGNAL(clicked(bool)), solution, SLOT(onSendLookForward()));
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

#include "app/KySolution.h"

#include <QApplication>
#include <QTimer>
#include <QtDebug>
#include <climits>

#include "app/KyThread.h"
#include "app/base/FaceReceiver.h"
#include "app/base/KySettings.h"
#include "app/base/SolutionSignals.h"
#include "face/iFacialMoCap.h"
#include "mmdr/AppContext.h"
#include "mmdr/Model.h"
#include "scene/TzRenderer.h"
#include "vr/BodyMath.h"
#include "vr/Calibration.h"
#include "vr/VRController.h"
#include "vmc/VmcLink.h"
#include "vmc/VmcReceiver.h"

namespace {
KySolution* g_solution = nullptr;
}

KySolution::KySolution(QObject* parent)
    : QObject(parent), m_thread(std::make_unique<KyThread>()), m_vmc(std::make_unique<vmc::VmcReceiver>()) {
    vmc::setVmcReceiver(m_vmc.get());
    connect(m_thread.get(), &QThread::finished, this, &KySolution::onCaptureTimeout);
    m_secondTimer = new QTimer(this);
    connect(m_secondTimer, &QTimer::timeout, this, &KySolution::on1SecondTimeout);
    m_secondTimer->start(1000);
    m_minuteTimer = new QTimer(this);
    connect(m_minuteTimer, &QTimer::timeout, this, &KySolution::on1MinuteTimeout);
    m_minuteTimer->start(60000);
    // The body controller reads face frames through this accessor: it may not link the orchestrator.
    setFaceReceiver(m_thread->receiver(), [this] { return isRunning(); });
}

KySolution::~KySolution() {
    if (vmc::vmcReceiver() == m_vmc.get()) vmc::setVmcReceiver(nullptr);
    m_vmc.reset();
    if (!m_thread) return;
    if (faceReceiver() == m_thread->receiver()) setFaceReceiver(nullptr);
    // A silent phone would otherwise keep the capture thread blocked in its receive for ever.
    m_thread->receiver()->Interrupt();
    m_thread->quit();
    m_thread->waitFinished(ULONG_MAX);
    m_thread.reset();
}

iFacialMoCap* KySolution::receiver() const { return m_thread ? m_thread->receiver() : nullptr; }

bool KySolution::isRunning() const { return (m_thread && m_thread->isRunning()) || (m_vmc && m_vmc->isRunning()); }

bool KySolution::startVmc() {
    const KySettings* settings = kySettings();
    const int port = settings != nullptr ? settings->vmcReceivePort : vmc::VmcReceiver::kDefaultPort;
    m_vmc->setNaturalOrder(settings == nullptr || settings->mirror);
    if (m_vmc->start(port)) {
        qDebug().noquote() << "VMC: receiving on UDP port" << m_vmc->port();
        return true;
    }
    qWarning().noquote() << "VMC: cannot receive on UDP port" << port << "-" << QString::fromStdString(m_vmc->lastError());
    return false;
}

void KySolution::startCapture() {
    emit captured(true);
    const KySettings* settings = kySettings();
    if (settings != nullptr && settings->captureType == KySettings::kCaptureVmc) {
        // No connection to wait for: capture runs until stopped; a silent sender releases the model to idle.
        if (!startVmc()) emit captured(false);
        return;
    }
    if (!m_thread) return;
    // The capture thread reads the settings only through this copy: the store has no lock.
    m_thread->receiver()->syncSettings();
    // Cleared here, before the thread exists, so that a stop right after this start is never lost.
    if (!m_thread->isRunning()) m_thread->receiver()->PrepareStart();
    m_thread->start(QThread::InheritPriority);
}

void KySolution::stopCapture() {
    if (m_vmc) m_vmc->stop();
    if (m_thread) {
        m_thread->receiver()->Stop();
        m_thread->quit();
        m_thread->waitFinished(ULONG_MAX);
    }
    emit captured(false);
}

void KySolution::onAnimateTimerFinished() {}

void KySolution::threadRun() { startCapture(); }

void KySolution::threadQuit() { stopCapture(); }

void KySolution::onSendLookForward() {
    if (m_thread) m_thread->receiver()->LookForward();
    emit emitLook();
}

void KySolution::onGlobalMenuR_LongPressed() {
    if (!isRunning()) {
        startCapture();
    } else {
        stopCapture();
    }
    QApplication::beep();
}

void KySolution::onGlobalMenuR_Pressed() { onSendLookForward(); }

void KySolution::onCalibration() {
    const VRController* controller = vrController();
    KySettings* settings = kySettings();
    if (controller == nullptr || settings == nullptr) return;
    const VRController::Hand& left = controller->hands[0];
    const VRController::Hand& right = controller->hands[1];
    if (left.poseAction == XR_NULL_HANDLE || right.poseAction == XR_NULL_HANDLE) {
        return;
    }
    // Without a model the performer is still placed and turned; only the size falls back to a default.
    mmd::MMDModel* model = nullptr;
    if (TzRenderer* renderer = tzRenderer()) {
        if (AppContext* context = renderer->appContext()) {
            if (context->m_mainModel != nullptr) model = context->m_mainModel->m_mmdModel.get();
        }
    }
    const Calibration calibration = calibrate(bodymath::translationOf(left.pose), bodymath::translationOf(right.pose),
                                              settings->userShoulderHeight, model);
    storeCalibration(calibration, *settings);
}

void KySolution::onResetPhysics() {}

void KySolution::onCaptureTimeout() {
    qDebug() << "KySolution::onCaptureTimeout";
    emit captured(false);
}

void KySolution::onIPAddressChanged(QString address) {
    qDebug().noquote() << "KySolution::onIPAddressChanged" << address;
    if (isRunning()) stopCapture();
    if (KySettings* store = kySettings()) store->camAddress = address;
    if (m_thread) m_thread->receiver()->syncSettings();
}

void KySolution::on1SecondTimeout() {
    // Angle and eye settings edited during capture reach the capture thread within a second.
    if (m_thread) m_thread->receiver()->syncSettings();
    if (const KySettings* settings = kySettings()) m_vmc->setNaturalOrder(settings->mirror);
    emit past1Second();
}

void KySolution::on1MinuteTimeout() { emit past1Minute(); }

void KySolution::onShaderFileChanged(QString) {}

KySolution* kySolution() { return g_solution; }

void setKySolution(KySolution* solution) {
    g_solution = solution;
    setSolutionSignals(solution);
}

#include "vmc/VmcCharacter.h"

#include <QString>
#include <QtDebug>
#include <algorithm>

#include "app/base/FaceReceiver.h"
#include "app/base/KySettings.h"
#include "face/iFacialMoCap.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "vmc/VmcLink.h"
#include "vmc/VmcReceiver.h"
#include "vr/ExtarnalController.h"

namespace vmc {

VmcCharacter::VmcCharacter(std::shared_ptr<mmd::MMDModel> model, ExtarnalController* controller)
    : m_model(std::move(model)), m_controller(controller) {
    if (!m_model) return;
    m_retarget.bind(*m_model);
    mmd::MMDModel::MMDMorphManager& morphs = *m_model->GetMorphManager();
    for (size_t i = 0; i < m_presetMorphs.size(); ++i) {
        const char* name = vrmPresets()[i].morph;
        const int32_t index = name != nullptr ? morphs.FindMorphIndex(name) : -1;
        m_presetMorphs[i] = index >= 0 ? morphs.GetMorph(static_cast<size_t>(index)) : nullptr;
    }
    m_presetWritten.fill(-1.0f);
    std::bitset<kHumanoidBoneCount> sent;
    for (int i = 0; i < kHumanoidBoneCount; ++i) sent[static_cast<size_t>(i)] = m_retarget.node(i) != nullptr;
    m_sender.build(sent);
}

void VmcCharacter::UpdateBeforeModel(std::int64_t nowMs, VmcReceiver* receiver) {
    if (!m_model) return;
    if (const KySettings* settings = kySettings()) m_naturalOrder = settings->mirror;
    VmcReceiver* source = receiver != nullptr ? receiver : vmcReceiver();
    bool live = false;
    if (source != nullptr && source->isRunning()) {
        source->latestIfNewer(m_frame);
        live = m_frame.stamp != 0 && nowMs - m_frame.stamp < kReleaseAfterMs;
    }
    const std::int64_t elapsed = m_lastUpdateMs == 0 ? 0 : std::max<std::int64_t>(0, nowMs - m_lastUpdateMs);
    m_lastUpdateMs = nowMs;
    const float step = static_cast<float>(elapsed) / static_cast<float>(kBlendMs);
    // The first frame of a stream takes the model at once; only the hand-back to the idle motion eases.
    m_weight = live ? (m_weight == 0.0f ? 1.0f : std::min(1.0f, m_weight + step)) : std::max(0.0f, m_weight - step);
    // One more pass at weight 0 hands the morphs back too: the idle motion rewrites every bone each frame, but
    // only the morphs it has keys for.
    if (m_weight <= 0.0f && !m_applied) return;
    m_applied = m_weight > 0.0f;
    const float eased = m_weight * m_weight * (3.0f - 2.0f * m_weight);
    reportSkipped();
    m_retarget.apply(m_frame, eased);
    applyMorphs(eased);
}

void VmcCharacter::reportSkipped() {
    for (int index : m_retarget.missing()) {
        const size_t i = static_cast<size_t>(index);
        if (!m_frame.received[i] || m_reported[i]) continue;
        m_reported.set(i);
        const HumanoidBone& bone = humanoidBones()[i];
        const QString line = QStringLiteral("VMC: %1 (%2) がモデルにありません。")
                                 .arg(QString::fromUtf8(bone.model), QString::fromLatin1(bone.name));
        qDebug().noquote() << line;
        if (KySettings* settings = kySettings()) settings->messageText += line + QStringLiteral("| ");
    }
}

void VmcCharacter::applyMorphs(float weight) {
    for (size_t i = 0; i < m_presetMorphs.size(); ++i) {
        mmd::MMDMorph* morph = m_presetMorphs[i];
        if (morph == nullptr) continue;
        // Unchanged since our last write: the idle motion has no key for it, so its own value is 0.
        const float base = morph->GetWeight() == m_presetWritten[i] ? 0.0f : morph->GetWeight();
        m_presetWritten[i] = base + (m_frame.presets[i] - base) * weight;
        morph->SetWeight(m_presetWritten[i]);
    }
    if (m_controller != nullptr && m_frame.hasArkit) {
        for (size_t i = 0; i < m_arkitScaled.size(); ++i) m_arkitScaled[i] = m_frame.arkit[i] * weight;
        m_controller->ApplyFaceValues(m_arkitScaled);
    }
}

void VmcCharacter::fillSendFrame() {
    m_retarget.capture(m_send);
    iFacialMoCap* phone = faceReceiver();
    if (phone != nullptr && phone->isConnected()) {
        m_send.arkit = phone->LatestFrame().values;
    } else if (m_frame.hasArkit && m_weight > 0.0f) {
        m_send.arkit = m_frame.arkit;
    } else {
        m_send.arkit.fill(0.0f);
    }
    for (size_t i = 0; i < m_presetMorphs.size(); ++i) {
        m_send.presets[i] = m_presetMorphs[i] != nullptr ? m_presetMorphs[i]->GetWeight() : 0.0f;
    }
}

void VmcCharacter::SendAfterModel(float timeSeconds) {
    const KySettings* settings = kySettings();
    if (!m_model || settings == nullptr || !settings->vmcSend) return;
    // Compared as QString: converting every frame would allocate.
    if (settings->vmcSendHost != m_hostText || settings->vmcSendPort != m_port) {
        m_hostText = settings->vmcSendHost;
        m_port = settings->vmcSendPort;
        if (!m_sender.setDestination(m_hostText.toStdString(), m_port)) {
            qWarning().noquote() << "VMC: cannot send to" << settings->vmcSendHost << settings->vmcSendPort;
        }
    }
    if (!m_sender.hasDestination()) return;
    fillSendFrame();
    m_sender.send(m_send, m_naturalOrder, timeSeconds);
}

bool VmcCharacter::sendTo(const std::string& host, int port, float timeSeconds) {
    if (!m_model || !m_sender.setDestination(host, port)) return false;
    fillSendFrame();
    return m_sender.send(m_send, m_naturalOrder, timeSeconds);
}

}  // namespace vmc

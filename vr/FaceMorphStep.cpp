#include "vr/FaceMorphStep.h"

#include <QtDebug>
#include <algorithm>
#include <utility>

#include "app/base/KySettings.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"

namespace {

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

}  // namespace

void FaceMorphStep::bind(mmd::MMDModel& model, const std::function<int(const QString&)>& slotOf) {
    mmd::MMDModel::MMDMorphManager* morphs = model.GetMorphManager();
    for (size_t i = 0; i < morphs->GetMorphCount(); ++i) {
        mmd::MMDMorph* morph = morphs->GetMorph(i);
        const QString name = QString::fromStdString(morph->GetName());
        qDebug().noquote() << "morph name" << name;
        if (name == QStringLiteral("まばたき")) m_blinkMorphs.push_back(morph);
        const int slot = slotOf(name);
        if (slot < 0) continue;
        auto binding = std::make_unique<FaceMorphBinding>();
        binding->morph = morph;
        binding->name = name;
        binding->slot = slot;
        add(std::move(binding));
    }
    for (const auto& binding : m_bindings) qDebug().noquote() << "ExMorph" << binding->name;
}

bool FaceMorphStep::add(std::unique_ptr<FaceMorphBinding> binding) {
    if (!binding || m_bindingByMorph.contains(binding->morph)) return false;
    binding->kind = FaceMorphBinding::kindOf(binding->name);
    m_bindingByMorph.insert(binding->morph, binding.get());
    const bool first = binding->kind == FaceMorphBinding::kNoseSneerL || binding->kind == FaceMorphBinding::kNoseSneerR;
    if (first) {
        m_bindings.insert(m_bindings.begin(), std::move(binding));
    } else {
        m_bindings.push_back(std::move(binding));
    }
    return true;
}

void FaceMorphStep::applyCurves(const KySettings& settings) {
    m_morphCurve = FaceMorphBinding::curveOf(settings.morphSensitivity);
    const std::pair<const char*, int> curves[] = {
        {"eyeBlink", settings.eyeBlinkSensitivity},         {"eyeSquint", settings.eyeSquintSensitivity},
        {"eyeWide", settings.eyeWideSensitivity},           {"cheekSquint", settings.cheekSquintSensitivity},
        {"mouthStretch", settings.mouthStretchSensitivity}, {"mouthFrown", settings.mouthStretchSensitivity},
        {"noseSneer", settings.noseSneerSensitivity},       {"browDown", settings.browDownSensitivity},
    };
    for (const auto& binding : m_bindings) {
        for (const auto& curve : curves) {
            if (binding->name.contains(QLatin1String(curve.first))) {
                binding->curve = FaceMorphBinding::curveOf(curve.second);
                break;
            }
        }
    }
}

void FaceMorphStep::closeEyes(mmd::MMDModel& model) {
    mmd::MMDModel::MMDMorphManager* morphs = model.GetMorphManager();
    for (size_t i = 0; i < morphs->GetMorphCount(); ++i) morphs->GetMorph(i)->SetWeight(0.0f);
    for (mmd::MMDMorph* blink : m_blinkMorphs) blink->SetWeight(1.0f);
}

void FaceMorphStep::apply(const std::array<float, FaceFrame::kValueCount>& values, bool eyeAdjust, bool browAdjust) {
    for (mmd::MMDMorph* blink : m_blinkMorphs) blink->SetWeight(0.0f);
    float noseL = 0.0f, noseR = 0.0f, browL = 0.0f, browR = 0.0f, blinkL = 0.0f, blinkR = 0.0f;
    mmd::MMDMorph* blinkMorphL = nullptr;
    mmd::MMDMorph* blinkMorphR = nullptr;
    mmd::MMDMorph* squintMorphL = nullptr;
    mmd::MMDMorph* squintMorphR = nullptr;
    const bool globalLinear = m_morphCurve.type() == QEasingCurve::Linear;

    for (const auto& binding : m_bindings) {
        if (binding->slot < 0) continue;
        float v = binding->slot < FaceFrame::kValueCount ? values[static_cast<size_t>(binding->slot)] : 0.0f;
        if (binding->curve.type() != QEasingCurve::Linear)
            v = clamp01(static_cast<float>(binding->curve.valueForProgress(v)));
        switch (binding->kind) {
            case FaceMorphBinding::kNoseSneerL:
                noseL = v;
                break;
            case FaceMorphBinding::kNoseSneerR:
                noseR = v;
                break;
            case FaceMorphBinding::kBrowDownL:
                browL = 1.5f * v;
                break;
            case FaceMorphBinding::kBrowDownR:
                browR = 1.5f * v;
                break;
            case FaceMorphBinding::kTongueOut:
                if (v > 0.3f) v = 1.0f;
                break;
            case FaceMorphBinding::kEyeBlinkL:
                blinkL += v;
                blinkMorphL = binding->morph;
                break;
            case FaceMorphBinding::kEyeBlinkR:
                blinkR += v;
                blinkMorphR = binding->morph;
                break;
            case FaceMorphBinding::kEyeSquintL:
                blinkL += 1.5f * v;
                squintMorphL = binding->morph;
                break;
            case FaceMorphBinding::kEyeSquintR:
                blinkR += 1.5f * v;
                squintMorphR = binding->morph;
                break;
            default:
                break;
        }
        const float w = clamp01(v);
        binding->morph->SetWeight(globalLinear ? w : static_cast<float>(m_morphCurve.valueForProgress(w)));
    }

    if (browAdjust) {
        for (const auto& binding : m_bindings) {
            if (binding->kind != FaceMorphBinding::kBrowDownL && binding->kind != FaceMorphBinding::kBrowDownR)
                continue;
            const float w = clamp01(binding->kind == FaceMorphBinding::kBrowDownL ? browL - noseL : browR - noseR);
            binding->morph->SetWeight(globalLinear ? w : static_cast<float>(m_morphCurve.valueForProgress(w)));
        }
    }

    if (eyeAdjust) {
        const auto adjust = [](mmd::MMDMorph* blink, mmd::MMDMorph* squint, float sum) {
            if (blink == nullptr || squint == nullptr) return;
            const float s = 1.5f * squint->GetWeight();
            const float c = clamp01(sum);
            blink->SetWeight((1.0f - s) * c);
            squint->SetWeight(s * c);
        };
        adjust(blinkMorphL, squintMorphL, blinkL);
        adjust(blinkMorphR, squintMorphR, blinkR);
    }
}

#pragma once

#include <QEasingCurve>
#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "face/FaceFrame.h"
#include "vr/FaceMorphBinding.h"

class KySettings;

namespace mmd {
class MMDModel;
class MMDMorph;
}  // namespace mmd

// The face morphs a body controller drives: which model morph follows which capture slot, through which
// sensitivity curve, and the per-frame weights with the eye and brow adjustments. Morphs are observed (owned by
// the model). GUI thread only.
class FaceMorphStep {
public:
    // Binds every morph of `model` whose name `slotOf` maps to a capture slot (>= 0); remembers the "まばたき"
    // morphs, which close both eyes while the capture is held frozen.
    void bind(mmd::MMDModel& model, const std::function<int(const QString&)>& slotOf);
    // Re-assigns the global and per-morph sensitivity curves from the settings.
    void applyCurves(const KySettings& settings);
    // The bound morphs' weights from blend-shape values by capture slot, clamped to 0..1 after the curves;
    // `eyeAdjust` shares blink and squint, `browAdjust` subtracts the nose sneer from the brow. Allocation-free.
    void apply(const std::array<float, FaceFrame::kValueCount>& values, bool eyeAdjust, bool browAdjust);
    // A neutral face with closed eyes: every morph of `model` at 0, the blink morphs at 1.
    void closeEyes(mmd::MMDModel& model);

private:
    // Adds a binding (nose sneers first, the others last); false when its morph is bound already.
    bool add(std::unique_ptr<FaceMorphBinding> binding);

    std::vector<std::unique_ptr<FaceMorphBinding>> m_bindings;
    QHash<const mmd::MMDMorph*, FaceMorphBinding*> m_bindingByMorph;
    std::vector<mmd::MMDMorph*> m_blinkMorphs;
    QEasingCurve m_morphCurve;
};

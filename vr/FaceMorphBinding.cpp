#include "vr/FaceMorphBinding.h"

#include <array>
#include <utility>

int FaceMorphBinding::kindOf(const QString& name) {
    static const std::array<std::pair<const char*, int>, 14> kKinds{{
        {"noseSneer_L", kNoseSneerL},
        {"noseSneer_R", kNoseSneerR},
        {"browDown_L", kBrowDownL},
        {"browDown_R", kBrowDownR},
        {"eyeSquint_L", kEyeSquintL},
        {"eyeSquint_R", kEyeSquintR},
        {"eyeBlink_L", kEyeBlinkL},
        {"eyeBlink_R", kEyeBlinkR},
        {"cheekSquint_L", kCheekSquintL},
        {"cheekSquint_R", kCheekSquintR},
        {"browInnerUp", kBrowInnerUp},
        {"mouthSmile_L", kMouthSmileL},
        {"mouthSmile_R", kMouthSmileR},
        {"tongueOut", kTongueOut},
    }};
    for (const auto& entry : kKinds) {
        if (name == QLatin1String(entry.first)) return entry.second;
    }
    return kPlain;
}

QEasingCurve FaceMorphBinding::curveOf(int sensitivity) {
    switch (sensitivity) {
        case -3:
            return QEasingCurve(QEasingCurve::InBack);
        case -2:
            return QEasingCurve(QEasingCurve::InCubic);
        case -1:
            return QEasingCurve(QEasingCurve::InQuad);
        case 1:
            return QEasingCurve(QEasingCurve::OutQuad);
        case 2:
            return QEasingCurve(QEasingCurve::OutCubic);
        case 3:
            return QEasingCurve(QEasingCurve::OutBack);
        default:
            return QEasingCurve(QEasingCurve::Linear);
    }
}

#include "PhoneFrame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::array<const char*, PhoneFrame::kBlendShapeCount> kNames = {
    "browInnerUp",     "browDown_L",      "browDown_R",       "browOuterUp_L",    "browOuterUp_R",
    "eyeLookUp_L",     "eyeLookUp_R",     "eyeLookDown_L",    "eyeLookDown_R",    "eyeLookIn_L",
    "eyeLookIn_R",     "eyeLookOut_L",    "eyeLookOut_R",     "eyeBlink_L",       "eyeBlink_R",
    "eyeSquint_L",     "eyeSquint_R",     "eyeWide_L",        "eyeWide_R",        "cheekPuff",
    "cheekSquint_L",   "cheekSquint_R",   "noseSneer_L",      "noseSneer_R",      "jawOpen",
    "jawForward",      "jawLeft",         "jawRight",         "mouthFunnel",      "mouthPucker",
    "mouthLeft",       "mouthRight",      "mouthRollUpper",   "mouthRollLower",   "mouthShrugUpper",
    "mouthShrugLower", "mouthClose",      "mouthSmile_L",     "mouthSmile_R",     "mouthFrown_L",
    "mouthFrown_R",    "mouthDimple_L",   "mouthDimple_R",    "mouthUpperUp_L",   "mouthUpperUp_R",
    "mouthLowerDown_L", "mouthLowerDown_R", "mouthPress_L",   "mouthPress_R",     "mouthStretch_L",
    "mouthStretch_R",  "tongueOut"};

void appendNumbers(QByteArray& out, const std::array<float, 3>& a) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i > 0) out += ',';
        out += QByteArray::number(static_cast<double>(a[i]), 'f', 4);
    }
}

}  // namespace

QLatin1String PhoneFrame::blendShapeName(int index) {
    if (index < 0 || index >= kBlendShapeCount) return QLatin1String();
    return QLatin1String(kNames[index]);
}

int PhoneFrame::blendShapeIndex(QLatin1String name) {
    for (int i = 0; i < kBlendShapeCount; ++i) {
        if (name == QLatin1String(kNames[i])) return i;
    }
    return -1;
}

QByteArray PhoneFrame::toPacket() const {
    QByteArray out;
    out.reserve(1024);
    for (int i = 0; i < kBlendShapeCount; ++i) {
        out += kNames[i];
        out += '-';
        out += QByteArray::number(static_cast<int>(std::lround(std::clamp(blendShapes[i], 0.0f, 100.0f))));
        out += '|';
    }
    out += "=head#";
    appendNumbers(out, headRotation);
    out += ',';
    appendNumbers(out, headPosition);
    out += "|rightEye#";
    appendNumbers(out, rightEye);
    out += "|leftEye#";
    appendNumbers(out, leftEye);
    out += "|___iFacialMocap";
    return out;
}

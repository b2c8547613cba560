#pragma once

#include <QEasingCurve>
#include <QString>

namespace mmd {
class MMDMorph;
}

// One model morph driven by one face-capture blend shape. The morph is observed (owned by the model).
struct FaceMorphBinding {
    // How the per-frame step combines the value with others; fixed by the morph's exact name.
    enum Kind {
        kPlain = 0,
        kNoseSneerL = 1,
        kNoseSneerR = 2,
        kBrowDownL = 3,
        kBrowDownR = 4,
        kEyeSquintL = 5,
        kEyeSquintR = 6,
        kEyeBlinkL = 7,
        kEyeBlinkR = 8,
        kCheekSquintL = 9,
        kCheekSquintR = 10,
        kBrowInnerUp = 11,
        kMouthSmileL = 12,
        kMouthSmileR = 13,
        kTongueOut = 14,
    };

    mmd::MMDMorph* morph = nullptr;
    QString name;   // the morph's name
    int slot = -1;  // capture slot of the receiver's name table
    int kind = kPlain;
    QEasingCurve curve{QEasingCurve::Linear};  // sensitivity curve of the value

    // The kind of a morph name; kPlain for every name outside the table.
    static int kindOf(const QString& name);
    // The sensitivity curve of a setting value: -3 InBack, -2 InCubic, -1 InQuad, 0 Linear, 1 OutQuad,
    // 2 OutCubic, 3 OutBack; any other value Linear.
    static QEasingCurve curveOf(int sensitivity);
};

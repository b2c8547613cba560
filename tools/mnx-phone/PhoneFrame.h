#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <array>

// One frame of what the phone measures, in the units of its stream: blend shapes 0..100, head rotation in
// degrees (x pitch, y yaw, z roll) and position in metres, eye rotations in degrees (x pitch, y yaw, z roll).
struct PhoneFrame {
    static constexpr int kBlendShapeCount = 52;

    std::array<float, kBlendShapeCount> blendShapes{};
    std::array<float, 3> headRotation{};
    std::array<float, 3> headPosition{};
    std::array<float, 3> rightEye{};
    std::array<float, 3> leftEye{};

    // ARKit name of blend shape `index` (0..51), in the order the stream lists them.
    static QLatin1String blendShapeName(int index);
    // Index of an ARKit blend-shape name, or -1.
    static int blendShapeIndex(QLatin1String name);

    // The packet text the phone sends over TCP: "name-value" items (integers 0..100), then "=head#...",
    // "rightEye#..." and "leftEye#..." items, all "|"-terminated, then the "___iFacialMocap" trailer.
    QByteArray toPacket() const;
};

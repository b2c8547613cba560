#include "face/FaceNameTable.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::array<const char*, FaceNameTable::kSize> kNatural = {
    "shapeNull",       "browInnerUp",      "browDown_L",       "browDown_R",       "browOuterUp_L",
    "browOuterUp_R",   "eyeLookUp_L",      "eyeLookUp_R",      "eyeLookDown_L",    "eyeLookDown_R",
    "eyeLookIn_L",     "eyeLookIn_R",      "eyeLookOut_L",     "eyeLookOut_R",     "eyeBlink_L",
    "eyeBlink_R",      "eyeSquint_L",      "eyeSquint_R",      "eyeWide_L",        "eyeWide_R",
    "cheekPuff",       "cheekSquint_L",    "cheekSquint_R",    "noseSneer_L",      "noseSneer_R",
    "jawOpen",         "jawForward",       "jawLeft",          "jawRight",         "mouthFunnel",
    "mouthPucker",     "mouthLeft",        "mouthRight",       "mouthRollUpper",   "mouthRollLower",
    "mouthShrugUpper", "mouthShrugLower",  "mouthClose",       "mouthSmile_L",     "mouthSmile_R",
    "mouthFrown_L",    "mouthFrown_R",     "mouthDimple_L",    "mouthDimple_R",    "mouthUpperUp_L",
    "mouthUpperUp_R",  "mouthLowerDown_L", "mouthLowerDown_R", "mouthPress_L",     "mouthPress_R",
    "mouthStretch_L",  "mouthStretch_R",   "tongueOut",        "=head#",           "leftEye#",
    "rightEye#"};

// The side partner of a name in the natural list ("_L" <-> "_R", "Left" <-> "Right"), or the name itself.
int partnerOf(int slot) {
    const char* name = kNatural[slot];
    const std::size_t length = std::strlen(name);
    for (int other = 0; other < FaceNameTable::kSize; ++other) {
        const char* candidate = kNatural[other];
        if (other == slot) continue;
        const std::size_t candidateLength = std::strlen(candidate);
        auto endsWith = [](const char* s, std::size_t n, const char* suffix) {
            const std::size_t m = std::strlen(suffix);
            return n >= m && std::strcmp(s + n - m, suffix) == 0;
        };
        auto sameStem = [&](const char* a, const char* b) {
            const std::size_t stemA = length - std::strlen(a);
            const std::size_t stemB = candidateLength - std::strlen(b);
            return stemA == stemB && std::strncmp(name, candidate, stemA) == 0;
        };
        for (const auto& [a, b] : {std::pair{"_L", "_R"}, {"_R", "_L"}, {"Left", "Right"}, {"Right", "Left"}}) {
            if (endsWith(name, length, a) && endsWith(candidate, candidateLength, b) && sameStem(a, b)) return other;
        }
    }
    return slot;
}

struct Order {
    std::array<const char*, FaceNameTable::kSize> names{};
    std::array<int, FaceNameTable::kSize> sorted{};  // slots ordered by name, for binary search

    explicit Order(bool natural) {
        for (int i = 0; i < FaceNameTable::kSize; ++i) names[i] = kNatural[natural ? i : partnerOf(i)];
        for (int i = 0; i < FaceNameTable::kSize; ++i) sorted[i] = i;
        std::sort(sorted.begin(), sorted.end(), [&](int a, int b) { return std::strcmp(names[a], names[b]) < 0; });
    }
};

const Order& order(bool natural) {
    static const Order naturalOrder(true);
    static const Order exchangedOrder(false);
    return natural ? naturalOrder : exchangedOrder;
}

}  // namespace

int FaceNameTable::indexOf(QStringRef name, bool natural) {
    const Order& o = order(natural);
    int low = 0;
    int high = kSize;
    while (low < high) {
        const int mid = (low + high) / 2;
        const int slot = o.sorted[mid];
        const int c = name.compare(QLatin1String(o.names[slot]), Qt::CaseSensitive);
        if (c == 0) return slot;
        if (c > 0) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return -1;
}

QLatin1String FaceNameTable::nameAt(int slot, bool natural) {
    if (slot < 0 || slot >= kSize) return QLatin1String();
    return QLatin1String(order(natural).names[slot]);
}

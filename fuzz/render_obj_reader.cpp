// libFuzzer target: the OBJ subset reader of the system meshes on arbitrary bytes, with the promises its callers
// build on: whole vertices only, finite numbers only, and a load scale that only scales.
#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <vector>

#include "render/ObjReader.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const std::vector<float> unit = ObjReader::parse(text, 1.0f);
    Check(unit.size() % ObjReader::kFloatsPerVertex == 0);
    Check((unit.size() / ObjReader::kFloatsPerVertex) % 3 == 0);
    for (const float value : unit) {
        Check(std::isfinite(value));
    }
    // Halving cannot overflow, so the same records survive and every position is the unit one halved.
    const std::vector<float> half = ObjReader::parse(text, 0.5f);
    Check(half.size() == unit.size());
    for (size_t i = 0; i < half.size(); ++i) {
        const bool isPosition = i % ObjReader::kFloatsPerVertex < 3;
        Check(half[i] == (isPosition ? unit[i] * 0.5f : unit[i]));
    }
    return 0;
}

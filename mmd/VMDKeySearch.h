#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mmd {

// The whole motion frame a playback time falls in (truncated towards zero); NaN gives 0 and values beyond int32
// are clamped, so no time can make the conversion undefined.
inline int32_t KeyFrameOf(float frame) {
    if (std::isnan(frame)) return 0;
    constexpr float kLimit = 2147483520.0f;  // largest float below 2^31
    return int32_t(std::clamp(frame, -kLimit, kLimit));
}

// Index of the first key whose frame is above `frame` (keys sorted by ascending `frame` member); keys.size() when
// none is. Playback moves forward a little each call, so the bound is first looked for at and next to `cache`
// before a binary search. The cache becomes the bound unless the bound is past the last key.
template <typename Key>
size_t FindBoundKey(const std::vector<Key>& keys, int32_t frame, size_t& cache) {
    const size_t n = keys.size();
    size_t bound = n;
    const size_t c = cache < n ? cache : 0;
    if (n == 0) {
        return 0;
    }
    if (keys[c].frame <= frame && (c + 1 == n || keys[c + 1].frame > frame)) {
        bound = c + 1;
    } else if (keys[c].frame > frame && (c == 0 || keys[c - 1].frame <= frame)) {
        bound = c;
    } else {
        bound = size_t(
            std::upper_bound(keys.begin(), keys.end(), frame, [](int32_t f, const Key& key) { return f < key.frame; }) -
            keys.begin());
    }
    if (bound < n) cache = bound;
    return bound;
}

}  // namespace mmd

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "QtAssets.h"

namespace mnxc {
namespace {

// Distance from p to the segment a-b.
float SegmentDistance(const glm::vec2& p, const glm::vec2& a, const glm::vec2& b) {
    const glm::vec2 ab = b - a;
    const float t = std::clamp(glm::dot(p - a, ab) / glm::dot(ab, ab), 0.0f, 1.0f);
    return glm::length(p - (a + t * ab));
}

// Premultiplied "over".
void Over(glm::vec4& dst, const glm::vec4& colour, bool covered) {
    if (!covered) return;
    const glm::vec4 src(glm::vec3(colour) * colour.a, colour.a);
    dst = src + dst * (1.0f - src.a);
}

// One sample of the icon in unit coordinates (x right, y down), premultiplied. `minStroke` keeps the strings and
// features at least about a pixel wide in the small sizes.
glm::vec4 IconSample(const glm::vec2& p, float minStroke) {
    glm::vec4 c(0.0f);
    // Backdrop disc: teal at the top to indigo at the bottom, with a darker rim.
    const float r = glm::length(p - glm::vec2(0.5f));
    const glm::vec4 top = Rgb(52, 196, 204);
    const glm::vec4 bottom = Rgb(84, 72, 196);
    Over(c, glm::mix(top, bottom, std::clamp((p.y - 0.05f) / 0.9f, 0.0f, 1.0f)), r < 0.48f);
    Over(c, Rgb(40, 36, 120, 150), r < 0.48f && r > 0.48f - std::max(0.025f, minStroke));

    const glm::vec4 cream = Rgb(252, 240, 216);
    const float stroke = std::max(0.014f, minStroke * 0.5f);
    // The puppeteer's cross bar and the strings down to the head.
    Over(c, cream, SegmentDistance(p, {0.30f, 0.19f}, {0.70f, 0.19f}) < std::max(0.028f, minStroke));
    Over(c, cream, SegmentDistance(p, {0.50f, 0.13f}, {0.50f, 0.25f}) < std::max(0.024f, minStroke));
    // Strings thinner than a pixel only blur the smallest size, so it keeps just the bar.
    if (minStroke < 0.05f) {
        Over(c, cream, SegmentDistance(p, {0.32f, 0.19f}, {0.34f, 0.56f}) < stroke);
        Over(c, cream, SegmentDistance(p, {0.68f, 0.19f}, {0.66f, 0.56f}) < stroke);
        Over(c, cream, SegmentDistance(p, {0.50f, 0.19f}, {0.50f, 0.40f}) < stroke);
    }

    // Head, hair with a scalloped fringe, eyes and a small smile.
    const glm::vec2 head(0.5f, 0.60f);
    const float headR = 0.2f;
    Over(c, Rgb(255, 236, 222), glm::length(p - head) < headR);
    const float fringe = 0.575f + 0.03f * std::cos((p.x - 0.5f) * 40.0f);
    const bool hairCap = glm::length(p - (head - glm::vec2(0.0f, 0.012f))) < headR + 0.018f && p.y < fringe;
    const bool sideLock = glm::length(p - head) < headR + 0.012f && std::fabs(p.x - 0.5f) > 0.15f && p.y < 0.7f;
    Over(c, Rgb(128, 88, 192), hairCap || sideLock);
    const glm::vec4 ink = Rgb(52, 30, 84);
    const float eyeRx = std::max(0.024f, minStroke * 0.6f);
    const float eyeRy = std::max(0.04f, minStroke);
    for (float ex : {0.43f, 0.57f}) {
        const glm::vec2 e((p.x - ex) / eyeRx, (p.y - 0.635f) / eyeRy);
        Over(c, ink, glm::dot(e, e) < 1.0f);
    }
    const float smile = std::fabs(glm::length(p - glm::vec2(0.5f, 0.655f)) - 0.06f);
    Over(c, Rgb(200, 90, 110), p.y > 0.69f && smile < std::max(0.01f, minStroke * 0.4f));
    return c;
}

void PutLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xffu));
    }
}

}  // namespace

Image AppIcon(int size) {
    constexpr int kSamples = 4;
    Image img(size, size);
    const float minStroke = 1.2f / static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            glm::vec4 sum(0.0f);
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const glm::vec2 p((x + (sx + 0.5f) / kSamples) / size, (y + (sy + 0.5f) / kSamples) / size);
                    sum += IconSample(p, minStroke);
                }
            }
            sum /= static_cast<float>(kSamples * kSamples);
            const glm::vec3 straight = sum.a > 0.0f ? glm::vec3(sum) / sum.a : glm::vec3(0.0f);
            img.Set(x, y, glm::vec4(straight, sum.a));
        }
    }
    return img;
}

std::string EncodeIco(const std::vector<Image>& images) {
    std::vector<std::string> pngs;
    for (const Image& image : images) pngs.push_back(image.EncodePng());
    std::string out;
    PutLe(out, 0, 2);  // reserved
    PutLe(out, 1, 2);  // type: icon
    PutLe(out, static_cast<uint32_t>(images.size()), 2);
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        // A stored 0 means 256.
        PutLe(out, static_cast<uint32_t>(images[i].width) & 0xffu, 1);
        PutLe(out, static_cast<uint32_t>(images[i].height) & 0xffu, 1);
        PutLe(out, 0, 1);   // no palette
        PutLe(out, 0, 1);   // reserved
        PutLe(out, 1, 2);   // colour planes
        PutLe(out, 32, 2);  // bits per pixel
        PutLe(out, static_cast<uint32_t>(pngs[i].size()), 4);
        PutLe(out, offset, 4);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const std::string& png : pngs) out += png;
    return out;
}

}  // namespace mnxc

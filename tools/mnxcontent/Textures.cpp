#include "Textures.h"

#include <algorithm>
#include <cmath>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "Path.h"

namespace mnxc {
namespace {

// Deterministic value noise in [0, 1] from integer coordinates.
float Hash(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xffffu) / 65535.0f;
}

float Noise1(float x, int seed) {
    const int i = static_cast<int>(std::floor(x));
    const float f = x - i;
    const float k = f * f * (3.0f - 2.0f * f);
    return Hash(i, seed) * (1.0f - k) + Hash(i + 1, seed) * k;
}

glm::vec4 Mix(const glm::vec4& a, const glm::vec4& b, float t) { return glm::mix(a, b, std::clamp(t, 0.0f, 1.0f)); }

Image Skin() {
    Image img(64, 64);
    img.Fill([](float, float v) { return Mix(Rgb(255, 240, 232), Rgb(252, 228, 218), v); });
    return img;
}

Image Hair() {
    Image img(128, 256);
    const glm::vec4 base = Rgb(150, 112, 205);
    const glm::vec4 dark = Rgb(98, 68, 150);
    const glm::vec4 light = Rgb(196, 168, 236);
    img.Fill([&](float u, float v) {
        // Streaks run along the strands (v); they vary across (u).
        const float streak = Noise1(u * 24.0f, 3) * 0.6f + Noise1(u * 61.0f, 7) * 0.4f;
        glm::vec4 c = Mix(dark, base, 0.55f + 0.6f * streak);
        c = Mix(c, light, 0.35f * Smooth(0.6f, 1.0f, v) * streak);
        c = Mix(c, dark, 0.25f * (1.0f - Smooth(0.0f, 0.25f, v)));
        return c;
    });
    return img;
}

Image HairSphere() {
    // Added on top of the hair: a bright ring across the upper half (the "angel ring"), black elsewhere.
    Image img(128, 128);
    img.Fill([](float u, float v) {
        const glm::vec2 d(u - 0.5f, v - 0.5f);
        const float r = glm::length(d) * 2.0f;
        const float ring = std::exp(-std::pow((r - 0.72f) / 0.08f, 2.0f)) * Smooth(0.1f, -0.25f, d.y);
        const float g = 0.5f * ring;
        return glm::vec4(g, g * 0.95f, g, 1.0f);
    });
    return img;
}

Image Iris() {
    Image img(128, 128);
    const glm::vec4 top = Rgb(58, 38, 110);
    const glm::vec4 bottom = Rgb(150, 118, 220);
    img.Fill([&](float u, float v) {
        const glm::vec2 d(u - 0.5f, v - 0.5f);
        const float r = glm::length(d) * 2.0f;
        glm::vec4 c = Mix(top, bottom, Smooth(0.2f, 0.9f, v));
        // Fine radial fibres and a dark rim.
        const float angle = std::atan2(d.y, d.x);
        c = Mix(c, top, 0.25f * Noise1(angle * 9.0f, 11) * Smooth(0.3f, 0.9f, r));
        c = Mix(c, Rgb(40, 24, 70), Smooth(0.82f, 0.95f, r));
        // Pupil, slightly tall.
        const float pupil = glm::length(glm::vec2(d.x * 2.0f / 0.36f, d.y * 2.0f / 0.44f));
        c = Mix(c, Rgb(30, 16, 48), Smooth(1.1f, 0.9f, pupil));
        c.a = Smooth(1.0f, 0.96f, r);
        return c;
    });
    return img;
}

Image Disc(const glm::vec4& colour) {
    Image img(32, 32);
    img.Fill([&](float u, float v) {
        const float r = glm::length(glm::vec2(u - 0.5f, v - 0.5f)) * 2.0f;
        glm::vec4 c = colour;
        c.a *= Smooth(1.0f, 0.85f, r);
        return c;
    });
    return img;
}

Image Brow() {
    Image img(64, 16);
    img.Fill([](float, float v) {
        glm::vec4 c = Rgb(92, 62, 120);
        c.a = Smooth(0.0f, 0.3f, v) * Smooth(1.0f, 0.7f, v);
        return c;
    });
    return img;
}

Image Mouth() {
    Image img(64, 64);
    img.Fill([](float u, float v) {
        glm::vec4 c = Mix(Rgb(120, 34, 48), Rgb(80, 20, 30), Smooth(0.2f, 0.6f, v));
        c = Mix(c, Rgb(232, 120, 130), Smooth(0.62f, 0.8f, v) * (1.0f - 1.6f * std::pow(std::fabs(u - 0.5f), 2.0f)));
        c = Mix(c, Rgb(255, 255, 255), Smooth(0.2f, 0.12f, v));
        return c;
    });
    return img;
}

Image Tongue() {
    Image img(32, 32);
    img.Fill([](float u, float v) {
        glm::vec4 c = Rgb(238, 126, 138);
        c = Mix(c, Rgb(210, 96, 110), Smooth(0.04f, 0.0f, std::fabs(u - 0.5f)) * Smooth(0.2f, 0.6f, v));
        return c;
    });
    return img;
}

Image Blush() {
    Image img(64, 32);
    img.Fill([](float u, float v) {
        const float r = glm::length(glm::vec2((u - 0.5f) * 2.0f, (v - 0.5f) * 2.0f));
        glm::vec4 c = Rgb(255, 120, 140);
        c.a = 0.55f * Smooth(1.0f, 0.3f, r);
        // Three short hatch lines.
        const float hatch = std::fabs(std::fmod(u * 6.0f + v * 1.5f + 10.0f, 1.0f) - 0.5f);
        if (hatch < 0.08f && std::fabs(u - 0.5f) < 0.3f && std::fabs(v - 0.5f) < 0.3f) {
            c = Mix(c, Rgb(230, 80, 110), 0.8f);
            c.a = 0.85f;
        }
        return c;
    });
    return img;
}

Image Blouse() {
    Image img(256, 256);
    const glm::vec4 white = Rgb(250, 250, 252);
    const glm::vec4 navy = Rgb(44, 52, 104);
    img.Fill([&](float u, float v) {
        // u = 0 and 1 is the front; v runs from the neck (0) down to the hips (1).
        const float fromFront = std::min(u, 1.0f - u);
        const float vDepth = 0.14f + 0.16f * Smooth(0.09f, 0.0f, fromFront);
        glm::vec4 c = white;
        // Sailor collar: navy over the shoulders and in a V at the front, with a white trim line.
        if (v < vDepth) {
            c = navy;
            const float edge = vDepth - v;
            if (edge > 0.012f && edge < 0.022f) {
                c = white;
            }
        }
        // Fold shading under the chest.
        c = Mix(c, Rgb(222, 224, 236), 0.5f * Smooth(0.5f, 0.62f, v) * Smooth(0.72f, 0.62f, v));
        return c;
    });
    return img;
}

Image Skirt() {
    Image img(128, 128);
    img.Fill([](float u, float v) {
        glm::vec4 c = Rgb(46, 54, 108);
        const float pleat = u * 6.0f - std::floor(u * 6.0f);
        c = Mix(c, Rgb(30, 34, 74), 0.6f * Smooth(0.75f, 1.0f, pleat));
        if (v > 0.84f && v < 0.89f) {
            c = Rgb(245, 245, 250);
        }
        return c;
    });
    return img;
}

Image Socks() {
    Image img(32, 64);
    img.Fill([](float, float v) {
        glm::vec4 c = Rgb(38, 34, 46);
        if (v > 0.04f && v < 0.08f) {
            c = Rgb(150, 112, 205);
        }
        return c;
    });
    return img;
}

Image Shoes() {
    Image img(64, 64);
    img.Fill([](float u, float) {
        glm::vec4 c = Rgb(122, 74, 52);
        if (std::fabs(u - 0.5f) < 0.14f) {
            c = Rgb(58, 38, 30);
        }
        return c;
    });
    return img;
}

}  // namespace

std::map<std::string, Image> SampleTextures() {
    std::map<std::string, Image> t;
    t["tex/skin.png"] = Skin();
    t["tex/hair.png"] = Hair();
    t["tex/hair_s.png"] = HairSphere();
    t["tex/eye.png"] = Iris();
    t["tex/highlight.png"] = Disc(Rgb(255, 255, 255));
    t["tex/eyewhite.png"] = Image(8, 8, Rgb(255, 255, 255));
    t["tex/lash.png"] = Image(8, 8, Rgb(58, 36, 66));
    t["tex/brow.png"] = Brow();
    t["tex/mouth.png"] = Mouth();
    t["tex/tongue.png"] = Tongue();
    t["tex/blush.png"] = Blush();
    t["tex/blouse.png"] = Blouse();
    t["tex/skirt.png"] = Skirt();
    t["tex/socks.png"] = Socks();
    t["tex/shoes.png"] = Shoes();
    t["tex/ribbon.png"] = Image(8, 8, Rgb(214, 46, 70));
    return t;
}

Image ToonRamp(int n) {
    // Shade colours in the manner of MMD's shared toons: grey, skin, darker grey, warm, cool and so on.
    static const glm::vec4 kShade[10] = {Rgb(205, 205, 205), Rgb(246, 212, 204), Rgb(160, 160, 160),
                                         Rgb(236, 214, 176), Rgb(196, 200, 226), Rgb(224, 178, 178),
                                         Rgb(220, 220, 220), Rgb(188, 168, 210), Rgb(120, 120, 120),
                                         Rgb(230, 230, 230)};
    const glm::vec4 shade = kShade[std::clamp(n, 1, 10) - 1];
    const float edge = n == 7 ? 0.25f : 0.12f;  // toon07 is a soft gradient
    Image img(32, 32);
    img.Fill([&](float, float v) { return Mix(Rgb(255, 255, 255), shade, Smooth(0.5f - edge, 0.5f + edge, v)); });
    return img;
}

}  // namespace mnxc

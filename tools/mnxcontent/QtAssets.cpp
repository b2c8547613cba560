#include "QtAssets.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <iterator>
#include <system_error>

#include "Path.h"

namespace mnxc {
namespace {

namespace fs = std::filesystem;

// The room mesh maps its tiles onto fixed columns of the atlas, each over the full height, so that a texture loader
// that flips rows only flips each tile in place. The columns are kept in step with resources/system_mesh/mainroom.obj.
constexpr int kRoomWidth = 1024;
constexpr int kRoomHeight = 512;
constexpr int kFloorEnd = 512;  // floor tile: x in [0, 512)
constexpr int kWallEnd = 768;   // wall panel: x in [512, 768); ceiling tile: x in [768, 1024)

uint32_t Mix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    return h ^ (h >> 16);
}

// Deterministic value in [0, 1] from integer coordinates and a seed.
float Hash(int x, int y, int seed) {
    const uint32_t h = Mix32(static_cast<uint32_t>(x) * 0x9e3779b1u ^ Mix32(static_cast<uint32_t>(y) + 0x632be5abu) ^
                             static_cast<uint32_t>(seed) * 0x85ebca77u);
    return static_cast<float>(h & 0xffffu) / 65535.0f;
}

float Noise(float x, float y, int seed) {
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    const float fx = x - ix;
    const float fy = y - iy;
    const float kx = fx * fx * (3.0f - 2.0f * fx);
    const float ky = fy * fy * (3.0f - 2.0f * fy);
    const float a = Hash(ix, iy, seed) * (1.0f - kx) + Hash(ix + 1, iy, seed) * kx;
    const float b = Hash(ix, iy + 1, seed) * (1.0f - kx) + Hash(ix + 1, iy + 1, seed) * kx;
    return a * (1.0f - ky) + b * ky;
}

glm::vec4 Mix(const glm::vec4& a, const glm::vec4& b, float t) { return glm::mix(a, b, std::clamp(t, 0.0f, 1.0f)); }

glm::vec4 Shade(const glm::vec4& c, float factor) { return glm::vec4(glm::vec3(c) * factor, c.a); }

// 1 on a line of half-width `w` around every multiple of `period`, 0 away from it (in the units of x).
float GridLine(float x, float period, float w) {
    const float d = std::fabs(x / period - std::round(x / period)) * period;
    return Smooth(w + 0.6f, w, d);
}

// Oak planks running along u, eight to the tile, with staggered butt joints and a fine grain.
glm::vec4 Floor(float px, float py, float size) {
    const float u = px / size;
    const float v = py / size;
    const int plank = static_cast<int>(std::floor(v * 8.0f));
    const float offset = Hash(plank, 0, 11) * 0.5f;
    const float along = u * 2.0f + offset;
    const int piece = static_cast<int>(std::floor(along));
    glm::vec4 c = Shade(Rgb(178, 134, 90), 0.9f + 0.18f * Hash(plank, piece, 12));
    const float grain = Noise(along * 3.0f, v * 8.0f * 14.0f + 5.0f * Noise(along * 2.0f, v * 8.0f, 13), 14);
    c = Shade(c, 0.92f + 0.12f * grain);
    // Seams are measured in pixels so that they stay about a pixel and a half wide at any tile size.
    const float joint = std::fabs(along - std::round(along)) * size * 0.5f;
    const float seamV = GridLine(py, size / 8.0f, 0.8f);
    const float seamU = Smooth(1.4f, 0.8f, joint);
    const float tileEdge = GridLine(px, size, 0.8f);
    return Mix(c, Rgb(88, 60, 38), std::max({seamV, seamU, tileEdge}));
}

// Warm plaster wall panel with a wooden skirting at the floor and a matching rail under the ceiling, so the tile
// reads the same either way up, and a raised panel outline between them.
glm::vec4 Wall(float u, float v, float widthPx, float heightPx) {
    const float px = u * widthPx;
    const float py = v * heightPx;
    glm::vec4 c = Shade(Rgb(218, 210, 196), 0.97f + 0.05f * Noise(px * 0.25f, py * 0.25f, 21));
    const float edge = std::min(u, 1.0f - u) * widthPx;
    c = Mix(c, Rgb(202, 194, 180), Smooth(5.0f, 3.0f, edge));
    // Panel moulding: a light line over a dark one reads as a raised edge.
    const float mx = std::fabs(u - 0.5f) * widthPx;
    const float my = std::fabs(v - 0.5f) * heightPx;
    const float inner = std::max(mx - 0.38f * widthPx, my - 0.34f * heightPx);
    c = Mix(c, Rgb(236, 230, 218), Smooth(1.6f, 0.4f, std::fabs(inner + 1.5f)));
    c = Mix(c, Rgb(184, 176, 162), Smooth(1.6f, 0.4f, std::fabs(inner - 1.0f)));
    // Skirting and rail.
    const float trim = std::min(v, 1.0f - v);
    if (trim < 0.055f) {
        glm::vec4 wood = Shade(Rgb(122, 88, 60), 0.94f + 0.1f * Noise(px * 0.1f, py * 1.5f, 22));
        wood = Mix(wood, Rgb(150, 112, 80), Smooth(3.0f, 1.5f, std::fabs(trim * heightPx - 0.045f * heightPx)));
        c = Mix(c, wood, Smooth(0.055f * heightPx, 0.055f * heightPx - 1.0f, trim * heightPx));
    }
    return c;
}

// Off-white ceiling tile in four by four panels with a light panel at the centre.
glm::vec4 Ceiling(float u, float v, float widthPx, float heightPx) {
    glm::vec4 c = Shade(Rgb(238, 238, 233), 0.98f + 0.03f * Noise(u * 40.0f, v * 80.0f, 31));
    const float grid =
        std::max(GridLine(u * widthPx, widthPx / 4.0f, 0.7f), GridLine(v * heightPx, heightPx / 4.0f, 0.7f));
    c = Mix(c, Rgb(198, 198, 194), grid);
    const float lamp = std::max(std::fabs(u - 0.5f), std::fabs(v - 0.5f));
    c = Mix(c, Rgb(255, 252, 238), Smooth(0.16f, 0.12f, lamp));
    c = Mix(c, Rgb(255, 255, 250), Smooth(0.11f, 0.09f, lamp));
    return c;
}

Image RoomTexture() {
    Image img(kRoomWidth, kRoomHeight);
    for (int y = 0; y < kRoomHeight; ++y) {
        for (int x = 0; x < kRoomWidth; ++x) {
            const float px = static_cast<float>(x) + 0.5f;
            const float py = static_cast<float>(y) + 0.5f;
            glm::vec4 c;
            if (x < kFloorEnd) {
                c = Floor(px, py, static_cast<float>(kFloorEnd));
            } else if (x < kWallEnd) {
                const float w = static_cast<float>(kWallEnd - kFloorEnd);
                c = Wall((px - kFloorEnd) / w, py / kRoomHeight, w, static_cast<float>(kRoomHeight));
            } else {
                const float w = static_cast<float>(kRoomWidth - kWallEnd);
                c = Ceiling((px - kWallEnd) / w, py / kRoomHeight, w, static_cast<float>(kRoomHeight));
            }
            img.Set(x, y, c);
        }
    }
    return img;
}

// Graphite plastic with a lighter ring, for a tracker puck seen from above.
Image TrackerTexture() {
    Image img(128, 128);
    img.Fill([](float u, float v) {
        const float r = glm::length(glm::vec2(u - 0.5f, v - 0.5f)) * 2.0f;
        glm::vec4 c = Shade(Rgb(54, 56, 60), 1.08f - 0.16f * r + 0.04f * Noise(u * 60.0f, v * 60.0f, 41));
        c = Mix(c, Rgb(120, 124, 130), Smooth(0.05f, 0.0f, std::fabs(r - 0.42f)));
        c = Mix(c, Rgb(90, 200, 120), Smooth(0.07f, 0.04f, r));
        return c;
    });
    return img;
}

// Left half: the matte housing; right half: the glossy front plate with its sensor window and status light. Matches
// the u ranges of resources/system_mesh/lh_basestation_vive.obj.
Image BaseStationTexture() {
    Image img(256, 256);
    img.Fill([](float u, float v) {
        if (u < 0.5f) {
            return Shade(Rgb(48, 50, 54), 0.95f + 0.1f * Noise(u * 180.0f, v * 90.0f, 51));
        }
        const float x = (u - 0.5f) * 2.0f;
        glm::vec4 c = Shade(Rgb(20, 20, 24), 1.0f + 0.5f * Smooth(0.5f, 0.0f, v));
        const glm::vec2 d(std::fabs(x - 0.5f), std::fabs(v - 0.45f));
        const float window = std::max(d.x - 0.36f, d.y - 0.28f);
        c = Mix(c, Rgb(34, 18, 44), Smooth(0.01f, -0.01f, window));
        c = Mix(c, Rgb(60, 60, 70), Smooth(0.012f, 0.0f, std::fabs(window)));
        const float led = glm::length(glm::vec2(x - 0.5f, v - 0.86f));
        c = Mix(c, Rgb(80, 255, 120), Smooth(0.035f, 0.02f, led));
        return c;
    });
    return img;
}

Image Solid(const glm::vec4& colour) { return Image(16, 16, colour); }

// A tinted square with a bright border and a four by four grid, so a marker cube reads as a lit wire box.
Image LineTexture(const glm::vec4& line, const glm::vec4& fill) {
    constexpr int kSize = 64;
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool border = x < 3 || y < 3 || x >= kSize - 3 || y >= kSize - 3;
            const bool grid = x % 16 == 0 || y % 16 == 0;
            img.Set(x, y, border ? line : grid ? Mix(fill, line, 0.6f) : fill);
        }
    }
    return img;
}

bool Put(const fs::path& path, const std::string& bytes, std::string* error) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        if (error) *error = "cannot create " + path.parent_path().string() + ": " + ec.message();
        return false;
    }
    {
        std::ifstream in(path, std::ios::binary);
        if (in && std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) == bytes) {
            return true;
        }
    }
    if (!WriteFile(path.string(), bytes)) {
        if (error) *error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}  // namespace

std::map<std::string, Image> QtAssetImages() {
    std::map<std::string, Image> images;
    images["mainroom.png"] = RoomTexture();
    images["tracker.png"] = TrackerTexture();
    images["lh_basestation_vive.png"] = BaseStationTexture();
    images["green.png"] = Solid(Rgb(64, 220, 96));
    images["orange.png"] = Solid(Rgb(255, 148, 36));
    images["green_line.png"] = LineTexture(Rgb(96, 255, 128), Rgb(16, 56, 28));
    images["perple_line.png"] = LineTexture(Rgb(200, 110, 255), Rgb(40, 20, 58));
    return images;
}

bool WriteQtAssets(const fs::path& dir, const std::string& qrcName, std::string* error) {
    std::string qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n    <qresource prefix=\"/img\">\n";
    for (const auto& [name, image] : QtAssetImages()) {
        if (!Put(dir / "img" / name, image.EncodePng(), error)) return false;
        qrc += "        <file alias=\"resources/img/" + name + "\">img/" + name + "</file>\n";
    }
    qrc += "    </qresource>\n    <qresource prefix=\"/Marionix\">\n";
    if (!Put(dir / "Marionix.ico", EncodeIco({AppIcon(16), AppIcon(32), AppIcon(48), AppIcon(256)}), error)) {
        return false;
    }
    qrc += "        <file>Marionix.ico</file>\n    </qresource>\n</RCC>\n";
    return Put(dir / qrcName, qrc, error);
}

}  // namespace mnxc

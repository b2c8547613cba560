#include "Image.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include <glm/common.hpp>
#include <stb_image_write.h>

namespace mnxc {

Image::Image(int w, int h, const glm::vec4& fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 4) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Set(x, y, fill);
        }
    }
}

glm::vec4 Image::Get(int x, int y) const {
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    return glm::vec4(p[0], p[1], p[2], p[3]) / 255.0f;
}

void Image::Set(int x, int y, const glm::vec4& colour) {
    uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    for (int k = 0; k < 4; ++k) {
        p[k] = static_cast<uint8_t>(std::lround(std::clamp(colour[k], 0.0f, 1.0f) * 255.0f));
    }
}

glm::vec4 Image::Sample(float u, float v) const {
    const float fx = (u - std::floor(u)) * width - 0.5f;
    const float fy = (v - std::floor(v)) * height - 0.5f;
    const int x0 = static_cast<int>(std::floor(fx));
    const int y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - x0;
    const float ty = fy - y0;
    auto at = [this](int x, int y) { return Get((x + width) % width, (y + height) % height); };
    return glm::mix(glm::mix(at(x0, y0), at(x0 + 1, y0), tx), glm::mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx), ty);
}

namespace {

void AppendToString(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

std::string Image::EncodePng() const {
    bool opaque = true;
    for (size_t i = 3; i < pixels.size() && opaque; i += 4) {
        opaque = pixels[i] == 255;
    }
    std::string out;
    if (opaque) {
        std::vector<uint8_t> rgb;
        rgb.reserve(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < pixels.size(); i += 4) {
            rgb.insert(rgb.end(), {pixels[i], pixels[i + 1], pixels[i + 2]});
        }
        stbi_write_png_to_func(AppendToString, &out, width, height, 3, rgb.data(), width * 3);
    } else {
        stbi_write_png_to_func(AppendToString, &out, width, height, 4, pixels.data(), width * 4);
    }
    return out;
}

std::string Image::EncodeBmp() const {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        rgb.insert(rgb.end(), {pixels[i], pixels[i + 1], pixels[i + 2]});
    }
    std::string out;
    stbi_write_bmp_to_func(AppendToString, &out, width, height, 3, rgb.data());
    return out;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

glm::vec4 Rgb(int r, int g, int b, int a) { return glm::vec4(r, g, b, a) / 255.0f; }

}  // namespace mnxc

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <glm/vec4.hpp>

namespace mnxc {

// An RGBA8 picture, rows from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4

    Image() = default;
    Image(int w, int h, const glm::vec4& fill = glm::vec4(0.0f));

    // Colour components in [0, 1]; out-of-range coordinates are clamped.
    glm::vec4 Get(int x, int y) const;
    void Set(int x, int y, const glm::vec4& colour);
    // Bilinear sample at texture coordinates (u right, v down), wrapping.
    glm::vec4 Sample(float u, float v) const;

    // Calls fn(u, v) for every pixel centre (u, v in [0, 1], v down) and stores the colour it returns.
    template <typename Fn>
    void Fill(Fn fn) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Set(x, y, fn((static_cast<float>(x) + 0.5f) / width, (static_cast<float>(y) + 0.5f) / height));
            }
        }
    }

    // PNG bytes (RGBA, or RGB when every alpha is 255). Deterministic for equal pixels.
    std::string EncodePng() const;
    // 24-bit BMP bytes (alpha dropped).
    std::string EncodeBmp() const;
};

// Writes bytes to a file, creating nothing but the file; false when it cannot be written.
bool WriteFile(const std::string& path, const std::string& bytes);

// Colour from 0..255 components.
glm::vec4 Rgb(int r, int g, int b, int a = 255);

}  // namespace mnxc

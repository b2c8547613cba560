#pragma once

#include <map>
#include <string>
#include <vector>

#include <glm/vec3.hpp>

#include "Image.h"
#include "mmd/PMXFile.h"

namespace mnxc {

// Software rendering of a PMX model for checking the content by eye: orthographic, flat toon shading, MMD-style
// outlines, textures sampled from the given images (by the texture names of the PMX data).
struct PreviewOptions {
    int width = 512;
    int height = 1024;
    float yawDegrees = 0.0f;  // 0 looks at the character's face (from -Z)
    glm::vec3 centre{0.0f, 10.0f, 0.0f};
    float viewHeight = 21.0f;  // model units across the picture's height
};

// Positions override the PMX vertex positions when not empty (posed or skinned vertices, file frame).
Image RenderPreview(const mmd::PMXFileData& pmx, const std::map<std::string, Image>& textures,
                    const PreviewOptions& options, const std::vector<glm::vec3>& positions = {});

}  // namespace mnxc

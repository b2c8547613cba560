#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <vector>

#include "mmd/PMXFile.h"

namespace mnx::test {

// A plain, single-threaded skinning of a PMX file's vertices written straight from the formulas, to check the
// model's optimised, parallel skinning against. Works from the file records (it does its own conversion to the
// right-handed frame) and the bones' global and inverse rest transforms taken from a model.
class SkinningReference {
public:
    struct Result {
        std::vector<glm::vec3> positions;
        std::vector<glm::vec3> normals;
        std::vector<glm::vec2> uvs;
    };

    // globals[i], inverseInits[i]: node i of the model. morphOffsets: per-vertex position offsets in the runtime
    // frame, or empty for none. Every bone index in pmx must be valid or -1.
    static Result Skin(const mmd::PMXFileData& pmx, const std::vector<glm::mat4>& globals,
                       const std::vector<glm::mat4>& inverseInits, const std::vector<glm::vec3>& morphOffsets = {});
};

}  // namespace mnx::test

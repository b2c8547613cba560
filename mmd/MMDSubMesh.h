#pragma once

#include <cstdint>

namespace mmd {

// A run of the index buffer drawn with one material.
struct MMDSubMesh {
    int32_t m_beginIndex = 0;   // first index (not byte offset) in the index buffer
    int32_t m_vertexCount = 0;  // number of indices, 3 per triangle
    int32_t m_materialID = 0;   // index into the model's materials
};

}  // namespace mmd

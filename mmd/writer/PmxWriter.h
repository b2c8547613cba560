#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mmd/PMXFile.h"

namespace mmd {

// Writes PMXFileData byte for byte as a PMX file: the bundled sample character, test fixtures and fuzz seeds.
// The header of `data` decides the layout: m_version (>= 2.1 adds the soft-body section, even when empty),
// m_encoding (0 UTF-16LE, 1 UTF-8), m_additionalUVCount and the six index widths (1, 2 or 4; FitIndexSizes picks
// the smallest that hold the lists). Values are written as given: no load scale, no validation, so tests can
// write broken files on purpose. Index -1 is written as the width's none value (all bits set).
class PmxWriter {
public:
    // The whole file as bytes.
    static std::vector<uint8_t> Write(const mmd::PMXFileData& data);
    // Writes the file; false when it cannot be written.
    static bool WriteFile(const mmd::PMXFileData& data, const std::string& path);
    // Sets the six index widths of data.m_header to the smallest that hold every list: object indices 1 byte up
    // to 255 entries (255 is none), 2 up to 65535; vertex indices 1 byte up to 256 vertices, 2 up to 65536.
    static void FitIndexSizes(mmd::PMXFileData& data);
};

}  // namespace mmd

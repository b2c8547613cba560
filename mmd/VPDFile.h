#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

namespace mmd {

// One bone of a pose, in the file's left-handed frame.
struct VPDBone {
    std::string boneName;  // UTF-8
    glm::vec3 translate;
    glm::quat quaternion;  // stored x, y, z, w in the file
};

struct VPDMorph {
    std::string morphName;  // UTF-8
    float weight;
};

// A pose as read from a VPD file, in file order.
struct VPDFileData {
    std::vector<VPDBone> bones;
    std::vector<VPDMorph> morphs;
};

// Largest VPD file accepted, in bytes. Real poses are a few kilobytes; the cap keeps a huge or garbage file
// from being split into millions of lines.
constexpr long long kMaxVPDFileSize = 1 << 20;

// Reads a VPD pose file (UTF-8 path; Shift-JIS text, any of CR, LF, CR LF). On failure logs the reason at info
// level ("VPD File Open Fail. {}", "VPD File Format Error.", "VPD File Parse Error. {}:[...]" with the 0-based
// line index) and returns false; `vpd` then holds what was read before the error.
bool ReadVPDFile(VPDFileData& vpd, const std::string& pathUtf8);

}  // namespace mmd

#pragma once

#include <cstdint>
#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

namespace mmd {

class BinaryFile;

// Every name field is one byte longer than in the file so that it is always zero-terminated.
// Names are Shift-JIS bytes as stored; values are in the file's left-handed frame.

struct VMDHeader {
    char header[31];     // signature, "Vocaloid Motion Data 0002" or "Vocaloid Motion Data"
    char modelName[21];  // model the motion was made for
};

struct VMDMotion {
    char boneName[16];
    uint32_t frame;  // 30 frames per second
    glm::vec3 translate;
    glm::quat quaternion;
    // Bézier control points as bytes / 127: b[0..15] = x1 (tx, ty, tz, rot), y1 (..), x2 (..), y2 (..);
    // the other 48 bytes are unused copies.
    uint8_t interpolation[64];
};

struct VMDMorph {
    char blendShapeName[16];
    uint32_t frame;
    float weight;
};

struct VMDCamera {
    uint32_t frame;
    float distance;
    glm::vec3 interest;
    glm::vec3 rotate;  // Euler angles, radians
    uint8_t interpolation[24];
    uint32_t viewAngle;     // degrees
    uint8_t isPerspective;  // as stored: 0 means perspective in MMD's files
};

struct VMDLight {
    uint32_t frame;
    glm::vec3 color;
    glm::vec3 position;
};

struct VMDShadow {
    uint32_t frame;
    uint8_t shadowType;
    float distance;
};

struct VMDIkInfo {
    char name[21];  // IK bone name
    uint8_t enable;
};

struct VMDIk {
    uint32_t frame;
    uint8_t show;
    std::vector<VMDIkInfo> ikInfos;
};

// Everything read from one VMD file, in file order. Camera, light and shadow keys are kept but not played.
struct VMDFileData {
    VMDHeader header;
    std::vector<VMDMotion> motions;
    std::vector<VMDMorph> morphs;
    std::vector<VMDCamera> cameras;
    std::vector<VMDLight> lights;
    std::vector<VMDShadow> shadows;
    std::vector<VMDIk> iks;
};

// Reads a VMD file (UTF-8 path). Sections after the motions may be absent (left empty). On failure logs the
// reason at warning level ("VMD File Open Fail. {}", "ReadHeader Fail.", ...) and returns false; counts that
// promise more records than the file holds are failures, never allocations.
bool ReadVMDFile(VMDFileData& vmd, const std::string& pathUtf8);
// Same, from an open file positioned at its start.
bool ReadVMDFile(VMDFileData& vmd, BinaryFile& file);

}  // namespace mmd

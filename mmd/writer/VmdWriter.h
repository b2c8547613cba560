#pragma once

#include <array>
#include <cstdint>
#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <utility>
#include <vector>

namespace mmd {

// The 64-byte interpolation block of a bone key.
using VmdInterpolation = std::array<uint8_t, 64>;

// One bone key in file terms: left-handed coordinates, rotation stored x, y, z, w.
struct VmdBoneKey {
    std::string name;  // UTF-8; stored as Shift-JIS and cut to 15 bytes (a 15-byte name has no terminator)
    uint32_t frame = 0;
    glm::vec3 translate{0.0f};
    glm::quat rotate{1.0f, 0.0f, 0.0f, 0.0f};
    VmdInterpolation interpolation{};  // all zero unless set; see VmdWriter::Curves
};

struct VmdCameraKey {
    uint32_t frame = 0;
    float distance = -45.0f;
    glm::vec3 interest{0.0f, 10.0f, 0.0f};
    glm::vec3 rotate{0.0f};
    std::array<uint8_t, 24> interpolation{};
    uint32_t viewAngle = 30;
    uint8_t perspective = 0;  // MMD stores 0 for a perspective camera
};

struct VmdLightKey {
    uint32_t frame = 0;
    glm::vec3 color{0.6f};
    glm::vec3 position{-0.5f, -1.0f, 0.5f};
};

struct VmdShadowKey {
    uint32_t frame = 0;
    uint8_t type = 1;
    float distance = 0.01f;
};

struct VmdIkKey {
    uint32_t frame = 0;
    uint8_t show = 1;
    std::vector<std::pair<std::string, bool>> iks;  // UTF-8 IK bone name (cut to 20 bytes), enabled
};

// The sections of a VMD file in file order.
enum class VmdSection { Motions, Morphs, Camera, Light, Shadow, Ik };

// Builds VMD motion files byte for byte: the bundled idle motions, test fixtures and fuzz seeds.
class VmdWriter {
public:
    static constexpr const char* kSignature = "Vocaloid Motion Data 0002";
    static constexpr const char* kOldSignature = "Vocaloid Motion Data";

    // Signature bytes as stored (cut to 30); default kSignature.
    VmdWriter& SetSignature(const std::string& signature);
    // UTF-8 model name; stored as Shift-JIS, cut to 20 bytes.
    VmdWriter& SetModelName(const std::string& name);
    VmdWriter& AddBoneKey(const VmdBoneKey& key);
    VmdWriter& AddMorphKey(const std::string& name, uint32_t frame, float weight);
    VmdWriter& AddCameraKey(const VmdCameraKey& key);
    VmdWriter& AddLightKey(const VmdLightKey& key);
    VmdWriter& AddShadowKey(const VmdShadowKey& key);
    VmdWriter& AddIkKey(const VmdIkKey& key);
    // Ends the file after the given section, as older tools do (default: every section is written).
    VmdWriter& EndAfter(VmdSection last);

    // The file's bytes.
    std::string Build() const;
    // Writes Build() to a file; false when the file cannot be written.
    bool Save(const std::string& path) const;

    // Interpolation block whose four curves all have control points (x1, y1), (x2, y2), in bytes 0..127
    // (values above 127 occur in real files and are allowed).
    static VmdInterpolation Curves(uint8_t x1, uint8_t y1, uint8_t x2, uint8_t y2);
    // The straight-line curves MMD writes by default: (20, 20), (107, 107).
    static VmdInterpolation Linear() { return Curves(20, 20, 107, 107); }

private:
    std::string m_signature = kSignature;
    std::string m_modelName;
    std::vector<VmdBoneKey> m_bones;
    std::vector<std::pair<std::string, std::pair<uint32_t, float>>> m_morphs;
    std::vector<VmdCameraKey> m_cameras;
    std::vector<VmdLightKey> m_lights;
    std::vector<VmdShadowKey> m_shadows;
    std::vector<VmdIkKey> m_iks;
    VmdSection m_last = VmdSection::Ik;
};

}  // namespace mmd

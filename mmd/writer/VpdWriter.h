#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>
#include <string>
#include <vector>

namespace mmd {

// Builds VPD pose files in the layout MMD writes: Shift-JIS text, CR LF line ends, tab-aligned
// "//" comments after the values and blank lines between blocks.
class VpdWriter {
public:
    // UTF-8 name of the model file the pose was made for (the parent file line).
    VpdWriter& SetParentFile(const std::string& name);
    // A bone in file terms: left-handed translation, rotation x, y, z, w. Name UTF-8.
    VpdWriter& AddBone(const std::string& name, const glm::vec3& translate, const glm::quat& rotate);
    VpdWriter& AddMorph(const std::string& name, float weight);
    // Line terminator, default "\r\n"; "\n" and "\r" are read the same way.
    VpdWriter& SetLineEnd(const std::string& lineEnd);
    // Whether to write the trailing "//" comments MMD adds (default true).
    VpdWriter& SetComments(bool comments);

    // The file's bytes (Shift-JIS).
    std::string Build() const;
    // Writes Build() to a file; false when the file cannot be written.
    bool Save(const std::string& path) const;

    // Writes raw bytes to a file (for hand-made broken files); false on failure.
    static bool SaveBytes(const std::string& path, const std::string& bytes);

private:
    struct Bone {
        std::string name;
        glm::vec3 translate;
        glm::quat rotate;
    };
    struct Morph {
        std::string name;
        float weight;
    };
    std::string m_parent = "miku.osm";
    std::vector<Bone> m_bones;
    std::vector<Morph> m_morphs;
    std::string m_lineEnd = "\r\n";
    bool m_comments = true;
};

}  // namespace mmd

#include "mmd/writer/VpdWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "mmd/writer/ShiftJis.h"

namespace mmd {
namespace {

std::string Number(float v) {
    char text[64];
    std::snprintf(text, sizeof(text), "%f", double(v));
    return text;
}

}  // namespace

VpdWriter& VpdWriter::SetParentFile(const std::string& name) {
    m_parent = name;
    return *this;
}

VpdWriter& VpdWriter::AddBone(const std::string& name, const glm::vec3& translate, const glm::quat& rotate) {
    m_bones.push_back({name, translate, rotate});
    return *this;
}

VpdWriter& VpdWriter::AddMorph(const std::string& name, float weight) {
    m_morphs.push_back({name, weight});
    return *this;
}

VpdWriter& VpdWriter::SetLineEnd(const std::string& lineEnd) {
    m_lineEnd = lineEnd;
    return *this;
}

VpdWriter& VpdWriter::SetComments(bool comments) {
    m_comments = comments;
    return *this;
}

std::string VpdWriter::Build() const {
    std::string text;
    const auto line = [&](const std::string& body, const std::string& comment) {
        text += body;
        if (m_comments && !comment.empty()) text += comment;
        text += m_lineEnd;
    };
    line("Vocaloid Pose Data file", "");
    line("", "");
    line(m_parent + ";", "\t\t// 親ファイル名");
    line(std::to_string(m_bones.size()) + ";", "\t\t\t\t// 総ポーズボーン数");
    line("", "");
    for (size_t i = 0; i < m_bones.size(); ++i) {
        const Bone& b = m_bones[i];
        line("Bone" + std::to_string(i) + "{" + b.name, "");
        line("  " + Number(b.translate.x) + "," + Number(b.translate.y) + "," + Number(b.translate.z) + ";",
             "\t\t\t\t// trans x,y,z");
        line("  " + Number(b.rotate.x) + "," + Number(b.rotate.y) + "," + Number(b.rotate.z) + "," +
                 Number(b.rotate.w) + ";",
             "\t\t// Quaternion x,y,z,w");
        line("}", "");
        line("", "");
    }
    for (size_t i = 0; i < m_morphs.size(); ++i) {
        const Morph& m = m_morphs[i];
        line("Morph" + std::to_string(i) + "{" + m.name, "");
        line("  " + Number(m.weight) + ";", "\t\t\t\t// weight");
        line("}", "");
        line("", "");
    }
    return ToShiftJis(text);
}

bool VpdWriter::Save(const std::string& path) const { return SaveBytes(path, Build()); }

bool VpdWriter::SaveBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(file);
}

}  // namespace mmd

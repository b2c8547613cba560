#include "mmd/VPDFile.h"

#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "mmd/File.h"
#include "mmd/Logger.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/SjisToUnicode.h"
#include "mmd/VMDNodeController.h"

namespace mmd {
namespace {

constexpr std::string_view kSpace = " \t";

std::string_view Trim(std::string_view s) {
    const size_t b = s.find_first_not_of(kSpace);
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(kSpace) - b + 1);
}

// Number conversion with the error texts of the C++ runtime's stoi/stof, which the log reports.
struct Conversion {
    bool ok = false;
    const char* error = "";
};

Conversion ParseInt(std::string_view text, int& value) {
    const std::string s(Trim(text));
    if (s.empty()) return {false, "invalid stoi argument"};
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (end != s.c_str() + s.size()) return {false, "invalid stoi argument"};
    if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return {false, "stoi argument out of range"};
    value = int(v);
    return {true, ""};
}

// Always the C form ("0.5"): the process locale (which Qt sets from the environment, "0,5" in much of Europe)
// must not decide whether a pose file loads.
Conversion ParseFloat(std::string_view text, float& value) {
    std::string_view s = Trim(text);
    if (s.empty()) return {false, "invalid stof argument"};
    if (s.front() == '+' && s.size() > 1 && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
    double v = 0.0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (end != s.data() + s.size() || (error != std::errc() && error != std::errc::result_out_of_range) ||
        std::isnan(v)) {
        return {false, "invalid stof argument"};
    }
    if (error == std::errc::result_out_of_range) {
        // Too small for a double is harmless (zero); too large is rejected, as is a written infinity.
        const size_t exponent = s.find_first_of("eE");
        if (exponent == std::string_view::npos || exponent + 1 >= s.size() || s[exponent + 1] != '-') {
            return {false, "stof argument out of range"};
        }
        v = 0.0;
    }
    if (std::isinf(v) || std::fabs(v) > double(FLT_MAX)) return {false, "stof argument out of range"};
    value = float(v);
    return {true, ""};
}

class VPDParser {
public:
    VPDParser(std::vector<std::string>& lines, VPDFileData& vpd) : m_lines(lines), m_vpd(vpd) {}

    bool Parse() {
        if (m_lines.empty() || m_lines[0] != "Vocaloid Pose Data file") {
            GetLogger()->info("VPD File Format Error.");
            return false;
        }
        for (size_t i = 1; i < m_lines.size(); ++i) {
            const size_t comment = m_lines[i].find("//");
            if (comment != std::string::npos) m_lines[i].erase(comment);
        }
        m_next = 1;
        if (!NextLine()) {
            GetLogger()->info("VPD File Parse Error.[parent fil name]");
            return false;
        }
        ++m_next;
        if (!ReadBoneCount()) return false;
        for (int i = 0; i < m_boneCount; ++i) {
            if (!ReadBone()) return false;
        }
        while (NextLine()) {
            if (!ReadMorph()) return false;
        }
        return true;
    }

private:
    // Moves m_next to the next line with content; false at the end (m_next is then the line count).
    bool NextLine() {
        while (m_next < m_lines.size() && Trim(m_lines[m_next]).empty()) ++m_next;
        return m_next < m_lines.size();
    }

    bool ReadBoneCount() {
        if (!NextLine()) {
            GetLogger()->info("VPD File Parse Error.[num bones]");
            return false;
        }
        const std::string& line = m_lines[m_next];
        const size_t semicolon = line.find(';');
        if (semicolon == std::string::npos) {
            GetLogger()->info("VPD File Parse Error.[num bones]");
            return false;
        }
        const Conversion c = ParseInt(std::string_view(line).substr(0, semicolon), m_boneCount);
        if (!c.ok) {
            GetLogger()->info("VPD File Parse Error. {}:[{}]", m_next, c.error);
            return false;
        }
        if (m_boneCount < 0) {
            GetLogger()->info("VPD File Parse Error.[num bones]");
            return false;
        }
        ++m_next;
        return true;
    }

    // "<keyword><index>{<name>": the index text and the Shift-JIS name, or nothing when the line is no header.
    std::optional<std::pair<std::string_view, std::string_view>> Header(std::string_view keyword) const {
        const std::string_view line = m_lines[m_next];
        const size_t k = line.find(keyword);
        if (k == std::string_view::npos) return std::nullopt;
        const size_t brace = line.find('{', k + keyword.size());
        if (brace == std::string_view::npos) return std::nullopt;
        const std::string_view index = line.substr(k + keyword.size(), brace - k - keyword.size());
        std::string_view name = line.substr(brace + 1);
        name = name.substr(0, name.find_last_not_of(kSpace) + 1);
        return std::make_pair(index, name);
    }

    static std::string NameToUtf8(std::string_view sjis) { return ConvertSjisToU8String(sjis.data(), sjis.size()); }

    // Reads the next value line: exactly `count` comma-separated numbers ending with ";".
    bool ReadValues(float* values, size_t count) {
        if (!NextLine()) {
            GetLogger()->info("VPD File Parse Error. {}:[Split error]", m_next);
            return false;
        }
        const std::string_view line = m_lines[m_next];
        const size_t semicolon = line.find(';');
        if (semicolon == std::string_view::npos) {
            GetLogger()->info("VPD File Parse Error. {}:[Split error]", m_next);
            return false;
        }
        std::string_view rest = line.substr(0, semicolon);
        for (size_t i = 0; i < count; ++i) {
            const size_t comma = rest.find(',');
            const bool last = i + 1 == count;
            if (last != (comma == std::string_view::npos) || Trim(rest.substr(0, comma)).empty()) {
                GetLogger()->info("VPD File Parse Error. {}:[Split error]", m_next);
                return false;
            }
            const Conversion c = ParseFloat(rest.substr(0, comma), values[i]);
            if (!c.ok) {
                GetLogger()->info("VPD File Parse Error. {}:[{}]", m_next, c.error);
                return false;
            }
            if (!last) rest.remove_prefix(comma + 1);
        }
        ++m_next;
        return true;
    }

    bool ReadClose() {
        if (!NextLine() || m_lines[m_next].find('}') == std::string::npos) {
            GetLogger()->info("VPD File Parse Error. {}:[Split error]", m_next);
            return false;
        }
        ++m_next;
        return true;
    }

    bool ReadBone() {
        const bool found = NextLine();
        const auto header = found ? Header("Bone") : std::nullopt;
        if (!header) {
            GetLogger()->info("VPD File Parse Error. {}:[Not Found Bone]", m_next);
            return false;
        }
        int index = 0;
        const Conversion c = ParseInt(header->first, index);
        if (!c.ok) {
            GetLogger()->info("VPD File Parse Error. {}:[{}]", m_next, c.error);
            return false;
        }
        if (index >= m_boneCount) {
            GetLogger()->info("VPD File Parse Error. {}:[Bone Index over]", m_next);
            return false;
        }
        VPDBone bone;
        bone.boneName = NameToUtf8(header->second);
        ++m_next;
        float t[3];
        float q[4];
        if (!ReadValues(t, 3) || !ReadValues(q, 4) || !ReadClose()) return false;
        bone.translate = glm::vec3(t[0], t[1], t[2]);
        bone.quaternion = glm::quat(q[3], q[0], q[1], q[2]);
        m_vpd.bones.push_back(std::move(bone));
        return true;
    }

    bool ReadMorph() {
        const auto header = Header("Morph");
        if (!header) {
            GetLogger()->info("VPD File Parse Error. {}:[Not Found Morph]", m_next);
            return false;
        }
        VPDMorph morph;
        morph.morphName = NameToUtf8(header->second);
        ++m_next;
        if (!ReadValues(&morph.weight, 1) || !ReadClose()) return false;
        m_vpd.morphs.push_back(std::move(morph));
        return true;
    }

    std::vector<std::string>& m_lines;
    VPDFileData& m_vpd;
    size_t m_next = 0;
    int m_boneCount = 0;
};

}  // namespace

bool ReadVPDFile(VPDFileData& vpd, const std::string& pathUtf8) {
    vpd = VPDFileData{};
    BinaryFile file;
    if (!file.OpenText(pathUtf8)) {
        GetLogger()->info("VPD File Open Fail. {}", pathUtf8);
        return false;
    }
    if (file.Size() > kMaxVPDFileSize) {
        GetLogger()->info("VPD File Format Error.");
        return false;
    }
    std::vector<std::string> lines;
    file.ReadAllLines(lines);
    return VPDParser(lines, vpd).Parse();
}

namespace {

// Spherical interpolation along the shorter arc; plain linear interpolation when the rotations nearly coincide.
glm::quat SlerpShorter(const glm::quat& a, glm::quat b, float t) {
    float d = glm::dot(a, b);
    if (d < 0.0f) {
        b = -b;
        d = -d;
    }
    if (d > 0.9999999f) return a * (1.0f - t) + b * t;
    const float angle = std::acos(d);
    const float s = std::sin(angle);
    return (a * std::sin((1.0f - t) * angle) + b * std::sin(t * angle)) / s;
}

}  // namespace

void MMDModel::LoadPose(const VPDFileData& vpd, int32_t frameCount) {
    struct BonePose {
        MMDNode* node;
        glm::vec3 beginTranslate, endTranslate;
        glm::quat beginRotate, endRotate;
    };
    struct MorphPose {
        MMDMorph* morph;
        float beginWeight, endWeight;
    };
    std::vector<BonePose> bones;
    std::vector<MorphPose> morphs;
    MMDNodeManager* nodeManager = GetNodeManager();
    MMDMorphManager* morphManager = GetMorphManager();
    for (const VPDBone& bone : vpd.bones) {
        const int32_t index = nodeManager ? nodeManager->FindNodeIndex(bone.boneName) : -1;
        if (index < 0) continue;
        MMDNode* node = nodeManager->GetNode(size_t(index));
        bones.push_back({node, node->GetAnimationTranslate(),
                         glm::vec3(bone.translate.x, bone.translate.y, -bone.translate.z), node->GetAnimationRotate(),
                         ToRuntimeRotation(bone.quaternion)});
    }
    for (const VPDMorph& morph : vpd.morphs) {
        const int32_t index = morphManager ? morphManager->FindMorphIndex(morph.morphName) : -1;
        if (index < 0) continue;
        MMDMorph* target = morphManager->GetMorph(size_t(index));
        morphs.push_back({target, target->GetWeight(), morph.weight});
    }

    for (int32_t i = 1; i <= frameCount; ++i) {
        const float t = float(i) / float(frameCount);
        BeginAnimation();
        for (const BonePose& b : bones) {
            b.node->SetAnimationTranslate(b.beginTranslate + (b.endTranslate - b.beginTranslate) * t);
            b.node->SetAnimationRotate(SlerpShorter(b.beginRotate, b.endRotate, t));
        }
        for (const MorphPose& m : morphs) {
            m.morph->SetWeight(m.beginWeight + (m.endWeight - m.beginWeight) * t);
        }
        UpdateMorphAnimation();
        UpdateNodeAnimation(false);
        UpdatePhysicsAnimation(1.0f / 30.0f);
        UpdateNodeAnimation(true);
        EndAnimation();
    }
}

}  // namespace mmd

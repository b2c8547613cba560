#include "mmd/writer/VmdWriter.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "mmd/writer/ShiftJis.h"

namespace mmd {
namespace {

class ByteSink {
public:
    explicit ByteSink(std::string& out) : m_out(out) {}
    void Bytes(const void* data, size_t size) { m_out.append(static_cast<const char*>(data), size); }
    void U8(uint8_t v) { Bytes(&v, 1); }
    void U32(uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        Bytes(b, 4);
    }
    void F32(float v) {
        uint32_t u;
        std::memcpy(&u, &v, 4);
        U32(u);
    }
    void Vec3(const glm::vec3& v) {
        F32(v.x);
        F32(v.y);
        F32(v.z);
    }
    // Fixed-width text field: the bytes cut to the width, zero-padded.
    void Field(const std::string& bytes, size_t width) {
        std::string f = bytes.substr(0, width);
        f.resize(width, '\0');
        m_out += f;
    }

private:
    std::string& m_out;
};

}  // namespace

VmdWriter& VmdWriter::SetSignature(const std::string& signature) {
    m_signature = signature;
    return *this;
}

VmdWriter& VmdWriter::SetModelName(const std::string& name) {
    m_modelName = name;
    return *this;
}

VmdWriter& VmdWriter::AddBoneKey(const VmdBoneKey& key) {
    m_bones.push_back(key);
    return *this;
}

VmdWriter& VmdWriter::AddMorphKey(const std::string& name, uint32_t frame, float weight) {
    m_morphs.push_back({name, {frame, weight}});
    return *this;
}

VmdWriter& VmdWriter::AddCameraKey(const VmdCameraKey& key) {
    m_cameras.push_back(key);
    return *this;
}

VmdWriter& VmdWriter::AddLightKey(const VmdLightKey& key) {
    m_lights.push_back(key);
    return *this;
}

VmdWriter& VmdWriter::AddShadowKey(const VmdShadowKey& key) {
    m_shadows.push_back(key);
    return *this;
}

VmdWriter& VmdWriter::AddIkKey(const VmdIkKey& key) {
    m_iks.push_back(key);
    return *this;
}

VmdWriter& VmdWriter::EndAfter(VmdSection last) {
    m_last = last;
    return *this;
}

std::string VmdWriter::Build() const {
    std::string out;
    ByteSink s(out);
    s.Field(m_signature, 30);
    s.Field(ToShiftJis(m_modelName), 20);

    s.U32(uint32_t(m_bones.size()));
    for (const VmdBoneKey& k : m_bones) {
        s.Field(ToShiftJis(k.name), 15);
        s.U32(k.frame);
        s.Vec3(k.translate);
        s.F32(k.rotate.x);
        s.F32(k.rotate.y);
        s.F32(k.rotate.z);
        s.F32(k.rotate.w);
        s.Bytes(k.interpolation.data(), k.interpolation.size());
    }
    if (m_last == VmdSection::Motions) return out;

    s.U32(uint32_t(m_morphs.size()));
    for (const auto& [name, key] : m_morphs) {
        s.Field(ToShiftJis(name), 15);
        s.U32(key.first);
        s.F32(key.second);
    }
    if (m_last == VmdSection::Morphs) return out;

    s.U32(uint32_t(m_cameras.size()));
    for (const VmdCameraKey& k : m_cameras) {
        s.U32(k.frame);
        s.F32(k.distance);
        s.Vec3(k.interest);
        s.Vec3(k.rotate);
        s.Bytes(k.interpolation.data(), k.interpolation.size());
        s.U32(k.viewAngle);
        s.U8(k.perspective);
    }
    if (m_last == VmdSection::Camera) return out;

    s.U32(uint32_t(m_lights.size()));
    for (const VmdLightKey& k : m_lights) {
        s.U32(k.frame);
        s.Vec3(k.color);
        s.Vec3(k.position);
    }
    if (m_last == VmdSection::Light) return out;

    s.U32(uint32_t(m_shadows.size()));
    for (const VmdShadowKey& k : m_shadows) {
        s.U32(k.frame);
        s.U8(k.type);
        s.F32(k.distance);
    }
    if (m_last == VmdSection::Shadow) return out;

    s.U32(uint32_t(m_iks.size()));
    for (const VmdIkKey& k : m_iks) {
        s.U32(k.frame);
        s.U8(k.show);
        s.U32(uint32_t(k.iks.size()));
        for (const auto& [name, enable] : k.iks) {
            s.Field(ToShiftJis(name), 20);
            s.U8(enable ? 1 : 0);
        }
    }
    return out;
}

bool VmdWriter::Save(const std::string& path) const {
    std::ofstream file(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    const std::string bytes = Build();
    file.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(file);
}

VmdInterpolation VmdWriter::Curves(uint8_t x1, uint8_t y1, uint8_t x2, uint8_t y2) {
    // MMD stores the 16 meaningful bytes in the first row and shifted copies in the other three.
    std::array<uint8_t, 16> row{};
    for (int c = 0; c < 4; ++c) {
        row[0 + c] = x1;
        row[4 + c] = y1;
        row[8 + c] = x2;
        row[12 + c] = y2;
    }
    VmdInterpolation block{};
    for (int r = 0; r < 4; ++r) {
        for (int i = 0; i < 16; ++i) {
            block[r * 16 + i] = i + r < 16 ? row[i + r] : 0;
        }
    }
    return block;
}

}  // namespace mmd

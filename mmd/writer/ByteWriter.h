#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace mmd {

// Appends little-endian values to a byte buffer: the common ground of the MMD format writers.
class ByteWriter {
public:
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    std::vector<uint8_t>& Bytes() { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

    void U8(uint8_t v) { m_bytes.push_back(v); }
    void U16(uint16_t v) { Raw(&v, sizeof(v)); }
    void I32(int32_t v) { Raw(&v, sizeof(v)); }
    void U32(uint32_t v) { Raw(&v, sizeof(v)); }
    void F32(float v) { Raw(&v, sizeof(v)); }
    void Vec2(const glm::vec2& v) { F32(v.x), F32(v.y); }
    void Vec3(const glm::vec3& v) { F32(v.x), F32(v.y), F32(v.z); }
    void Vec4(const glm::vec4& v) { F32(v.x), F32(v.y), F32(v.z), F32(v.w); }
    // Quaternion in file order x, y, z, w.
    void Quat(const glm::quat& q) { F32(q.x), F32(q.y), F32(q.z), F32(q.w); }
    void Raw(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + size);
    }
    // `size` bytes of `text`, cut or padded with zeros (fixed-size name fields).
    void Fixed(const std::string& text, size_t size) {
        std::string field = text.substr(0, size);
        field.resize(size, '\0');
        Raw(field.data(), size);
    }

private:
    std::vector<uint8_t> m_bytes;
};

// Writes `bytes` to `path`; false when the file cannot be written.
bool WriteBytesToFile(const std::vector<uint8_t>& bytes, const std::string& path);

// Reads a whole file; empty when it cannot be read.
std::vector<uint8_t> ReadBytesFromFile(const std::string& path);

}  // namespace mmd

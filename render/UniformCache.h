#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <array>
#include <cstring>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

// The values last sent to the bound program's scalar and vector uniforms during one pass, so a run of draws sends
// only what changed between them. Start one per pass with the program bound: it assumes nothing about values sent
// before it existed. Locations past the cache's range, and -1, are simply sent (or ignored, as GL ignores -1).
class UniformCache {
public:
    explicit UniformCache(QOpenGLFunctions_4_1_Core* gl) : m_gl(gl) {}

    void set(GLint location, int value) {
        if (changed(location, &value, sizeof(value))) m_gl->glUniform1i(location, value);
    }
    void set(GLint location, float value) {
        if (changed(location, &value, sizeof(value))) m_gl->glUniform1f(location, value);
    }
    void set(GLint location, const glm::vec3& value) {
        if (changed(location, &value, sizeof(value))) m_gl->glUniform3fv(location, 1, &value.x);
    }
    void set(GLint location, const glm::vec4& value) {
        if (changed(location, &value, sizeof(value))) m_gl->glUniform4fv(location, 1, &value.x);
    }

private:
    static constexpr int kSlots = 64;
    struct Slot {
        bool sent = false;
        unsigned char bytes[16] = {};
    };

    // Bytewise, so a value that stays NaN counts as unchanged and -0.0 after 0.0 is still sent.
    bool changed(GLint location, const void* value, size_t size) {
        if (location < 0) return false;
        if (location >= kSlots) return true;
        Slot& slot = m_slots[size_t(location)];
        if (slot.sent && std::memcmp(slot.bytes, value, size) == 0) return false;
        std::memcpy(slot.bytes, value, size);
        slot.sent = true;
        return true;
    }

    QOpenGLFunctions_4_1_Core* m_gl;
    std::array<Slot, kSlots> m_slots{};
};

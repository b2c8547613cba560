#include "tools/mnxtool/JsonWriter.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace mnxtool {

JsonWriter::JsonWriter() : m_text("{") {}

std::string JsonWriter::Escape(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (u < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof(buf), "\\u%04x", u);
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::Key(const std::string& key) {
    if (!m_first) {
        m_text += ',';
    }
    m_first = false;
    m_text += Escape(key);
    m_text += ':';
}

void JsonWriter::Add(const std::string& key, const std::string& value) {
    Key(key);
    m_text += Escape(value);
}

void JsonWriter::Add(const std::string& key, const char* value) { Add(key, std::string(value)); }

void JsonWriter::Add(const std::string& key, int64_t value) {
    Key(key);
    m_text += std::to_string(value);
}

void JsonWriter::Add(const std::string& key, uint64_t value) {
    Key(key);
    m_text += std::to_string(value);
}

void JsonWriter::Add(const std::string& key, double value) {
    Key(key);
    // JSON has no NaN or infinity; null keeps the output parseable when a frame blows up.
    if (!std::isfinite(value)) {
        m_text += "null";
        return;
    }
    // to_chars writes the C form whatever the process locale: JSON has no "0,5".
    char buf[400];
    const std::to_chars_result result = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::fixed, 6);
    m_text.append(buf, result.ptr);
}

void JsonWriter::AddBool(const std::string& key, bool value) {
    Key(key);
    m_text += value ? "true" : "false";
}

void JsonWriter::Add(const std::string& key, const std::vector<std::string>& values) {
    Key(key);
    m_text += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            m_text += ',';
        }
        m_text += Escape(values[i]);
    }
    m_text += ']';
}

void JsonWriter::AddRaw(const std::string& key, const std::string& json) {
    Key(key);
    m_text += json;
}

std::string JsonWriter::Finish() const { return m_text + "}"; }

}  // namespace mnxtool

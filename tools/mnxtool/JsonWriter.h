#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mnxtool {

// Builds one JSON object as text. Keys are written in call order; strings are escaped (UTF-8 bytes pass through,
// control characters become \u00XX).
class JsonWriter {
public:
    JsonWriter();

    void Add(const std::string& key, const std::string& value);
    void Add(const std::string& key, const char* value);
    void Add(const std::string& key, int64_t value);
    void Add(const std::string& key, uint64_t value);
    void Add(const std::string& key, int value) { Add(key, static_cast<int64_t>(value)); }
    // Finite values only; %.6f keeps checksums comparable across runs.
    void Add(const std::string& key, double value);
    void AddBool(const std::string& key, bool value);
    void Add(const std::string& key, const std::vector<std::string>& values);
    // Inserts an already formatted JSON value (a nested object from another writer).
    void AddRaw(const std::string& key, const std::string& json);

    // The closed object.
    std::string Finish() const;

    static std::string Escape(const std::string& text);

private:
    void Key(const std::string& key);

    std::string m_text;
    bool m_first = true;
};

}  // namespace mnxtool

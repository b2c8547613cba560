#pragma once

#include <spdlog/common.h>

#include <memory>
#include <string>
#include <vector>

namespace mnx::test {

// Records every line the model runtime's "mmd" logger writes while the capture lives (the lines still reach
// the logger's other sinks). Not for concurrent captures.
class LogCapture {
public:
    struct Line {
        spdlog::level::level_enum level;
        std::string text;  // the message alone, without time stamp or level
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> Lines() const;
    // Only the texts, in order.
    std::vector<std::string> Texts() const;
    // Whether some line equals `text` exactly.
    bool Has(const std::string& text) const;
    void Clear();

private:
    class Sink;
    std::shared_ptr<Sink> m_sink;
};

}  // namespace mnx::test

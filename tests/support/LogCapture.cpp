#include "support/LogCapture.h"

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>

#include <algorithm>
#include <mutex>

#include "mmd/Logger.h"

namespace mnx::test {

class LogCapture::Sink : public spdlog::sinks::base_sink<std::mutex> {
public:
    std::vector<Line> Lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return m_lines;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        m_lines.clear();
    }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        m_lines.push_back({msg.level, std::string(msg.payload.data(), msg.payload.size())});
    }
    void flush_() override {}

private:
    std::vector<Line> m_lines;
};

LogCapture::LogCapture() : m_sink(std::make_shared<Sink>()) { mmd::GetLogger()->sinks().push_back(m_sink); }

LogCapture::~LogCapture() {
    auto& sinks = mmd::GetLogger()->sinks();
    sinks.erase(std::remove(sinks.begin(), sinks.end(), m_sink), sinks.end());
}

std::vector<LogCapture::Line> LogCapture::Lines() const { return m_sink->Lines(); }

std::vector<std::string> LogCapture::Texts() const {
    std::vector<std::string> texts;
    for (const Line& line : m_sink->Lines()) texts.push_back(line.text);
    return texts;
}

bool LogCapture::Has(const std::string& text) const {
    const std::vector<Line> lines = m_sink->Lines();
    return std::any_of(lines.begin(), lines.end(), [&](const Line& l) { return l.text == text; });
}

void LogCapture::Clear() { m_sink->Clear(); }

}  // namespace mnx::test

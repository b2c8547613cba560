#pragma once

#include <spdlog/logger.h>
#include <spdlog/sinks/sink.h>

#include <memory>
#include <string>

namespace mmd {

// The model runtime's process-wide logger "mmd", created on first use (thread-safe) with one DefaultSink.
const std::shared_ptr<spdlog::logger>& GetLogger();

// Forwards every message to spdlog's console logger "default" (colour, standard output), taking it from
// spdlog's registry or creating it there. A program that wants the runtime's lines elsewhere registers its own
// logger named "default" before the first GetLogger() call.
class DefaultSink : public spdlog::sinks::sink {
public:
    DefaultSink();
    ~DefaultSink() override;

    // Forwards the message text with its level; the "default" logger applies its own pattern.
    void log(const spdlog::details::log_msg& msg) override;
    void flush() override;
    // The "default" logger formats the line, so these have nothing to change.
    void set_pattern(const std::string& pattern) override;
    void set_formatter(std::unique_ptr<spdlog::formatter> formatter) override;

private:
    std::shared_ptr<spdlog::logger> m_defaultLogger;
};

}  // namespace mmd

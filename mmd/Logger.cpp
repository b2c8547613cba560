#include "mmd/Logger.h"

#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <mutex>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace mmd {

const std::shared_ptr<spdlog::logger>& GetLogger() {
    static std::once_flag once;
    static std::shared_ptr<spdlog::logger> logger;
    std::call_once(once, [] { logger = std::make_shared<spdlog::logger>("mmd", std::make_shared<DefaultSink>()); });
    return logger;
}

DefaultSink::DefaultSink() {
    m_defaultLogger = spdlog::get("default");
    if (!m_defaultLogger) {
        try {
            m_defaultLogger = spdlog::stdout_color_mt("default");
        } catch (const spdlog::spdlog_ex&) {
            // Another thread registered it between the lookup and the creation.
            m_defaultLogger = spdlog::get("default");
        }
    }
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
}

DefaultSink::~DefaultSink() = default;

void DefaultSink::log(const spdlog::details::log_msg& msg) {
    m_defaultLogger->log(msg.level, "{}", std::string_view(msg.payload.data(), msg.payload.size()));
}

void DefaultSink::flush() { m_defaultLogger->flush(); }

void DefaultSink::set_pattern(const std::string&) {}

void DefaultSink::set_formatter(std::unique_ptr<spdlog::formatter>) {}

}  // namespace mmd

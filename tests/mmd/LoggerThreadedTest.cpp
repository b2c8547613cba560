#include <gtest/gtest.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include <sstream>
#include <thread>
#include <vector>

#include "mmd/Logger.h"

namespace {

// Runs first in this process: the "mmd" logger does not exist yet, so the threads race to create it.
TEST(LoggerTest, ConcurrentFirstCallsCreateOneLoggerThatForwardsToDefault) {
    // The "mmd" logger forwards to this stream for the rest of the process.
    static std::ostringstream stream;
    auto defaultLogger =
        std::make_shared<spdlog::logger>("default", std::make_shared<spdlog::sinks::ostream_sink_mt>(stream));
    // Lines end in "\n" on every platform here (spdlog's own default is "\r\n" on Windows).
    defaultLogger->set_formatter(
        std::make_unique<spdlog::pattern_formatter>("%l|%v", spdlog::pattern_time_type::local, "\n"));
    spdlog::register_logger(defaultLogger);

    std::vector<spdlog::logger*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = mmd::GetLogger().get(); });
    }
    for (std::thread& t : threads) t.join();
    for (spdlog::logger* logger : seen) EXPECT_EQ(logger, seen[0]);

    mmd::GetLogger()->info("PMX File Read Successed. {}", "a.pmx");
    mmd::GetLogger()->error("ReadVertex Fail.");
    mmd::GetLogger()->flush();
    EXPECT_EQ(stream.str(), "info|PMX File Read Successed. a.pmx\nerror|ReadVertex Fail.\n");
    spdlog::drop("default");
}

}  // namespace

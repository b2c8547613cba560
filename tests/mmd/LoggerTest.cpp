#include "mmd/Logger.h"

#include <gtest/gtest.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <sstream>
#include <thread>
#include <vector>

namespace {

// Runs first in this process: the "mmd" logger does not exist yet, so the threads race to create it.
TEST(LoggerTest, ConcurrentFirstCallsCreateOneLoggerThatForwardsToDefault) {
    std::ostringstream stream;
    auto defaultLogger = std::make_shared<spdlog::logger>(
        "default", std::make_shared<spdlog::sinks::ostream_sink_mt>(stream));
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

    const auto& logger = mmd::GetLogger();
    EXPECT_EQ(logger->name(), "mmd");
    ASSERT_EQ(logger->sinks().size(), 1u);
    EXPECT_NE(dynamic_cast<mmd::DefaultSink*>(logger->sinks()[0].get()), nullptr);

    logger->info("PMX File Read Successed. {}", "a.pmx");
    logger->warn("Use SDEF");
    logger->error("ReadVertex Fail.");
    logger->flush();
    EXPECT_EQ(stream.str(), "info|PMX File Read Successed. a.pmx\nwarning|Use SDEF\nerror|ReadVertex Fail.\n");
    spdlog::drop("default");
}

TEST(LoggerTest, SinkCreatesColourConsoleLoggerWhenNoneIsRegistered) {
    spdlog::drop("default");
    mmd::DefaultSink sink;
    auto created = spdlog::get("default");
    ASSERT_NE(created, nullptr);
    ASSERT_EQ(created->sinks().size(), 1u);
    EXPECT_NE(dynamic_cast<spdlog::sinks::stdout_color_sink_mt*>(created->sinks()[0].get()), nullptr);
    // A second sink shares the registered logger instead of failing on the duplicate name.
    mmd::DefaultSink second;
    EXPECT_EQ(spdlog::get("default"), created);
    spdlog::drop("default");
}

}  // namespace

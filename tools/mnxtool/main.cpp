#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/mnxtool/Commands.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: shellapi.h relies on its types.
#include <shellapi.h>

#include "mmd/UnicodeUtil.h"
#endif

namespace {

// The runtime takes UTF-8 paths. On Windows the narrow argv is in the ANSI code page, which has no room for
// Japanese file names; the wide command line has them, so the arguments are taken from it.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        try {
            for (int i = 1; i < count; ++i) args.push_back(mmd::ToUtf8String(wide[i]));
        } catch (const std::invalid_argument&) {
            args.assign(argv + 1, argv + argc);
        }
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv + 1, argv + argc);
}

void Usage() {
    std::fprintf(stderr,
                 "usage: mnxtool info MODEL.pmx\n"
                 "       mnxtool motion FILE.vmd\n"
                 "       mnxtool bench MODEL.pmx [--motion FILE.vmd] [--frames N] [--threads N] "
                 "[--checksum-at K] [--repeat N]\n"
#ifdef MNX_HAVE_SNAPSHOT
                 "       mnxtool snapshot MODEL.pmx --out FILE.png [--motion FILE.vmd --time SECONDS | --pose FILE.vpd]\n"
                 "               [--size WxH] [--camera front|left|back] [--bg RRGGBB] [--physics on|off]\n"
#endif
                 );
}

// Standard output carries only the JSON, so the runtime's lines (forwarded to the "default" logger) must go to
// standard error; this has to happen before the runtime creates its logger.
void RouteRuntimeLogToStderr() {
    auto logger = std::make_shared<spdlog::logger>("default", std::make_shared<spdlog::sinks::stderr_sink_mt>());
    logger->set_pattern("%v");
    spdlog::register_logger(logger);
}

}  // namespace

int main(int argc, char** argv) {
    RouteRuntimeLogToStderr();
    const std::vector<std::string> args = Arguments(argc, argv);
    if (args.size() < 2) {
        Usage();
        return 2;
    }
    const std::string& command = args[0];
    if (command == "info" && args.size() == 2) {
        return mnxtool::RunInfo(args[1]);
    }
    if (command == "motion" && args.size() == 2) {
        return mnxtool::RunMotion(args[1]);
    }
    if (command == "bench") {
        return mnxtool::RunBench(std::vector<std::string>(args.begin() + 1, args.end()));
    }
#ifdef MNX_HAVE_SNAPSHOT
    if (command == "snapshot") {
        const int code = mnxtool::RunSnapshot(argc, argv, std::vector<std::string>(args.begin() + 1, args.end()));
        if (code == 2) Usage();
        return code;
    }
#endif
    Usage();
    return 2;
}

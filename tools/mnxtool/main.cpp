#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/mnxtool/Commands.h"

namespace {

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
    std::vector<std::string> args(argv + 1, argv + argc);
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

#pragma once

#include <string>
#include <vector>

namespace mnxtool {

// Each command prints one JSON object on standard output and returns the exit code; failures print nothing there
// (the runtime's log line goes to standard error).
int RunInfo(const std::string& modelPath);
int RunMotion(const std::string& motionPath);
// args: everything after "bench" (model path first, then options).
int RunBench(const std::vector<std::string>& args);
// Renders the model offscreen into a PNG; needs a display with OpenGL 4.1 core. args: everything after
// "snapshot"; argc/argv go to the Qt application.
int RunSnapshot(int argc, char** argv, const std::vector<std::string>& args);

}  // namespace mnxtool

// libFuzzer target: the PMX reader and one animated frame of the model built from it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mmd/Logger.h"
#include "mmd/PMXModel.h"

namespace {

// The model loads by path, so every input goes through one scratch file of this process.
const std::string& ScratchPath() {
    static const std::string path = "/tmp/mnx_fuzz_pmx_" + std::to_string(getpid()) + ".pmx";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    mmd::GetLogger()->set_level(spdlog::level::off);
    std::atexit([] { std::remove(ScratchPath().c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    mmd::PMXModel model;
    // No toon directory: shared toons resolve to paths that are never opened here.
    if (!model.Load(ScratchPath(), "/tmp")) return 0;
    model.InitializeAnimation();
    model.BeginAnimation();
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    model.UpdatePhysicsAnimation(1.0f / 60.0f);
    model.UpdateNodeAnimation(true);
    model.EndAnimation();
    model.Update();
    return 0;
}

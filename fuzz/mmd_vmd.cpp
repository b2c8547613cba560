// libFuzzer target: the VMD reader on arbitrary bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mmd/Logger.h"
#include "mmd/VMDFile.h"

namespace {

// The reader opens files by path, so every input goes through one scratch file of this process.
const std::string& ScratchPath() {
    static const std::string path = "/tmp/mnx_fuzz_vmd_" + std::to_string(getpid()) + ".vmd";
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
    mmd::VMDFileData vmd;
    mmd::ReadVMDFile(vmd, ScratchPath());
    return 0;
}

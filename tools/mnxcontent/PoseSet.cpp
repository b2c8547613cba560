#include "PoseSet.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "HandPoses.h"
#include "IdleMotion.h"

namespace mnxc {
namespace {

namespace fs = std::filesystem;

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

bool HoldsBytes(const fs::path& path, const std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string existing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return existing == bytes;
}

bool Put(const fs::path& path, const std::string& bytes, std::string* error) {
    if (HoldsBytes(path, bytes)) return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return Fail(error, "cannot write " + path.string());
    return true;
}

std::string IdleMotion(const std::string& set) { return set == "relaxed" ? RelaxedIdleMotion() : DefaultIdleMotion(); }

}  // namespace

const std::vector<std::string>& PoseSetNames() {
    static const std::vector<std::string> kNames = {"default", "relaxed"};
    return kNames;
}

bool WritePoseSets(const fs::path& poseDir, std::string* error) {
    for (const std::string& set : PoseSetNames()) {
        const fs::path dir = poseDir / set;
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec) return Fail(error, "cannot create " + dir.string() + ": " + ec.message());
        if (!Put(dir / "stand.vmd", IdleMotion(set), error)) return false;
        for (HandShape shape : HandShapes()) {
            for (int side : {-1, 1}) {
                if (!Put(dir / (HandPoseStem(shape, side) + ".vpd"), HandPoseFile(shape, side), error)) return false;
            }
        }
    }
    return true;
}

}  // namespace mnxc

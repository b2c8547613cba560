#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "mmd/SjisToUnicode.h"
#include "mmd/VMDFile.h"
#include "tools/mnxtool/Commands.h"
#include "tools/mnxtool/JsonWriter.h"

namespace mnxtool {

namespace {

// Names compare as stored bytes (up to the field end or a zero), the way controllers group keys.
std::string FieldBytes(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

}  // namespace

int RunMotion(const std::string& motionPath) {
    mmd::VMDFileData vmd;
    if (!mmd::ReadVMDFile(vmd, motionPath)) {
        return 1;
    }
    std::set<std::string> boneNames;
    std::set<std::string> morphNames;
    uint32_t lastFrame = 0;
    for (const auto& key : vmd.motions) {
        boneNames.insert(FieldBytes(key.boneName, sizeof(key.boneName) - 1));
        lastFrame = std::max(lastFrame, key.frame);
    }
    for (const auto& key : vmd.morphs) {
        morphNames.insert(FieldBytes(key.blendShapeName, sizeof(key.blendShapeName) - 1));
        lastFrame = std::max(lastFrame, key.frame);
    }
    for (const auto& key : vmd.iks) {
        lastFrame = std::max(lastFrame, key.frame);
    }
    for (const auto& key : vmd.cameras) {
        lastFrame = std::max(lastFrame, key.frame);
    }
    for (const auto& key : vmd.lights) {
        lastFrame = std::max(lastFrame, key.frame);
    }
    for (const auto& key : vmd.shadows) {
        lastFrame = std::max(lastFrame, key.frame);
    }

    JsonWriter json;
    json.Add("signature", FieldBytes(vmd.header.header, sizeof(vmd.header.header) - 1));
    json.Add("model_name", mmd::ConvertSjisToU8String(vmd.header.modelName, sizeof(vmd.header.modelName) - 1));
    json.Add("bone_keys", static_cast<uint64_t>(vmd.motions.size()));
    json.Add("morph_keys", static_cast<uint64_t>(vmd.morphs.size()));
    json.Add("camera_keys", static_cast<uint64_t>(vmd.cameras.size()));
    json.Add("light_keys", static_cast<uint64_t>(vmd.lights.size()));
    json.Add("shadow_keys", static_cast<uint64_t>(vmd.shadows.size()));
    json.Add("ik_keys", static_cast<uint64_t>(vmd.iks.size()));
    json.Add("bone_names", static_cast<uint64_t>(boneNames.size()));
    json.Add("morph_names", static_cast<uint64_t>(morphNames.size()));
    json.Add("last_frame", static_cast<uint64_t>(lastFrame));
    std::printf("%s\n", json.Finish().c_str());
    return 0;
}

}  // namespace mnxtool

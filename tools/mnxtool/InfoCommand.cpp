#include <array>
#include <cstdio>

#include "mmd/PMXFile.h"
#include "mmd/PMXModel.h"
#include "tools/mnxtool/Commands.h"
#include "tools/mnxtool/JsonWriter.h"

namespace mnxtool {

namespace {

const char* const kWeightNames[] = {"BDEF1", "BDEF2", "BDEF4", "SDEF", "QDEF"};
const char* const kMorphTypeNames[] = {"group",   "position", "bone",     "uv",   "add_uv1", "add_uv2",
                                       "add_uv3", "add_uv4",  "material", "flip", "impulse"};

std::string CountsObject(const char* const* names, const size_t* counts, size_t n) {
    JsonWriter json;
    for (size_t i = 0; i < n; ++i) {
        json.Add(names[i], static_cast<uint64_t>(counts[i]));
    }
    return json.Finish();
}

}  // namespace

int RunInfo(const std::string& modelPath) {
    mmd::PMXFileData pmx;
    if (!mmd::ReadPMXFile(pmx, modelPath)) {
        return 1;
    }
    // The file alone can read fine and still be refused by the model (bad index lists), so load it for real too.
    mmd::PMXModel model;
    if (!model.Load(modelPath, "")) {
        return 1;
    }

    std::array<size_t, 5> weights{};
    for (const auto& v : pmx.m_vertices) {
        const auto type = static_cast<size_t>(v.m_weightType);
        if (type < weights.size()) {
            ++weights[type];
        }
    }
    std::array<size_t, 11> morphTypes{};
    std::vector<std::string> morphNames;
    for (const auto& m : pmx.m_morphs) {
        const auto type = static_cast<size_t>(m.m_type);
        if (type < morphTypes.size()) {
            ++morphTypes[type];
        }
        morphNames.push_back(m.m_name);
    }
    std::vector<std::string> boneNames;
    for (const auto& b : pmx.m_bones) {
        boneNames.push_back(b.m_name);
    }

    JsonWriter json;
    char version[16];
    std::snprintf(version, sizeof(version), "%.1f", static_cast<double>(pmx.m_header.m_version));
    json.AddRaw("version", version);
    json.Add("encoding", static_cast<int>(pmx.m_header.m_encoding));
    json.Add("additional_uvs", static_cast<int>(pmx.m_header.m_additionalUVCount));
    json.Add("name", pmx.m_info.m_modelName);
    json.Add("english_name", pmx.m_info.m_englishModelName);
    json.Add("vertices", static_cast<uint64_t>(pmx.m_vertices.size()));
    json.AddRaw("vertex_weights", CountsObject(kWeightNames, weights.data(), weights.size()));
    json.Add("indices", static_cast<uint64_t>(pmx.m_faces.size() * 3));
    json.Add("textures", static_cast<uint64_t>(pmx.m_textures.size()));
    json.Add("materials", static_cast<uint64_t>(pmx.m_materials.size()));
    json.Add("bones", static_cast<uint64_t>(pmx.m_bones.size()));
    json.Add("morphs", static_cast<uint64_t>(pmx.m_morphs.size()));
    json.AddRaw("morph_types", CountsObject(kMorphTypeNames, morphTypes.data(), morphTypes.size()));
    json.Add("display_frames", static_cast<uint64_t>(pmx.m_displayFrames.size()));
    json.Add("rigid_bodies", static_cast<uint64_t>(pmx.m_rigidBodies.size()));
    json.Add("joints", static_cast<uint64_t>(pmx.m_joints.size()));
    json.Add("soft_bodies", static_cast<uint64_t>(pmx.m_softBodies.size()));
    json.Add("model_vertices", static_cast<uint64_t>(model.GetVertexCount()));
    json.Add("bone_names", boneNames);
    json.Add("morph_names", morphNames);
    std::printf("%s\n", json.Finish().c_str());
    return 0;
}

}  // namespace mnxtool

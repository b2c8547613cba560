#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Image.h"
#include "Preview.h"
#include "QtAssets.h"
#include "ResourceTree.h"
#include "SampleCharacter.h"
#include "Textures.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "mmd/writer/PmxWriter.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: mnxcontent resource <dir>                          write the resource tree\n"
                 "       mnxcontent qtassets <dir>                          write the compiled-in images, icon\n"
                 "                                                          and their marionix_assets.qrc\n"
                 "       mnxcontent preview <png> [yaw] [frames [motion.vmd]]  render the sample character,\n"
                 "                                                          posed after that many 1/60 s frames\n");
    return 2;
}

// Runs the sample character through `frames` steps of the full CPU frame (motion, physics, skinning) and returns
// its skinned positions in the file frame. Empty when the model or motion cannot be loaded.
std::vector<glm::vec3> Simulate(const mmd::PMXFileData& pmx, long frames, const std::string& motion) {
    const std::string path = (std::filesystem::temp_directory_path() / "mnxcontent_preview.pmx").string();
    if (!mmd::PmxWriter::WriteFile(pmx, path)) return {};
    auto model = std::make_shared<mmd::PMXModel>();
    const bool loaded = model->Load(path, "");
    std::filesystem::remove(path);
    if (!loaded) return {};
    mmd::VMDAnimation animation;
    animation.Create(model);
    if (!motion.empty()) {
        mmd::VMDFileData vmd;
        if (!mmd::ReadVMDFile(vmd, motion)) return {};
        animation.Add(vmd);
    }
    model->InitializeAnimation();
    const double maxKey = animation.GetMaxKeyTime();
    for (long frame = 0; frame < frames; ++frame) {
        double key = static_cast<double>(frame) * 0.5;
        if (maxKey > 0.0) key = std::fmod(key, maxKey);
        model->BeginAnimation();
        animation.Evaluate(static_cast<float>(key));
        model->UpdateMorphAnimation();
        model->UpdateNodeAnimation(false);
        model->UpdatePhysicsAnimation(1.0f / 60.0f);
        model->UpdateNodeAnimation(true);
        model->EndAnimation();
        model->Update();
    }
    const glm::vec3* skinned = model->GetUpdatePositions();
    std::vector<glm::vec3> positions(skinned, skinned + model->GetVertexCount());
    for (glm::vec3& p : positions) p.z = -p.z;
    return positions;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string command = argv[1];
    if (command == "resource" && argc == 3) {
        std::string error;
        if (!mnxc::WriteResourceTree(argv[2], &error)) {
            std::fprintf(stderr, "mnxcontent: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "qtassets" && argc == 3) {
        std::string error;
        if (!mnxc::WriteQtAssets(argv[2], "marionix_assets.qrc", &error)) {
            std::fprintf(stderr, "mnxcontent: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "preview" && argc <= 6) {
        const mmd::PMXFileData pmx = mnxc::BuildSampleCharacter();
        mnxc::PreviewOptions options;
        if (argc > 3) {
            options.yawDegrees = std::strtof(argv[3], nullptr);
        }
        std::vector<glm::vec3> positions;
        if (argc > 4) {
            positions = Simulate(pmx, std::strtol(argv[4], nullptr, 10), argc > 5 ? argv[5] : "");
            if (positions.empty()) {
                std::fprintf(stderr, "mnxcontent: the character could not be animated\n");
                return 1;
            }
        }
        const mnxc::Image image = mnxc::RenderPreview(pmx, mnxc::SampleTextures(), options, positions);
        return mnxc::WriteFile(argv[2], image.EncodePng()) ? 0 : 1;
    }
    return Usage();
}

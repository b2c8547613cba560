#include <cstdio>
#include <cstdlib>
#include <string>

#include "Image.h"
#include "Preview.h"
#include "SampleCharacter.h"
#include "Textures.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: mnxcontent resource <dir>      write the resource tree\n"
                 "       mnxcontent preview <png> [yaw]  render the sample character\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string command = argv[1];
    if (command == "preview") {
        const mmd::PMXFileData pmx = mnxc::BuildSampleCharacter();
        mnxc::PreviewOptions options;
        if (argc > 3) {
            options.yawDegrees = std::strtof(argv[3], nullptr);
        }
        const mnxc::Image image = mnxc::RenderPreview(pmx, mnxc::SampleTextures(), options);
        std::printf("vertices %zu faces %zu bones %zu morphs %zu\n", pmx.m_vertices.size(), pmx.m_faces.size(),
                    pmx.m_bones.size(), pmx.m_morphs.size());
        return mnxc::WriteFile(argv[2], image.EncodePng()) ? 0 : 1;
    }
    return Usage();
}

#include "ResourceTree.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "PoseSet.h"
#include "SampleCharacter.h"
#include "Textures.h"
#include "mmd/writer/PmxWriter.h"

namespace mnxc {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAccessoryReadme =
    "Accessories: put PMX files here (each in its own folder with its textures).\r\n"
    "Marionix attaches the first three it finds to the model. A pose (.vpd) or motion (.vmd) file with the\r\n"
    "same base name beside an accessory animates it; the pose wins when both exist.\r\n";

bool SameBytes(const fs::path& path, const std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string existing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return existing == bytes;
}

class TreeWriter {
public:
    TreeWriter(fs::path root, std::string* error) : m_root(std::move(root)), m_error(error) {}

    bool Put(const fs::path& relative, const std::string& bytes) {
        const fs::path path = m_root / relative;
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        if (ec) return Fail("cannot create " + path.parent_path().string() + ": " + ec.message());
        if (SameBytes(path, bytes)) return true;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) return Fail("cannot write " + path.string());
        return true;
    }

private:
    bool Fail(const std::string& message) {
        if (m_error) *m_error = message;
        return false;
    }

    fs::path m_root;
    std::string* m_error;
};

}  // namespace

bool WriteResourceTree(const fs::path& root, std::string* error) {
    TreeWriter tree(root, error);

    const mmd::PMXFileData sample = BuildSampleCharacter();
    const std::vector<uint8_t> pmx = mmd::PmxWriter::Write(sample);
    const fs::path sampleDir = fs::path("model") / "0_sample";
    if (!tree.Put(sampleDir / "sample.pmx", std::string(pmx.begin(), pmx.end()))) return false;
    for (const auto& [relative, image] : SampleTextures()) {
        if (!tree.Put(sampleDir / relative, image.EncodePng())) return false;
    }

    for (int n = 1; n <= 10; ++n) {
        char name[16];
        std::snprintf(name, sizeof(name), "toon%02d.bmp", n);
        if (!tree.Put(fs::path("toontex") / name, ToonRamp(n).EncodeBmp())) return false;
    }

    if (!WritePoseSets(root / "pose", error)) return false;

    return tree.Put(fs::path("accessory") / "README.txt", kAccessoryReadme);
}

}  // namespace mnxc

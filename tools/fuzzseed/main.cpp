// fuzzseed <dir>: writes seed inputs for the fuzz targets into <dir>/<kind> (pmx, vmd, vpd, text, packet, stream,
// obj_reader).
// Valid files let the fuzzer start from deep inside each reader instead of guessing signatures.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ModelBuilder.h"
#include "mmd/writer/ShiftJis.h"
#include "mmd/writer/VmdWriter.h"
#include "mmd/writer/VpdWriter.h"

namespace fs = std::filesystem;
using mnx::test::ModelBuilder;
using mmd::VmdWriter;
using mmd::VpdWriter;

namespace {

bool SaveBytes(const fs::path& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool SaveString(const fs::path& path, const std::string& bytes) { return SaveBytes(path, bytes.data(), bytes.size()); }

// A two-bone, one-triangle model: small enough for the fuzzer to mutate every field.
ModelBuilder SmallModel() {
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 8, 0});
    const int arm = b.AddBone("左腕", {1, 15, 0}, root);
    b.AddVertex({0, 0, 0}, root);
    b.AddVertexBDEF2({1, 0, 0}, root, arm, 0.5f);
    b.AddVertex({0, 1, 0}, arm);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("body");
    b.AddPositionMorph("あ", {{0, {0, 0.1f, 0}}});
    return b;
}

bool WritePmx(const fs::path& dir) {
    bool ok = ModelBuilder::EveryFeature().WriteFile((dir / "every_feature.pmx").string());
    ModelBuilder utf8 = ModelBuilder::EveryFeature();
    utf8.SetEncoding(1);
    ok = utf8.WriteFile((dir / "every_feature_utf8.pmx").string()) && ok;
    ok = SmallModel().WriteFile((dir / "small.pmx").string()) && ok;
    ModelBuilder small21 = SmallModel();
    small21.SetVersion(2.1f);
    return small21.WriteFile((dir / "small_21.pmx").string()) && ok;
}

bool WriteVmd(const fs::path& dir) {
    VmdWriter full;
    full.SetModelName("初音ミク");
    mmd::VmdBoneKey key;
    key.name = "センター";
    key.interpolation = VmdWriter::Linear();
    full.AddBoneKey(key);
    key.frame = 30;
    key.translate = {0, 1, 0};
    key.interpolation = VmdWriter::Curves(64, 0, 64, 127);
    full.AddBoneKey(key);
    full.AddMorphKey("あ", 0, 0.0f).AddMorphKey("あ", 15, 1.0f);
    full.AddCameraKey({}).AddLightKey({}).AddShadowKey({});
    mmd::VmdIkKey ik;
    ik.iks = {{"左足ＩＫ", true}, {"右足ＩＫ", false}};
    full.AddIkKey(ik);
    bool ok = full.Save((dir / "full.vmd").string());

    VmdWriter old;
    old.SetSignature(VmdWriter::kOldSignature).AddBoneKey(key).EndAfter(mmd::VmdSection::Morphs);
    return old.Save((dir / "old_signature.vmd").string()) && ok;
}

bool WriteVpd(const fs::path& dir) {
    VpdWriter pose;
    pose.AddBone("センター", {0, 1, 0}, glm::quat(1, 0, 0, 0));
    pose.AddBone("左腕", {0, 0, 0}, glm::quat(0.92f, 0, 0, 0.38f));
    pose.AddMorph("まばたき", 1.0f);
    bool ok = pose.Save((dir / "pose.vpd").string());
    VpdWriter bare;
    bare.AddBone("頭", {0, 0, 0}, glm::quat(1, 0, 0, 0)).SetLineEnd("\n").SetComments(false);
    return bare.Save((dir / "bare.vpd").string()) && ok;
}

bool WriteText(const fs::path& dir) {
    bool ok = SaveString(dir / "sjis.txt", mmd::ToShiftJis("センター 左腕ＩＫ まばたき ｱｲｳ abc"));
    ok = SaveString(dir / "utf8.txt", "ascii \xC3\xA9 \xE3\x81\x82 \xF0\x9F\x98\x80") && ok;
    const std::u16string units = u"\u30BB\u30F3 a \U0001F600 \xD800";
    return SaveBytes(dir / "utf16.bin", units.data(), units.size() * sizeof(char16_t)) && ok;
}

// What the phone streams: blend-shape values, then the head and eye angles and the head position.
bool WritePacket(const fs::path& dir) {
    const std::string frame =
        "mouthSmile_R-0|eyeLookOut_L-0|mouthUpperUp_L-11|eyeWide_R-0|mouthClose-8|mouthPucker-4|"
        "eyeBlink_L-100|jawOpen-45|tongueOut-0|browInnerUp-17|"
        "=head#-21.488958,-6.038993,-6.6019735,-0.030653415,-0.10287084,-0.58661716|"
        "rightEye#6.0297494,2.4403017,0.25649446|leftEye#6.034903,-1.6660284,-0.17520553|";
    bool ok = SaveString(dir / "frame.txt", frame);
    return SaveString(dir / "broken.txt", std::string(96, '|') + "jawOpen--40|=head#1,2|#5|a-b-c|") && ok;
}

// The stream as a phone on Wi-Fi delivers it: packets with their trailer, two in one read, one cut in two.
bool WriteStream(const fs::path& dir) {
    const std::string packet =
        "eyeBlink_L-100|jawOpen-45|browInnerUp-17|"
        "=head#-21.488958,-6.038993,-6.6019735,-0.030653415,-0.10287084,-0.58661716|"
        "rightEye#6.0297494,2.4403017,0.25649446|leftEye#6.034903,-1.6660284,-0.17520553|___iFacialMocap";
    bool ok = SaveString(dir / "two.bin", packet + packet);
    ok = SaveString(dir / "cut.bin", packet + packet.substr(0, packet.size() - 7)) && ok;
    return SaveString(dir / "no_trailer.bin", packet.substr(0, packet.size() - 15)) && ok;
}

// The OBJ reader starts from the meshes the app ships, plus a small file with every record kind.
bool WriteObj(const fs::path& dir) {
    bool ok = SaveString(dir / "small.obj",
                         "# quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                         "vn 0 0 1\nf 1/1/1 2/2/1 3/3/1 4/4/1\nf 1//1 3//1 4//1\n");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(MNX_SYSTEM_MESH_DIR, error)) {
        if (entry.path().extension() == ".obj")
            ok = fs::copy_file(entry.path(), dir / entry.path().filename(), fs::copy_options::overwrite_existing,
                               error) &&
                 ok;
    }
    return ok && !error;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzzseed <corpus-dir>\n");
        return 2;
    }
    const fs::path root = argv[1];
    std::error_code error;
    for (const char* name : {"pmx", "vmd", "vpd", "text", "packet", "stream", "obj_reader"})
        fs::create_directories(root / name, error);
    if (error) {
        std::fprintf(stderr, "fuzzseed: cannot create %s: %s\n", root.string().c_str(), error.message().c_str());
        return 1;
    }
    const bool ok = WritePmx(root / "pmx") && WriteVmd(root / "vmd") && WriteVpd(root / "vpd") &&
                    WriteText(root / "text") && WritePacket(root / "packet") && WriteStream(root / "stream") &&
                    WriteObj(root / "obj_reader");
    if (!ok) {
        std::fprintf(stderr, "fuzzseed: failed to write a seed file under %s\n", root.string().c_str());
        return 1;
    }
    return 0;
}

#include "SampleCharacter.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "Character.h"

namespace mnxc {
namespace {

struct MaterialLook {
    const char* name;
    const char* english;
    const char* texture;
    glm::vec4 diffuse;
    glm::vec3 ambient;
    uint8_t flags;
    float edgeSize;
    int toon;
};

constexpr uint8_t kShadowFlags = mmd::kPMXDrawGroundShadow | mmd::kPMXDrawCastSelfShadow | mmd::kPMXDrawReceiveSelfShadow;
constexpr uint8_t kSolid = kShadowFlags | mmd::kPMXDrawEdge;
constexpr uint8_t kDecal = mmd::kPMXDrawReceiveSelfShadow;

void AddMaterials(mmd::PMXFileData& pmx) {
    // Order matches the Material enum.
    const MaterialLook looks[kMaterialCount] = {
        {"肌", "skin", "tex/skin.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f}, kSolid, 0.6f, 1},
        {"服", "blouse", "tex/blouse.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f}, kSolid, 0.8f, 0},
        {"スカート", "skirt", "tex/skirt.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f},
         static_cast<uint8_t>(kSolid | mmd::kPMXDrawBothFace), 0.8f, 0},
        {"靴下", "socks", "tex/socks.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f}, kSolid, 0.6f, 0},
        {"靴", "shoes", "tex/shoes.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f}, kSolid, 0.6f, 0},
        {"リボン", "ribbon", "tex/ribbon.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f}, kSolid, 0.6f, 5},
        {"髪", "hair", "tex/hair.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.5f, 0.5f, 0.5f},
         static_cast<uint8_t>(kSolid | mmd::kPMXDrawBothFace), 0.8f, 7},
        {"白目", "eye white", "tex/eyewhite.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.6f, 0.6f, 0.6f}, kDecal, 0.0f, 0},
        {"瞳", "iris", "tex/eye.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.6f, 0.6f, 0.6f}, kDecal, 0.0f, 0},
        {"ハイライト", "highlight", "tex/highlight.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.6f, 0.6f, 0.6f}, 0, 0.0f, 0},
        {"まつ毛", "lashes", "tex/lash.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.6f, 0.6f, 0.6f}, kDecal, 0.0f, 0},
        {"口", "mouth", "tex/mouth.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.6f, 0.6f, 0.6f}, kDecal, 0.0f, 0},
        {"舌", "tongue", "tex/tongue.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.6f, 0.6f, 0.6f}, kDecal, 0.0f, 1},
        {"眉透過", "TransBrow", "tex/brow.png", {1.0f, 1.0f, 1.0f, 1.0f}, {0.6f, 0.6f, 0.6f}, kDecal, 0.0f, 0},
        {"頬", "blush", "tex/blush.png", {1.0f, 1.0f, 1.0f, 0.0f}, {0.6f, 0.6f, 0.6f}, 0, 0.0f, 0},
    };
    for (const MaterialLook& s : looks) {
        mmd::PMXMaterial m;
        m.m_name = s.name;
        m.m_englishName = s.english;
        m.m_diffuse = s.diffuse;
        m.m_specular = glm::vec3(0.0f);
        m.m_specularPower = 5.0f;
        m.m_ambient = s.ambient;
        m.m_drawFlags = s.flags;
        m.m_edgeColor = glm::vec4(0.24f, 0.17f, 0.26f, 1.0f);
        m.m_edgeSize = s.edgeSize;
        int32_t texture = -1;
        for (size_t i = 0; i < pmx.m_textures.size(); ++i) {
            if (pmx.m_textures[i] == s.texture) {
                texture = static_cast<int32_t>(i);
            }
        }
        if (texture < 0) {
            pmx.m_textures.push_back(s.texture);
            texture = static_cast<int32_t>(pmx.m_textures.size() - 1);
        }
        m.m_textureIndex = texture;
        m.m_sphereTextureIndex = -1;
        m.m_sphereMode = mmd::PMXSphereMode::None;
        m.m_toonMode = mmd::PMXToonMode::Shared;
        m.m_toonIndex = s.toon;
        pmx.m_materials.push_back(m);
    }
    // The hair shines with an added sphere map.
    pmx.m_textures.push_back("tex/hair_s.png");
    pmx.m_materials[kHair].m_sphereTextureIndex = static_cast<int32_t>(pmx.m_textures.size() - 1);
    pmx.m_materials[kHair].m_sphereMode = mmd::PMXSphereMode::Add;
    pmx.m_materials[kHair].m_specular = glm::vec3(0.1f);
    pmx.m_materials[kHair].m_specularPower = 20.0f;
}

int32_t MorphIndex(const mmd::PMXFileData& pmx, const std::string& name) {
    for (size_t i = 0; i < pmx.m_morphs.size(); ++i) {
        if (pmx.m_morphs[i].m_name == name) return static_cast<int32_t>(i);
    }
    return -1;
}

// Material morphs (a blush and a highlight switch) and a group morph combining expressions.
void AddMaterialAndGroupMorphs(mmd::PMXFileData& pmx) {
    mmd::PMXMorphRecord blush;
    blush.m_name = "照れ";
    blush.m_englishName = "blush";
    blush.m_controlPanel = 4;
    blush.m_type = mmd::PMXMorphType::Material;
    mmd::PMXMaterialMorphOffset show;
    show.m_materialIndex = kBlush;
    show.m_operation = mmd::PMXMaterialMorphOp::Add;
    show.m_diffuse = glm::vec4(0.0f, 0.0f, 0.0f, 0.8f);
    blush.m_materialOffsets.push_back(show);
    pmx.m_morphs.push_back(std::move(blush));

    mmd::PMXMorphRecord noHighlight;
    noHighlight.m_name = "ハイライト消";
    noHighlight.m_englishName = "highlight off";
    noHighlight.m_controlPanel = 4;
    noHighlight.m_type = mmd::PMXMorphType::Material;
    mmd::PMXMaterialMorphOffset hide;
    hide.m_materialIndex = kHighlight;
    hide.m_operation = mmd::PMXMaterialMorphOp::Multiply;
    hide.m_diffuse = glm::vec4(1.0f, 1.0f, 1.0f, 0.0f);
    hide.m_specular = glm::vec3(1.0f);
    hide.m_specularPower = 1.0f;
    hide.m_ambient = glm::vec3(1.0f);
    hide.m_edgeColor = glm::vec4(1.0f);
    hide.m_edgeSize = 1.0f;
    hide.m_textureFactor = glm::vec4(1.0f);
    hide.m_sphereTextureFactor = glm::vec4(1.0f);
    hide.m_toonTextureFactor = glm::vec4(1.0f);
    noHighlight.m_materialOffsets.push_back(hide);
    pmx.m_morphs.push_back(std::move(noHighlight));

    mmd::PMXMorphRecord beam;
    beam.m_name = "笑顔";
    beam.m_englishName = "beam";
    beam.m_controlPanel = 4;
    beam.m_type = mmd::PMXMorphType::Group;
    for (const auto& [name, weight] : {std::pair<const char*, float>{"笑い", 1.0f}, {"にこり", 0.8f}, {"照れ", 0.6f}}) {
        const int32_t index = MorphIndex(pmx, name);
        if (index >= 0) beam.m_groupOffsets.push_back(mmd::PMXGroupMorphOffset{index, weight});
    }
    pmx.m_morphs.push_back(std::move(beam));
}

// Display frames as MMD editors group them: the root, the expressions, then the bones by body region.
void AddDisplayFrames(mmd::PMXFileData& pmx, const Rig& rig) {
    auto frame = [&](const std::string& name, const std::string& english, uint8_t special) -> mmd::PMXDisplayFrame& {
        mmd::PMXDisplayFrame f;
        f.m_name = name;
        f.m_englishName = english;
        f.m_specialFlag = special;
        pmx.m_displayFrames.push_back(std::move(f));
        return pmx.m_displayFrames.back();
    };
    auto bones = [&](mmd::PMXDisplayFrame& f, auto&& accept) {
        for (size_t i = 0; i < pmx.m_bones.size(); ++i) {
            if (accept(pmx.m_bones[i].m_name)) {
                f.m_targets.push_back(mmd::PMXDisplayTarget{mmd::PMXDisplayTargetType::Bone, static_cast<int32_t>(i)});
            }
        }
    };
    auto contains = [](const std::string& name, std::initializer_list<const char*> parts) {
        for (const char* part : parts) {
            if (name.find(part) != std::string::npos) return true;
        }
        return false;
    };

    frame("Root", "Root", 1).m_targets.push_back(
        mmd::PMXDisplayTarget{mmd::PMXDisplayTargetType::Bone, rig["全ての親"]});
    mmd::PMXDisplayFrame& face = frame("表情", "Exp", 1);
    for (size_t i = 0; i < pmx.m_morphs.size(); ++i) {
        face.m_targets.push_back(mmd::PMXDisplayTarget{mmd::PMXDisplayTargetType::Morph, static_cast<int32_t>(i)});
    }
    bones(frame("センター", "Center", 0), [](const std::string& n) { return n == "センター"; });
    bones(frame("体(上)", "Upper body", 0), [](const std::string& n) {
        return n == "上半身" || n == "上半身2" || n == "首" || n == "頭" || n == "両目" || n == "左目" || n == "右目";
    });
    bones(frame("腕", "Arms", 0), [&](const std::string& n) {
        return contains(n, {"肩", "腕", "ひじ", "手捩", "手首"});
    });
    bones(frame("指", "Fingers", 0), [&](const std::string& n) { return contains(n, {"親指", "人指", "中指", "薬指", "小指"}); });
    bones(frame("体(下)", "Lower body", 0), [](const std::string& n) { return n == "下半身"; });
    bones(frame("足", "Legs", 0), [&](const std::string& n) {
        return contains(n, {"足", "ひざ", "つま先"}) && !contains(n, {"髪"});
    });
    bones(frame("髪", "Hair", 0), [&](const std::string& n) { return contains(n, {"髪"}); });
    bones(frame("スカート", "Skirt", 0), [&](const std::string& n) { return contains(n, {"スカート"}); });
}

}  // namespace

mmd::PMXFileData BuildSampleCharacter() {
    mmd::PMXFileData pmx;
    pmx.m_header.m_magic = {'P', 'M', 'X', ' '};
    pmx.m_header.m_version = 2.0f;
    pmx.m_header.m_globalsCount = 8;
    pmx.m_header.m_encoding = 0;
    pmx.m_header.m_additionalUVCount = 0;
    pmx.m_header.m_vertexIndexSize = 4;
    pmx.m_header.m_textureIndexSize = 1;
    pmx.m_header.m_materialIndexSize = 1;
    pmx.m_header.m_boneIndexSize = 2;
    pmx.m_header.m_morphIndexSize = 2;
    pmx.m_header.m_rigidBodyIndexSize = 2;
    pmx.m_info.m_modelName = "サンプル";
    pmx.m_info.m_englishModelName = "Sample";
    pmx.m_info.m_comment = "Marionix sample character. Generated by the Marionix build; free to use with Marionix.";
    pmx.m_info.m_englishComment = pmx.m_info.m_comment;

    AddMaterials(pmx);
    Rig rig(pmx);
    BuildSkeleton(rig);
    MeshBuilder mesh(pmx, kMaterialCount);
    BuildBody(mesh, rig);
    BuildFace(mesh, rig, pmx);
    BuildHair(mesh, rig);
    mesh.Finish();
    BuildPhysics(rig, pmx);
    AddMaterialAndGroupMorphs(pmx);
    AddDisplayFrames(pmx, rig);
    if (pmx.m_vertices.size() < 65536) {
        pmx.m_header.m_vertexIndexSize = 2;
    }
    return pmx;
}

}  // namespace mnxc

#pragma once

#include <vector>

#include "MeshBuilder.h"
#include "Rig.h"
#include "mmd/PMXFile.h"

namespace mnxc {

// Material slots of the sample character in draw order: opaque parts first, then the face layers that sit on the
// skin, then the see-through brows and the blush.
enum Material : int {
    kSkin,
    kBlouse,
    kSkirt,
    kSocks,
    kShoes,
    kRibbon,
    kHair,
    kEyeWhite,
    kIris,
    kHighlight,
    kLash,
    kMouth,
    kTongue,
    kBrow,
    kBlush,
    kMaterialCount
};

// Body, limbs, hands and clothes (blouse, sleeves, skirt, ribbon, socks, shoes). Adds the skirt bones.
void BuildBody(MeshBuilder& mesh, Rig& rig);

// Head skin, neck, eyes, brows, mouth and blush; appends the facial vertex morphs to pmx.m_morphs.
void BuildFace(MeshBuilder& mesh, Rig& rig, mmd::PMXFileData& pmx);

// Hair cap, bangs, side locks, back hair and the two tails with their bones.
void BuildHair(MeshBuilder& mesh, Rig& rig);

// Rigid bodies and joints: bodies following the trunk, head and limbs; dynamic hair tails and skirt.
void BuildPhysics(Rig& rig, mmd::PMXFileData& pmx);

// Number of skirt bone columns around the waist and rows down to the hem (the last row is the tail).
constexpr int kSkirtColumns = 8;
constexpr int kSkirtRows = 2;
// Name of the skirt bone at column c, row r.
std::string SkirtBoneName(int column, int row);
// Name of hair tail bone k (1-based) on a side.
std::string HairBoneName(int side, int k);
constexpr int kHairTailBones = 5;

}  // namespace mnxc

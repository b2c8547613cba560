// Non-finite numbers from a motion file, and a physics world they already poisoned: the character must stay
// finite and visible, and a physics reset must bring the simulated bodies back.
#include <gtest/gtest.h>

#include <cmath>
#include <glm/geometric.hpp>
#include <limits>
#include <memory>

#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "support/ModelBuilder.h"
#include "mmd/writer/VmdWriter.h"

namespace {

using mmd::PMXRigidBodyOperation;
using mmd::PMXRigidBodyShape;
using mnx::test::ModelBuilder;
using mmd::VmdWriter;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "nonfinite_" + name; }

// A root that follows its bone and a tail that hangs from it by a spring joint, like a twin tail.
std::shared_ptr<mmd::PMXModel> TailModel() {
    ModelBuilder b;
    const int root = b.AddBone("センター", {0, 10, 0});
    const int tail = b.AddBone("tail", {0, 8, 0}, root);
    b.AddVertex({0, 10, 0}, root);
    b.AddVertex({0, 8, 0}, tail);
    b.AddVertex({1, 7, 0}, tail);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("body");
    b.AddPositionMorph("あ", {{2, {0, 1, 0}}});
    const int head = b.AddRigidBody("root", root, PMXRigidBodyShape::Sphere, {0.5f, 0, 0}, {0, 10, 0},
                                    PMXRigidBodyOperation::FollowBone, 0, 0);
    const int hair = b.AddRigidBody("tail", tail, PMXRigidBodyShape::Sphere, {0.5f, 0, 0}, {0, 8, 0},
                                    PMXRigidBodyOperation::Dynamic, 1, 0);
    b.AddJoint("joint", head, hair, {0, 9, 0});
    const std::string path = TempPath("tail.pmx");
    EXPECT_TRUE(b.WriteFile(path));
    auto model = std::make_shared<mmd::PMXModel>();
    EXPECT_TRUE(model->Load(path, ""));
    model->InitializeAnimation();
    return model;
}

// One frame as the app runs it.
void Frame(mmd::PMXModel& model, mmd::VMDAnimation* motion, float frame) {
    model.BeginAnimation();
    if (motion) {
        motion->EvaluateMorph(frame);
        motion->Evaluate(frame);
        motion->EvaluateIK(frame);
    }
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    model.UpdatePhysicsAnimation(1.0f / 60.0f);
    model.UpdateNodeAnimation(true);
    model.EndAnimation();
    model.Update();
}

bool AllFinite(const mmd::PMXModel& model) {
    const glm::vec3* p = model.GetUpdatePositions();
    for (size_t i = 0; i < model.GetVertexCount(); ++i) {
        if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y) || !std::isfinite(p[i].z)) return false;
    }
    return true;
}

// Fails when the VMD reader passes NaN and infinity through: skinning and the joint spread them for good.
TEST(NonFiniteMotion, KeysWithNaNAndInfinityLeaveEverySkinnedVertexFinite) {
    auto model = TailModel();
    VmdWriter writer;
    writer.AddBoneKey({"センター", 0, {kNaN, 0, kInf}, glm::quat(1, 0, 0, 0), VmdWriter::Linear()});
    writer.AddBoneKey({"センター", 20, {0, -kInf, 0}, glm::quat(kNaN, 0, kNaN, 0), VmdWriter::Linear()});
    writer.AddBoneKey({"センター", 40, {0, 1, 0}, glm::quat(1, 0, 0, 0), VmdWriter::Linear()});
    writer.AddMorphKey("あ", 0, kNaN).AddMorphKey("あ", 15, kInf).AddMorphKey("あ", 30, -kInf);
    const std::string path = TempPath("poison.vmd");
    ASSERT_TRUE(writer.Save(path));
    mmd::VMDFileData vmd;
    ASSERT_TRUE(mmd::ReadVMDFile(vmd, path));
    mmd::VMDAnimation motion;
    motion.Create(model);
    motion.Add(vmd);
    for (int i = 0; i < 600; ++i) {
        Frame(*model, &motion, std::fmod(i * 0.5f, 50.0f));
        ASSERT_TRUE(AllFinite(*model)) << "frame " << i;
    }
}

// Fails when the reset puts the bodies back onto bones that still hold what the poisoned bodies wrote: the
// twin tail then hangs kilometres away (or, once Bullet drops a body whose bounds overflowed, for good).
TEST(NonFiniteMotion, PhysicsResetBringsPoisonedBodiesBack) {
    auto model = TailModel();
    mmd::MMDNode* root = model->GetNodeManager()->GetNode(0);
    for (int i = 0; i < 30; ++i) Frame(*model, nullptr, 0);
    ASSERT_TRUE(AllFinite(*model));
    const glm::vec3 rest = model->GetUpdatePositions()[2];

    for (int i = 0; i < 5; ++i) {
        model->BeginAnimation();
        root->SetAnimationTranslate({1e30f, 1e30f, 1e30f});
        model->UpdateMorphAnimation();
        model->UpdateNodeAnimation(false);
        model->UpdatePhysicsAnimation(1.0f / 60.0f);
        model->UpdateNodeAnimation(true);
        model->EndAnimation();
        model->Update();
    }
    root->SetAnimationTranslate({0, 0, 0});
    model->ResetPhysics();
    for (int i = 0; i < 120; ++i) {
        Frame(*model, nullptr, 0);
        ASSERT_TRUE(AllFinite(*model)) << "frame " << i << " after the reset";
    }
    EXPECT_LT(glm::distance(model->GetUpdatePositions()[2], rest), 1.0f);
}

}  // namespace

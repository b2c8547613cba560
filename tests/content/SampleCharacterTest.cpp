// The bundled sample character bends, settles, plays motions and renders as a character should.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <glm/geometric.hpp>
#include <glm/gtc/quaternion.hpp>
#include <memory>
#include <string>
#include <vector>

#include "ResourceTree.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysics.h"
#include "mmd/MMDPhysicsManager.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXFile.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"

namespace {

namespace fs = std::filesystem;

// The tree is generated once for the whole suite; every test reads from it.
class SampleCharacterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = fs::temp_directory_path() / ("mnx_sample_" + std::to_string(::getpid()));
        std::string error;
        ASSERT_TRUE(mnxc::WriteResourceTree(s_root, &error)) << error;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(s_root, ec);
    }

    static fs::path SamplePath() { return s_root / "model" / "0_sample" / "sample.pmx"; }

    static std::shared_ptr<mmd::PMXModel> LoadSample(float gravity) {
        auto model = std::make_shared<mmd::PMXModel>();
        if (!model->Load(SamplePath().string(), (s_root / "toontex").string())) return nullptr;
        model->GetMMDPhysics()->SetGravity(0.0f, gravity, 0.0f);
        return model;
    }

    static fs::path s_root;
};

fs::path SampleCharacterTest::s_root;

// One full CPU frame as the app runs it.
void Step(mmd::PMXModel& model, mmd::VMDAnimation* animation, double key) {
    model.BeginAnimation();
    if (animation) animation->Evaluate(static_cast<float>(key));
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    model.UpdatePhysicsAnimation(1.0f / 60.0f);
    model.UpdateNodeAnimation(true);
    model.EndAnimation();
    model.Update();
}

// How far any rigid body strayed from the place relative to its bone that it held at rest.
struct Drift {
    float distance = 0.0f;
    std::string body;
    int frame = -1;
    std::vector<glm::mat4> rest;

    explicit Drift(mmd::PMXModel& model) {
        for (const auto& rigidBody : model.GetPhysicsManager()->GetRigidBodies()) {
            const mmd::MMDNode* node = rigidBody->GetNode();
            rest.push_back(node ? glm::inverse(node->GetGlobalTransform()) * rigidBody->GetTransform() : glm::mat4(1));
        }
    }
    void Update(mmd::PMXModel& model, int atFrame) {
        const auto& bodies = model.GetPhysicsManager()->GetRigidBodies();
        for (size_t i = 0; i < bodies.size(); ++i) {
            if (!bodies[i]->GetNode()) continue;
            const glm::vec3 actual(bodies[i]->GetTransform()[3]);
            const glm::vec3 expected((bodies[i]->GetNode()->GetGlobalTransform() * rest[i])[3]);
            const float d = glm::length(actual - expected);
            if (d > distance) {
                distance = d;
                body = bodies[i]->GetName();
                frame = atFrame;
            }
        }
    }
};

struct PlayCase {
    const char* name;
    float gravity;
    std::string motion;  // empty: standing still; else relative to the generated tree, or absolute
};

class SampleCharacterPlayTest : public SampleCharacterTest, public ::testing::WithParamInterface<PlayCase> {};

// Standing still or playing real and bundled motions, no part of the character flies off or leaves its bone, and
// standing still, hair and skirt settle and stay settled.
TEST_P(SampleCharacterPlayTest, StaysInOnePiece) {
    const PlayCase& c = GetParam();
    auto model = LoadSample(c.gravity);
    ASSERT_TRUE(model);
    mmd::VMDAnimation animation;
    const bool animated = !c.motion.empty();
    if (animated) {
        const fs::path path = fs::path(c.motion).is_absolute() ? fs::path(c.motion) : s_root / c.motion;
        if (!fs::exists(path)) GTEST_SKIP() << path << " is not there";
        mmd::VMDFileData vmd;
        ASSERT_TRUE(mmd::ReadVMDFile(vmd, path.string()));
        ASSERT_TRUE(animation.Create(model));
        ASSERT_TRUE(animation.Add(vmd));
    }
    model->InitializeAnimation();
    const double maxKey = std::max(1.0, static_cast<double>(animation.GetMaxKeyTime()));
    Drift drift(*model);
    std::vector<glm::vec3> previous;
    float farthest = 0.0f;
    float lastMove = 0.0f;
    for (int frame = 0; frame < 600; ++frame) {
        Step(*model, animated ? &animation : nullptr, animated ? std::fmod(frame * 0.5, maxKey) : 0.0);
        // A motion's first key snaps the body out of the rest pose the bodies start in; they catch up within a few
        // frames.
        if (frame >= 30) drift.Update(*model, frame);
        const glm::vec3* positions = model->GetUpdatePositions();
        for (size_t i = 0; i < model->GetVertexCount(); ++i) {
            ASSERT_TRUE(std::isfinite(positions[i].x) && std::isfinite(positions[i].y) &&
                        std::isfinite(positions[i].z));
            farthest = std::max(farthest, glm::length(positions[i]));
            if (frame == 599) lastMove = std::max(lastMove, glm::length(positions[i] - previous[i]));
        }
        previous.assign(positions, positions + model->GetVertexCount());
    }
    EXPECT_LT(farthest, 30.0f);
    EXPECT_LT(drift.distance, 3.0f) << drift.body << " at frame " << drift.frame;
    if (!animated) {
        EXPECT_LT(lastMove, 0.02f) << "nothing shivers";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SampleCharacterPlayTest,
    ::testing::Values(PlayCase{"StillApp", -9.8f * 3.0f, ""}, PlayCase{"StillMmdGravity", -98.0f, ""},
                      PlayCase{"Stand", -29.4f, "pose/default/stand.vmd"},
                      PlayCase{"Run", -29.4f, MNX_FIXTURES_DIR "/real/motions/run.vmd"},
                      PlayCase{"Pose", -29.4f, MNX_FIXTURES_DIR "/real/motions/pose_im5066365.vmd"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

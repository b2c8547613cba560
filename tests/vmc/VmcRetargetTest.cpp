// The receive path as the app runs it (liblo-written packets over UDP, the receiver thread, the per-model glue
// and the real model runtime) on a real model that rests in an A-pose, and the round trip through our sender.
#include <gtest/gtest.h>

#include <QString>
#include <chrono>
#include <cmath>
#include <glm/gtc/quaternion.hpp>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "LoPackets.h"
#include "app/base/KySettings.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "vmc/VmcCharacter.h"
#include "vmc/VmcMessageHandler.h"
#include "vmc/VmcReceiver.h"

namespace {

const float kS45 = std::sqrt(0.5f);

std::shared_ptr<mmd::PMXModel> loadFixture() {
    auto model = std::make_shared<mmd::PMXModel>();
    EXPECT_TRUE(model->Load(MNX_FIXTURES_DIR "/real/miku_v2/index.pmx", ""));
    model->InitializeAnimation();
    return model;
}

mmd::MMDNode* nodeOf(mmd::PMXModel& model, const char* name) {
    const int index = model.GetNodeManager()->FindNodeIndex(name);
    EXPECT_GE(index, 0) << name;
    return index < 0 ? nullptr : model.GetNodeManager()->GetNode(static_cast<size_t>(index));
}

glm::vec3 positionOf(mmd::PMXModel& model, const char* name) {
    return glm::vec3(nodeOf(model, name)->GetGlobalTransform()[3]);
}

glm::vec3 boneDirection(mmd::PMXModel& model, const char* from, const char* to) {
    return glm::normalize(positionOf(model, to) - positionOf(model, from));
}

float degreesBetween(const glm::vec3& a, const glm::vec3& b) {
    return glm::degrees(std::acos(std::min(1.0f, std::max(-1.0f, glm::dot(glm::normalize(a), glm::normalize(b))))));
}

float degreesBetween(const glm::quat& a, const glm::quat& b) {
    return glm::degrees(2.0f * std::acos(std::min(1.0f, std::abs(glm::dot(glm::normalize(a), glm::normalize(b))))));
}

// One frame as the app runs it, with a still idle motion (every bone at rest) in place of the VMD.
void runFrame(mmd::PMXModel& model, vmc::VmcCharacter& character, std::int64_t nowMs, vmc::VmcReceiver* receiver) {
    for (size_t i = 0; i < model.GetNodeManager()->GetNodeCount(); ++i) {
        mmd::MMDNode* node = model.GetNodeManager()->GetNode(i);
        node->SetAnimationRotate(glm::quat(1.0f, 0.0f, 0.0f, 0.0f));
        node->SetAnimationTranslate(glm::vec3(0.0f));
    }
    model.BeginAnimation();
    character.UpdateBeforeModel(nowMs, receiver);
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    model.UpdateNodeAnimation(true);
    model.EndAnimation();
}

// Waits until the receiver published a frame newer than `after`.
std::int64_t waitForFrame(const vmc::VmcReceiver& receiver, std::int64_t after = 0) {
    for (int i = 0; i < 400; ++i) {
        const std::int64_t stamp = receiver.latest().stamp;
        if (stamp != 0 && stamp != after) return stamp;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ADD_FAILURE() << "no VMC frame arrived";
    return 0;
}

class VmcReceiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        setKySettings(&m_settings);
        ASSERT_TRUE(m_receiver.start(0)) << m_receiver.lastError();
        m_model = loadFixture();
        m_character = std::make_unique<vmc::VmcCharacter>(m_model, nullptr);
    }
    void TearDown() override {
        m_receiver.stop();
        setKySettings(nullptr);
    }

    KySettings m_settings;
    vmc::VmcReceiver m_receiver;
    std::shared_ptr<mmd::PMXModel> m_model;
    std::unique_ptr<vmc::VmcCharacter> m_character;
};

TEST_F(VmcReceiveTest, SendersTPoseGivesHorizontalArmsOnAnAPoseModel) {
    runFrame(*m_model, *m_character, vmc::steadyMs(), &m_receiver);
    ASSERT_LT(boneDirection(*m_model, "左腕", "左ひじ").y, -0.3f) << "the fixture should rest in an A-pose";

    std::vector<LoBone> tPose;
    for (const vmc::HumanoidBone& bone : vmc::humanoidBones()) tPose.push_back({bone.name, {0, 0, 0, 1}});
    sendLoBundle(m_receiver.port(), tPose);
    runFrame(*m_model, *m_character, waitForFrame(m_receiver), &m_receiver);

    const struct {
        const char* from;
        const char* to;
        glm::vec3 along;
    } arms[] = {{"左腕", "左ひじ", {1, 0, 0}},
                {"左ひじ", "左手首", {1, 0, 0}},
                {"右腕", "右ひじ", {-1, 0, 0}},
                {"右ひじ", "右手首", {-1, 0, 0}}};
    for (const auto& arm : arms) {
        EXPECT_LT(degreesBetween(boneDirection(*m_model, arm.from, arm.to), arm.along), 1.0f) << arm.from;
    }
}

// Decodes our sender's bytes with a plain liblo server and handlers of the test's own.
struct IndependentReceiver {
    std::map<std::string, glm::quat> bones;  // Unity x, y, z, w as sent
    std::map<std::string, float> blends;
    int applies = 0;

    static int onBone(const char*, const char*, lo_arg** argv, int, lo_message, void* user) {
        static_cast<IndependentReceiver*>(user)->bones[&argv[0]->s] =
            glm::quat(argv[7]->f, argv[4]->f, argv[5]->f, argv[6]->f);
        return 0;
    }
    static int onBlend(const char*, const char*, lo_arg** argv, int, lo_message, void* user) {
        static_cast<IndependentReceiver*>(user)->blends[&argv[0]->s] = argv[1]->f;
        return 0;
    }
    static int onApply(const char*, const char*, lo_arg**, int, lo_message, void* user) {
        ++static_cast<IndependentReceiver*>(user)->applies;
        return 0;
    }
    void decode(const char* data, size_t size) {
        lo_server server = lo_server_new(nullptr, nullptr);
        lo_server_enable_queue(server, 0, 1);
        lo_server_add_method(server, "/VMC/Ext/Bone/Pos", "sfffffff", &onBone, this);
        lo_server_add_method(server, "/VMC/Ext/Blend/Val", "sf", &onBlend, this);
        lo_server_add_method(server, "/VMC/Ext/Blend/Apply", "", &onApply, this);
        EXPECT_GT(lo_server_dispatch_data(server, const_cast<char*>(data), size), 0);
        lo_server_free(server);
    }
    // World rotation of a bone through the humanoid chain, in Unity space.
    glm::quat world(const std::vector<const char*>& chain) const {
        glm::quat q(1, 0, 0, 0);
        for (const char* name : chain) {
            const auto it = bones.find(name);
            if (it != bones.end()) q = q * it->second;
        }
        return q;
    }
};

TEST_F(VmcReceiveTest, ReceiveAfterSendIsIdentityAndAnIndependentReceiverSeesThePose) {
    mmd::PMXModel& a = *m_model;
    const auto pose = [&a](const char* name, const glm::quat& q) { nodeOf(a, name)->SetAnimationRotate(q); };
    a.BeginAnimation();
    pose("上半身", glm::angleAxis(glm::radians(10.0f), glm::vec3(1, 0, 0)));
    pose("左腕", glm::angleAxis(glm::radians(25.0f), glm::vec3(0, 0, 1)) *
                     glm::angleAxis(glm::radians(20.0f), glm::vec3(0, 1, 0)));
    pose("左ひじ", glm::angleAxis(glm::radians(40.0f), glm::vec3(0, 1, 0)));
    pose("右腕", glm::angleAxis(glm::radians(-30.0f), glm::vec3(0, 0, 1)));
    pose("頭", glm::angleAxis(glm::radians(20.0f), glm::vec3(0, 1, 0)));
    pose("左足", glm::angleAxis(glm::radians(15.0f), glm::vec3(1, 0, 0)));
    pose("左人指１", glm::angleAxis(glm::radians(30.0f), glm::vec3(0, 0, 1)));
    nodeOf(a, "センター")->SetAnimationTranslate(glm::vec3(0.5f, -1.0f, 0.3f));
    a.GetMorphManager()->GetMorph(static_cast<size_t>(a.GetMorphManager()->FindMorphIndex("あ")))->SetWeight(0.7f);
    a.UpdateMorphAnimation();
    a.UpdateNodeAnimation(false);
    a.UpdateNodeAnimation(true);
    a.EndAnimation();
    ASSERT_TRUE(m_character->sendTo("127.0.0.1", m_receiver.port(), 1.0f));

    // Another app's view: the left upper arm's T-pose direction (-x in Unity) turned by its world rotation is
    // the character's arm, mirrored into Unity's left-handed frame.
    IndependentReceiver other;
    other.decode(m_character->sender().data(), m_character->sender().size());
    const glm::quat arm = other.world({"Hips", "Spine", "Chest", "UpperChest", "LeftShoulder", "LeftUpperArm"});
    const glm::vec3 unityArm = arm * glm::vec3(-1, 0, 0);
    const glm::vec3 modelArm = boneDirection(a, "左腕", "左ひじ");
    EXPECT_LT(degreesBetween(unityArm, glm::vec3(-modelArm.x, modelArm.y, modelArm.z)), 1.0f);
    EXPECT_EQ(other.applies, 1);
    EXPECT_NEAR(other.blends["A"], 0.7f, 1e-6f);
    EXPECT_EQ(other.blends.count("jawOpen"), 1u);
    EXPECT_EQ(other.blends.count("mouthSmile_R"), 1u);

    // Our receiver into a second copy of the model: every driven bone ends where it was.
    auto b = loadFixture();
    vmc::VmcCharacter receiving(b, nullptr);
    runFrame(*b, receiving, waitForFrame(m_receiver), &m_receiver);
    int compared = 0;
    for (const vmc::HumanoidBone& bone : vmc::humanoidBones()) {
        if (bone.model == nullptr || b->GetNodeManager()->FindNodeIndex(bone.model) < 0) continue;
        const glm::quat qa = glm::quat_cast(glm::mat3(nodeOf(a, bone.model)->GetGlobalTransform()));
        const glm::quat qb = glm::quat_cast(glm::mat3(nodeOf(*b, bone.model)->GetGlobalTransform()));
        EXPECT_LT(degreesBetween(qa, qb), 1.0f) << bone.name;
        ++compared;
    }
    EXPECT_GT(compared, 40);
    EXPECT_LT(glm::length(positionOf(a, "下半身") - positionOf(*b, "下半身")), 0.01f);
}

// Work per datagram is bounded: after the budget, even a well-formed bone is ignored.
TEST(VmcMessageHandlerTest, ADatagramBeyondTheMessageBudgetIsCutOff) {
    lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    for (int i = 0; i < vmc::VmcMessageHandler::kMaxMessagesPerDatagram; ++i) {
        lo_bundle_add_message(bundle, "/VMC/Ext/T", lo_message_new());
    }
    lo_message bone = lo_message_new();
    lo_message_add_string(bone, "Head");
    for (int k = 0; k < 7; ++k) lo_message_add_float(bone, k == 6 ? 1.0f : 0.0f);
    lo_bundle_add_message(bundle, "/VMC/Ext/Bone/Pos", bone);
    size_t size = 0;
    void* bytes = lo_bundle_serialise(bundle, nullptr, &size);

    lo_server server = lo_server_new(nullptr, nullptr);
    vmc::VmcMessageHandler handler;
    handler.attach(server);
    handler.dispatch(server, bytes, size);
    EXPECT_TRUE(handler.endDatagram(1) == false);
    EXPECT_FALSE(handler.frame().received[5]);
    EXPECT_EQ(handler.handledCount(), vmc::VmcMessageHandler::kMaxMessagesPerDatagram + 1);

    // The same bone alone in the next datagram counts again.
    size_t boneSize = 0;
    void* boneBytes = lo_message_serialise(bone, "/VMC/Ext/Bone/Pos", nullptr, &boneSize);
    handler.dispatch(server, boneBytes, boneSize);
    EXPECT_TRUE(handler.endDatagram(2));
    EXPECT_TRUE(handler.frame().received[5]);
    free(boneBytes);
    free(bytes);
    lo_server_free(server);
    lo_bundle_free_recursive(bundle);
}

}  // namespace

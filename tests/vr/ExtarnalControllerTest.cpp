// The body controller bound to small models built in code (and to the real fixture model), observed through the
// model's bones and morphs after each frame: set-up and its report, virtual IK nodes, head, eyes and upper body
// from face frames, face-morph weights and their curves, the capture-freeze hold, the noise filter, and an
// allocation-free frame.
#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/quaternion.hpp>
#include <memory>
#include <string>

#include "app/base/KySettings.h"
#include "face/FaceNameTable.h"
#include "face/iFacialMoCap.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXModel.h"
#include "support/CountingMalloc.h"
#include "support/ModelBuilder.h"
#include "vr/ExtarnalController.h"
#include "vr/VrTestSupport.h"

namespace {

constexpr float kDeg = 3.14159265358979f / 180.0f;

using mnx::test::ModelBuilder;

// Face frames without a phone: a receiver that packets are parsed into, reported as connected and capturing,
// with a frame stamp the test advances.
class PacketFeed : public FaceFeed {
public:
    PacketFeed() {
        iFacialMoCap::Settings s;
        s.mirror = false;
        s.eyeRotMul = 1.0f;
        m_receiver.setSettings(s);
    }
    iFacialMoCap* receiver() const override { return &m_receiver; }
    bool isConnected(const iFacialMoCap&) const override { return connected; }
    bool isCapturing() const override { return capturing; }
    qint64 frameStamp(const FaceFrame&) const override { return stamp; }

    // Parses the packet twice, so the previous and the latest frame agree whichever one a reader takes, and
    // marks a new capture frame.
    void send(std::initializer_list<std::string> items) {
        std::string text;
        for (const std::string& item : items) text += item + "|";
        while (text.size() < 100) text += '|';
        m_receiver.Parse(QString::fromStdString(text));
        m_receiver.Parse(QString::fromStdString(text));
        ++stamp;
    }

    bool connected = true;
    bool capturing = true;
    qint64 stamp = 100;

private:
    mutable iFacialMoCap m_receiver;
};

std::string head(float rx, float ry, float rz, float px = 0, float py = 0, float pz = 0) {
    return "=head#" + std::to_string(rx) + "," + std::to_string(ry) + "," + std::to_string(rz) + "," +
           std::to_string(px) + "," + std::to_string(py) + "," + std::to_string(pz);
}

// A humanoid upper body with eyes, arms, a simulated hair bone and face morphs.
std::shared_ptr<mmd::PMXModel> buildModel() {
    ModelBuilder b;
    const int center = b.AddBone("センター", {0, 8, 0});
    const int upper = b.AddBone("上半身", {0, 10, 0}, center);
    const int upper2 = b.AddBone("上半身2", {0, 12, 0}, upper);
    const int neck = b.AddBone("首", {0, 15, 0}, upper2);
    const int headBone = b.AddBone("頭", {0, 16, 0}, neck);
    const int eyes = b.AddBone("両目", {0, 17, 0}, headBone);
    const int left = b.AddBone("左目", {0.4f, 17, -0.6f}, headBone);
    b.SetAppend(left, eyes, 0.5f, true, false);
    const int right = b.AddBone("右目", {-0.4f, 17, -0.6f}, headBone);
    b.SetAppend(right, eyes, 1.0f, true, false);
    for (const float side : {1.0f, -1.0f}) {
        const std::string s = side > 0 ? "左" : "右";
        const int arm = b.AddBone(s + "腕", {1.5f * side, 14, 0}, upper2);
        const int elbow = b.AddBone(s + "ひじ", {3.5f * side, 12, 0}, arm);
        const int twist = b.AddBone(s + "手捩", {4.5f * side, 11, 0}, elbow);
        b.AddBone(s + "手首", {5.5f * side, 10, 0}, twist);
    }
    const int hair = b.AddBone("髪", {0, 17, 1}, headBone);
    b.AddRigidBody("hair", hair, mmd::PMXRigidBodyShape::Sphere, {0.3f, 0, 0}, {0, 17, 1.2f},
                   mmd::PMXRigidBodyOperation::Dynamic);
    b.AddRigidBody("head", headBone, mmd::PMXRigidBodyShape::Sphere, {1, 0, 0}, {0, 16.5f, 0},
                   mmd::PMXRigidBodyOperation::FollowBone, 1, 0);
    b.AddVertex({0, 16, 0}, headBone);
    b.AddVertex({1, 16, 0}, headBone);
    b.AddVertex({0, 17, 0}, headBone);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("face");
    for (const char* morph : {"あ", "jawOpen", "noseSneer_L", "まばたき", "eyeBlink_L", "eyeSquint_L", "eyeBlink_R",
                              "browDown_L", "tongueOut", "mouthSmile_L"}) {
        b.AddPositionMorph(morph, {{0, {0, 0.1f, 0}}});
    }
    const std::string path = ::testing::TempDir() + "controller.pmx";
    auto model = std::make_shared<mmd::PMXModel>();
    return b.WriteFile(path) && model->Load(path, "") ? model : nullptr;
}

glm::quat ry(float degrees) { return glm::angleAxis(degrees * kDeg, glm::vec3(0, 1, 0)); }
glm::quat rx(float degrees) { return glm::angleAxis(degrees * kDeg, glm::vec3(1, 0, 0)); }

// Angle between two rotations in degrees (sign-insensitive).
float angleBetween(const glm::quat& a, const glm::quat& b) {
    const float d = std::fabs(glm::dot(glm::normalize(a), glm::normalize(b)));
    return 2.0f * std::acos(std::min(1.0f, d)) / kDeg;
}

glm::quat globalRotation(const mmd::MMDNode* node) { return glm::quat_cast(glm::mat3(node->GetGlobalTransform())); }

class ControllerTest : public ::testing::Test {
protected:
    ~ControllerTest() override { setKySettings(nullptr); }

    void bind(std::shared_ptr<mmd::PMXModel> bound = buildModel()) {
        model = std::move(bound);
        ASSERT_NE(model, nullptr);
        controller = std::make_unique<ExtarnalController>();
        controller->setFaceFeed(&feed);
        ASSERT_TRUE(controller->SetupController(model));
        model->InitializeAnimation();
    }

    // One frame in the drawable model's order.
    void frame() {
        model->BeginAnimation();
        controller->UpdateBeforeModel();
        model->UpdateMorphAnimation();
        model->UpdateNodeAnimation(false);
        model->UpdatePhysicsAnimation(1.0f / 60.0f);
        controller->UpdateNoiseFilter();  // the filter is on (Global/NoiseFIlter >= 1) in every test
        model->UpdateNodeAnimation(false);
        model->EndAnimation();
        controller->UpdateFrameEnd();
    }

    mmd::MMDNode* node(const char* name) const {
        return model->GetNodeManager()->GetNode(static_cast<size_t>(model->GetNodeManager()->FindNodeIndex(name)));
    }
    mmd::MMDMorph* morph(const char* name) const {
        return model->GetMorphManager()->GetMorph(static_cast<size_t>(model->GetMorphManager()->FindMorphIndex(name)));
    }
    float weight(const char* name) const { return morph(name)->GetWeight(); }
    float hold() const { return ExtarnalControllerTestPeer::holdWeight(*controller); }

    PacketFeed feed;
    std::shared_ptr<mmd::PMXModel> model;
    std::unique_ptr<ExtarnalController> controller;
};

// ---- Set-up ----

TEST_F(ControllerTest, SetupBindsOnceAndNeedsAModel) {
    ExtarnalController unbound;
    EXPECT_FALSE(unbound.SetupController(nullptr));
    EXPECT_FALSE(unbound.isReady());
    unbound.UpdateBeforeModel();  // harmless while unbound
    unbound.UpdateNoiseFilter();
    unbound.UpdateFrameEnd();

    bind();
    EXPECT_TRUE(controller->isReady());
    const size_t nodes = model->GetNodeManager()->GetNodeCount();
    EXPECT_FALSE(controller->SetupController(model)) << "a second binding is refused";
    EXPECT_EQ(model->GetNodeManager()->GetNodeCount(), nodes) << "and adds no second set of virtual nodes";
}

// ---- Head, eyes and upper body ----

TEST_F(ControllerTest, HeadYawTurnsTheHeadAndUpperBody) {
    bind();
    // With mirror off the phone's yaw arrives negated: 30 degrees become a turn of -30 about y.
    feed.send({head(0, 30, 0)});
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_LT(angleBetween(node("頭")->GetAnimationRotate(), ry(-15)), 0.01f) << "the head keeps half the yaw";
    EXPECT_LT(angleBetween(node("上半身2")->GetAnimationRotate(), ry(-7.5f)), 0.01f) << "the chest takes a quarter";
    EXPECT_LT(angleBetween(node("上半身")->GetAnimationRotate(), glm::quat(1, 0, 0, 0)), 0.01f);
    EXPECT_LT(angleBetween(globalRotation(node("頭")), ry(-22.5f)), 0.01f);
    // Upright with the head target above: the spine does not bend, the neck stays where it was.
    EXPECT_LT(glm::length(glm::vec3(node("首")->GetGlobalTransform()[3]) - glm::vec3(0, 15, 0)), 0.01f);
}

struct MoveCase {
    const char* label;
    Vector3 bodyMove, lowerBodyMove;
    glm::vec3 position;        // the phone's head position (mirror off: x arrives negated)
    glm::vec3 target, centre;  // expected head target and centre translation
};

class HeadPositionTest : public ControllerTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(HeadPositionTest, MovesTheTargetAndTheCentreAndTheUpperBodyLeans) {
    const MoveCase& c = GetParam();
    KySettings settings;
    settings.bodyMoveMul = c.bodyMove;
    settings.lowerBodyMoveMul = c.lowerBodyMove;
    setKySettings(&settings);
    bind();
    feed.send({head(0, 0, 0, c.position.x, c.position.y, c.position.z)});
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_LT(glm::distance(node("vheadIK")->GetAnimationTranslate(), c.target), 1e-4f);
    EXPECT_LT(glm::distance(node("センター")->GetAnimationTranslate(), c.centre), 1e-4f);
    const glm::vec3 chest(node("上半身")->GetGlobalTransform()[3]);
    const glm::vec3 chestToNeck = glm::vec3(node("首")->GetGlobalTransform()[3]) - chest;
    EXPECT_GT(glm::dot(glm::normalize(chestToNeck), glm::normalize(c.target - chest)), 0.97f);
}

// moved = P x body move x 30; target = ((moved.x + 0) 1.5, moved.y + 16 + 5, moved.z 0.5);
// centre = (lower.x x -0.7 x moved.x / 2, moved.y / 2, moved.z 0.175).
INSTANTIATE_TEST_SUITE_P(
    Settings, HeadPositionTest,
    ::testing::Values(
        MoveCase{"Defaults", {0.5f, 0.5f, 0.5f}, {0, 0, 0}, {0.2f, 0.1f, 0}, {-4.5f, 22.5f, 0}, {0, 0.75f, 0}},
        MoveCase{"Scaled",
                 {1, 2, 1},
                 {1, 0, 0},
                 {0.2f, 0.1f, -0.1f},
                 {-9, 27, -1.5f},
                 {-0.7f * -6.0f * 0.5f, 3, -3.0f * 0.175f}}),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.label); });

TEST_F(ControllerTest, EyeRotationsReachTheEyesScaledByTheirAppendWeight) {
    bind();
    feed.send({head(0, 0, 0), "rightEye#10,0,0", "leftEye#10,0,0"});
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_LT(angleBetween(node("右目")->GetAnimationRotate(), rx(10)), 0.01f);
    EXPECT_LT(angleBetween(node("左目")->GetAnimationRotate(), rx(5)), 0.01f) << "append weight 0.5";
    EXPECT_LT(angleBetween(globalRotation(node("右目")), rx(10)), 0.01f);
}

TEST_F(ControllerTest, NothingMovesWithoutAConnectedReceiverAndWeightsHoldWhileCaptureIsOff) {
    bind();
    feed.send({head(0, 30, 0), "jawOpen-70"});
    feed.connected = false;
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(node("頭")->GetAnimationRotate(), glm::quat(1, 0, 0, 0));
    EXPECT_EQ(weight("jawOpen"), 0.0f);
    EXPECT_EQ(controller->stampBegin(), 0);
    feed.connected = true;
    frame();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.7f);
    feed.capturing = false;
    feed.send({head(0, 0, 2), "jawOpen-10"});
    frame();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.7f);
}

// ---- Face morphs ----

struct WeightCase {
    const char* label;
    int morphSensitivity, eyeBlinkSensitivity;
    bool adjust;  // eye and brow adjustments
    std::vector<std::string> items;
    std::vector<std::pair<const char*, float>> weights;
};

class FaceWeightTest : public ControllerTest, public ::testing::WithParamInterface<WeightCase> {};

TEST_P(FaceWeightTest, BlendShapesDriveTheirMorphsThroughCurvesAndAdjustments) {
    const WeightCase& c = GetParam();
    KySettings settings;
    settings.morphSensitivity = c.morphSensitivity;
    settings.eyeBlinkSensitivity = c.eyeBlinkSensitivity;
    setKySettings(&settings);
    bind();
    controller->useEyeAdjust = controller->useBrowAdjust = c.adjust;
    std::string text = head(0, 0, 0) + "|";
    for (const std::string& item : c.items) text += item + "|";
    feed.send({text});
    frame();
    for (const auto& [name, expected] : c.weights) EXPECT_NEAR(weight(name), expected, 1e-5f) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Weights, FaceWeightTest,
    ::testing::Values(WeightCase{"Linear",
                                 0,
                                 0,
                                 false,
                                 {"jawOpen-45", "mouthSmile_L-40", "tongueOut-30"},
                                 {{"jawOpen", 0.45f}, {"mouthSmile_L", 0.4f}, {"tongueOut", 0.3f}, {"あ", 0.0f}}},
                      WeightCase{"TongueOutFullyAboveAThird", 0, 0, false, {"tongueOut-31"}, {{"tongueOut", 1.0f}}},
                      WeightCase{"EyeBlinkOutQuad",
                                 0,
                                 1,
                                 false,
                                 {"eyeBlink_L-50", "eyeBlink_R-50", "jawOpen-50"},
                                 {{"eyeBlink_L", 0.75f}, {"eyeBlink_R", 0.75f}, {"jawOpen", 0.5f}}},
                      WeightCase{"GlobalInQuadOverTheEyeCurve",
                                 -1,
                                 1,
                                 false,
                                 {"eyeBlink_L-50", "jawOpen-50"},
                                 {{"eyeBlink_L", 0.5625f}, {"jawOpen", 0.25f}}},
                      WeightCase{"OvershootingCurveIsClamped", 0, 3, false, {"eyeBlink_L-80"}, {{"eyeBlink_L", 1.0f}}},
                      WeightCase{
                          "EyeAndBrowAdjust",
                          0,
                          0,
                          true,
                          {"eyeBlink_L-60", "eyeSquint_L-20", "browDown_L-80", "noseSneer_L-25", "eyeBlink_R-40"},
                          {{"eyeBlink_L", 0.63f},
                           {"eyeSquint_L", 0.27f},
                           {"eyeBlink_R", 0.4f},
                           {"browDown_L", 0.95f},
                           {"noseSneer_L", 0.25f}}},
                      WeightCase{"AdjustedBrowIsClamped", 0, 0, true, {"browDown_L-90"}, {{"browDown_L", 1.0f}}}),
    [](const ::testing::TestParamInfo<WeightCase>& info) { return std::string(info.param.label); });

TEST_F(ControllerTest, WithoutAReceiverOtherSourcesDriveTheMorphsByTheNameTable) {
    model = buildModel();
    ASSERT_NE(model, nullptr);
    ExtarnalController plain;  // reads the orchestrator's receiver, of which there is none here
    ASSERT_TRUE(plain.SetupController(model));
    morph("jawOpen")->SetWeight(0.25f);
    for (int i = 0; i < 3; ++i) plain.UpdateBeforeModel();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.25f) << "nothing drives the morphs from the phone";
    // VMC's values arrive by slot of the name table, mirror on without a store.
    std::array<float, FaceFrame::kValueCount> values{};
    const QString jaw = QStringLiteral("jawOpen");
    values[static_cast<size_t>(FaceNameTable::indexOf(QStringRef(&jaw), true))] = 0.7f;
    plain.ApplyFaceValues(values);
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.7f);
}

// ---- Capture freeze ----

TEST_F(ControllerTest, AFrozenStreamEasesIntoTheHeldPoseAndBack) {
    bind();
    int frozen = 0;
    int released = 0;
    QObject::connect(controller.get(), &ExtarnalController::captureError, [&](bool on) { (on ? frozen : released)++; });
    feed.send({head(0, 20, 0), "jawOpen-80"});
    for (int i = 0; i < 9; ++i) frame();
    EXPECT_EQ(frozen, 0);
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.8f);
    EXPECT_FLOAT_EQ(weight("まばたき"), 0.0f);
    frame();  // the tenth identical head sample
    EXPECT_EQ(frozen, 1);
    EXPECT_TRUE(controller->isCaptureFrozen());
    EXPECT_GT(hold(), 0.0f) << "the hold starts in the same frame";
    EXPECT_FLOAT_EQ(weight("まばたき"), 1.0f);
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.0f);
    EXPECT_LT(angleBetween(node("頭")->GetBaseAnimationRotate(), ry(-10)), 0.01f) << "the pose at the freeze is held";

    QVariantAnimation& anim = ExtarnalControllerTestPeer::holdAnimation(*controller);
    EXPECT_EQ(anim.state(), QAbstractAnimation::Running);
    anim.setCurrentTime(250);
    EXPECT_NEAR(hold(), 0.125f, 1e-6f) << "InOutQuad over 1 s";
    anim.setCurrentTime(1000);
    EXPECT_FLOAT_EQ(hold(), 1.0f);
    frame();
    EXPECT_EQ(frozen, 1) << "reported once";

    // The stream moves again: released once, easing back out of the held pose over 1.5 s.
    feed.send({head(0, -20, 0), "jawOpen-30"});
    frame();
    EXPECT_EQ(released, 1);
    EXPECT_FALSE(controller->isCaptureFrozen());
    EXPECT_LT(angleBetween(node("頭")->GetAnimationRotate(), node("頭")->GetBaseAnimationRotate()), 0.01f);
    anim.setCurrentTime(750);
    EXPECT_NEAR(hold(), 0.5f, 1e-6f);
    const glm::quat base = node("頭")->GetBaseAnimationRotate();
    frame();
    EXPECT_LT(angleBetween(node("頭")->GetAnimationRotate(), glm::slerp(ry(10), base, 0.5f)), 0.05f)
        << "halfway between the live head and the held pose";
    anim.setCurrentTime(1500);
    frame();
    EXPECT_LT(angleBetween(node("頭")->GetAnimationRotate(), ry(10)), 0.01f) << "live values go straight in";
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.3f);
    EXPECT_FLOAT_EQ(weight("まばたき"), 0.0f);
}

// ---- Noise filter ----

// ---- Frame cost ----

TEST_F(ControllerTest, FrameStepsAllocateNothing) {
#if MNX_COUNT_MALLOC
    bind();
    controller->useEyeAdjust = true;
    controller->useBrowAdjust = true;
    for (int i = 0; i < 4; ++i) {
        feed.send({head(1, static_cast<float>(i), 2, 0.1f, 0.05f, 0.02f), "jawOpen-50", "eyeBlink_L-30",
                   "eyeSquint_L-10", "browDown_L-40", "noseSneer_L-10", "rightEye#4,2,0", "leftEye#3,1,0"});
        frame();
    }
    long total = 0;
    for (int i = 0; i < 5; ++i) {
        feed.send({head(2, static_cast<float>(i) + 0.5f, 1, 0.1f, 0.05f, 0.02f), "jawOpen-60", "eyeBlink_L-20"});
        model->BeginAnimation();
        const long before = g_allocations.load();
        controller->UpdateBeforeModel();
        controller->UpdateNoiseFilter();
        controller->UpdateFrameEnd();
        total += g_allocations.load() - before;
        model->EndAnimation();
    }
    EXPECT_EQ(total, 0);
#else
    GTEST_SKIP() << "allocation counting is off under sanitizers";
#endif
}

// ---- The real fixture model ----

TEST_F(ControllerTest, RealFixtureModelBindsAndFollowsTheHead) {
    KySettings settings;
    setKySettings(&settings);
    auto fixture = std::make_shared<mmd::PMXModel>();
    ASSERT_TRUE(fixture->Load(MNX_FIXTURES_DIR "/real/miku_v2/index.pmx", ""));
    bind(fixture);
    // The fixture has no upper chest bone: it is reported and the head chain runs from the head itself.
    EXPECT_EQ(settings.messageText,
              QStringLiteral("必須ボーンが見つかりませんでした。|モデルにボーンを追加してください。| |上半身2"));
    mmd::MMDNode* headNode = node("頭");
    ASSERT_NE(headNode, nullptr);
    for (int i = 0; i < 6; ++i) {
        feed.send({head(2, 30, 1, 0.05f, 0.02f, 0.01f), "jawOpen-40", "rightEye#5,3,0", "leftEye#5,3,0"});
        frame();
    }
    for (size_t i = 0; i < model->GetNodeManager()->GetNodeCount(); ++i) {
        const glm::mat4& g = model->GetNodeManager()->GetNode(i)->GetGlobalTransform();
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) ASSERT_TRUE(std::isfinite(g[c][r])) << "node " << i;
        }
    }
    // Turned about y toward -30 degrees (mirror off), by roughly three quarters of it.
    const glm::vec3 forward = glm::mat3(headNode->GetGlobalTransform()) * glm::vec3(0, 0, 1);
    const float yaw = std::atan2(forward.x, forward.z) / kDeg;
    EXPECT_LT(yaw, -15.0f);
    EXPECT_GT(yaw, -30.0f);
}

}  // namespace

// The body controller bound to small models built in code (and to the real fixture model): set-up and its
// report, virtual IK nodes and chains, head, eyes and upper body from face frames, face-morph weights and their
// sensitivity curves, the capture-freeze hold, the noise filter, and an allocation-free frame.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QVariantAnimation>
#include <atomic>
#include <cmath>
#include <glm/gtc/quaternion.hpp>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/base/FaceReceiver.h"
#include "app/base/KySettings.h"
#include "face/FaceNameTable.h"
#include "face/iFacialMoCap.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXModel.h"
#include "support/CountingMalloc.h"
#include "support/ModelBuilder.h"
#include "vr/ExtarnalController.h"

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

struct Fixture {
    bool upper2 = true;
    bool legs = false;
    bool minimal = false;  // only センター, 首 and 頭
};

std::shared_ptr<mmd::PMXModel> buildModel(const Fixture& f, const std::string& file) {
    ModelBuilder b;
    const int center = b.AddBone("センター", {0, 8, 0});
    int neckParent = center;
    int upper2 = -1;
    if (!f.minimal) {
        const int upper = b.AddBone("上半身", {0, 10, 0}, center);
        neckParent = upper;
        if (f.upper2) neckParent = upper2 = b.AddBone("上半身2", {0, 12, 0}, upper);
    }
    const int neck = b.AddBone("首", {0, 15, 0}, neckParent);
    const int headBone = b.AddBone("頭", {0, 16, 0}, neck);
    if (!f.minimal) {
        const int eyes = b.AddBone("両目", {0, 17, 0}, headBone);
        const int left = b.AddBone("左目", {0.4f, 17, -0.6f}, headBone);
        b.SetAppend(left, eyes, 0.5f, true, false);
        const int right = b.AddBone("右目", {-0.4f, 17, -0.6f}, headBone);
        b.SetAppend(right, eyes, 1.0f, true, false);
        const int shoulderParent = upper2 >= 0 ? upper2 : neckParent;
        for (const float side : {1.0f, -1.0f}) {
            const std::string s = side > 0 ? "左" : "右";
            const int arm = b.AddBone(s + "腕", {1.5f * side, 14, 0}, shoulderParent);
            const int elbow = b.AddBone(s + "ひじ", {3.5f * side, 12, 0}, arm);
            const int twist = b.AddBone(s + "手捩", {4.5f * side, 11, 0}, elbow);
            b.AddBone(s + "手首", {5.5f * side, 10, 0}, twist);
        }
        const int hair = b.AddBone("髪", {0, 17, 1}, headBone);
        b.AddRigidBody("hair", hair, mmd::PMXRigidBodyShape::Sphere, {0.3f, 0, 0}, {0, 17, 1.2f},
                       mmd::PMXRigidBodyOperation::Dynamic);
        b.AddRigidBody("head", headBone, mmd::PMXRigidBodyShape::Sphere, {1, 0, 0}, {0, 16.5f, 0},
                       mmd::PMXRigidBodyOperation::FollowBone, 1, 0);
    }
    if (f.legs) {
        const int lower = b.AddBone("下半身", {0, 10, 0}, center);
        for (const float side : {1.0f, -1.0f}) {
            const std::string s = side > 0 ? "左" : "右";
            const int leg = b.AddBone(s + "足", {1 * side, 9, 0}, lower);
            b.AddBone(s + "足首", {1 * side, 1, 0}, leg);
            const int ik = b.AddBone(s + "足ＩＫ", {1 * side, 1, 0});
            b.AddBone(s + "つま先ＩＫ", {1 * side, 0, -1}, ik);
        }
    }
    b.AddVertex({0, 16, 0}, headBone);
    b.AddVertex({1, 16, 0}, headBone);
    b.AddVertex({0, 17, 0}, headBone);
    b.AddTriangle(0, 1, 2);
    b.AddMaterial("face");
    for (const char* morph : {"あ", "jawOpen", "noseSneer_L", "まばたき", "eyeBlink_L", "eyeSquint_L", "eyeBlink_R",
                              "browDown_L", "tongueOut", "mouthSmile_L"}) {
        b.AddPositionMorph(morph, {{0, {0, 0.1f, 0}}});
    }
    const std::string path = ::testing::TempDir() + file;
    EXPECT_TRUE(b.WriteFile(path));
    auto model = std::make_shared<mmd::PMXModel>();
    if (!model->Load(path, "")) return nullptr;
    return model;
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

    void bind(const Fixture& f = {}, const std::string& file = "controller.pmx") {
        model = buildModel(f, file);
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
        const int filter = kySettings() ? kySettings()->noiseFilter : 10;
        if (filter >= 1) {
            controller->UpdateNoiseFilter();
            model->UpdateNodeAnimation(false);
        } else {
            model->UpdateNodeAnimation(true);
        }
        model->EndAnimation();
        controller->UpdateFrameEnd();
    }

    mmd::MMDNode* node(const char* name) const {
        const int i = model->GetNodeManager()->FindNodeIndex(name);
        return i >= 0 ? model->GetNodeManager()->GetNode(static_cast<size_t>(i)) : nullptr;
    }
    mmd::MMDMorph* morph(const char* name) const {
        return model->GetMorphManager()->GetMorph(static_cast<size_t>(model->GetMorphManager()->FindMorphIndex(name)));
    }
    float weight(const char* name) const { return morph(name)->GetWeight(); }

    PacketFeed feed;
    std::shared_ptr<mmd::PMXModel> model;
    std::unique_ptr<ExtarnalController> controller;
};

// ---- Set-up ----

TEST_F(ControllerTest, SetupBindsOnceAndNeedsAModel) {
    ExtarnalController unbound;
    EXPECT_FALSE(unbound.isReady());
    EXPECT_FALSE(unbound.SetupController(nullptr));
    EXPECT_FALSE(unbound.isReady());
    unbound.UpdateBeforeModel();  // harmless while unbound
    unbound.UpdateNoiseFilter();
    unbound.UpdateFrameEnd();
    for (VRDevice* slot : unbound.trackerSlots()) EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(unbound.headHistory().capacity(), 10);
    EXPECT_EQ(unbound.leftEyeHistory().capacity(), 10);
    EXPECT_EQ(unbound.rightEyeHistory().capacity(), 10);
    EXPECT_EQ(unbound.errorAnimation()->duration(), 1000);
    unbound.onTrackerSettingChanged();
    for (VRDevice* slot : unbound.trackerSlots()) EXPECT_EQ(slot, nullptr) << "no device matches any serial";

    bind();
    EXPECT_TRUE(controller->isReady());
    EXPECT_TRUE(controller->errorText().isEmpty()) << controller->errorText().toStdString();
    const size_t nodes = model->GetNodeManager()->GetNodeCount();
    EXPECT_FALSE(controller->SetupController(model)) << "a second binding is refused";
    EXPECT_EQ(model->GetNodeManager()->GetNodeCount(), nodes) << "and adds no second set of virtual nodes";
}

TEST_F(ControllerTest, MissingRequiredBonesAreReportedAndTheModelStillRuns) {
    KySettings settings;
    settings.messageText = QStringLiteral("before");
    setKySettings(&settings);
    bind(Fixture{true, false, true}, "minimal.pmx");
    const QString expected = QStringLiteral(
        "必須ボーンが見つかりませんでした。|モデルにボーンを追加してください。| |上半身|上半身2|左目|右目|左腕|左ひじ|"
        "左手捩|左手首|右腕|右ひじ|右手捩|右手首");
    EXPECT_EQ(controller->errorText(), expected);
    EXPECT_EQ(settings.messageText, QStringLiteral("before") + expected);
    EXPECT_TRUE(controller->isReady());
    EXPECT_FALSE(controller->bodyTrackingEnabled());
    EXPECT_TRUE(controller->armChainR().joints().empty());
    ASSERT_EQ(controller->headChain().joints().size(), 2u) << "頭 and 首: the chain keeps what exists";
    feed.send({head(5, 20, 0, 0.1f, 0.2f, 0), "jawOpen-50"});
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.5f);
}

TEST_F(ControllerTest, BodyTrackingNeedsAllThirteenBodyBones) {
    bind(Fixture{true, true, false}, "legs.pmx");
    EXPECT_TRUE(controller->bodyTrackingEnabled());
    EXPECT_EQ(controller->bodyBones()[0], node("頭"));
    EXPECT_EQ(controller->bodyBones()[2], node("上半身2"));
    EXPECT_EQ(controller->bodyBones()[9], node("左足ＩＫ"));
    EXPECT_EQ(controller->bodyBones()[12], node("右つま先ＩＫ"));
    controller.reset();
    bind(Fixture{}, "nolegs.pmx");
    EXPECT_FALSE(controller->bodyTrackingEnabled());
    EXPECT_EQ(controller->bodyBones()[4], nullptr);
}

TEST_F(ControllerTest, VirtualIkNodesSitOnTheirBonesRestPose) {
    bind();
    for (const auto& pair : {std::make_pair("vheadIK", "頭"), std::make_pair("vhandIK_R", "右手首"),
                             std::make_pair("vhandIK_L", "左手首")}) {
        mmd::MMDNode* v = node(pair.first);
        ASSERT_NE(v, nullptr) << pair.first;
        const glm::mat4 rest = glm::inverse(node(pair.second)->GetInverseInitTransform());
        EXPECT_LT(glm::length(glm::vec3(glm::inverse(v->GetInverseInitTransform())[3]) - glm::vec3(rest[3])), 1e-5f);
        EXPECT_LT(glm::length(v->GetInitialTranslate() - glm::vec3(rest[3])), 1e-5f);
        EXPECT_EQ(v->GetParent(), nullptr);
    }
    QStringList names;
    for (const auto& c : controller->headGroup()) names << c->name;
    EXPECT_EQ(names, (QStringList{"頭", "左目", "右目", "vheadIK", "vhandIK_L", "vhandIK_R"}));
    for (size_t i = 3; i < controller->headGroup().size(); ++i) {
        const auto& marker = controller->headGroup()[i]->marker;
        ASSERT_NE(marker, nullptr);
        EXPECT_EQ(marker->imagePath(), QStringLiteral(":/img/resources/img/orange.png"));
        EXPECT_EQ(marker->objPath(), QStringLiteral(":/system_mesh/resources/system_mesh/cube.obj"));
        EXPECT_FLOAT_EQ(marker->scale(), 0.01f);
        EXPECT_EQ(marker->vertexCount(), 0) << "no GL objects without a context";
    }
    EXPECT_EQ(controller->nodeByName(QStringLiteral("vheadIK")), node("vheadIK"));
    ASSERT_NE(controller->centerNode(), nullptr);
    EXPECT_EQ(controller->centerNode()->node, node("センター"));
}

TEST_F(ControllerTest, ChainsFollowTheModelsBones) {
    bind();
    const auto names = [](const BoneChain& chain) {
        QStringList out;
        for (const auto& j : chain.joints()) out << j->name;
        return out;
    };
    EXPECT_EQ(names(controller->headChain()), (QStringList{"首", "上半身2", "上半身"}));
    EXPECT_EQ(names(controller->armChainR()), (QStringList{"右手首", "右ひじ", "右腕"}));
    EXPECT_EQ(names(controller->armChainL()), (QStringList{"左手首", "左ひじ", "左腕"}));
    ASSERT_NE(controller->armChainR().twist(), nullptr);
    EXPECT_EQ(controller->armChainR().twist()->name, QStringLiteral("右手捩"));
    EXPECT_EQ(controller->armChainL().side(), BoneChain::kLeftArm);
    // Refreshed nodes leave out fingers, hair and eyes but include the virtual nodes.
    const auto& refresh = controller->refreshNodes();
    const auto has = [&](const char* n) { return std::find(refresh.begin(), refresh.end(), node(n)) != refresh.end(); };
    EXPECT_TRUE(has("センター"));
    EXPECT_TRUE(has("vheadIK"));
    EXPECT_FALSE(has("髪"));
    EXPECT_FALSE(has("両目"));
    EXPECT_FALSE(has("右目"));
    ASSERT_EQ(controller->filterRecords().size(), 1u) << "only the simulated body";
    EXPECT_EQ(controller->filterRecords()[0].body->GetNode(), node("髪"));
    EXPECT_EQ(controller->filterRecords()[0].capacity, 10);

    controller.reset();
    bind(Fixture{false, false, false}, "noupper2.pmx");
    EXPECT_EQ(names(controller->headChain()), (QStringList{"頭", "首", "上半身"}));
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

TEST_F(ControllerTest, HeadPositionMovesTheTargetAndTheCentre) {
    bind();
    feed.send({head(0, 0, 0, 0.2f, 0.1f, 0.0f)});
    for (int i = 0; i < 3; ++i) frame();
    // P = (-0.2, 0.1, 0) with mirror off; body move 0.5 x 30: (-3, 1.5, 0). Target over the head's rest (0, 16, 0).
    const glm::vec3 target = node("vheadIK")->GetAnimationTranslate();
    EXPECT_NEAR(target.x, -4.5f, 1e-4f);
    EXPECT_NEAR(target.y, 1.5f + 16.0f + 5.0f, 1e-4f);
    EXPECT_NEAR(target.z, 0.0f, 1e-4f);
    const glm::vec3 center = node("センター")->GetAnimationTranslate();
    EXPECT_NEAR(center.x, 0.0f, 1e-5f) << "the lower-body factor is 0 by default";
    EXPECT_NEAR(center.y, 0.75f, 1e-5f);
    EXPECT_NEAR(center.z, 0.0f, 1e-5f);
    // The upper body leans toward the target.
    const glm::vec3 neck(node("首")->GetGlobalTransform()[3]);
    EXPECT_LT(neck.x, -0.5f);
    const glm::vec3 chestToNeck = neck - glm::vec3(node("上半身")->GetGlobalTransform()[3]);
    const glm::vec3 toTarget = target - glm::vec3(node("上半身")->GetGlobalTransform()[3]);
    EXPECT_GT(glm::dot(glm::normalize(chestToNeck), glm::normalize(toTarget)), 0.99f);
}

TEST_F(ControllerTest, BodyMoveSettingsScaleTheTargetAndTheCentre) {
    KySettings settings;
    settings.bodyMoveMul = Vector3{1.0f, 2.0f, 1.0f};
    settings.lowerBodyMoveMul = Vector3{1.0f, 0.0f, 0.0f};
    setKySettings(&settings);
    bind();
    feed.send({head(0, 0, 0, 0.2f, 0.1f, -0.1f)});
    for (int i = 0; i < 3; ++i) frame();
    // P = (-0.2, 0.1, -0.1); moved = P x body move x 30 = (-6, 6, -3).
    const glm::vec3 target = node("vheadIK")->GetAnimationTranslate();
    EXPECT_NEAR(target.x, -9.0f, 1e-4f);
    EXPECT_NEAR(target.y, 6.0f + 16.0f + 5.0f, 1e-4f);
    EXPECT_NEAR(target.z, -1.5f, 1e-4f);
    const glm::vec3 center = node("センター")->GetAnimationTranslate();
    EXPECT_NEAR(center.x, 1.0f * -0.7f * -6.0f * 0.5f, 1e-5f);
    EXPECT_NEAR(center.y, 3.0f, 1e-5f);
    EXPECT_NEAR(center.z, -3.0f * 0.175f, 1e-5f);
}

TEST_F(ControllerTest, EyeRotationsReachTheEyesScaledByTheirAppendWeight) {
    bind();
    feed.send({head(0, 0, 0), "rightEye#10,0,0", "leftEye#10,0,0"});
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_LT(angleBetween(node("右目")->GetAnimationRotate(), rx(10)), 0.01f);
    EXPECT_LT(angleBetween(node("左目")->GetAnimationRotate(), rx(5)), 0.01f) << "append weight 0.5";
    EXPECT_LT(angleBetween(globalRotation(node("右目")), rx(10)), 0.01f);
    EXPECT_EQ(controller->rightEyeHistory().size(), 3);
}

TEST_F(ControllerTest, NothingMovesWithoutAConnectedReceiver) {
    bind();
    feed.send({head(0, 30, 0), "jawOpen-70"});
    feed.connected = false;
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(node("頭")->GetAnimationRotate(), glm::quat(1, 0, 0, 0));
    EXPECT_EQ(controller->headHistory().size(), 0);
    EXPECT_EQ(weight("jawOpen"), 0.0f);
    EXPECT_EQ(controller->stampBegin(), 0);
}

// ---- Face morphs ----

TEST_F(ControllerTest, BlendShapesDriveTheirMorphs) {
    bind();
    feed.send({head(0, 0, 0), "jawOpen-100", "tongueOut-31", "mouthSmile_L-40"});
    frame();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 1.0f);
    EXPECT_FLOAT_EQ(weight("あ"), 0.0f) << "not a capture name";
    EXPECT_FLOAT_EQ(weight("tongueOut"), 1.0f) << "above 0.3 the tongue comes out fully";
    EXPECT_FLOAT_EQ(weight("mouthSmile_L"), 0.4f);
    feed.send({head(0, 0, 1), "jawOpen-45", "tongueOut-30"});
    frame();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.45f);
    EXPECT_FLOAT_EQ(weight("tongueOut"), 0.3f);
    // Capture off: weights keep their last values.
    feed.capturing = false;
    feed.send({head(0, 0, 2), "jawOpen-10"});
    frame();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.45f);
}

TEST_F(ControllerTest, BindingsPutNoseSneerFirstAndRefuseDuplicates) {
    bind();
    const auto& bindings = controller->faceBindings();
    ASSERT_FALSE(bindings.empty());
    EXPECT_EQ(bindings.front()->name, QStringLiteral("noseSneer_L"));
    EXPECT_EQ(bindings.front()->kind, FaceMorphBinding::kNoseSneerL);
    EXPECT_EQ(bindings[1]->name, QStringLiteral("jawOpen"));
    EXPECT_EQ(controller->faceBinding(morph("あ")), nullptr);
    ASSERT_NE(controller->faceBinding(morph("eyeBlink_L")), nullptr);
    EXPECT_EQ(controller->faceBinding(morph("eyeBlink_L"))->kind, FaceMorphBinding::kEyeBlinkL);
    EXPECT_EQ(controller->faceBinding(morph("eyeBlink_L"))->slot,
              feed.receiver()->IndexOf(QStringLiteral("eyeBlink_L")));
    ASSERT_EQ(controller->blinkMorphs().size(), 1u);
    EXPECT_EQ(controller->blinkMorphs()[0], morph("まばたき"));
    const int size = static_cast<int>(bindings.size());
    auto again = std::make_unique<FaceMorphBinding>();
    again->morph = morph("jawOpen");
    again->name = QStringLiteral("jawOpen");
    EXPECT_EQ(controller->AddFaceBinding(std::move(again)), -1);
    auto extra = std::make_unique<FaceMorphBinding>();
    extra->morph = morph("あ");
    extra->name = QStringLiteral("noseSneer_R");
    extra->slot = 3;
    EXPECT_EQ(controller->AddFaceBinding(std::move(extra)), size + 1);
    EXPECT_EQ(bindings.front()->name, QStringLiteral("noseSneer_R"));
    EXPECT_EQ(bindings.front()->kind, FaceMorphBinding::kNoseSneerR);
}

TEST_F(ControllerTest, SensitivityCurvesFollowTheSettings) {
    KySettings settings;
    setKySettings(&settings);
    bind();
    feed.send({head(0, 0, 0), "eyeBlink_L-50", "jawOpen-50", "eyeBlink_R-50"});
    frame();
    EXPECT_FLOAT_EQ(weight("eyeBlink_L"), 0.5f) << "linear by default";
    settings.eyeBlinkSensitivity = 1;  // OutQuad
    controller->onModelSettingChanged();
    EXPECT_EQ(controller->faceBinding(morph("eyeBlink_L"))->curve.type(), QEasingCurve::OutQuad);
    EXPECT_EQ(controller->faceBinding(morph("jawOpen"))->curve.type(), QEasingCurve::Linear);
    frame();
    EXPECT_NEAR(weight("eyeBlink_L"), 0.75f, 1e-6f);
    EXPECT_NEAR(weight("eyeBlink_R"), 0.75f, 1e-6f);
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.5f);
    settings.morphSensitivity = -1;  // InQuad on every weight
    controller->onModelSettingChanged();
    frame();
    EXPECT_NEAR(weight("jawOpen"), 0.25f, 1e-6f);
    EXPECT_NEAR(weight("eyeBlink_L"), 0.5625f, 1e-6f);
    settings.morphSensitivity = 0;
    settings.eyeBlinkSensitivity = 5;  // outside the table: linear
    controller->onModelSettingChanged();
    frame();
    EXPECT_FLOAT_EQ(weight("eyeBlink_L"), 0.5f);
}

TEST_F(ControllerTest, EyeAndBrowAdjustmentsShareTheValues) {
    bind();
    controller->useEyeAdjust = true;
    controller->useBrowAdjust = true;
    feed.send({head(0, 0, 0), "eyeBlink_L-60", "eyeSquint_L-20", "browDown_L-50", "noseSneer_L-25", "eyeBlink_R-40"});
    frame();
    EXPECT_NEAR(weight("eyeBlink_L"), 0.63f, 1e-5f);
    EXPECT_NEAR(weight("eyeSquint_L"), 0.27f, 1e-5f);
    EXPECT_NEAR(weight("eyeBlink_R"), 0.4f, 1e-6f) << "no squint morph on this side: unchanged";
    EXPECT_NEAR(weight("browDown_L"), 0.5f, 1e-6f) << "1.5 x 0.5 less the nose sneer";
    EXPECT_NEAR(weight("noseSneer_L"), 0.25f, 1e-6f);
    controller->useEyeAdjust = false;
    controller->useBrowAdjust = false;
    frame();
    EXPECT_NEAR(weight("eyeBlink_L"), 0.6f, 1e-6f);
    EXPECT_NEAR(weight("browDown_L"), 0.5f, 1e-6f);
    EXPECT_NEAR(weight("eyeSquint_L"), 0.2f, 1e-6f);
}

TEST_F(ControllerTest, WithoutAReceiverBindingsFollowTheNameTableAndNothingIsDriven) {
    model = buildModel(Fixture{}, "noreceiver.pmx");
    ASSERT_NE(model, nullptr);
    ExtarnalController plain;  // reads the orchestrator's receiver, of which there is none here
    ASSERT_TRUE(plain.SetupController(model));
    const FaceMorphBinding* jaw = plain.faceBinding(morph("jawOpen"));
    ASSERT_NE(jaw, nullptr);
    EXPECT_EQ(jaw->slot, FaceNameTable::indexOf(QStringRef(&jaw->name), true)) << "mirror on without a store";
    morph("jawOpen")->SetWeight(0.25f);
    for (int i = 0; i < 3; ++i) plain.UpdateBeforeModel();
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.25f);
    EXPECT_EQ(plain.headHistory().size(), 0);
}

TEST(FaceFeedTest, DefaultFeedReadsThePublishedReceiver) {
    FaceFeed feed;
    EXPECT_EQ(feed.receiver(), nullptr);
    EXPECT_FALSE(feed.isCapturing());
    iFacialMoCap receiver;
    bool running = false;
    setFaceReceiver(&receiver, [&] { return running; });
    EXPECT_EQ(feed.receiver(), &receiver);
    EXPECT_FALSE(feed.isCapturing());
    running = true;
    EXPECT_TRUE(feed.isCapturing());
    EXPECT_FALSE(feed.isConnected(receiver)) << "no phone";
    setFaceReceiver(nullptr);
    EXPECT_EQ(feed.receiver(), nullptr);
    EXPECT_FALSE(feed.isCapturing());
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
    EXPECT_EQ(controller->errorFix(), 0.0f);
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.8f);
    EXPECT_FLOAT_EQ(weight("まばたき"), 0.0f);
    frame();  // the tenth identical head sample
    EXPECT_EQ(frozen, 1);
    EXPECT_TRUE(controller->isCaptureFrozen());
    EXPECT_GT(controller->errorFix(), 0.0f) << "the hold starts in the same frame";
    EXPECT_FLOAT_EQ(weight("まばたき"), 1.0f);
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.0f);
    const glm::quat held = node("頭")->GetBaseAnimationRotate();
    EXPECT_LT(angleBetween(held, ry(-10)), 0.01f) << "the pose at the freeze is held";

    QVariantAnimation* anim = controller->errorAnimation();
    EXPECT_EQ(anim->state(), QAbstractAnimation::Running);
    EXPECT_EQ(anim->duration(), 1000);
    anim->setCurrentTime(500);
    EXPECT_NEAR(controller->errorFix(), 0.5f, 1e-6f) << "InOutQuad halfway";
    anim->setCurrentTime(250);
    EXPECT_NEAR(controller->errorFix(), 0.125f, 1e-6f);
    anim->setCurrentTime(1000);
    EXPECT_FLOAT_EQ(controller->errorFix(), 1.0f);
    frame();
    frame();
    EXPECT_EQ(frozen, 1) << "reported once";

    // The stream moves again: released once, easing back out of the held pose over 1.5 s.
    feed.send({head(0, -20, 0), "jawOpen-30"});
    frame();
    EXPECT_EQ(released, 1);
    EXPECT_FALSE(controller->isCaptureFrozen());
    EXPECT_EQ(anim->duration(), 1500);
    EXPECT_FLOAT_EQ(controller->errorFix(), 1.0f);
    EXPECT_LT(angleBetween(node("頭")->GetAnimationRotate(), node("頭")->GetBaseAnimationRotate()), 0.01f);
    anim->setCurrentTime(750);
    EXPECT_NEAR(controller->errorFix(), 0.5f, 1e-6f);
    const glm::quat base = node("頭")->GetBaseAnimationRotate();
    frame();
    EXPECT_LT(angleBetween(node("頭")->GetAnimationRotate(), glm::slerp(ry(10), base, 0.5f)), 0.05f)
        << "halfway between the live head and the held pose";
    anim->setCurrentTime(1500);
    EXPECT_EQ(controller->errorFix(), 0.0f);
    frame();
    EXPECT_LT(angleBetween(node("頭")->GetAnimationRotate(), ry(10)), 0.01f) << "live values go straight in";
    EXPECT_FLOAT_EQ(weight("jawOpen"), 0.3f);
    EXPECT_FLOAT_EQ(weight("まばたき"), 0.0f);
    EXPECT_EQ(released, 1);
}

TEST_F(ControllerTest, LookForwardDropsTheHoldAtOnce) {
    bind();
    feed.send({head(0, 20, 0)});
    for (int i = 0; i < 10; ++i) frame();
    ASSERT_TRUE(controller->isCaptureFrozen());
    controller->errorAnimation()->setCurrentTime(600);
    ASSERT_GT(controller->errorFix(), 0.0f);
    controller->onLookForward();
    EXPECT_EQ(controller->errorFix(), 0.0f);
    EXPECT_EQ(controller->errorAnimation()->state(), QAbstractAnimation::Stopped);
    EXPECT_EQ(node("頭")->GetBaseAnimationRotate(), glm::quat(1, 0, 0, 0));
    EXPECT_EQ(node("センター")->GetBaseAnimationTranslate(), glm::vec3(0.0f));
}

// ---- Noise filter ----

TEST_F(ControllerTest, NoiseFilterAveragesRotationsOfNewCaptureFramesOnly) {
    KySettings settings;
    settings.noiseFilter = 3;
    setKySettings(&settings);
    bind();
    ASSERT_EQ(controller->filterRecords().size(), 1u);
    EXPECT_EQ(controller->filterRecords()[0].capacity, 3);
    mmd::MMDNode* hair = node("髪");
    const auto step = [&](float degrees) {
        controller->UpdateBeforeModel();
        glm::mat4 local = hair->GetLocalTransform();
        const glm::mat4 r = glm::mat4_cast(rx(degrees));
        for (int c = 0; c < 3; ++c) local[c] = r[c];
        hair->SetLocalTransform(local);
        controller->UpdateNoiseFilter();
        controller->UpdateFrameEnd();
        return hair->GetAnimationRotate();
    };
    // No capture frame yet: nothing to average, the simulated rotation passes through.
    feed.connected = false;
    EXPECT_LT(angleBetween(step(15), rx(15)), 0.01f);
    feed.connected = true;
    const glm::quat q[] = {rx(10), rx(20), rx(30), rx(40)};
    for (int k = 0; k < 4; ++k) {
        feed.send({head(0, static_cast<float>(k), 0)});
        step(10.0f * static_cast<float>(k + 1));
    }
    const glm::quat expected((q[1].w + q[2].w + q[3].w) / 3, (q[1].x + q[2].x + q[3].x) / 3, 0, 0);
    glm::quat got = hair->GetAnimationRotate();
    EXPECT_NEAR(got.w, expected.w, 1e-6f);
    EXPECT_NEAR(got.x, expected.x, 1e-6f);
    // The same capture frame again: no sample is taken.
    got = step(90);
    EXPECT_NEAR(got.w, expected.w, 1e-6f);
    EXPECT_NEAR(got.x, expected.x, 1e-6f);
    // A physics reset empties the histories and resizes them from the setting.
    settings.noiseFilter = 1;
    controller->onSceneSettingChanged();
    EXPECT_EQ(controller->filterRecords()[0].capacity, 1);
    EXPECT_TRUE(controller->filterRecords()[0].history.empty());
    feed.send({head(0, 50, 0)});
    EXPECT_LT(angleBetween(step(25), rx(25)), 0.01f) << "capacity 1 copies the last rotation";
    // A mirror change resets physics the same way.
    settings.noiseFilter = 4;
    emit settings.modelLRChanged();
    EXPECT_EQ(controller->filterRecords()[0].capacity, 4);
    EXPECT_TRUE(controller->filterRecords()[0].history.empty());
}

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

TEST(ControllerRealModelTest, FixtureModelBindsAndFollowsTheHead) {
    auto model = std::make_shared<mmd::PMXModel>();
    ASSERT_TRUE(model->Load(MNX_FIXTURES_DIR "/real/miku_v2/index.pmx", ""));
    const size_t loaded = model->GetNodeManager()->GetNodeCount();
    PacketFeed feed;
    ExtarnalController controller;
    controller.setFaceFeed(&feed);
    ASSERT_TRUE(controller.SetupController(model));
    model->InitializeAnimation();
    // The fixture has no upper chest bone: it is reported and the head chain runs from the head itself.
    EXPECT_EQ(controller.errorText(),
              QStringLiteral("必須ボーンが見つかりませんでした。|モデルにボーンを追加してください。| |上半身2"));
    ASSERT_EQ(controller.headChain().joints().size(), 3u);
    EXPECT_EQ(controller.headChain().joints()[0]->name, QStringLiteral("頭"));
    EXPECT_EQ(model->GetNodeManager()->GetNodeCount(), loaded + 3);
    EXPECT_GE(model->GetNodeManager()->FindNodeIndex("vheadIK"), 0);
    const int headIndex = model->GetNodeManager()->FindNodeIndex("頭");
    ASSERT_GE(headIndex, 0);
    mmd::MMDNode* headNode = model->GetNodeManager()->GetNode(static_cast<size_t>(headIndex));
    for (int i = 0; i < 6; ++i) {
        feed.send({head(2, 30, 1, 0.05f, 0.02f, 0.01f), "jawOpen-40", "rightEye#5,3,0", "leftEye#5,3,0"});
        model->BeginAnimation();
        controller.UpdateBeforeModel();
        model->UpdateMorphAnimation();
        model->UpdateNodeAnimation(false);
        model->UpdatePhysicsAnimation(1.0f / 60.0f);
        controller.UpdateNoiseFilter();
        model->UpdateNodeAnimation(false);
        model->EndAnimation();
        controller.UpdateFrameEnd();
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

#include "vr/ExtarnalController.h"

#include <QOpenGLContext>
#include <QVariantAnimation>
#include <QtDebug>
#include <glm/matrix.hpp>

#include "app/base/KySettings.h"
#include "face/FaceNameTable.h"
#include "face/iFacialMoCap.h"
#include "mmd/MMDMaterial.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysics.h"
#include "mmd/PMXModel.h"
#include "render/GLFunctions.h"
#include "vr/BodyMath.h"

namespace {

constexpr float kVirtualMarkerScale = 0.01f;

const char* const kRequiredBones[] = {"センター", "上半身", "上半身2", "首",   "頭",     "左目",   "右目",  "左腕",
                                      "左ひじ",   "左手捩", "左手首",  "右腕", "右ひじ", "右手捩", "右手首"};

const char* const kBodyBoneNames[] = {"頭",     "首",     "上半身2",  "上半身",   "下半身",       "左足",        "右足",
                                      "左足首", "右足首", "左足ＩＫ", "右足ＩＫ", "左つま先ＩＫ", "右つま先ＩＫ"};

const char* const kFingerBones[] = {"左親指０", "左親指１", "左親指２", "左人指１", "左人指２", "左人指３",
                                    "左中指１", "左中指２", "左中指３", "左薬指１", "左薬指２", "左薬指３",
                                    "左小指１", "左小指２", "左小指３", "右親指０", "右親指１", "右親指２",
                                    "右人指１", "右人指２", "右人指３", "右中指１", "右中指２", "右中指３",
                                    "右薬指１", "右薬指２", "右薬指３", "右小指１", "右小指２", "右小指３"};

bool isFingerBone(const std::string& name) {
    for (const char* finger : kFingerBones) {
        if (name == finger) return true;
    }
    return false;
}

int noiseFilterSetting() {
    const KySettings* settings = kySettings();
    return settings != nullptr ? settings->noiseFilter : 10;
}

bool glContextCurrent() { return glFunctions() != nullptr && QOpenGLContext::currentContext() != nullptr; }

}  // namespace

ExtarnalController::ExtarnalController(QObject* parent) : QObject(parent) {
    m_errorAnim = new QVariantAnimation(this);
    m_errorAnim->setDuration(1000);
    m_errorAnim->setStartValue(0.0);
    m_errorAnim->setEndValue(1.0);
    connect(m_errorAnim, &QVariantAnimation::valueChanged, this, &ExtarnalController::onErrorFixedValueChanged);
    connect(this, &ExtarnalController::captureError, this, &ExtarnalController::onErrorStateChanged);
    if (KySettings* settings = kySettings()) {
        connect(settings, &KySettings::modelLRChanged, this, &ExtarnalController::onModelLRChanged);
        connect(settings, &KySettings::deviceSerialsChanged, this, &ExtarnalController::onTrackerSettingChanged);
    }
    connect(&m_hands.handAnimR, &QVariantAnimation::valueChanged, this, &ExtarnalController::onRightHandValueChanged);
    connect(&m_hands.handAnimL, &QVariantAnimation::valueChanged, this, &ExtarnalController::onLeftHandValueChanged);
    connect(&m_hands.handAnimR, &QVariantAnimation::finished, this, &ExtarnalController::onRightHandAnimationFinished);
    connect(&m_hands.handAnimL, &QVariantAnimation::finished, this, &ExtarnalController::onLeftHandAnimationFinished);
}

ExtarnalController::~ExtarnalController() = default;

bool ExtarnalController::SetupController(const std::shared_ptr<mmd::MMDModel>& model) {
    if (!model || m_ready) return false;
    m_model = model;
    qDebug() << "---------------------------------";
    qDebug() << "SetupController";
    reportMissingBones();
    for (size_t i = 0; i < m_model->GetMaterialCount(); ++i) qDebug() << "m_materialID:" << i;
    collectNodes();
    m_bodyTrackingEnabled = true;
    for (const mmd::MMDNode* bone : m_bodyBones) m_bodyTrackingEnabled = m_bodyTrackingEnabled && bone != nullptr;
    qDebug() << "EnableBodyTracking" << m_bodyTrackingEnabled;
    connectVRController();
    const KySettings* settings = kySettings();
    m_hands.bind(&m_fingerGroup, &m_fingerByName);
    m_hands.loadAll(HandPoseRig::poseFolder(settings != nullptr ? settings->resourceDir : QString(),
                                            settings != nullptr ? settings->poseSet : QString()));
    addVirtualNodes();
    buildHeadChain();
    m_arms.bind(*m_model, m_nodesByName);
    m_noiseFilter.bind(*m_model, noiseFilterSetting());
    m_markers = std::make_unique<BodyMarkers>();
    qDebug() << "NodeCount:" << m_model->GetNodeManager()->GetNodeCount();
    m_face.bind(*m_model, [this](const QString& name) { return indexOfBlendShape(name); });
    onModelSettingChanged();
    if (glContextCurrent()) InitializeMarkers();
    onTrackerSettingChanged();
    m_ready = true;
    return true;
}

void ExtarnalController::reportMissingBones() {
    mmd::MMDModel::MMDNodeManager* nodes = m_model->GetNodeManager();
    qDebug() << "NodeCount:" << nodes->GetNodeCount();
    QString missing;
    for (const char* bone : kRequiredBones) {
        if (nodes->FindNodeIndex(bone) < 0) missing += QLatin1Char('|') + QString::fromUtf8(bone);
    }
    if (missing.isEmpty()) return;
    const QString report =
        QStringLiteral("必須ボーンが見つかりませんでした。|モデルにボーンを追加してください。| ") + missing;
    m_errorText += report;
    if (KySettings* settings = kySettings()) settings->messageText += report;
}

void ExtarnalController::collectNodes() {
    mmd::MMDModel::MMDNodeManager* nodes = m_model->GetNodeManager();
    for (size_t i = 0; i < nodes->GetNodeCount(); ++i) {
        mmd::MMDNode* node = nodes->GetNode(i);
        const std::string& name = node->GetName();
        const QString qname = QString::fromStdString(name);
        m_nodesByName.insert(qname, node);
        if (isFingerBone(name)) {
            m_fingerGroup.push_back(std::make_unique<ControlNode>(node));
            m_fingerByName.insert(qname, m_fingerGroup.back().get());
        }
        if (name == "センター") m_centerNode = std::make_unique<ControlNode>(node);
        HeadRole role = HeadRole::kOther;
        if (name == "頭") role = HeadRole::kHead;
        if (name == "右目") role = HeadRole::kRightEye;
        if (name == "左目") role = HeadRole::kLeftEye;
        if (role != HeadRole::kOther) {
            m_headGroup.push_back(std::make_unique<ControlNode>(node));
            m_headRoles.push_back(role);
        }
        for (int slot = 0; slot < kBodyBoneCount; ++slot) {
            if (name == kBodyBoneNames[slot]) m_bodyBones[static_cast<size_t>(slot)] = node;
        }
    }
}

void ExtarnalController::addVirtualNodes() {
    auto* pmx = dynamic_cast<mmd::PMXModel*>(m_model.get());
    if (pmx == nullptr) return;
    auto& manager = pmx->GetPMXNodeManager();
    const size_t loaded = manager.GetNodeCount();
    for (size_t i = 0; i < loaded; ++i) {
        mmd::MMDNode* base = manager.GetNode(i);
        const std::string& baseName = base->GetName();
        const char* name = baseName == "右手首"   ? "vhandIK_R"
                           : baseName == "左手首" ? "vhandIK_L"
                           : baseName == "頭"     ? "vheadIK"
                                                  : nullptr;
        if (name == nullptr || manager.FindNodeIndex(name) >= 0) continue;
        const glm::mat4 rest = glm::inverse(base->GetInverseInitTransform());
        const glm::vec3 restPosition(rest[3]);
        mmd::PMXNode* node = manager.AddNode();
        node->SetName(name);
        // A root node: its translation is its rest position in model space, which the head target builds on.
        node->SetTranslate(restPosition);
        node->SaveInitialTRS();
        node->SetAnimationTranslate(restPosition);
        node->SetLocalTransform(rest);
        node->SetGlobalTransform(rest);
        node->CalculateInverseInitTransform();
        m_nodesByName.insert(QString::fromLatin1(name), node);
        auto control = std::make_unique<ControlNode>(node);
        control->attachMarker(QString::fromLatin1(markers::kOrange), kVirtualMarkerScale, control->restPos);
        m_headRoles.push_back(baseName == "頭" ? HeadRole::kHeadTarget : HeadRole::kOther);
        m_headGroup.push_back(std::move(control));
    }
}

mmd::MMDNode* ExtarnalController::nodeByName(const char* name) const {
    return m_nodesByName.value(QString::fromUtf8(name), nullptr);
}

void ExtarnalController::buildHeadChain() {
    mmd::MMDNode* upper2 = nodeByName("上半身2");
    if (upper2 == nullptr) m_headChain.addJoint(nodeByName("頭"));
    m_headChain.addJoint(nodeByName("首"));
    m_headChain.addJoint(upper2);
    m_headChain.addJoint(nodeByName("上半身"));
    m_headChain.finishSetup();
}

int ExtarnalController::indexOfBlendShape(const QString& name) const {
    if (const iFacialMoCap* receiver = m_feed->receiver()) return receiver->IndexOf(name);
    // Without a receiver the table order follows the mirror setting, as the receiver's would.
    const KySettings* settings = kySettings();
    return FaceNameTable::indexOf(QStringRef(&name), settings != nullptr ? settings->mirror : true);
}

void ExtarnalController::setFaceFeed(FaceFeed* feed) { m_feed = feed != nullptr ? feed : &m_defaultFeed; }

void ExtarnalController::InitializeMarkers() {
    if (m_markers) m_markers->initialize(m_headGroup, {&m_arms.right(), &m_arms.left(), &m_headChain});
}

void ExtarnalController::resetPhysics() {
    if (!m_model) return;
    const KySettings* settings = kySettings();
    const float gravityPower = settings != nullptr ? settings->gravityPower : 3.0f;
    if (mmd::MMDPhysics* physics = m_model->GetMMDPhysics()) physics->SetGravity(0.0f, -9.8f * gravityPower, 0.0f);
    m_noiseFilter.reset(noiseFilterSetting());
    // Puts every body back onto its bone (motion states, world step, velocities).
    m_model->ResetPhysics();
}

void ExtarnalController::onSceneSettingChanged() { resetPhysics(); }

void ExtarnalController::onDrawSettingChanged() {}

void ExtarnalController::onModelSettingChanged() {
    if (const KySettings* settings = kySettings()) m_face.applyCurves(*settings);
}

void ExtarnalController::onModelLRChanged() { resetPhysics(); }

void ExtarnalController::onErrorFixedValueChanged(QVariant value) { m_errorFix = value.toFloat(); }

void ExtarnalController::onErrorStateChanged(bool frozen) {
    m_errorAnim->stop();
    if (frozen) m_errorFix = 0.0001f;
    if (m_model) {
        mmd::MMDModel::MMDNodeManager* nodes = m_model->GetNodeManager();
        for (size_t i = 0; i < nodes->GetNodeCount(); ++i) {
            mmd::MMDNode* node = nodes->GetNode(i);
            node->SetBaseAnimationTranslate(node->GetAnimationTranslate());
            node->SetBaseAnimationRotate(node->GetAnimationRotate());
        }
    }
    m_errorAnim->setEasingCurve(QEasingCurve::InOutQuad);
    m_errorAnim->setStartValue(frozen ? 0.0 : 1.0);
    m_errorAnim->setEndValue(frozen ? 1.0 : 0.0);
    m_errorAnim->setDuration(frozen ? 1000 : 1500);
    m_errorAnim->start();
    // Starting reports the start value 0 at once; the hold must be in force from this frame on.
    if (frozen && m_errorFix == 0.0f) m_errorFix = 0.0001f;
}

void ExtarnalController::onLookForward() {
    if (m_model) m_model->ClearBaseAnimation();
    m_errorAnim->stop();
    m_errorFix = 0.0f;
}

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
#include "mmd/MMDPhysicsManager.h"
#include "mmd/MMDRigidBody.h"
#include "mmd/PMXModel.h"
#include "render/GLFunctions.h"
#include "render/SystemMesh.h"
#include "vr/BodyMath.h"

namespace {

constexpr float kVirtualMarkerScale = 0.01f;
constexpr float kLineMarkerScale = 0.01f;

const char* const kRequiredBones[] = {"センター", "上半身", "上半身2", "首",   "頭",     "左目",   "右目",  "左腕",
                                      "左ひじ",   "左手捩", "左手首",  "右腕", "右ひじ", "右手捩", "右手首"};

const char* const kBodyBoneNames[ExtarnalController::kBodyBoneCount] = {
    "頭",     "首",     "上半身2",  "上半身",   "下半身",       "左足",        "右足",
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
    buildChains();
    buildFilterRecords();
    m_purpleLine = std::make_unique<SystemMesh>();
    m_greenLine = std::make_unique<SystemMesh>();
    for (auto* line : {m_purpleLine.get(), m_greenLine.get()}) {
        line->setObjPath(QString::fromLatin1(markers::kCube));
        line->setScale(kLineMarkerScale);
    }
    m_purpleLine->setImagePath(QString::fromLatin1(markers::kPurpleLine));
    m_greenLine->setImagePath(QString::fromLatin1(markers::kGreenLine));
    qDebug() << "NodeCount:" << m_model->GetNodeManager()->GetNodeCount();
    bindFaceMorphs();
    onModelSettingChanged();
    m_refreshNodes.clear();
    mmd::MMDModel::MMDNodeManager* nodes = m_model->GetNodeManager();
    for (size_t i = 0; i < nodes->GetNodeCount(); ++i) {
        mmd::MMDNode* node = nodes->GetNode(i);
        const std::string& name = node->GetName();
        if (name.find("指") == std::string::npos && name.find("髪") == std::string::npos &&
            name.find("目") == std::string::npos) {
            m_refreshNodes.push_back(node);
        }
    }
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
            m_fingerByNode.insert(node, m_fingerGroup.back().get());
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
            m_headByNode.insert(node, m_headGroup.back().get());
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
        m_headByNode.insert(node, control.get());
        m_headRoles.push_back(baseName == "頭" ? HeadRole::kHeadTarget : HeadRole::kOther);
        m_headGroup.push_back(std::move(control));
    }
}

void ExtarnalController::buildChains() {
    m_armChainR.addJoint(nodeByName(QStringLiteral("右手首")));
    m_armChainR.addJoint(nodeByName(QStringLiteral("右ひじ")));
    m_armChainR.addJoint(nodeByName(QStringLiteral("右腕")));
    m_armChainR.setTwist(nodeByName(QStringLiteral("右手捩")));
    m_armChainL.addJoint(nodeByName(QStringLiteral("左手首")));
    m_armChainL.addJoint(nodeByName(QStringLiteral("左ひじ")));
    m_armChainL.addJoint(nodeByName(QStringLiteral("左腕")));
    m_armChainL.setTwist(nodeByName(QStringLiteral("左手捩")));
    mmd::MMDNode* upper2 = nodeByName(QStringLiteral("上半身2"));
    if (upper2 == nullptr) m_headChain.addJoint(nodeByName(QStringLiteral("頭")));
    m_headChain.addJoint(nodeByName(QStringLiteral("首")));
    m_headChain.addJoint(upper2);
    m_headChain.addJoint(nodeByName(QStringLiteral("上半身")));
    m_armChainR.finishSetup();
    m_armChainL.finishSetup();
    m_headChain.finishSetup();
}

void ExtarnalController::buildFilterRecords() {
    m_filterRecords.clear();
    mmd::MMDPhysicsManager* physics = m_model->GetPhysicsManager();
    if (physics == nullptr) return;
    const int capacity = noiseFilterSetting();
    for (const auto& body : physics->GetRigidBodies()) {
        if (body->GetRigidBodyType() == 0 || body->GetNode() == nullptr) continue;
        FilterRecord record;
        record.body = body.get();
        record.capacity = capacity;
        record.history.setCapacity(capacity);
        m_filterRecords.push_back(std::move(record));
    }
}

int ExtarnalController::indexOfBlendShape(const QString& name) const {
    if (const iFacialMoCap* receiver = m_feed->receiver()) return receiver->IndexOf(name);
    // Without a receiver the table order follows the mirror setting, as the receiver's would.
    const KySettings* settings = kySettings();
    return FaceNameTable::indexOf(QStringRef(&name), settings != nullptr ? settings->mirror : true);
}

void ExtarnalController::bindFaceMorphs() {
    mmd::MMDModel::MMDMorphManager* morphs = m_model->GetMorphManager();
    for (size_t i = 0; i < morphs->GetMorphCount(); ++i) {
        mmd::MMDMorph* morph = morphs->GetMorph(i);
        const QString name = QString::fromStdString(morph->GetName());
        qDebug().noquote() << "morph name" << name;
        if (name == QStringLiteral("まばたき")) m_blinkMorphs.push_back(morph);
        const int slot = indexOfBlendShape(name);
        if (slot < 0) continue;
        auto binding = std::make_unique<FaceMorphBinding>();
        binding->morph = morph;
        binding->name = name;
        binding->slot = slot;
        AddFaceBinding(std::move(binding));
    }
    for (const auto& binding : m_bindings) qDebug().noquote() << "ExMorph" << binding->name;
}

int ExtarnalController::AddFaceBinding(std::unique_ptr<FaceMorphBinding> binding) {
    if (!binding || m_bindingByMorph.contains(binding->morph)) return -1;
    binding->kind = FaceMorphBinding::kindOf(binding->name);
    m_bindingByMorph.insert(binding->morph, binding.get());
    const bool first = binding->kind == FaceMorphBinding::kNoseSneerL || binding->kind == FaceMorphBinding::kNoseSneerR;
    if (first) {
        m_bindings.insert(m_bindings.begin(), std::move(binding));
    } else {
        m_bindings.push_back(std::move(binding));
    }
    return static_cast<int>(m_bindings.size());
}

void ExtarnalController::setFaceFeed(FaceFeed* feed) { m_feed = feed != nullptr ? feed : &m_defaultFeed; }

void ExtarnalController::InitializeMarkers() {
    for (auto& node : m_headGroup) node->initialiseMarker();
    for (const BoneChain* chain : {&m_armChainR, &m_armChainL, &m_headChain}) {
        for (const auto& joint : chain->joints()) joint->initialiseMarker();
    }
    if (!m_linesReady && m_purpleLine && m_greenLine) {
        m_purpleLine->initialize();
        m_greenLine->initialize();
        m_linesReady = true;
    }
}

void ExtarnalController::resetPhysics() {
    if (!m_model) return;
    const KySettings* settings = kySettings();
    const float gravityPower = settings != nullptr ? settings->gravityPower : 3.0f;
    if (mmd::MMDPhysics* physics = m_model->GetMMDPhysics()) physics->SetGravity(0.0f, -9.8f * gravityPower, 0.0f);
    const int capacity = noiseFilterSetting();
    for (FilterRecord& record : m_filterRecords) {
        record.capacity = capacity;
        record.history.setCapacity(capacity);
    }
    // Puts every body back onto its bone (motion states, world step, velocities).
    m_model->ResetPhysics();
}

void ExtarnalController::onSceneSettingChanged() { resetPhysics(); }

void ExtarnalController::onDrawSettingChanged() {}

void ExtarnalController::onModelSettingChanged() {
    const KySettings* settings = kySettings();
    if (settings == nullptr) return;
    m_morphCurve = FaceMorphBinding::curveOf(settings->morphSensitivity);
    const std::pair<const char*, int> curves[] = {
        {"eyeBlink", settings->eyeBlinkSensitivity},         {"eyeSquint", settings->eyeSquintSensitivity},
        {"eyeWide", settings->eyeWideSensitivity},           {"cheekSquint", settings->cheekSquintSensitivity},
        {"mouthStretch", settings->mouthStretchSensitivity}, {"mouthFrown", settings->mouthStretchSensitivity},
        {"noseSneer", settings->noseSneerSensitivity},       {"browDown", settings->browDownSensitivity},
    };
    for (const auto& binding : m_bindings) {
        for (const auto& curve : curves) {
            if (binding->name.contains(QLatin1String(curve.first))) {
                binding->curve = FaceMorphBinding::curveOf(curve.second);
                break;
            }
        }
    }
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

// The input side of the simulated runtime: actions come from the application's manifest, their values from
// the session timeline, hand poses from the controllers marked left and right.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>

#include "vr/SimulatedRuntime.h"

using namespace mnxvr;

namespace {

// Handle kinds live in the high word so a handle of one kind never passes for another.
constexpr uint64_t kActionKind = 1ull << 32;
constexpr uint64_t kSetKind = 2ull << 32;
constexpr uint64_t kSourceKind = 3ull << 32;
constexpr uint64_t kDeviceOriginKind = 4ull << 32;
constexpr uint64_t kKindMask = 0xFFFFFFFFull << 32;

bool endsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Which hand an action belongs to, read from its name's ending ("_Left"/"L", "_Right"/"R").
std::string handOf(const std::string& name) {
    if (endsWith(name, "_Left") || endsWith(name, "L")) return "left";
    if (endsWith(name, "_Right") || endsWith(name, "R")) return "right";
    return std::string();
}

}  // namespace

EVRInputError SimulatedRuntime::SetActionManifestPath(const char* path) {
    m_actions.clear();
    m_actionSets.clear();
    m_activeSet = k_ulInvalidActionSetHandle;
    if (!m_connected || !path) return VRInputError_InvalidParam;
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly)) return VRInputError_MismatchedActionManifest;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (!doc.isObject()) return VRInputError_MismatchedActionManifest;
    const QJsonObject root = doc.object();
    for (const QJsonValue& v : root.value("action_sets").toArray()) {
        const std::string name = v.toObject().value("name").toString().toStdString();
        if (!name.empty() && !m_actionSets.count(name)) m_actionSets[name] = kSetKind | (m_actionSets.size() + 1);
    }
    for (const QJsonValue& v : root.value("actions").toArray()) {
        const QJsonObject o = v.toObject();
        Action a;
        a.name = o.value("name").toString().toStdString();
        const QString type = o.value("type").toString();
        if (type == QLatin1String("boolean")) {
            a.kind = ActionKind::Digital;
        } else if (type.startsWith(QLatin1String("vector"))) {
            a.kind = ActionKind::Analog;
        } else if (type == QLatin1String("pose")) {
            a.kind = ActionKind::Pose;
        } else {
            continue;
        }
        if (a.name.empty()) continue;
        a.hand = handOf(a.name);
        m_actions.push_back(a);
    }
    return VRInputError_None;
}

EVRInputError SimulatedRuntime::GetActionSetHandle(const char* name, VRActionSetHandle_t* handle) {
    if (!handle || !name) return VRInputError_InvalidParam;
    const auto it = m_actionSets.find(name);
    *handle = it == m_actionSets.end() ? k_ulInvalidActionSetHandle : it->second;
    return it == m_actionSets.end() ? VRInputError_NameNotFound : VRInputError_None;
}

EVRInputError SimulatedRuntime::GetActionHandle(const char* name, VRActionHandle_t* handle) {
    if (!handle || !name) return VRInputError_InvalidParam;
    for (size_t i = 0; i < m_actions.size(); ++i) {
        if (m_actions[i].name == name) {
            *handle = kActionKind | (i + 1);
            return VRInputError_None;
        }
    }
    *handle = k_ulInvalidActionHandle;
    return VRInputError_NameNotFound;
}

EVRInputError SimulatedRuntime::GetInputSourceHandle(const char* path, VRInputValueHandle_t* handle) {
    if (!handle || !path || !*path) return VRInputError_InvalidParam;
    auto it = m_sources.find(path);
    if (it == m_sources.end()) it = m_sources.emplace(path, kSourceKind | (m_sources.size() + 1)).first;
    *handle = it->second;
    return VRInputError_None;
}

const SimulatedRuntime::Action* SimulatedRuntime::action(VRActionHandle_t handle) const {
    if ((handle & kKindMask) != kActionKind) return nullptr;
    const uint64_t i = handle & ~kKindMask;
    return i >= 1 && i <= m_actions.size() ? &m_actions[i - 1] : nullptr;
}

bool SimulatedRuntime::handPose(const std::string& hand, TrackedDevicePose_t& pose,
                                VRInputValueHandle_t& origin) const {
    const SimulatedDevice* d = m_session.handDevice(hand);
    if (!d) return false;
    pose = m_session.pose(*d, sessionTime());
    origin = kDeviceOriginKind | (d->index + 1);
    return true;
}

EVRInputError SimulatedRuntime::UpdateActionState(VRActiveActionSet_t* sets, uint32_t setSize, uint32_t setCount) {
    if (!m_connected || !sets || setSize != sizeof(VRActiveActionSet_t) || setCount == 0)
        return VRInputError_InvalidParam;
    bool known = false;
    for (const auto& entry : m_actionSets) known = known || entry.second == sets[0].ulActionSet;
    if (!known) return VRInputError_InvalidHandle;
    m_activeSet = sets[0].ulActionSet;
    const double t = sessionTime();
    for (Action& a : m_actions) {
        a.previousState = a.state;
        a.previousX = a.x;
        a.previousY = a.y;
        TrackedDevicePose_t pose{};
        VRInputValueHandle_t origin = 0;
        a.active = handPose(a.hand, pose, origin) && pose.bPoseIsValid;
        const SimulatedInput* in = m_session.input(a.name, t);
        a.state = in && in->state;
        a.x = in ? in->x : 0.0f;
        a.y = in ? in->y : 0.0f;
    }
    return VRInputError_None;
}

EVRInputError SimulatedRuntime::GetDigitalActionData(VRActionHandle_t handle, InputDigitalActionData_t* data,
                                                     uint32_t dataSize, VRInputValueHandle_t) {
    if (!data || dataSize != sizeof(InputDigitalActionData_t)) return VRInputError_InvalidParam;
    std::memset(data, 0, sizeof(*data));
    const Action* a = action(handle);
    if (!a) return VRInputError_InvalidHandle;
    if (a->kind != ActionKind::Digital) return VRInputError_WrongType;
    TrackedDevicePose_t pose{};
    handPose(a->hand, pose, data->activeOrigin);
    data->bActive = a->active && m_activeSet != k_ulInvalidActionSetHandle;
    data->bState = data->bActive && a->state;
    data->bChanged = data->bActive && a->state != a->previousState;
    return VRInputError_None;
}

EVRInputError SimulatedRuntime::GetAnalogActionData(VRActionHandle_t handle, InputAnalogActionData_t* data,
                                                    uint32_t dataSize, VRInputValueHandle_t) {
    if (!data || dataSize != sizeof(InputAnalogActionData_t)) return VRInputError_InvalidParam;
    std::memset(data, 0, sizeof(*data));
    const Action* a = action(handle);
    if (!a) return VRInputError_InvalidHandle;
    if (a->kind != ActionKind::Analog) return VRInputError_WrongType;
    TrackedDevicePose_t pose{};
    handPose(a->hand, pose, data->activeOrigin);
    data->bActive = a->active && m_activeSet != k_ulInvalidActionSetHandle;
    if (data->bActive) {
        data->x = a->x;
        data->y = a->y;
        data->deltaX = a->x - a->previousX;
        data->deltaY = a->y - a->previousY;
    }
    return VRInputError_None;
}

EVRInputError SimulatedRuntime::GetPoseActionDataForNextFrame(VRActionHandle_t handle, ETrackingUniverseOrigin,
                                                              InputPoseActionData_t* data, uint32_t dataSize,
                                                              VRInputValueHandle_t) {
    if (!data || dataSize != sizeof(InputPoseActionData_t)) return VRInputError_InvalidParam;
    std::memset(data, 0, sizeof(*data));
    const Action* a = action(handle);
    if (!a) return VRInputError_InvalidHandle;
    if (a->kind != ActionKind::Pose) return VRInputError_WrongType;
    if (m_activeSet == k_ulInvalidActionSetHandle) return VRInputError_None;
    data->bActive = handPose(a->hand, data->pose, data->activeOrigin);
    return VRInputError_None;
}

EVRInputError SimulatedRuntime::GetOriginTrackedDeviceInfo(VRInputValueHandle_t origin, InputOriginInfo_t* info,
                                                           uint32_t infoSize) {
    if (!info || infoSize != sizeof(InputOriginInfo_t)) return VRInputError_InvalidParam;
    std::memset(info, 0, sizeof(*info));
    info->trackedDeviceIndex = k_unTrackedDeviceIndexInvalid;
    if ((origin & kKindMask) != kDeviceOriginKind) return VRInputError_InvalidHandle;
    const auto index = static_cast<TrackedDeviceIndex_t>((origin & ~kKindMask) - 1);
    const SimulatedDevice* d = m_session.device(index);
    if (!d) return VRInputError_InvalidHandle;
    info->devicePath = origin;
    info->trackedDeviceIndex = index;
    std::strncpy(info->rchRenderModelComponentName, d->renderModelName.c_str(),
                 sizeof(info->rchRenderModelComponentName) - 1);
    return VRInputError_None;
}

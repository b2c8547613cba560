#include "vr/SimulatedSession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

using namespace mnxvr;

namespace {

constexpr double kPi = 3.14159265358979323846;

bool readVector3(const QJsonValue& value, float out[3]) {
    const QJsonArray a = value.toArray();
    if (a.size() != 3) return false;
    for (int i = 0; i < 3; ++i) {
        if (!a[i].isDouble()) return false;
        out[i] = static_cast<float>(a[i].toDouble());
    }
    return true;
}

bool parseClass(const QString& name, ETrackedDeviceClass& out) {
    static const std::pair<const char*, ETrackedDeviceClass> kClasses[] = {
        {"HMD", TrackedDeviceClass_HMD},
        {"Controller", TrackedDeviceClass_Controller},
        {"GenericTracker", TrackedDeviceClass_GenericTracker},
        {"TrackingReference", TrackedDeviceClass_TrackingReference},
    };
    for (const auto& c : kClasses) {
        if (name == QLatin1String(c.first)) {
            out = c.second;
            return true;
        }
    }
    return false;
}

bool parseDevice(const QJsonObject& o, double loop, SimulatedDevice& d, QString& reason) {
    const int index = o.value("index").toInt(-1);
    if (index < 0 || index >= static_cast<int>(k_unMaxTrackedDeviceCount)) {
        reason = QStringLiteral("device index must be 0..63");
        return false;
    }
    d.index = static_cast<TrackedDeviceIndex_t>(index);
    if (!parseClass(o.value("class").toString(), d.deviceClass)) {
        reason = QStringLiteral("device %1 has an unknown class").arg(index);
        return false;
    }
    d.serialNumber = o.value("serial").toString().toStdString();
    d.modelNumber = o.value("model").toString().toStdString();
    d.renderModelName = o.value("renderModel").toString().toStdString();
    d.battery = static_cast<float>(o.value("battery").toDouble(1.0));
    d.hand = o.value("hand").toString().toStdString();
    const QJsonObject bools = o.value("boolProperties").toObject();
    for (auto it = bools.begin(); it != bools.end(); ++it) d.boolProperties[it.key().toInt()] = it.value().toBool();
    for (const QJsonValue& k : o.value("keyframes").toArray()) {
        const QJsonObject ko = k.toObject();
        SimulatedKeyframe key;
        key.time = ko.value("t").toDouble(-1.0);
        if (key.time < 0.0 || key.time > loop || !readVector3(ko.value("position"), key.position) ||
            (ko.contains("yawPitchRoll") && !readVector3(ko.value("yawPitchRoll"), key.yawPitchRoll))) {
            reason = QStringLiteral("device %1 has a bad keyframe").arg(index);
            return false;
        }
        d.keyframes.push_back(key);
    }
    std::stable_sort(d.keyframes.begin(), d.keyframes.end(),
                     [](const SimulatedKeyframe& a, const SimulatedKeyframe& b) { return a.time < b.time; });
    for (const QJsonValue& g : o.value("invalid").toArray()) {
        const QJsonArray ga = g.toArray();
        if (ga.size() != 2 || !ga[0].isDouble() || !ga[1].isDouble()) {
            reason = QStringLiteral("device %1 has a bad invalid range").arg(index);
            return false;
        }
        d.gaps.emplace_back(ga[0].toDouble(), ga[1].toDouble());
    }
    return true;
}

float lerp(float a, float b, float f) { return a + (b - a) * f; }

// Position and angles at a loop time; keyframes wrap from the last back to the first over the loop end.
void sample(const std::vector<SimulatedKeyframe>& keys, double t, double loop, float pos[3], float ypr[3]) {
    const SimulatedKeyframe* a = &keys.back();
    const SimulatedKeyframe* b = &keys.front();
    double ta = a->time - loop, tb = b->time;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].time > t) {
            b = &keys[i];
            tb = b->time;
            a = i == 0 ? &keys.back() : &keys[i - 1];
            ta = i == 0 ? a->time - loop : a->time;
            break;
        }
        if (i + 1 == keys.size()) {
            a = &keys[i];
            ta = a->time;
            b = &keys.front();
            tb = b->time + loop;
        }
    }
    const float f = tb > ta ? static_cast<float>((t - ta) / (tb - ta)) : 0.0f;
    for (int i = 0; i < 3; ++i) {
        pos[i] = lerp(a->position[i], b->position[i], f);
        ypr[i] = lerp(a->yawPitchRoll[i], b->yawPitchRoll[i], f);
    }
}

void rotation(const float ypr[3], float r[3][3]) {
    const double y = ypr[0] * kPi / 180.0, p = ypr[1] * kPi / 180.0, q = ypr[2] * kPi / 180.0;
    const double cy = std::cos(y), sy = std::sin(y), cp = std::cos(p), sp = std::sin(p);
    const double cr = std::cos(q), sr = std::sin(q);
    // Ry * Rx * Rz
    const double m[3][3] = {{cy * cr + sy * sp * sr, -cy * sr + sy * sp * cr, sy * cp},
                            {cp * sr, cp * cr, -sp},
                            {-sy * cr + cy * sp * sr, sy * sr + cy * sp * cr, cy * cp}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = static_cast<float>(m[i][j]);
}

}  // namespace

bool SimulatedSession::load(const QString& path, SimulatedSession& session, QString& reason) {
    QFile file(path);
    if (!file.exists()) {
        reason = QStringLiteral("Simulated VR session not found: %1").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("Simulated VR session cannot be read: %1").arg(path);
        return false;
    }
    QString why;
    if (!parse(file.readAll(), session, why)) {
        reason = QStringLiteral("Simulated VR session is invalid: %1: %2").arg(path, why);
        return false;
    }
    return true;
}

bool SimulatedSession::parse(const QByteArray& json, SimulatedSession& session, QString& reason) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        reason = error.error != QJsonParseError::NoError ? error.errorString() : QStringLiteral("not an object");
        return false;
    }
    const QJsonObject root = doc.object();
    SimulatedSession s;
    s.loopSeconds = root.value("loopSeconds").toDouble(s.loopSeconds);
    if (!(s.loopSeconds > 0.0)) {
        reason = QStringLiteral("loopSeconds must be positive");
        return false;
    }
    const QJsonObject eyes = root.value("eyes").toObject();
    s.renderWidth = static_cast<uint32_t>(eyes.value("width").toInt(static_cast<int>(s.renderWidth)));
    s.renderHeight = static_cast<uint32_t>(eyes.value("height").toInt(static_cast<int>(s.renderHeight)));
    s.ipd = static_cast<float>(eyes.value("ipd").toDouble(s.ipd));
    s.tanLeft = static_cast<float>(eyes.value("tanLeft").toDouble(s.tanLeft));
    s.tanRight = static_cast<float>(eyes.value("tanRight").toDouble(s.tanRight));
    s.tanUp = static_cast<float>(eyes.value("tanUp").toDouble(s.tanUp));
    s.tanDown = static_cast<float>(eyes.value("tanDown").toDouble(s.tanDown));
    if (s.renderWidth == 0 || s.renderHeight == 0 || s.tanRight <= s.tanLeft || s.tanUp <= s.tanDown) {
        reason = QStringLiteral("bad eye set-up");
        return false;
    }
    for (const QJsonValue& v : root.value("devices").toArray()) {
        SimulatedDevice d;
        if (!parseDevice(v.toObject(), s.loopSeconds, d, reason)) return false;
        if (s.device(d.index)) {
            reason = QStringLiteral("device index %1 appears twice").arg(d.index);
            return false;
        }
        s.devices.push_back(std::move(d));
    }
    std::sort(s.devices.begin(), s.devices.end(),
              [](const SimulatedDevice& a, const SimulatedDevice& b) { return a.index < b.index; });
    for (const QJsonValue& v : root.value("timeline").toArray()) {
        const QJsonObject o = v.toObject();
        const double t = o.value("t").toDouble(-1.0);
        if (t < 0.0) {
            reason = QStringLiteral("timeline entry without a time");
            return false;
        }
        if (o.contains("event")) {
            SimulatedEvent e;
            e.time = t;
            e.type = static_cast<uint32_t>(o.value("event").toInt());
            e.device = static_cast<TrackedDeviceIndex_t>(o.value("device").toInt(0));
            s.events.push_back(e);
            continue;
        }
        SimulatedInput in;
        in.time = t;
        in.action = o.value("action").toString().toStdString();
        if (in.action.empty() || t > s.loopSeconds) {
            reason = QStringLiteral("timeline entry at %1 needs an action within the loop").arg(t);
            return false;
        }
        in.state = o.value("state").toBool();
        in.x = static_cast<float>(o.value("x").toDouble());
        in.y = static_cast<float>(o.value("y").toDouble());
        s.inputs.push_back(in);
    }
    std::stable_sort(s.inputs.begin(), s.inputs.end(),
                     [](const SimulatedInput& a, const SimulatedInput& b) { return a.time < b.time; });
    std::stable_sort(s.events.begin(), s.events.end(),
                     [](const SimulatedEvent& a, const SimulatedEvent& b) { return a.time < b.time; });
    session = std::move(s);
    return true;
}

const SimulatedDevice* SimulatedSession::device(TrackedDeviceIndex_t index) const {
    for (const auto& d : devices)
        if (d.index == index) return &d;
    return nullptr;
}

const SimulatedDevice* SimulatedSession::handDevice(const std::string& hand) const {
    for (const auto& d : devices)
        if (d.deviceClass == TrackedDeviceClass_Controller && d.hand == hand) return &d;
    return nullptr;
}

TrackedDevicePose_t SimulatedSession::pose(const SimulatedDevice& device, double time) const {
    TrackedDevicePose_t pose{};
    pose.bDeviceIsConnected = true;
    const double t = std::fmod(time, loopSeconds);
    bool valid = !device.keyframes.empty();
    for (const auto& gap : device.gaps)
        if (t >= gap.first && t < gap.second) valid = false;
    pose.bPoseIsValid = valid;
    pose.eTrackingResult = valid ? TrackingResult_Running_OK : TrackingResult_Running_OutOfRange;
    if (device.keyframes.empty()) return pose;
    float p[3], ypr[3], r[3][3];
    sample(device.keyframes, t, loopSeconds, p, ypr);
    rotation(ypr, r);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) pose.mDeviceToAbsoluteTracking.m[i][j] = r[i][j];
        pose.mDeviceToAbsoluteTracking.m[i][3] = p[i];
    }
    // Central differences over a short step give the velocities the runtime would predict.
    constexpr double kStep = 0.005;
    float p0[3], p1[3], a0[3], a1[3];
    sample(device.keyframes, std::fmod(t + loopSeconds - kStep, loopSeconds), loopSeconds, p0, a0);
    sample(device.keyframes, std::fmod(t + kStep, loopSeconds), loopSeconds, p1, a1);
    const float toRadians = static_cast<float>(kPi / 180.0);
    for (int i = 0; i < 3; ++i) pose.vVelocity.v[i] = static_cast<float>((p1[i] - p0[i]) / (2.0 * kStep));
    pose.vAngularVelocity.v[0] = static_cast<float>((a1[1] - a0[1]) * toRadians / (2.0 * kStep));
    pose.vAngularVelocity.v[1] = static_cast<float>((a1[0] - a0[0]) * toRadians / (2.0 * kStep));
    pose.vAngularVelocity.v[2] = static_cast<float>((a1[2] - a0[2]) * toRadians / (2.0 * kStep));
    return pose;
}

const SimulatedInput* SimulatedSession::input(const std::string& action, double time) const {
    const double t = std::fmod(time, loopSeconds);
    const SimulatedInput* latest = nullptr;
    for (const auto& in : inputs) {
        if (in.time > t) break;
        if (in.action == action) latest = &in;
    }
    return latest;
}

#include "SimSession.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

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

bool parseClass(const QString& name, SimDeviceClass& out) {
    static const std::pair<const char*, SimDeviceClass> kClasses[] = {
        {"HMD", SimDeviceClass::HMD},
        {"Controller", SimDeviceClass::Controller},
        {"GenericTracker", SimDeviceClass::GenericTracker},
    };
    for (const auto& c : kClasses) {
        if (name == QLatin1String(c.first)) {
            out = c.second;
            return true;
        }
    }
    return false;
}

bool parseDevice(const QJsonObject& o, int index, double loop, SimDevice& d, QString& reason) {
    if (!parseClass(o.value("class").toString(), d.deviceClass)) {
        reason = QStringLiteral("device %1 has an unknown class").arg(index);
        return false;
    }
    d.serialNumber = o.value("serial").toString().toStdString();
    d.modelNumber = o.value("model").toString().toStdString();
    d.hand = o.value("hand").toString().toStdString();
    d.role = o.value("role").toString().toStdString();
    for (const QJsonValue& k : o.value("keyframes").toArray()) {
        const QJsonObject ko = k.toObject();
        SimKeyframe key;
        key.time = ko.value("t").toDouble(-1.0);
        if (key.time < 0.0 || key.time > loop || !readVector3(ko.value("position"), key.position) ||
            (ko.contains("yawPitchRoll") && !readVector3(ko.value("yawPitchRoll"), key.yawPitchRoll))) {
            reason = QStringLiteral("device %1 has a bad keyframe").arg(index);
            return false;
        }
        d.keyframes.push_back(key);
    }
    std::stable_sort(d.keyframes.begin(), d.keyframes.end(),
                     [](const SimKeyframe& a, const SimKeyframe& b) { return a.time < b.time; });
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
void sample(const std::vector<SimKeyframe>& keys, double t, double loop, float pos[3], float ypr[3]) {
    const SimKeyframe* a = &keys.back();
    const SimKeyframe* b = &keys.front();
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

bool SimSession::load(const QString& path, SimSession& session, QString& reason) {
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

bool SimSession::parse(const QByteArray& json, SimSession& session, QString& reason) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        reason = error.error != QJsonParseError::NoError ? error.errorString() : QStringLiteral("not an object");
        return false;
    }
    const QJsonObject root = doc.object();
    SimSession s;
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
    int index = 0;
    for (const QJsonValue& v : root.value("devices").toArray()) {
        SimDevice d;
        if (!parseDevice(v.toObject(), index++, s.loopSeconds, d, reason)) return false;
        s.devices.push_back(std::move(d));
    }
    for (const QJsonValue& v : root.value("timeline").toArray()) {
        const QJsonObject o = v.toObject();
        const double t = o.value("t").toDouble(-1.0);
        if (t < 0.0) {
            reason = QStringLiteral("timeline entry without a time");
            return false;
        }
        if (o.contains("event")) {
            if (o.value("event").toString() != QLatin1String("exit")) {
                reason = QStringLiteral("timeline entry at %1 has an unknown event").arg(t);
                return false;
            }
            s.exitRequests.push_back(t);
            continue;
        }
        SimInput in;
        in.time = t;
        in.path = o.value("input").toString().toStdString();
        if (in.path.empty() || t > s.loopSeconds) {
            reason = QStringLiteral("timeline entry at %1 needs an input within the loop").arg(t);
            return false;
        }
        in.state = o.value("state").toBool();
        in.x = static_cast<float>(o.value("x").toDouble());
        in.y = static_cast<float>(o.value("y").toDouble());
        s.inputs.push_back(in);
    }
    std::stable_sort(s.inputs.begin(), s.inputs.end(),
                     [](const SimInput& a, const SimInput& b) { return a.time < b.time; });
    std::sort(s.exitRequests.begin(), s.exitRequests.end());
    session = std::move(s);
    return true;
}

const SimDevice* SimSession::headset() const {
    for (const auto& d : devices)
        if (d.deviceClass == SimDeviceClass::HMD) return &d;
    return nullptr;
}

const SimDevice* SimSession::handDevice(const std::string& hand) const {
    for (const auto& d : devices)
        if (d.deviceClass == SimDeviceClass::Controller && d.hand == hand) return &d;
    return nullptr;
}

const SimDevice* SimSession::trackerWithRole(const std::string& role) const {
    for (const auto& d : devices)
        if (d.deviceClass == SimDeviceClass::GenericTracker && d.role == role) return &d;
    return nullptr;
}

SimPose SimSession::pose(const SimDevice& device, double time) const {
    SimPose pose;
    const double t = std::fmod(time, loopSeconds);
    bool valid = !device.keyframes.empty();
    for (const auto& gap : device.gaps)
        if (t >= gap.first && t < gap.second) valid = false;
    pose.valid = valid;
    if (device.keyframes.empty()) return pose;
    float p[3], ypr[3], r[3][3];
    sample(device.keyframes, t, loopSeconds, p, ypr);
    rotation(ypr, r);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) pose.matrix[j][i] = r[i][j];
        pose.matrix[3][i] = p[i];
    }
    // Central differences over a short step give the velocities the runtime would predict.
    constexpr double kStep = 0.005;
    float p0[3], p1[3], a0[3], a1[3];
    sample(device.keyframes, std::fmod(t + loopSeconds - kStep, loopSeconds), loopSeconds, p0, a0);
    sample(device.keyframes, std::fmod(t + kStep, loopSeconds), loopSeconds, p1, a1);
    const float toRadians = static_cast<float>(kPi / 180.0);
    for (int i = 0; i < 3; ++i) pose.velocity[i] = static_cast<float>((p1[i] - p0[i]) / (2.0 * kStep));
    pose.angularVelocity[0] = static_cast<float>((a1[1] - a0[1]) * toRadians / (2.0 * kStep));
    pose.angularVelocity[1] = static_cast<float>((a1[0] - a0[0]) * toRadians / (2.0 * kStep));
    pose.angularVelocity[2] = static_cast<float>((a1[2] - a0[2]) * toRadians / (2.0 * kStep));
    return pose;
}

const SimInput* SimSession::input(const std::string& path, double time) const {
    const double t = std::fmod(time, loopSeconds);
    const SimInput* latest = nullptr;
    for (const auto& in : inputs) {
        if (in.time > t) break;
        if (in.path == path) latest = &in;
    }
    return latest;
}

#include "VmcPerformance.h"

#include <lo/lo.h>

#include <QElapsedTimer>
#include <QThread>
#include <cmath>

#include "PhoneFrame.h"
#include "SyntheticPerformance.h"

namespace {

struct Quat {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
};

// Unity's Euler order (z, then x, then y), angles in degrees.
Quat euler(float xDeg, float yDeg, float zDeg) {
    const float d = 3.14159265f / 360.0f;
    const float cx = std::cos(xDeg * d), sx = std::sin(xDeg * d);
    const float cy = std::cos(yDeg * d), sy = std::sin(yDeg * d);
    const float cz = std::cos(zDeg * d), sz = std::sin(zDeg * d);
    // q = qy * qx * qz
    Quat q;
    q.w = cy * cx * cz + sy * sx * sz;
    q.x = cy * sx * cz + sy * cx * sz;
    q.y = sy * cx * cz - cy * sx * sz;
    q.z = cy * cx * sz - sy * sx * cz;
    return q;
}

void addBone(lo_bundle bundle, const char* name, const Quat& q, float px = 0.0f, float py = 0.0f, float pz = 0.0f) {
    lo_message m = lo_message_new();
    lo_message_add_string(m, name);
    for (float v : {px, py, pz, q.x, q.y, q.z, q.w}) lo_message_add_float(m, v);
    lo_bundle_add_message(bundle, "/VMC/Ext/Bone/Pos", m);
}

void addBlend(lo_bundle bundle, const char* name, float value) {
    lo_message m = lo_message_new();
    lo_message_add_string(m, name);
    lo_message_add_float(m, value);
    lo_bundle_add_message(bundle, "/VMC/Ext/Blend/Val", m);
}

float shape(const PhoneFrame& f, const char* name) {
    const int index = PhoneFrame::blendShapeIndex(QLatin1String(name));
    return index >= 0 ? f.blendShapes[static_cast<size_t>(index)] * 0.01f : 0.0f;
}

lo_bundle frameBundle(const PhoneFrame& f, double t) {
    lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    lo_message ok = lo_message_new();
    lo_message_add_int32(ok, 1);
    lo_bundle_add_message(bundle, "/VMC/Ext/OK", ok);
    lo_message time = lo_message_new();
    lo_message_add_float(time, static_cast<float>(t));
    lo_bundle_add_message(bundle, "/VMC/Ext/T", time);
    lo_message root = lo_message_new();
    lo_message_add_string(root, "root");
    for (float v : {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}) lo_message_add_float(root, v);
    lo_bundle_add_message(bundle, "/VMC/Ext/Root/Pos", root);

    // The phone's head angles spread over spine, neck and head; Unity is left-handed, so yaw and roll flip.
    const float pitch = f.headRotation[0], yaw = -f.headRotation[1], roll = -f.headRotation[2];
    const float sway = static_cast<float>(std::sin(t * 1.3));
    addBone(bundle, "Hips", euler(0.0f, sway * 3.0f, 0.0f), 0.0f, 0.95f, 0.0f);
    addBone(bundle, "Spine", euler(pitch * 0.15f, yaw * 0.15f, roll * 0.15f));
    addBone(bundle, "Chest", euler(pitch * 0.15f, yaw * 0.15f, roll * 0.15f));
    addBone(bundle, "Neck", euler(pitch * 0.3f, yaw * 0.3f, roll * 0.3f));
    addBone(bundle, "Head", euler(pitch * 0.4f, yaw * 0.4f, roll * 0.4f));
    // Arms: down along the body (70 degrees from the T-pose) and swaying; the left hand waves now and then.
    const float wave = static_cast<float>(std::max(0.0, std::sin(t * 0.4)));
    const float waveSwing = static_cast<float>(std::sin(t * 6.0)) * 20.0f * wave;
    addBone(bundle, "LeftUpperArm", euler(0.0f, 10.0f * sway, 70.0f - 150.0f * wave));
    addBone(bundle, "LeftLowerArm", euler(0.0f, -60.0f * wave - 10.0f, waveSwing));
    addBone(bundle, "RightUpperArm", euler(0.0f, -10.0f * sway, -70.0f));
    addBone(bundle, "RightLowerArm", euler(0.0f, 10.0f + 5.0f * sway, 0.0f));
    const float curl = 20.0f + 15.0f * static_cast<float>(std::sin(t * 0.9));
    for (const char* side : {"Left", "Right"}) {
        const float sign = side[0] == 'L' ? 1.0f : -1.0f;
        for (const char* finger : {"Index", "Middle", "Ring", "Little"}) {
            for (const char* joint : {"Proximal", "Intermediate", "Distal"}) {
                const QByteArray name = QByteArray(side) + finger + joint;
                addBone(bundle, name.constData(), euler(0.0f, 0.0f, sign * curl));
            }
        }
    }

    for (int i = 0; i < PhoneFrame::kBlendShapeCount; ++i) {
        addBlend(bundle, PhoneFrame::blendShapeName(i).data(), f.blendShapes[static_cast<size_t>(i)] * 0.01f);
    }
    addBlend(bundle, "A", shape(f, "jawOpen"));
    addBlend(bundle, "U", shape(f, "mouthPucker"));
    addBlend(bundle, "Blink_L", shape(f, "eyeBlink_L"));
    addBlend(bundle, "Blink_R", shape(f, "eyeBlink_R"));
    addBlend(bundle, "Joy", 0.5f * (shape(f, "mouthSmile_L") + shape(f, "mouthSmile_R")));
    lo_bundle_add_message(bundle, "/VMC/Ext/Blend/Apply", lo_message_new());
    return bundle;
}

}  // namespace

int runVmcPerformance(const QString& destination, const SyntheticPerformance& performance,
                      const std::atomic<bool>& interrupted, QTextStream& out, QTextStream& err) {
    const int colon = destination.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? destination.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535) {
        err << "mnx-phone: bad --vmc " << destination << " (expected HOST:PORT, e.g. 127.0.0.1:39539)" << Qt::endl;
        return 2;
    }
    const QByteArray host = destination.left(colon).toUtf8();
    lo_address to = lo_address_new(host.constData(), QByteArray::number(port).constData());
    if (to == nullptr) {
        err << "mnx-phone: cannot resolve " << destination << Qt::endl;
        return 1;
    }
    out << "sending VMC to " << destination << " at 60 Hz" << Qt::endl;
    QElapsedTimer clock;
    clock.start();
    qint64 frame = 0;
    int failures = 0;
    while (!interrupted.load()) {
        const double t = static_cast<double>(clock.elapsed()) / 1000.0;
        lo_bundle bundle = frameBundle(performance.frameAt(t), t);
        if (lo_send_bundle(to, bundle) < 0 && failures++ == 0) {
            err << "mnx-phone: send failed: " << lo_address_errstr(to) << Qt::endl;
        }
        lo_bundle_free_recursive(bundle);
        ++frame;
        const qint64 next = frame * 1000 / 60;
        const qint64 wait = next - clock.elapsed();
        if (wait > 0) QThread::msleep(static_cast<unsigned long>(wait));
    }
    out << "interrupted, exiting" << Qt::endl;
    lo_address_free(to);
    return 0;
}

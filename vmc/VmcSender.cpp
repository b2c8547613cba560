#include "vmc/VmcSender.h"

#include <QString>
#include <cctype>
#include <cstdio>

#include "face/FaceNameTable.h"
#include "face/Socket.h"

namespace vmc {

VmcSender::VmcSender() = default;

VmcSender::~VmcSender() { release(); }

void VmcSender::release() {
    if (m_bundle != nullptr) lo_bundle_free_recursive(m_bundle);
    m_bundle = nullptr;
    m_time = nullptr;
    m_poses.clear();
    m_arkit.fill(nullptr);
    m_presets.fill(nullptr);
}

void VmcSender::build(const std::bitset<kHumanoidBoneCount>& bones) {
    release();
    m_bundle = lo_bundle_new(LO_TT_IMMEDIATE);

    lo_message ok = lo_message_new();
    // Loaded, calibrated, normal calibration mode, tracking.
    lo_message_add_int32(ok, 1);
    lo_message_add_int32(ok, 3);
    lo_message_add_int32(ok, 0);
    lo_message_add_int32(ok, 1);
    lo_bundle_add_message(m_bundle, "/VMC/Ext/OK", ok);

    lo_message time = lo_message_new();
    lo_message_add_float(time, 0.0f);
    lo_bundle_add_message(m_bundle, "/VMC/Ext/T", time);
    m_time = lo_message_get_argv(time);

    const auto addPose = [this](const char* path, const char* name, int bone) {
        lo_message message = lo_message_new();
        lo_message_add_string(message, name);
        for (int k = 0; k < 7; ++k) lo_message_add_float(message, k == 6 ? 1.0f : 0.0f);
        lo_bundle_add_message(m_bundle, path, message);
        m_poses.push_back(PoseMessage{lo_message_get_argv(message), bone});
    };
    addPose("/VMC/Ext/Root/Pos", "root", -1);
    for (int i = 0; i < kHumanoidBoneCount; ++i) {
        if (bones[static_cast<size_t>(i)])
            addPose("/VMC/Ext/Bone/Pos", humanoidBones()[static_cast<size_t>(i)].name, i);
    }

    const auto addBlend = [this](const QByteArray& name) {
        lo_message message = lo_message_new();
        lo_message_add_string(message, name.constData());
        lo_message_add_float(message, 0.0f);
        lo_bundle_add_message(m_bundle, "/VMC/Ext/Blend/Val", message);
        return lo_message_get_argv(message);
    };
    for (int slot = 1; slot < FaceFrame::kValueCount; ++slot) {
        const QString name = FaceNameTable::nameAt(slot, true);
        m_arkit[static_cast<size_t>(slot)] = addBlend(name.toLatin1());
        m_exchangedSlot[static_cast<size_t>(slot)] = FaceNameTable::indexOf(QStringRef(&name), false);
    }
    for (int i = 0; i < kVrmPresetCount; ++i) {
        m_presets[static_cast<size_t>(i)] = addBlend(QByteArray(vrmPresets()[static_cast<size_t>(i)].name));
    }
    lo_bundle_add_message(m_bundle, "/VMC/Ext/Blend/Apply", lo_message_new());

    m_buffer.assign(lo_bundle_length(m_bundle), 0);
    m_size = 0;
}

bool VmcSender::setDestination(const std::string& host, int port) {
    if (port < 1 || port > 65535) return false;
    const std::string address = host == "localhost" ? std::string("127.0.0.1") : host;
    // Checked by sending nothing: the socket layer accepts dotted IPv4 only.
    unsigned a = 0, b = 0, c = 0, d = 0;
    char tail = 0;
    if (address.empty() || !std::isdigit(static_cast<unsigned char>(address[0])) ||
        std::sscanf(address.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 || b > 255 || c > 255 ||
        d > 255) {
        return false;
    }
    m_host = address;
    m_port = port;
    return true;
}

void VmcSender::writePose(const PoseMessage& message, const VmcFrame::Pose& pose) {
    lo_arg** argv = message.argv;
    argv[1]->f = pose.px;
    argv[2]->f = pose.py;
    argv[3]->f = pose.pz;
    argv[4]->f = pose.qx;
    argv[5]->f = pose.qy;
    argv[6]->f = pose.qz;
    argv[7]->f = pose.qw;
}

bool VmcSender::send(const VmcFrame& frame, bool naturalOrder, float timeSeconds) {
    if (m_bundle == nullptr) return false;
    m_time[0]->f = timeSeconds;
    for (const PoseMessage& message : m_poses) {
        writePose(message, message.bone < 0 ? frame.root : frame.bones[static_cast<size_t>(message.bone)]);
    }
    for (size_t slot = 1; slot < m_arkit.size(); ++slot) {
        const int from = naturalOrder ? static_cast<int>(slot) : m_exchangedSlot[slot];
        m_arkit[slot][1]->f = from > 0 && from < FaceFrame::kValueCount ? frame.arkit[static_cast<size_t>(from)] : 0.0f;
    }
    for (size_t i = 0; i < m_presets.size(); ++i) m_presets[i][1]->f = frame.presets[i];

    std::size_t size = m_buffer.size();
    if (lo_bundle_length(m_bundle) > m_buffer.size()) return false;
    if (lo_bundle_serialise(m_bundle, m_buffer.data(), &size) == nullptr) return false;
    m_size = size;
    if (m_port == 0) return false;
    return net::sendDatagram(m_host, static_cast<std::uint16_t>(m_port), m_buffer.data(), m_size);
}

}  // namespace vmc

#include "vmc/VmcMessageHandler.h"

#include <QString>
#include <cmath>

#include "face/FaceNameTable.h"

namespace vmc {
namespace {

bool finite(const lo_arg* const* argv, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        if (!std::isfinite(argv[i]->f)) return false;
    }
    return true;
}

// Reads position and rotation from arguments 1..7; false (pose untouched) for non-finite numbers or a rotation
// too short to normalise.
bool readPose(lo_arg** argv, VmcFrame::Pose& pose) {
    if (!finite(argv, 1, 7)) return false;
    const float qx = argv[4]->f, qy = argv[5]->f, qz = argv[6]->f, qw = argv[7]->f;
    const float length = std::sqrt(qx * qx + qy * qy + qz * qz + qw * qw);
    if (!(length > 1e-6f) || !std::isfinite(length)) return false;
    pose.px = argv[1]->f;
    pose.py = argv[2]->f;
    pose.pz = argv[3]->f;
    pose.qx = qx / length;
    pose.qy = qy / length;
    pose.qz = qz / length;
    pose.qw = qw / length;
    return true;
}

}  // namespace

VmcMessageHandler::VmcMessageHandler() = default;

void VmcMessageHandler::attach(lo_server server) {
    lo_server_enable_queue(server, 0, 1);
    lo_server_add_method(server, "/VMC/Ext/Bone/Pos", "sfffffff", &VmcMessageHandler::onBone, this);
    lo_server_add_method(server, "/VMC/Ext/Root/Pos", "sfffffff", &VmcMessageHandler::onRoot, this);
    lo_server_add_method(server, "/VMC/Ext/Blend/Val", "sf", &VmcMessageHandler::onBlendValue, this);
    lo_server_add_method(server, "/VMC/Ext/Blend/Apply", "", &VmcMessageHandler::onBlendApply, this);
    // Everything else (OK, T, extensions, wrong type tags) only counts towards the datagram's budget.
    lo_server_add_method(server, nullptr, nullptr, &VmcMessageHandler::onOther, this);
}

bool VmcMessageHandler::dispatch(lo_server server, const void* data, std::size_t size) {
    beginDatagram();
    // liblo takes a non-const pointer but only reads the bytes.
    const int result = lo_server_dispatch_data(server, const_cast<void*>(data), size);
    return result >= 0;
}

void VmcMessageHandler::beginDatagram() {
    m_inDatagram = 0;
    m_changed = false;
}

bool VmcMessageHandler::endDatagram(std::int64_t stampMs) {
    // Strictly increasing, so two datagrams within one millisecond still read as two frames.
    if (m_changed) m_frame.stamp = stampMs > m_frame.stamp ? stampMs : m_frame.stamp + 1;
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

bool VmcMessageHandler::admit() {
    ++m_handled;
    return ++m_inDatagram <= kMaxMessagesPerDatagram;
}

int VmcMessageHandler::onBone(const char*, const char*, lo_arg** argv, int argc, lo_message, void* user) {
    auto* self = static_cast<VmcMessageHandler*>(user);
    if (!self->admit() || argc != 8) return 0;
    const int index = humanoidIndex(&argv[0]->s);
    if (index < 0) return 0;
    if (readPose(argv, self->m_frame.bones[static_cast<size_t>(index)])) {
        self->m_frame.received.set(static_cast<size_t>(index));
        self->m_changed = true;
    }
    return 0;
}

int VmcMessageHandler::onRoot(const char*, const char*, lo_arg** argv, int argc, lo_message, void* user) {
    auto* self = static_cast<VmcMessageHandler*>(user);
    if (!self->admit() || argc != 8) return 0;
    if (readPose(argv, self->m_frame.root)) self->m_changed = true;
    return 0;
}

int VmcMessageHandler::onBlendValue(const char*, const char*, lo_arg** argv, int argc, lo_message, void* user) {
    auto* self = static_cast<VmcMessageHandler*>(user);
    if (!self->admit() || argc != 2) return 0;
    const float raw = argv[1]->f;
    if (!std::isfinite(raw)) return 0;
    const float value = raw < 0.0f ? 0.0f : (raw > 1.0f ? 1.0f : raw);
    const char* name = &argv[0]->s;
    const int preset = vrmPresetIndex(name);
    if (preset >= 0) {
        self->m_pendingPresets[static_cast<size_t>(preset)] = value;
        return 0;
    }
    // ARKit names share the phone stream's table, so the same morphs, curves and synthesis apply. Slot 0
    // collects unknown names there; here they are simply dropped.
    const QString text = QString::fromUtf8(name);
    const int slot = FaceNameTable::indexOf(QStringRef(&text), self->m_natural.load());
    if (slot > 0 && slot < FaceFrame::kValueCount) {
        self->m_pendingArkit[static_cast<size_t>(slot)] = value;
        self->m_pendingHasArkit = true;
    }
    return 0;
}

int VmcMessageHandler::onBlendApply(const char*, const char*, lo_arg**, int, lo_message, void* user) {
    auto* self = static_cast<VmcMessageHandler*>(user);
    if (!self->admit()) return 0;
    self->m_frame.arkit = self->m_pendingArkit;
    self->m_frame.presets = self->m_pendingPresets;
    self->m_frame.hasArkit = self->m_frame.hasArkit || self->m_pendingHasArkit;
    self->m_changed = true;
    return 0;
}

int VmcMessageHandler::onOther(const char*, const char*, lo_arg**, int, lo_message, void* user) {
    static_cast<VmcMessageHandler*>(user)->admit();
    return 0;
}

}  // namespace vmc

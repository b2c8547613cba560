#pragma once
// Packets written with liblo's own message and bundle serialisation, the way any VMC app would, so the tests
// do not read our sender's output with our own receiver.
#include <lo/lo.h>

#include <string>
#include <utility>
#include <vector>

struct LoBone {
    const char* name;
    float q[4];  // x, y, z, w (Unity, left-handed)
    float p[3] = {0.0f, 0.0f, 0.0f};
};

// Sends one bundle with the given bones and blend values (then Apply) to 127.0.0.1:port.
inline void sendLoBundle(int port, const std::vector<LoBone>& bones,
                         const std::vector<std::pair<const char*, float>>& blends = {}) {
    lo_address to = lo_address_new("127.0.0.1", std::to_string(port).c_str());
    lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    for (const LoBone& bone : bones) {
        lo_message m = lo_message_new();
        lo_message_add_string(m, bone.name);
        lo_message_add_float(m, bone.p[0]);
        lo_message_add_float(m, bone.p[1]);
        lo_message_add_float(m, bone.p[2]);
        for (float v : bone.q) lo_message_add_float(m, v);
        lo_bundle_add_message(bundle, "/VMC/Ext/Bone/Pos", m);
    }
    for (const auto& blend : blends) {
        lo_message m = lo_message_new();
        lo_message_add_string(m, blend.first);
        lo_message_add_float(m, blend.second);
        lo_bundle_add_message(bundle, "/VMC/Ext/Blend/Val", m);
    }
    if (!blends.empty()) lo_bundle_add_message(bundle, "/VMC/Ext/Blend/Apply", lo_message_new());
    lo_send_bundle(to, bundle);
    lo_bundle_free_recursive(bundle);
    lo_address_free(to);
}

#pragma once

#include <QString>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "vr/VRRuntime.h"

// A recorded-looking VR session the simulated runtime plays: devices with their properties, looping keyframed
// poses with validity gaps, a looping timeline of input values and one-shot runtime events. Times are seconds
// of session time; positions metres and angles degrees in tracking space (y up, performer facing -z).
//
// File shape (every key optional unless noted):
//   {"loopSeconds": 8, "eyes": {"width", "height", "ipd", "tanLeft", "tanRight", "tanUp", "tanDown"},
//    "devices": [{"index" (required, 0..63), "class" (required: "HMD", "Controller", "GenericTracker",
//                 "TrackingReference"), "serial", "model", "renderModel", "battery", "hand": "left"|"right",
//                 "boolProperties": {"1043": true}, "keyframes": [{"t", "position": [x, y, z],
//                 "yawPitchRoll": [y, p, r]}], "invalid": [[from, to]]}],
//    "timeline": [{"t", "action": "/actions/...", "state": bool, "x", "y"} or {"t", "event": 700, "device"}]}
// A device without keyframes never has a valid pose.
struct SimulatedKeyframe {
    double time = 0.0;
    float position[3] = {0.0f, 0.0f, 0.0f};
    float yawPitchRoll[3] = {0.0f, 0.0f, 0.0f};  // about y, then x, then z
};

struct SimulatedDevice {
    mnxvr::TrackedDeviceIndex_t index = 0;
    mnxvr::ETrackedDeviceClass deviceClass = mnxvr::TrackedDeviceClass_Invalid;
    std::string serialNumber;
    std::string modelNumber;
    std::string renderModelName;
    float battery = 1.0f;
    std::map<int, bool> boolProperties;
    std::string hand;                             // "left", "right" or empty
    std::vector<SimulatedKeyframe> keyframes;     // sorted by time, within the loop
    std::vector<std::pair<double, double>> gaps;  // [from, to) of loop time without a valid pose
};

// One change of an action's value at a loop time: a digital state or analog x and y.
struct SimulatedInput {
    double time = 0.0;
    std::string action;
    bool state = false;
    float x = 0.0f;
    float y = 0.0f;
};

// A runtime event delivered once when session time passes `time` (not looped).
struct SimulatedEvent {
    double time = 0.0;
    uint32_t type = 0;
    mnxvr::TrackedDeviceIndex_t device = 0;
};

struct SimulatedSession {
    double loopSeconds = 10.0;
    uint32_t renderWidth = 1080;
    uint32_t renderHeight = 1200;
    float ipd = 0.064f;  // metres between the eyes
    // Tangents of the left eye's half angles; the right eye mirrors left and right.
    float tanLeft = -1.1f, tanRight = 1.0f, tanUp = 1.1f, tanDown = -1.1f;
    std::vector<SimulatedDevice> devices;  // sorted by index, indices unique and below 64
    std::vector<SimulatedInput> inputs;    // sorted by time
    std::vector<SimulatedEvent> events;    // sorted by time

    // Reads a session file; false with an English reason on a missing file, bad JSON or bad values.
    static bool load(const QString& path, SimulatedSession& session, QString& reason);
    // Parses session JSON; false with a reason.
    static bool parse(const QByteArray& json, SimulatedSession& session, QString& reason);

    const SimulatedDevice* device(mnxvr::TrackedDeviceIndex_t index) const;
    // The device of a hand ("left" / "right"), the first controller so marked; null when none.
    const SimulatedDevice* handDevice(const std::string& hand) const;
    // Pose at session time `time` (looped); bPoseIsValid false inside a gap or without keyframes.
    mnxvr::TrackedDevicePose_t pose(const SimulatedDevice& device, double time) const;
    // The input's latest value at or before the loop time of `time`; false when none has been set in this loop.
    const SimulatedInput* input(const std::string& action, double time) const;
};

#pragma once

#include <QString>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A recorded-looking VR session the simulated runtime plays: devices, looping keyframed poses with validity
// gaps, a looping timeline of input component values and one-shot runtime events. Times are seconds of session
// time; positions metres and angles degrees in stage space (y up, performer facing -z).
//
// File shape (every key optional unless noted):
//   {"loopSeconds": 8, "eyes": {"width", "height", "ipd", "tanLeft", "tanRight", "tanUp", "tanDown"},
//    "devices": [{"class" (required: "HMD", "Controller", "GenericTracker"), "serial", "model",
//                 "hand": "left"|"right", "role": "waist"|..., "keyframes": [{"t", "position": [x, y, z],
//                 "yawPitchRoll": [y, p, r]}], "invalid": [[from, to]]}],
//    "timeline": [{"t", "input": "/user/hand/right/input/trigger/value", "state": bool, "x", "y"}
//                 or {"t", "event": "exit"}]}
// A device without keyframes never has a valid pose. A tracker's role is one of the vive tracker role names.
enum class SimDeviceClass { HMD, Controller, GenericTracker };

struct SimKeyframe {
    double time = 0.0;
    float position[3] = {0.0f, 0.0f, 0.0f};
    float yawPitchRoll[3] = {0.0f, 0.0f, 0.0f};  // about y, then x, then z
};

struct SimDevice {
    SimDeviceClass deviceClass = SimDeviceClass::HMD;
    std::string serialNumber;
    std::string modelNumber;
    std::string hand;                             // "left", "right" or empty
    std::string role;                             // tracker role ("waist", "left_foot", ...) or empty
    std::vector<SimKeyframe> keyframes;           // sorted by time, within the loop
    std::vector<std::pair<double, double>> gaps;  // [from, to) of loop time without a valid pose
};

// Device to stage space, with the velocities the runtime would predict.
struct SimPose {
    glm::mat4 matrix{1.0f};
    glm::vec3 velocity{0.0f};         // metres per second
    glm::vec3 angularVelocity{0.0f};  // radians per second
    bool valid = false;
};

// One change of an input component at a loop time: a digital state or analog x and y.
struct SimInput {
    double time = 0.0;
    std::string path;
    bool state = false;
    float x = 0.0f;
    float y = 0.0f;
};

struct SimSession {
    double loopSeconds = 10.0;
    uint32_t renderWidth = 1080;
    uint32_t renderHeight = 1200;
    float ipd = 0.064f;  // metres between the eyes
    // Tangents of the left eye's half angles; the right eye mirrors left and right.
    float tanLeft = -1.1f, tanRight = 1.0f, tanUp = 1.1f, tanDown = -1.1f;
    std::vector<SimDevice> devices;
    std::vector<SimInput> inputs;      // sorted by time
    std::vector<double> exitRequests;  // session times at which the runtime asks the application to exit

    // Reads a session file; false with an English reason on a missing file, bad JSON or bad values.
    static bool load(const QString& path, SimSession& session, QString& reason);
    // Parses session JSON; false with a reason.
    static bool parse(const QByteArray& json, SimSession& session, QString& reason);

    const SimDevice* headset() const;
    // The first controller marked for that hand ("left" / "right"); null when none.
    const SimDevice* handDevice(const std::string& hand) const;
    // The tracker holding that role; null when none.
    const SimDevice* trackerWithRole(const std::string& role) const;
    // Pose at session time `time` (looped); invalid inside a gap or without keyframes.
    SimPose pose(const SimDevice& device, double time) const;
    // The latest value of an input component at or before the loop time of `time`; null when none has been set
    // in this loop.
    const SimInput* input(const std::string& path, double time) const;
};

#pragma once
// The simulated headset's OpenXR runtime: one process-wide state behind the xr* entry points the loader reaches
// through xrGetInstanceProcAddr. Single-threaded like its clients (the app's GUI thread, hello_xr's main loop).

// Qt's headers first: X11's macros (None, Bool, ...) would break them.
#include <QFileInfo>

#include "SimSession.h"

// clang-format off
#include <X11/Xlib.h>
#include <GL/glx.h>
// clang-format on
#define XR_USE_GRAPHICS_API_OPENGL
#define XR_USE_PLATFORM_XLIB
#include <openxr/openxr.h>
#include <openxr/openxr_platform.h>

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace simxr {

constexpr double kFrameSeconds = 1.0 / 90.0;

struct ActionSet;

struct ActionState {
    bool active = false;
    bool state = false, changed = false;
    float x = 0.0f, y = 0.0f;
    bool vectorChanged = false;
    XrTime changeTime = 0;
};

struct Action {
    ActionSet* set = nullptr;
    std::string name;
    XrActionType type = XR_ACTION_TYPE_BOOLEAN_INPUT;
    std::vector<XrPath> subactions;
    std::vector<std::string> bound;        // input paths of the current profile
    std::map<XrPath, ActionState> states;  // by subaction path; XR_NULL_PATH for all of them
};

struct ActionSet {
    std::string name;
    uint32_t priority = 0;
    std::vector<std::unique_ptr<Action>> actions;
    bool attached = false;
};

struct Space {
    bool isAction = false;
    XrReferenceSpaceType reference = XR_REFERENCE_SPACE_TYPE_STAGE;
    Action* action = nullptr;
    XrPath subaction = XR_NULL_PATH;
    XrPosef offset{{0, 0, 0, 1}, {0, 0, 0}};
};

struct Swapchain {
    std::vector<GLuint> images;
    uint32_t width = 0, height = 0;
    int64_t format = 0;
    uint32_t next = 0;
    std::optional<uint32_t> acquired, released;
};

// What one eye's latest projection layer showed.
struct Submission {
    GLuint texture = 0;
    XrRect2Di rect{};
    int count = 0;
};

struct Session {
    XrSessionState state = XR_SESSION_STATE_UNKNOWN;
    bool running = false;
    bool exitRequested = false;
    bool frameBegun = false;
    bool frameWaited = false;
    std::vector<std::unique_ptr<Space>> spaces;
    std::vector<std::unique_ptr<Swapchain>> swapchains;
    std::vector<ActionSet*> attached;
    std::string profile;  // current interaction profile, empty before attach
    size_t nextExit = 0;  // next exit request of the session timeline
    std::optional<std::chrono::steady_clock::time_point> lastFrame;
    Submission submitted[2];
};

struct Instance {
    bool trackersEnabled = false;
    bool glEnabled = false;
    bool graphicsRequirementsQueried = false;
    SimSession session;
    QString sessionError;  // why the session file could not be played
    std::vector<std::unique_ptr<ActionSet>> actionSets;
    std::map<std::string, std::vector<std::pair<Action*, XrPath>>> suggested;  // by interaction profile
    std::unique_ptr<Session> xrSession;
    std::deque<XrEventDataBuffer> events;
    std::vector<XrViveTrackerPathsHTCX> trackerPaths;
};

// The one instance, or null.
Instance* instance();
Instance* instanceOf(XrInstance handle);
Session* sessionOf(XrSession handle);

// Paths: interned strings, XrPath = position + 1.
XrPath toPath(const std::string& text);
const std::string* pathText(XrPath path);

// Clock: nanoseconds of a steady clock; session time in seconds, frozen by the test control.
XrTime now();
double sessionTime();
void startSessionClock();

// Pose helpers in stage space.
glm::mat4 toMatrix(const XrPosef& pose);
XrPosef toPose(const glm::mat4& m);
// Device (or view) pose of a space at session time `t`; false when it has none now.
bool spacePose(const Instance& in, const Space& space, double t, glm::mat4& out);

void pushEvent(const XrEventDataBuffer& event);
void setState(Session& session, XrSessionState state);
// Exit requests of the session timeline that session time has passed.
void checkTimeline(Instance& in);

// Action state after a sync of the active sets.
void syncActions(Instance& in, Session& session);
Action* actionOf(XrAction handle);

// The live swapchain of that handle, or null.
Swapchain* swapchainOf(XrSwapchain handle);

// The entry points, by name; null for a name the runtime does not implement.
PFN_xrVoidFunction lookup(const char* name);

}  // namespace simxr

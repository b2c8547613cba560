#pragma once

#include <openxr/openxr.h>

#include <QString>
#include <array>

// The app's OpenXR action set "mnx": per hand the trigger value, grip, menu, pad or stick click, touch and
// position, and the grip and aim poses; the vive tracker pose per role when the runtime offers trackers. Bindings
// are suggested for the Vive, Index, Touch and simple controllers (and the vive tracker profile). Hand 0 is the
// left hand, 1 the right one.
struct VRInputActions {
    // The vive tracker roles, in device slot order.
    static constexpr int kTrackerRoleCount = 13;
    static const char* const kTrackerRoles[kTrackerRoleCount];

    struct Hand {
        XrPath path = XR_NULL_PATH;  // /user/hand/left or /user/hand/right
        XrAction trigger = XR_NULL_HANDLE;
        XrAction grip = XR_NULL_HANDLE;
        XrAction menu = XR_NULL_HANDLE;
        XrAction padClick = XR_NULL_HANDLE;
        XrAction padTouch = XR_NULL_HANDLE;
        XrAction pad = XR_NULL_HANDLE;
        XrAction gripPose = XR_NULL_HANDLE;
        XrAction aimPose = XR_NULL_HANDLE;
        XrSpace gripSpace = XR_NULL_HANDLE;
        XrSpace aimSpace = XR_NULL_HANDLE;
    };

    // Creates the set and its actions and suggests the bindings; false with a reason.
    bool create(XrInstance instance, bool trackers, QString& reason);
    // Action spaces and the attachment to `session`; false with a reason.
    bool attach(XrSession session, QString& reason);
    // Syncs the set; harmless while the session is not focused.
    void sync(XrSession session) const;

    XrActionSet set = XR_NULL_HANDLE;
    std::array<Hand, 2> hands;
    XrAction trackerPose = XR_NULL_HANDLE;
    std::array<XrPath, kTrackerRoleCount> trackerRolePaths{};
    std::array<XrSpace, kTrackerRoleCount> trackerSpaces{};
};

// Action state reads (any subaction); an unbound or failing action reads inactive.
struct VRDigital {
    bool active = false, state = false, changed = false;
};
struct VRAnalog {
    bool active = false;
    float x = 0.0f, y = 0.0f;
};
VRDigital vrReadDigital(XrSession session, XrAction action);
VRAnalog vrReadFloat(XrSession session, XrAction action);
VRAnalog vrReadVector(XrSession session, XrAction action);

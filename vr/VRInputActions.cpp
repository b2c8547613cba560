#include "vr/VRInputActions.h"

#include <cstdio>
#include <string>
#include <vector>

const char* const VRInputActions::kTrackerRoles[kTrackerRoleCount] = {
    "handheld_object", "left_foot",  "right_foot", "left_shoulder", "right_shoulder", "left_elbow", "right_elbow",
    "left_knee",       "right_knee", "waist",      "chest",         "camera",         "keyboard"};

namespace {

struct Binding {
    XrAction VRInputActions::Hand::*action;
    const char* component;  // under /user/hand/<side>/input
};

XrPath path(XrInstance instance, const std::string& text) {
    XrPath p = XR_NULL_PATH;
    xrStringToPath(instance, text.c_str(), &p);
    return p;
}

bool makeAction(XrActionSet set, XrActionType type, const char* name, const char* label, XrPath subaction,
                XrAction& out) {
    XrActionCreateInfo info{XR_TYPE_ACTION_CREATE_INFO};
    info.actionType = type;
    std::snprintf(info.actionName, sizeof(info.actionName), "%s", name);
    std::snprintf(info.localizedActionName, sizeof(info.localizedActionName), "%s", label);
    info.countSubactionPaths = subaction != XR_NULL_PATH ? 1 : 0;
    info.subactionPaths = subaction != XR_NULL_PATH ? &subaction : nullptr;
    return XR_SUCCEEDED(xrCreateAction(set, &info, &out));
}

}  // namespace

bool VRInputActions::create(XrInstance instance, bool trackers, QString& reason) {
    XrActionSetCreateInfo setInfo{XR_TYPE_ACTION_SET_CREATE_INFO};
    std::snprintf(setInfo.actionSetName, sizeof(setInfo.actionSetName), "mnx");
    std::snprintf(setInfo.localizedActionSetName, sizeof(setInfo.localizedActionSetName), "Marionix");
    XrResult result = xrCreateActionSet(instance, &setInfo, &set);
    if (XR_FAILED(result)) {
        reason = QStringLiteral("xrCreateActionSet failed (%1)").arg(int(result));
        return false;
    }
    const char* sides[2] = {"left", "right"};
    for (int i = 0; i < 2; ++i) {
        Hand& h = hands[i];
        const std::string side = sides[i];
        h.path = path(instance, "/user/hand/" + side);
        const struct {
            XrAction Hand::*action;
            XrActionType type;
            const char* name;
            const char* label;
        } actions[] = {
            {&Hand::trigger, XR_ACTION_TYPE_FLOAT_INPUT, "trigger_value", "Trigger"},
            {&Hand::grip, XR_ACTION_TYPE_BOOLEAN_INPUT, "grip", "Grip"},
            {&Hand::menu, XR_ACTION_TYPE_BOOLEAN_INPUT, "menu", "Menu (hold to calibrate)"},
            {&Hand::padClick, XR_ACTION_TYPE_BOOLEAN_INPUT, "pad_click", "Pad or stick click"},
            {&Hand::padTouch, XR_ACTION_TYPE_BOOLEAN_INPUT, "pad_touch", "Pad or stick touch"},
            {&Hand::pad, XR_ACTION_TYPE_VECTOR2F_INPUT, "pad", "Pad or stick position"},
            {&Hand::gripPose, XR_ACTION_TYPE_POSE_INPUT, "hand_pose", "Hand pose"},
            {&Hand::aimPose, XR_ACTION_TYPE_POSE_INPUT, "aim_pose", "Aim pose"},
        };
        for (const auto& a : actions) {
            const std::string name = std::string(a.name) + "_" + side;
            const std::string label = std::string(a.label) + " (" + side + ")";
            if (!makeAction(set, a.type, name.c_str(), label.c_str(), h.path, h.*(a.action))) {
                reason = QStringLiteral("xrCreateAction %1 failed").arg(QString::fromStdString(name));
                return false;
            }
        }
    }
    // Index and Touch controllers have no menu button the app may take on the right hand; B stands in for it.
    const std::vector<Binding> vive = {{&Hand::trigger, "trigger/value"},   {&Hand::grip, "squeeze/click"},
                                       {&Hand::menu, "menu/click"},         {&Hand::padClick, "trackpad/click"},
                                       {&Hand::padTouch, "trackpad/touch"}, {&Hand::pad, "trackpad"},
                                       {&Hand::gripPose, "grip/pose"},      {&Hand::aimPose, "aim/pose"}};
    const std::vector<Binding> stick = {
        {&Hand::trigger, "trigger/value"},     {&Hand::grip, "squeeze/value"}, {&Hand::padClick, "thumbstick/click"},
        {&Hand::padTouch, "thumbstick/touch"}, {&Hand::pad, "thumbstick"},     {&Hand::gripPose, "grip/pose"},
        {&Hand::aimPose, "aim/pose"}};
    const std::vector<Binding> simple = {{&Hand::trigger, "select/click"},
                                         {&Hand::menu, "menu/click"},
                                         {&Hand::gripPose, "grip/pose"},
                                         {&Hand::aimPose, "aim/pose"}};
    const struct {
        const char* profile;
        const std::vector<Binding>* bindings;
        const char* menu[2];  // left, right; null when `bindings` has it
    } profiles[] = {
        {"/interaction_profiles/htc/vive_controller", &vive, {nullptr, nullptr}},
        {"/interaction_profiles/valve/index_controller", &stick, {"b/click", "b/click"}},
        {"/interaction_profiles/oculus/touch_controller", &stick, {"menu/click", "b/click"}},
        {"/interaction_profiles/khr/simple_controller", &simple, {nullptr, nullptr}},
    };
    for (const auto& p : profiles) {
        std::vector<XrActionSuggestedBinding> suggested;
        for (int i = 0; i < 2; ++i) {
            const std::string input = std::string("/user/hand/") + sides[i] + "/input/";
            for (const Binding& b : *p.bindings)
                suggested.push_back({hands[i].*(b.action), path(instance, input + b.component)});
            if (p.menu[i]) suggested.push_back({hands[i].menu, path(instance, input + p.menu[i])});
        }
        XrInteractionProfileSuggestedBinding info{XR_TYPE_INTERACTION_PROFILE_SUGGESTED_BINDING};
        info.interactionProfile = path(instance, p.profile);
        info.countSuggestedBindings = static_cast<uint32_t>(suggested.size());
        info.suggestedBindings = suggested.data();
        result = xrSuggestInteractionProfileBindings(instance, &info);
        if (XR_FAILED(result)) {
            reason =
                QStringLiteral("xrSuggestInteractionProfileBindings %1 failed (%2)").arg(p.profile).arg(int(result));
            return false;
        }
    }
    if (!trackers) return true;
    std::vector<XrActionSuggestedBinding> suggested;
    for (int r = 0; r < kTrackerRoleCount; ++r)
        trackerRolePaths[r] = path(instance, std::string("/user/vive_tracker_htcx/role/") + kTrackerRoles[r]);
    XrActionCreateInfo info{XR_TYPE_ACTION_CREATE_INFO};
    info.actionType = XR_ACTION_TYPE_POSE_INPUT;
    std::snprintf(info.actionName, sizeof(info.actionName), "tracker_pose");
    std::snprintf(info.localizedActionName, sizeof(info.localizedActionName), "Tracker pose");
    info.countSubactionPaths = kTrackerRoleCount;
    info.subactionPaths = trackerRolePaths.data();
    if (XR_FAILED(xrCreateAction(set, &info, &trackerPose))) {
        reason = QStringLiteral("xrCreateAction tracker_pose failed");
        return false;
    }
    for (int r = 0; r < kTrackerRoleCount; ++r)
        suggested.push_back({trackerPose, path(instance, std::string("/user/vive_tracker_htcx/role/") +
                                                             kTrackerRoles[r] + "/input/grip/pose")});
    XrInteractionProfileSuggestedBinding trackerInfo{XR_TYPE_INTERACTION_PROFILE_SUGGESTED_BINDING};
    trackerInfo.interactionProfile = path(instance, "/interaction_profiles/htc/vive_tracker_htcx");
    trackerInfo.countSuggestedBindings = static_cast<uint32_t>(suggested.size());
    trackerInfo.suggestedBindings = suggested.data();
    result = xrSuggestInteractionProfileBindings(instance, &trackerInfo);
    if (XR_FAILED(result)) {
        reason = QStringLiteral("xrSuggestInteractionProfileBindings vive_tracker_htcx failed (%1)").arg(int(result));
        return false;
    }
    return true;
}

bool VRInputActions::attach(XrSession session, QString& reason) {
    XrActionSpaceCreateInfo info{XR_TYPE_ACTION_SPACE_CREATE_INFO};
    info.poseInActionSpace.orientation.w = 1.0f;
    for (Hand& h : hands) {
        info.subactionPath = h.path;
        info.action = h.gripPose;
        if (XR_FAILED(xrCreateActionSpace(session, &info, &h.gripSpace))) {
            reason = QStringLiteral("xrCreateActionSpace failed");
            return false;
        }
        info.action = h.aimPose;
        if (XR_FAILED(xrCreateActionSpace(session, &info, &h.aimSpace))) {
            reason = QStringLiteral("xrCreateActionSpace failed");
            return false;
        }
    }
    if (trackerPose != XR_NULL_HANDLE) {
        info.action = trackerPose;
        for (int r = 0; r < kTrackerRoleCount; ++r) {
            info.subactionPath = trackerRolePaths[r];
            if (XR_FAILED(xrCreateActionSpace(session, &info, &trackerSpaces[r]))) {
                reason = QStringLiteral("xrCreateActionSpace failed");
                return false;
            }
        }
    }
    XrSessionActionSetsAttachInfo attachInfo{XR_TYPE_SESSION_ACTION_SETS_ATTACH_INFO};
    attachInfo.countActionSets = 1;
    attachInfo.actionSets = &set;
    const XrResult result = xrAttachSessionActionSets(session, &attachInfo);
    if (XR_FAILED(result)) {
        reason = QStringLiteral("xrAttachSessionActionSets failed (%1)").arg(int(result));
        return false;
    }
    return true;
}

void VRInputActions::sync(XrSession session) const {
    XrActiveActionSet active{set, XR_NULL_PATH};
    XrActionsSyncInfo info{XR_TYPE_ACTIONS_SYNC_INFO};
    info.countActiveActionSets = 1;
    info.activeActionSets = &active;
    xrSyncActions(session, &info);
}

VRDigital vrReadDigital(XrSession session, XrAction action) {
    XrActionStateGetInfo info{XR_TYPE_ACTION_STATE_GET_INFO};
    info.action = action;
    XrActionStateBoolean state{XR_TYPE_ACTION_STATE_BOOLEAN};
    if (action == XR_NULL_HANDLE || XR_FAILED(xrGetActionStateBoolean(session, &info, &state))) return {};
    return {state.isActive == XR_TRUE, state.currentState == XR_TRUE, state.changedSinceLastSync == XR_TRUE};
}

VRAnalog vrReadFloat(XrSession session, XrAction action) {
    XrActionStateGetInfo info{XR_TYPE_ACTION_STATE_GET_INFO};
    info.action = action;
    XrActionStateFloat state{XR_TYPE_ACTION_STATE_FLOAT};
    if (action == XR_NULL_HANDLE || XR_FAILED(xrGetActionStateFloat(session, &info, &state))) return {};
    return {state.isActive == XR_TRUE, state.currentState, 0.0f};
}

VRAnalog vrReadVector(XrSession session, XrAction action) {
    XrActionStateGetInfo info{XR_TYPE_ACTION_STATE_GET_INFO};
    info.action = action;
    XrActionStateVector2f state{XR_TYPE_ACTION_STATE_VECTOR2F};
    if (action == XR_NULL_HANDLE || XR_FAILED(xrGetActionStateVector2f(session, &info, &state))) return {};
    return {state.isActive == XR_TRUE, state.currentState.x, state.currentState.y};
}

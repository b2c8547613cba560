// Paths, action sets, actions, suggested bindings and action state of the simulated headset. The simulated
// controllers are Vive wands: a client's bindings for that profile are used when it suggested any, else those of
// the first profile it suggested; trackers are bound through the vive tracker profile alongside.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "SimXr.h"

namespace simxr {
namespace {

constexpr const char* kControllerProfile = "/interaction_profiles/htc/vive_controller";
constexpr const char* kTrackerProfile = "/interaction_profiles/htc/vive_tracker_htcx";
std::vector<std::string>& paths() {
    static std::vector<std::string> p;
    return p;
}

bool endsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::string replaceTail(const std::string& s, const char* from, const char* to) {
    return s.substr(0, s.size() - std::strlen(from)) + to;
}

// Whether a device stands behind the user path of a binding.
bool deviceBehind(const Instance& in, const std::string& path) {
    if (path.rfind("/user/hand/left/", 0) == 0) return in.session.handDevice("left") != nullptr;
    if (path.rfind("/user/hand/right/", 0) == 0) return in.session.handDevice("right") != nullptr;
    const std::string prefix = "/user/vive_tracker_htcx/role/";
    if (path.rfind(prefix, 0) == 0) {
        const std::string rest = path.substr(prefix.size());
        return in.session.trackerWithRole(rest.substr(0, rest.find('/'))) != nullptr;
    }
    return false;
}

// The value of an input component now: x, y and a pressed state; clicks and values stand in for each other.
void readInput(const Instance& in, const std::string& path, double t, float& x, float& y, bool& state) {
    x = y = 0.0f;
    state = false;
    if (const SimInput* v = in.session.input(path, t)) {
        x = v->x;
        y = v->y;
        state = v->state || (endsWith(path, "/value") && v->x > 0.5f);
        if (endsWith(path, "/click") || endsWith(path, "/touch")) x = state ? 1.0f : 0.0f;
        return;
    }
    if (endsWith(path, "/click")) {
        if (const SimInput* v = in.session.input(replaceTail(path, "/click", "/value"), t)) {
            state = v->x > 0.5f;
            x = state ? 1.0f : 0.0f;
        }
    } else if (endsWith(path, "/value")) {
        if (const SimInput* v = in.session.input(replaceTail(path, "/value", "/click"), t)) {
            state = v->state;
            x = state ? 1.0f : 0.0f;
        }
    }
}

ActionSet* setOf(XrActionSet handle) {
    Instance* in = instance();
    if (!in) return nullptr;
    for (auto& s : in->actionSets)
        if (reinterpret_cast<XrActionSet>(s.get()) == handle) return s.get();
    return nullptr;
}

void sampleState(const Instance& in, const Action& action, const std::string* subaction, double t, ActionState& state) {
    ActionState next;
    for (const std::string& path : action.bound) {
        if (subaction && path.compare(0, subaction->size() + 1, *subaction + "/") != 0) continue;
        if (!deviceBehind(in, path)) continue;
        next.active = true;
        if (action.type == XR_ACTION_TYPE_POSE_INPUT) continue;
        float x, y;
        bool pressed;
        readInput(in, path, t, x, y, pressed);
        next.state = next.state || pressed;
        if (std::abs(x) > std::abs(next.x)) next.x = x;
        if (std::abs(y) > std::abs(next.y)) next.y = y;
    }
    next.changed = state.active && next.active && next.state != state.state;
    next.vectorChanged = state.active && next.active && (next.x != state.x || next.y != state.y);
    next.changeTime = next.changed || next.vectorChanged ? now() : state.changeTime;
    state = next;
}

}  // namespace

XrPath toPath(const std::string& text) {
    auto& p = paths();
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i] == text) return XrPath(i + 1);
    p.push_back(text);
    return XrPath(p.size());
}

const std::string* pathText(XrPath path) {
    auto& p = paths();
    return path >= 1 && path <= p.size() ? &p[path - 1] : nullptr;
}

Action* actionOf(XrAction handle) {
    Instance* in = instance();
    if (!in) return nullptr;
    for (auto& s : in->actionSets)
        for (auto& a : s->actions)
            if (reinterpret_cast<XrAction>(a.get()) == handle) return a.get();
    return nullptr;
}

void syncActions(Instance& in, Session& session) {
    const double t = sessionTime();
    for (ActionSet* set : session.attached) {
        for (auto& action : set->actions) {
            sampleState(in, *action, nullptr, t, action->states[XR_NULL_PATH]);
            for (XrPath sub : action->subactions) sampleState(in, *action, pathText(sub), t, action->states[sub]);
        }
    }
}

}  // namespace simxr

using namespace simxr;

XrResult simStringToPath(XrInstance handle, const char* text, XrPath* out) {
    if (!instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
    if (text == nullptr || text[0] != '/' || std::strlen(text) >= XR_MAX_PATH_LENGTH)
        return XR_ERROR_PATH_FORMAT_INVALID;
    *out = toPath(text);
    return XR_SUCCESS;
}

XrResult simPathToString(XrInstance handle, XrPath path, uint32_t capacity, uint32_t* count, char* out) {
    if (!instanceOf(handle)) return XR_ERROR_HANDLE_INVALID;
    const std::string* text = pathText(path);
    if (!text) return XR_ERROR_PATH_INVALID;
    *count = static_cast<uint32_t>(text->size() + 1);
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < *count || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    std::memcpy(out, text->c_str(), *count);
    return XR_SUCCESS;
}

XrResult simCreateActionSet(XrInstance handle, const XrActionSetCreateInfo* info, XrActionSet* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    if (info->actionSetName[0] == '\0') return XR_ERROR_NAME_INVALID;
    for (auto& s : in->actionSets)
        if (s->name == info->actionSetName) return XR_ERROR_NAME_DUPLICATED;
    auto set = std::make_unique<ActionSet>();
    set->name = info->actionSetName;
    set->priority = info->priority;
    *out = reinterpret_cast<XrActionSet>(set.get());
    in->actionSets.push_back(std::move(set));
    return XR_SUCCESS;
}

XrResult simDestroyActionSet(XrActionSet handle) {
    Instance* in = instance();
    ActionSet* set = setOf(handle);
    if (!set) return XR_ERROR_HANDLE_INVALID;
    for (auto& profile : in->suggested) {
        auto& list = profile.second;
        list.erase(std::remove_if(list.begin(), list.end(), [set](const auto& b) { return b.first->set == set; }),
                   list.end());
    }
    for (auto it = in->actionSets.begin(); it != in->actionSets.end(); ++it) {
        if (it->get() == set) {
            in->actionSets.erase(it);
            break;
        }
    }
    return XR_SUCCESS;
}

XrResult simCreateAction(XrActionSet handle, const XrActionCreateInfo* info, XrAction* out) {
    ActionSet* set = setOf(handle);
    if (!set) return XR_ERROR_HANDLE_INVALID;
    if (set->attached) return XR_ERROR_ACTIONSETS_ALREADY_ATTACHED;
    if (info->actionName[0] == '\0') return XR_ERROR_NAME_INVALID;
    for (auto& a : set->actions)
        if (a->name == info->actionName) return XR_ERROR_NAME_DUPLICATED;
    auto action = std::make_unique<Action>();
    action->set = set;
    action->name = info->actionName;
    action->type = info->actionType;
    for (uint32_t i = 0; i < info->countSubactionPaths; ++i) {
        if (!pathText(info->subactionPaths[i])) return XR_ERROR_PATH_INVALID;
        action->subactions.push_back(info->subactionPaths[i]);
    }
    *out = reinterpret_cast<XrAction>(action.get());
    set->actions.push_back(std::move(action));
    return XR_SUCCESS;
}

XrResult simDestroyAction(XrAction handle) { return actionOf(handle) ? XR_SUCCESS : XR_ERROR_HANDLE_INVALID; }

XrResult simSuggestInteractionProfileBindings(XrInstance handle,
                                              const XrInteractionProfileSuggestedBinding* suggested) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    const std::string* profile = pathText(suggested->interactionProfile);
    if (!profile || profile->rfind("/interaction_profiles/", 0) != 0) return XR_ERROR_PATH_UNSUPPORTED;
    std::vector<std::pair<Action*, XrPath>> list;
    for (uint32_t i = 0; i < suggested->countSuggestedBindings; ++i) {
        Action* action = actionOf(suggested->suggestedBindings[i].action);
        if (!action) return XR_ERROR_HANDLE_INVALID;
        if (action->set->attached) return XR_ERROR_ACTIONSETS_ALREADY_ATTACHED;
        const std::string* path = pathText(suggested->suggestedBindings[i].binding);
        if (!path || path->rfind("/user/", 0) != 0) return XR_ERROR_PATH_UNSUPPORTED;
        list.emplace_back(action, suggested->suggestedBindings[i].binding);
    }
    in->suggested[*profile] = std::move(list);
    return XR_SUCCESS;
}

XrResult simAttachSessionActionSets(XrSession handle, const XrSessionActionSetsAttachInfo* info) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (!s->attached.empty()) return XR_ERROR_ACTIONSETS_ALREADY_ATTACHED;
    Instance& in = *instance();
    for (uint32_t i = 0; i < info->countActionSets; ++i) {
        ActionSet* set = setOf(info->actionSets[i]);
        if (!set) return XR_ERROR_HANDLE_INVALID;
        set->attached = true;
        s->attached.push_back(set);
    }
    if (in.suggested.count(kControllerProfile))
        s->profile = kControllerProfile;
    else
        for (const auto& p : in.suggested)
            if (p.first != kTrackerProfile && s->profile.empty()) s->profile = p.first;
    for (const char* profile : {s->profile.c_str(), kTrackerProfile}) {
        auto it = in.suggested.find(profile);
        if (it == in.suggested.end()) continue;
        for (const auto& binding : it->second)
            if (binding.first->set->attached) binding.first->bound.push_back(*pathText(binding.second));
    }
    if (!s->profile.empty()) {
        XrEventDataBuffer buffer{};
        auto* e = reinterpret_cast<XrEventDataInteractionProfileChanged*>(&buffer);
        e->type = XR_TYPE_EVENT_DATA_INTERACTION_PROFILE_CHANGED;
        e->session = handle;
        pushEvent(buffer);
    }
    if (in.trackersEnabled) {
        in.trackerPaths.clear();
        in.trackerPaths.reserve(in.session.devices.size());
        for (const SimDevice& d : in.session.devices) {
            if (d.deviceClass != SimDeviceClass::GenericTracker) continue;
            XrViveTrackerPathsHTCX p{XR_TYPE_VIVE_TRACKER_PATHS_HTCX};
            p.persistentPath = toPath("/devices/htc/vive_tracker_htcx/serial/" + d.serialNumber);
            p.rolePath = d.role.empty() ? XR_NULL_PATH : toPath("/user/vive_tracker_htcx/role/" + d.role);
            in.trackerPaths.push_back(p);
        }
        for (XrViveTrackerPathsHTCX& p : in.trackerPaths) {
            XrEventDataBuffer buffer{};
            auto* e = reinterpret_cast<XrEventDataViveTrackerConnectedHTCX*>(&buffer);
            e->type = XR_TYPE_EVENT_DATA_VIVE_TRACKER_CONNECTED_HTCX;
            e->paths = &p;
            pushEvent(buffer);
        }
    }
    return XR_SUCCESS;
}

XrResult simGetCurrentInteractionProfile(XrSession handle, XrPath topLevel, XrInteractionProfileState* out) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    if (s->attached.empty()) return XR_ERROR_ACTIONSET_NOT_ATTACHED;
    const std::string* user = pathText(topLevel);
    if (!user) return XR_ERROR_PATH_INVALID;
    out->interactionProfile = XR_NULL_PATH;
    if (user->rfind("/user/vive_tracker_htcx/", 0) == 0) {
        if (instance()->suggested.count(kTrackerProfile)) out->interactionProfile = toPath(kTrackerProfile);
    } else if (!s->profile.empty() && deviceBehind(*instance(), *user + "/")) {
        out->interactionProfile = toPath(s->profile);
    }
    return XR_SUCCESS;
}

XrResult simSyncActions(XrSession handle, const XrActionsSyncInfo* info) {
    Session* s = sessionOf(handle);
    if (!s) return XR_ERROR_HANDLE_INVALID;
    for (uint32_t i = 0; i < info->countActiveActionSets; ++i) {
        ActionSet* set = setOf(info->activeActionSets[i].actionSet);
        if (!set) return XR_ERROR_HANDLE_INVALID;
        if (!set->attached) return XR_ERROR_ACTIONSET_NOT_ATTACHED;
    }
    if (s->state != XR_SESSION_STATE_FOCUSED) return XR_SESSION_NOT_FOCUSED;
    syncActions(*instance(), *s);
    return XR_SUCCESS;
}

namespace {

XrResult stateOf(const XrActionStateGetInfo* info, XrActionType type, const ActionState*& out) {
    Action* action = actionOf(info->action);
    if (!action) return XR_ERROR_HANDLE_INVALID;
    if (!action->set->attached) return XR_ERROR_ACTIONSET_NOT_ATTACHED;
    if (action->type != type) return XR_ERROR_ACTION_TYPE_MISMATCH;
    if (info->subactionPath != XR_NULL_PATH && std::find(action->subactions.begin(), action->subactions.end(),
                                                         info->subactionPath) == action->subactions.end())
        return XR_ERROR_PATH_UNSUPPORTED;
    static const ActionState kInactive;
    auto it = action->states.find(info->subactionPath);
    out = it != action->states.end() ? &it->second : &kInactive;
    return XR_SUCCESS;
}

}  // namespace

XrResult simGetActionStateBoolean(XrSession handle, const XrActionStateGetInfo* info, XrActionStateBoolean* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    const ActionState* s = nullptr;
    const XrResult r = stateOf(info, XR_ACTION_TYPE_BOOLEAN_INPUT, s);
    if (r != XR_SUCCESS) return r;
    out->isActive = s->active;
    out->currentState = s->state;
    out->changedSinceLastSync = s->changed;
    out->lastChangeTime = s->changeTime;
    return XR_SUCCESS;
}

XrResult simGetActionStateFloat(XrSession handle, const XrActionStateGetInfo* info, XrActionStateFloat* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    const ActionState* s = nullptr;
    const XrResult r = stateOf(info, XR_ACTION_TYPE_FLOAT_INPUT, s);
    if (r != XR_SUCCESS) return r;
    out->isActive = s->active;
    out->currentState = s->x;
    out->changedSinceLastSync = s->vectorChanged;
    out->lastChangeTime = s->changeTime;
    return XR_SUCCESS;
}

XrResult simGetActionStateVector2f(XrSession handle, const XrActionStateGetInfo* info, XrActionStateVector2f* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    const ActionState* s = nullptr;
    const XrResult r = stateOf(info, XR_ACTION_TYPE_VECTOR2F_INPUT, s);
    if (r != XR_SUCCESS) return r;
    out->isActive = s->active;
    out->currentState = XrVector2f{s->x, s->y};
    out->changedSinceLastSync = s->vectorChanged;
    out->lastChangeTime = s->changeTime;
    return XR_SUCCESS;
}

XrResult simGetActionStatePose(XrSession handle, const XrActionStateGetInfo* info, XrActionStatePose* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    const ActionState* s = nullptr;
    const XrResult r = stateOf(info, XR_ACTION_TYPE_POSE_INPUT, s);
    if (r != XR_SUCCESS) return r;
    out->isActive = s->active;
    return XR_SUCCESS;
}

XrResult simEnumerateBoundSourcesForAction(XrSession handle, const XrBoundSourcesForActionEnumerateInfo* info,
                                           uint32_t capacity, uint32_t* count, XrPath* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    Action* action = actionOf(info->action);
    if (!action) return XR_ERROR_HANDLE_INVALID;
    std::vector<XrPath> sources;
    for (const std::string& p : action->bound)
        if (deviceBehind(*instance(), p)) sources.push_back(toPath(p));
    *count = static_cast<uint32_t>(sources.size());
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < sources.size() || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    std::copy(sources.begin(), sources.end(), out);
    return XR_SUCCESS;
}

XrResult simGetInputSourceLocalizedName(XrSession handle, const XrInputSourceLocalizedNameGetInfo* info,
                                        uint32_t capacity, uint32_t* count, char* out) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    const std::string* path = pathText(info->sourcePath);
    if (!path) return XR_ERROR_PATH_INVALID;
    const std::string name = *path;
    *count = static_cast<uint32_t>(name.size() + 1);
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < *count || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    std::memcpy(out, name.c_str(), *count);
    return XR_SUCCESS;
}

XrResult simApplyHapticFeedback(XrSession handle, const XrHapticActionInfo* info, const XrHapticBaseHeader*) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    return actionOf(info->action) ? XR_SUCCESS : XR_ERROR_HANDLE_INVALID;
}

XrResult simStopHapticFeedback(XrSession handle, const XrHapticActionInfo* info) {
    if (!sessionOf(handle)) return XR_ERROR_HANDLE_INVALID;
    return actionOf(info->action) ? XR_SUCCESS : XR_ERROR_HANDLE_INVALID;
}

XrResult simEnumerateViveTrackerPathsHTCX(XrInstance handle, uint32_t capacity, uint32_t* count,
                                          XrViveTrackerPathsHTCX* out) {
    Instance* in = instanceOf(handle);
    if (!in) return XR_ERROR_HANDLE_INVALID;
    if (!in->trackersEnabled) return XR_ERROR_FUNCTION_UNSUPPORTED;
    *count = static_cast<uint32_t>(in->trackerPaths.size());
    if (capacity == 0) return XR_SUCCESS;
    if (capacity < in->trackerPaths.size() || out == nullptr) return XR_ERROR_SIZE_INSUFFICIENT;
    for (size_t i = 0; i < in->trackerPaths.size(); ++i) {
        out[i].persistentPath = in->trackerPaths[i].persistentPath;
        out[i].rolePath = in->trackerPaths[i].rolePath;
    }
    return XR_SUCCESS;
}

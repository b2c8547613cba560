#pragma once

#include <string>

// The OpenXR graphics binding of the GL context current on this thread: Xlib/GLX on Linux, WGL on Windows.
// Returns the binding record to chain into XrSessionCreateInfo::next (valid until the next call), or null with a
// reason when no context of that kind is current.
const void* currentGraphicsBinding(std::string& reason);

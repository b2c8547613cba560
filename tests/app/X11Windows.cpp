#include "X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

namespace {

Display* g_display = nullptr;

// A mapped top-level window of that process: the control window ("MnxControl") or another one (the main window).
Window findWindow(Display* display, int64_t pid, bool wantControl) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None) return 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable) {
            continue;
        }
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        const bool ours = XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                             &items, &remaining, &data) == Success &&
                          data != nullptr && items == 1 && format == 32 &&
                          static_cast<int64_t>(*reinterpret_cast<unsigned long*>(data)) == pid;
        if (data != nullptr) XFree(data);
        if (!ours) continue;
        char* name = nullptr;
        const bool control =
            XFetchName(display, children[i], &name) != 0 && name != nullptr && std::string(name) == "MnxControl";
        if (name != nullptr) XFree(name);
        // Qt's helper windows (offscreen GL surfaces, the selection owner) carry no class hint.
        XClassHint hint{};
        const bool classed = XGetClassHint(display, children[i], &hint) != 0;
        if (hint.res_name != nullptr) XFree(hint.res_name);
        if (hint.res_class != nullptr) XFree(hint.res_class);
        if (classed && control == wantControl) found = children[i];
    }
    if (children != nullptr) XFree(children);
    return found;
}

// What the window manager sends when the user closes a window.
void sendDeleteWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

}  // namespace

namespace x11 {

bool open() {
    if (g_display == nullptr) g_display = XOpenDisplay(nullptr);
    return g_display != nullptr;
}

void close() {
    if (g_display != nullptr) XCloseDisplay(g_display);
    g_display = nullptr;
}

unsigned long findMainWindow(int64_t pid) { return g_display != nullptr ? findWindow(g_display, pid, false) : 0; }

unsigned long findControlWindow(int64_t pid) { return g_display != nullptr ? findWindow(g_display, pid, true) : 0; }

void sendDeleteWindow(unsigned long window) {
    if (g_display != nullptr) ::sendDeleteWindow(g_display, window);
}

}  // namespace x11

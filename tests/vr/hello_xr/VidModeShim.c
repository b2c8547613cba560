/* hello_xr's Xlib window asks the XFree86-VidMode extension for the screen's modes and crashes when the X server
 * lacks it, as Xvfb does. Preloaded into hello_xr by its test, this answers with the one mode the screen has. */
#include <X11/Xlib.h>
#include <stdlib.h>

typedef struct {
    unsigned int dotclock;
    unsigned short hdisplay, hsyncstart, hsyncend, htotal, hskew;
    unsigned short vdisplay, vsyncstart, vsyncend, vtotal;
    unsigned int flags;
    int privsize;
    int* c_private;
} XF86VidModeModeInfo;

Bool XF86VidModeGetAllModeLines(Display* display, int screen, int* count, XF86VidModeModeInfo*** modes) {
    XF86VidModeModeInfo** list = calloc(2, sizeof(XF86VidModeModeInfo*));
    XF86VidModeModeInfo* mode = calloc(1, sizeof(XF86VidModeModeInfo));
    if (list == NULL || mode == NULL) {
        free(list);
        free(mode);
        return False;
    }
    mode->hdisplay = (unsigned short)DisplayWidth(display, screen);
    mode->vdisplay = (unsigned short)DisplayHeight(display, screen);
    mode->htotal = mode->hdisplay;
    mode->vtotal = mode->vdisplay;
    mode->dotclock = 60u * mode->htotal * mode->vtotal / 1000u;
    list[0] = mode;
    *count = 1;
    *modes = list;
    return True;
}

Bool XF86VidModeSwitchToMode(Display* display, int screen, XF86VidModeModeInfo* mode) {
    (void)display;
    (void)screen;
    (void)mode;
    return True;
}

Bool XF86VidModeSetViewPort(Display* display, int screen, int x, int y) {
    (void)display;
    (void)screen;
    (void)x;
    (void)y;
    return True;
}

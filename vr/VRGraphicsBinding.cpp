// Kept apart from Qt's headers: the platform headers' macros (None, Bool, Status) clash with them.
#include "vr/VRGraphicsBinding.h"

#ifdef _WIN32
#include <windows.h>
#define XR_USE_PLATFORM_WIN32
#else
// clang-format off
#include <X11/Xlib.h>
#include <GL/glx.h>
// clang-format on
#define XR_USE_PLATFORM_XLIB
#endif
#define XR_USE_GRAPHICS_API_OPENGL
#include <openxr/openxr.h>
#include <openxr/openxr_platform.h>

#ifdef _WIN32

const void* currentGraphicsBinding(std::string& reason) {
    static XrGraphicsBindingOpenGLWin32KHR binding{XR_TYPE_GRAPHICS_BINDING_OPENGL_WIN32_KHR};
    binding.hDC = wglGetCurrentDC();
    binding.hGLRC = wglGetCurrentContext();
    if (binding.hDC == nullptr || binding.hGLRC == nullptr) {
        reason = "no current WGL context";
        return nullptr;
    }
    return &binding;
}

#else

const void* currentGraphicsBinding(std::string& reason) {
    static XrGraphicsBindingOpenGLXlibKHR binding{XR_TYPE_GRAPHICS_BINDING_OPENGL_XLIB_KHR};
    Display* display = glXGetCurrentDisplay();
    GLXContext context = glXGetCurrentContext();
    if (display == nullptr || context == nullptr) {
        reason = "no current GLX context";
        return nullptr;
    }
    int configId = 0;
    glXQueryContext(display, context, GLX_FBCONFIG_ID, &configId);
    int screen = DefaultScreen(display);
    glXQueryContext(display, context, GLX_SCREEN, &screen);
    const int attributes[] = {GLX_FBCONFIG_ID, configId, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, attributes, &count);
    if (configs == nullptr || count == 0) {
        if (configs) XFree(configs);
        reason = "the GLX context's frame buffer configuration is unknown";
        return nullptr;
    }
    binding.xDisplay = display;
    binding.glxFBConfig = configs[0];
    binding.glxContext = context;
    binding.glxDrawable = glXGetCurrentDrawable();
    binding.visualid = 0;
    if (XVisualInfo* visual = glXGetVisualFromFBConfig(display, configs[0])) {
        binding.visualid = static_cast<uint32_t>(visual->visualid);
        XFree(visual);
    }
    XFree(configs);
    return &binding;
}

#endif

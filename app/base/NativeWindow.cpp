#include "app/base/NativeWindow.h"

#include <QWidget>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <dwmapi.h>
#include <windows.h>
#endif

namespace NativeWindow {

#ifdef Q_OS_WIN

namespace {

HWND nativeHandle(QWidget* window) { return window ? reinterpret_cast<HWND>(window->winId()) : nullptr; }

HBRUSH g_classBrush = nullptr;

// Older SDK headers lack the Windows 11 corner preference.
constexpr DWORD kWindowCornerPreference = 33;  // DWMWA_WINDOW_CORNER_PREFERENCE
constexpr DWORD kDoNotRound = 1;               // DWMWCP_DONOTROUND

void addStyle(HWND hwnd, LONG_PTR style) {
    ::SetWindowLongPtrW(hwnd, GWL_STYLE, ::GetWindowLongPtrW(hwnd, GWL_STYLE) | style);
}

void enableBlurBehind(HWND hwnd) {
    DWM_BLURBEHIND blur{};
    blur.dwFlags = DWM_BB_ENABLE;
    blur.fEnable = TRUE;
    blur.hRgnBlur = nullptr;
    blur.fTransitionOnMaximized = FALSE;
    ::DwmEnableBlurBehindWindow(hwnd, &blur);
}

void extendFrame(HWND hwnd, int left, int right, int top, int bottom) {
    const MARGINS margins{left, right, top, bottom};
    ::DwmExtendFrameIntoClientArea(hwnd, &margins);
}

}  // namespace

bool setClassBackground(QWidget* window, const QColor& color) {
    const HWND hwnd = nativeHandle(window);
    if (!hwnd) return false;
    const HBRUSH brush = ::CreateSolidBrush(RGB(color.red(), color.green(), color.blue()));
    if (!brush) return false;
    ::SetClassLongPtrW(hwnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush));
    if (g_classBrush) ::DeleteObject(g_classBrush);
    g_classBrush = brush;
    ::InvalidateRect(hwnd, nullptr, TRUE);
    return true;
}

bool applyFramelessStyle(QWidget* window, bool resizeable) {
    const HWND hwnd = nativeHandle(window);
    if (!hwnd) return false;
    const HMENU menu = ::GetSystemMenu(hwnd, FALSE);
    if (resizeable) {
        addStyle(hwnd, WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX);
        if (menu) ::RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND);
    } else {
        addStyle(hwnd, WS_POPUP);
        if (menu) {
            for (const UINT command : {SC_CLOSE, SC_MAXIMIZE, SC_MINIMIZE, SC_SIZE}) {
                ::RemoveMenu(menu, command, MF_BYCOMMAND);
            }
        }
    }
    enableBlurBehind(hwnd);
    extendFrame(hwnd, 1, 1, 1, 1);
    return true;
}

bool applyFramelessGLStyle(QWidget* window) {
    const HWND hwnd = nativeHandle(window);
    if (!hwnd) return false;
    addStyle(hwnd, WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX);
    extendFrame(hwnd, 0, 0, 1, 0);
    const DWORD corner = kDoNotRound;
    ::DwmSetWindowAttribute(hwnd, kWindowCornerPreference, &corner, sizeof(corner));
    return true;
}

bool writeDebuggerOutput(const QString& text) {
    const QString line = text + QLatin1Char('\n');
    ::OutputDebugStringW(reinterpret_cast<const wchar_t*>(line.utf16()));
    return true;
}

#else

bool setClassBackground(QWidget*, const QColor&) { return false; }
bool applyFramelessStyle(QWidget*, bool) { return false; }
bool applyFramelessGLStyle(QWidget*) { return false; }
bool writeDebuggerOutput(const QString&) { return false; }

#endif

}  // namespace NativeWindow

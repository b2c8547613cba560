#pragma once

#include <cstdint>

// The test's X display, reached without the X headers (their macros clash with Qt's and GoogleTest's names).
namespace x11 {

// Opens the display of $DISPLAY; false when there is none.
bool open();
void close();
// The main window of process `pid`: a mapped top-level window of that process other than the control window
// ("MnxControl"); 0 when there is none yet.
unsigned long findMainWindow(int64_t pid);
// The control window of process `pid` once it is mapped (the end of the start-up show sequence); 0 before.
unsigned long findControlWindow(int64_t pid);
// Sends what a window manager sends when the user closes the window (WM_PROTOCOLS / WM_DELETE_WINDOW).
void sendDeleteWindow(unsigned long window);

}  // namespace x11

#pragma once

// Small X11 client calls of the end-to-end tests. Kept apart from the tests themselves, since
// Xlib's macros clash with GoogleTest.

#include <string>

// Asks a window to close as a window manager does when the user clicks its close button
// (a WM_DELETE_WINDOW message).
bool askWindowToClose(const std::string& display, unsigned long window);

// True once an X11 client can connect to `display`, waiting up to `timeoutMs`.
bool displayAccepts(const std::string& display, int timeoutMs);

#pragma once

// The program from start to end: window layer, shared objects, end routine, MainWindow with
// its version check, the event loop.

#include <functional>

#include "text/text.h"

namespace zentara {

class MainWindow;

// Handlers of MainWindow's events that live above the shell (the search), bound by the caller.
using WindowBinder = std::function<void(MainWindow&)>;

// Start-up in order: the window layer; createSharedObjects; releaseSharedObjects registered as
// the end routine; MainWindow loaded, bound and shown, its version check run as soon as the
// event loop starts; then the event loop until MainWindow closes, when the program ends
// through the end routine. Returns the exit code only where ending is hooked (tests).
int runProgram(int& argc, char** argv, const WindowBinder& bindHandlers);

// The part of start-up after the window layer is up: shared objects, end routine and the
// window, whose version check (of the manifest at `manifestAddress`) is queued to run once
// events are processed. The window deletes itself when closed.
MainWindow* startMainWindow(const WindowBinder& bindHandlers, const Text& manifestAddress);

}  // namespace zentara

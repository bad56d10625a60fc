#pragma once

// The window and run-time services the program needs from its GUI toolkit, without the toolkit
// in the interface: texts go in and out as Text (code page 936), images as Bytes.
//
// Threads: every operation may be called from any thread. Operations that act on the desktop
// (message box, browser, clipboard) run on the UI thread; a call from a worker is handed to the
// UI thread and waits there until it has run. startWindowLayer() makes the calling thread the
// UI thread.
//
// Test seams: each hook, once set, is called instead of the real desktop action and sees exactly
// what the user would have seen; hooks of desktop actions run on the UI thread, like the actions.
// Setting an empty std::function restores the real action.

#include <functional>
#include <string_view>

#include "text/text.h"

namespace zentara {

// --- start-up, event loop and ending -------------------------------------------------------

// Creates the application object (unless one exists already, as in widget tests), makes the
// calling thread the UI thread, installs the event pump of platform/run_time.h and keeps the
// application alive until the process ends. Windows are closed by the user; closing the last
// one ends the event loop. Call once, first thing in main().
void startWindowLayer(int& argc, char** argv);

// Runs the event loop until the last window closes, then ends the program as endProgram() does,
// with the loop's exit code. Returns only when an end-program hook is set (tests).
int runEventLoop();

// Registers the routine that runs once when the program ends (by closing the main window or by
// endProgram). Registering a routine arms it again, so each registration runs at most once.
void registerEndRoutine(std::function<void()> routine);

// Runs the registered end routine (once), then ends the process at once with exitCode; worker
// threads still running are not waited for and nothing else is torn down under them.
// With an end-program hook set, the hook receives exitCode instead and endProgram returns.
void endProgram(int exitCode);

// --- events and threads --------------------------------------------------------------------

// Handles the calling thread's pending window events, then returns. No-op off the UI thread.
void processEvents();

// Returns after `milliseconds`, handling window events meanwhile on the UI thread; a worker
// thread simply sleeps (it has no window events of its own).
void waitProcessingEvents(int milliseconds);

// Runs `routine` on a new detached thread and returns at once; nothing ever joins it.
void startThread(std::function<void()> routine);

// Runs `routine` on the UI thread. Called on the UI thread it runs directly; called from a
// worker it is queued to the UI thread and the call waits until it has run. Without an
// application object (GUI-free tests) it runs directly on the calling thread.
void runOnUiThread(const std::function<void()>& routine);

// True on the thread that called startWindowLayer (or, without it, the application's thread).
bool onUiThread();

// --- desktop services ----------------------------------------------------------------------

// Modal message box with an OK button and no icon, no owner window; the application's windows
// are disabled meanwhile. Returns when the user has dismissed it.
void showMessage(const Text& text, const Text& title);

// Hands the address to the desktop's web browser and returns at once; the outcome is ignored.
// Only addresses that begin with "http://" or "https://" (scheme letters in any case) are handed
// over; anything else is dropped silently, so that an address taken from the network can never
// start another protocol's handler.
void openUrl(const Text& address);

// True when openUrl() would hand `address` to the browser.
bool isWebAddress(std::string_view address);

// Puts the text on the system clipboard as plain text, replacing what it held.
void copyToClipboard(const Text& text);

// HTTP GET of the address; gives the response body, or empty Bytes on any failure (no answer,
// an error status, a time-out). Blocks the caller for at most about readUrlTimeoutMs.
// Blanks, control bytes and non-ASCII characters of the address are sent percent-encoded in
// UTF-8; every other byte is sent as it stands.
inline constexpr int readUrlTimeoutMs = 15000;
Bytes readUrl(const Text& address);

// --- test seams ----------------------------------------------------------------------------

using MessageBoxHook = std::function<void(const Text& text, const Text& title)>;
using OpenUrlHook = std::function<void(const Text& address)>;  // only addresses that pass
using ClipboardHook = std::function<void(const Text& text)>;
using EndProgramHook = std::function<void(int exitCode)>;
using ReadUrlHook = std::function<Bytes(const Text& address)>;  // answers instead of the network

void setMessageBoxHook(MessageBoxHook hook);
void setOpenUrlHook(OpenUrlHook hook);
void setClipboardHook(ClipboardHook hook);
void setEndProgramHook(EndProgramHook hook);
void setReadUrlHook(ReadUrlHook hook);

}  // namespace zentara

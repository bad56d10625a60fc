#pragma once

// The one run-time service the GUI-free code needs from the window layer: letting the calling
// thread process its pending window events. Until a window layer installs its pump, and on any
// thread without windows, this does nothing.

namespace zentara {

using EventPump = void (*)();

void setEventPump(EventPump pump);
void processPendingEvents();

}  // namespace zentara

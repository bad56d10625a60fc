#include "x11_display.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

bool askWindowToClose(const std::string& display, unsigned long window) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(connection, window, False, NoEventMask, &event);
    XFlush(connection);
    XCloseDisplay(connection);
    return sent != 0;
}

bool displayAccepts(const std::string& display, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        if (Display* connection = XOpenDisplay(display.c_str())) {
            XCloseDisplay(connection);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

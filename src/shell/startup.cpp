#include "shell/startup.h"

#include <QTimer>

#include "platform/window_layer.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "shell/version_check.h"

namespace zentara {

MainWindow* startMainWindow(const WindowBinder& bindHandlers, const Text& manifestAddress) {
    createSharedObjects();
    registerEndRoutine(releaseSharedObjects);

    auto* window = new MainWindow();
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (bindHandlers) {
        bindHandlers(*window);
    }
    window->show();
    // The created event: the version check runs once the window is up, on the UI thread.
    QTimer::singleShot(0, window,
                       [window, manifestAddress] { checkVersionAt(*window, manifestAddress); });
    return window;
}

int runProgram(int& argc, char** argv, const WindowBinder& bindHandlers) {
    startWindowLayer(argc, argv);
    startMainWindow(bindHandlers, manifestEndpoint());
    return runEventLoop();
}

}  // namespace zentara

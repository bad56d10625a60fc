// Start-up, event loop, threads and ending of the window layer (Qt 6 Widgets).

#include "platform/window_layer.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/run_time.h"

namespace zentara {

namespace {

struct EndState {
    std::mutex mutex;
    std::function<void()> routine;
    bool armed = false;
    EndProgramHook hook;
};

// Function-local, so that a test build may set hooks from static initialisers.
EndState& endState() {
    static EndState state;
    return state;
}

void runEndRoutineOnce() {
    std::function<void()> routine;
    {
        EndState& state = endState();
        std::lock_guard lock(state.mutex);
        if (!state.armed) {
            return;
        }
        state.armed = false;
        routine = std::move(state.routine);
        state.routine = nullptr;
    }
    if (routine) {
        routine();
    }
}

}  // namespace

void startWindowLayer(int& argc, char** argv) {
    if (QCoreApplication::instance() == nullptr) {
        // Never deleted: the application object lives until the process ends, so nothing is torn
        // down under worker threads that may still be running then.
        new QApplication(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(true);
    setEventPump(&processEvents);
}

int runEventLoop() {
    const int exitCode = QCoreApplication::instance() ? QApplication::exec() : 0;
    endProgram(exitCode);
    return exitCode;
}

void registerEndRoutine(std::function<void()> routine) {
    EndState& state = endState();
    std::lock_guard lock(state.mutex);
    state.routine = std::move(routine);
    state.armed = true;
}

void setEndProgramHook(EndProgramHook hook) {
    EndState& state = endState();
    std::lock_guard lock(state.mutex);
    state.hook = std::move(hook);
}

void endProgram(int exitCode) {
    // The end routine releases state that the UI thread owns, so it runs there.
    runOnUiThread(runEndRoutineOnce);
    EndProgramHook hook;
    {
        EndState& state = endState();
        std::lock_guard lock(state.mutex);
        hook = state.hook;
    }
    if (hook) {
        hook(exitCode);
        return;
    }
    // Detached workers may still be running: ending without static destructors keeps them from
    // meeting half-destroyed objects. Output written so far is kept.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

bool onUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void processEvents() {
    if (QCoreApplication::instance() != nullptr && onUiThread()) {
        QCoreApplication::processEvents();
    }
}

void waitProcessingEvents(int milliseconds) {
    if (QCoreApplication::instance() == nullptr || !onUiThread()) {
        if (milliseconds > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        }
        return;
    }
    if (milliseconds <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    loop.exec();
}

void startThread(std::function<void()> routine) {
    std::thread(std::move(routine)).detach();
}

void runOnUiThread(const std::function<void()>& routine) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || onUiThread()) {
        routine();
        return;
    }
    QMetaObject::invokeMethod(
        app, [&routine] { routine(); }, Qt::BlockingQueuedConnection);
}

}  // namespace zentara

#pragma once

// One QApplication for a test program's widget tests (offscreen platform unless set otherwise).

#include <QApplication>
#include <cstdlib>

namespace zentara::testing {

inline QApplication& widgetApplication() {
    static int argc = 1;
    static char name[] = "detail_tests";
    static char* argv[] = {name, nullptr};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace zentara::testing

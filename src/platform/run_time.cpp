#include "platform/run_time.h"

#include <atomic>

namespace zentara {

namespace {
std::atomic<EventPump> installedPump{nullptr};
}

void setEventPump(EventPump pump) {
    installedPump.store(pump);
}

void processPendingEvents() {
    if (EventPump pump = installedPump.load()) {
        pump();
    }
}

}  // namespace zentara

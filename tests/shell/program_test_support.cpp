#include "program_test_support.h"

#include <httplib.h>

#include <QApplication>
#include <cstdlib>

#include "platform/code_page.h"
#include "platform/window_layer.h"

namespace zentara::testing {

void ensureWindowLayer() {
    static bool started = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "zentara_program_tests";
        static char* argv[] = {name, nullptr};
        startWindowLayer(argc, argv);
        // Tests close windows and open new ones; the last window closing must not end the loop.
        QApplication::setQuitOnLastWindowClosed(false);
        return true;
    }();
    (void)started;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void processEventsFor(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LoopbackSite::LoopbackSite() : server_(std::make_unique<httplib::Server>()) {
    auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        ScriptedAnswer scripted;
        bool known = false;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back({request.method, request.target, request.body});
            auto found = answers_.find(request.path);
            if (found != answers_.end()) {
                scripted = found->second;
                known = true;
            }
        }
        changed_.notify_all();
        if (scripted.delay.count() > 0) {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, scripted.delay, [this] { return stopping_; });
        }
        if (!known) {
            response.status = 404;
            return;
        }
        response.set_content(scripted.body, scripted.contentType.c_str());
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    port_ = server_->bind_to_any_port("127.0.0.1");
    listener_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LoopbackSite::~LoopbackSite() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    server_->stop();
    listener_.join();
}

std::string LoopbackSite::origin() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void LoopbackSite::answer(const std::string& path, ScriptedAnswer scripted) {
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(scripted);
}

std::vector<RecordedRequest> LoopbackSite::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool LoopbackSite::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    // Window events keep flowing meanwhile: a search worker reaches the UI thread before it sends.
    return waitUntil(
        [&] {
            std::lock_guard lock(mutex_);
            return requests_.size() >= count;
        },
        timeout);
}

std::string utf8Of(const std::string& gbkText) {
    return textToUtf8(gbkText);
}

}  // namespace zentara::testing

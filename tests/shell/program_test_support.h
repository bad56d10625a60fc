#pragma once

// Helpers for the program's widget tests: the window layer on the offscreen platform, waiting
// while events are processed, and a loopback site that answers scripted bodies and records every
// request it receives.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace zentara::testing {

// Starts the window layer once for the test program (offscreen unless QT_QPA_PLATFORM is set).
void ensureWindowLayer();

// As a fixture's first member: the window layer is up before any window member is built.
struct WindowLayerUp {
    WindowLayerUp() { ensureWindowLayer(); }
};

// Processes events until `done` holds or `timeout` has passed; gives the final value of `done`.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Processes events for `duration`.
void processEventsFor(std::chrono::milliseconds duration);

struct RecordedRequest {
    std::string method;
    std::string target;  // as sent: path and query
    std::string body;
};

struct ScriptedAnswer {
    std::string body;  // UTF-8
    std::string contentType = "text/xml; charset=utf-8";
    std::chrono::milliseconds delay{0};
};

// An HTTP server on 127.0.0.1 (a free port) answering GET and POST by path.
class LoopbackSite {
  public:
    LoopbackSite();
    ~LoopbackSite();
    LoopbackSite(const LoopbackSite&) = delete;
    LoopbackSite& operator=(const LoopbackSite&) = delete;

    // "http://127.0.0.1:<port>"
    std::string origin() const;

    // Answer for requests whose path (without the query) is `path`; others get 404, empty.
    void answer(const std::string& path, ScriptedAnswer scripted);

    std::vector<RecordedRequest> requests() const;
    // Waits, processing window events, until `count` requests have arrived.
    bool waitForRequests(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  private:
    std::unique_ptr<httplib::Server> server_;
    std::thread listener_;
    int port_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::map<std::string, ScriptedAnswer> answers_;
    std::vector<RecordedRequest> requests_;
};

// The UTF-8 form of a Text, for comparing what a control or the wire shows.
std::string utf8Of(const std::string& gbkText);

}  // namespace zentara::testing

#include "shell/shared_state.h"

#include <chrono>
#include <mutex>

#include "http/http_client.h"
#include "json/json_document.h"
#include "shell/fetch_gate.h"
#include "shell/fetch_page.h"

namespace zentara {

Text searchEndpoint;
std::unique_ptr<HttpClient> httpClient;
std::unique_ptr<JsonDocument> jsonDoc;
Text playPrefix;
Text detailUrl;
std::int32_t menuList = 0;

namespace {

// How long the end of the program waits for a fetch that is still running before it leaves the
// client to that fetch (which destroys it when it returns) and lets the process end.
constexpr std::chrono::milliseconds kFetchDrainWait{300};

}  // namespace

void createSharedObjects() {
    // Construction opens the session with the default user agent and applies the defaults.
    auto client = std::make_unique<HttpClient>();
    {
        std::lock_guard lock(fetchLock());
        httpClient = std::move(client);
        reopenFetching();
    }
    jsonDoc = std::make_unique<JsonDocument>();
}

void releaseSharedObjects() {
    searchEndpoint = Text();

    // A worker may be inside a fetch right now: stop its transfer, then destroy the client only
    // once the fetch has let go of it. If it does not let go in time, it destroys the client
    // itself when it returns (fetchPage sees the closed gate).
    closeFetching();
    std::unique_lock lock(fetchLock(), std::defer_lock);
    if (lock.try_lock_for(kFetchDrainWait)) {
        httpClient.reset();
        lock.unlock();
    }

    jsonDoc.reset();
    playPrefix = Text();
    detailUrl = Text();
    menuList = 0;
}

}  // namespace zentara

#include "shell/fetch_page.h"

#include <atomic>

#include "http/http_client.h"
#include "shell/fetch_gate.h"
#include "shell/shared_state.h"

namespace zentara {

namespace {

constexpr int kResolveTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 10000;

std::atomic<bool> fetchingClosed{false};

}  // namespace

std::timed_mutex& fetchLock() {
    static std::timed_mutex lock;
    return lock;
}

Text fetchPage(const Text& url) {
    std::lock_guard lock(fetchLock());
    if (fetchingClosed.load() || !httpClient) {
        // The program is ending. The last fetch to hold the client after that destroys it.
        httpClient.reset();
        return {};
    }
    httpClient->setTimeouts(kResolveTimeoutMs, kConnectTimeoutMs);
    httpClient->open("POST", url);
    httpClient->send();
    Text body = httpClient->getResponseText();
    if (fetchingClosed.load()) {
        httpClient.reset();
        return {};
    }
    return body;
}

void closeFetching() {
    fetchingClosed.store(true);
    HttpClient::abortAll();
}

void reopenFetching() {
    fetchingClosed.store(false);
}

}  // namespace zentara

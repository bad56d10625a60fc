// Reading a URL into bytes: one plain libcurl GET with bounded time-outs, separate from the
// program's HTTP client.

#include <curl/curl.h>

#include <mutex>
#include <utility>

#include "platform/code_page.h"
#include "platform/http_url.h"
#include "platform/window_layer.h"

namespace zentara {

namespace {

// A body larger than this is not an image the program wants; the read fails instead.
constexpr std::size_t maximumBodyBytes = 32u << 20;
constexpr long connectTimeoutMs = 10000;

struct ReadUrlHookSlot {
    std::mutex mutex;
    ReadUrlHook hook;
};

ReadUrlHookSlot& hookSlot() {
    static ReadUrlHookSlot slot;
    return slot;
}

// curl rejects raw blanks and sends bytes above 0x7F raw; both go percent-encoded in UTF-8.
// Every other byte, "?", "&" and "=" included, stays as it is.
std::string wireForm(const Text& address) {
    return escapeUrlBytes(textToUtf8(untilZero(address)));
}

size_t collectBody(char* data, size_t size, size_t count, void* userData) {
    auto* body = static_cast<Bytes*>(userData);
    const size_t n = size * count;
    if (body->size() + n > maximumBodyBytes) {
        return 0;  // makes curl fail the transfer
    }
    body->insert(body->end(), data, data + n);
    return n;
}

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

void setReadUrlHook(ReadUrlHook hook) {
    ReadUrlHookSlot& slot = hookSlot();
    std::lock_guard lock(slot.mutex);
    slot.hook = std::move(hook);
}

Bytes readUrl(const Text& address) {
    {
        ReadUrlHook hook;
        {
            ReadUrlHookSlot& slot = hookSlot();
            std::lock_guard lock(slot.mutex);
            hook = slot.hook;
        }
        if (hook) {
            return hook(address);
        }
    }

    initialiseCurlOnce();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return {};
    }
    const std::string url = wireForm(address);
    Bytes body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(readUrlTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        return {};
    }
    return body;
}

}  // namespace zentara

// The HTTP transport on libcurl: one share handle per session (cookies, DNS), one multi handle per
// connection (its kept-alive TCP connections live in the multi's cache and end with it), one easy
// handle per request. The body streams: the write callback takes one chunk and pauses the transfer
// until the reader has drained it, so no second copy of a body builds up here.

#include "platform/http_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

#include "platform/code_page.h"
#include "platform/http_url.h"

namespace zentara {

namespace {

using Clock = std::chrono::steady_clock;

thread_local std::uint32_t lastError = 0;

// Body bytes the transport takes from libcurl before it pauses the transfer for the reader, and
// libcurl's read size (below the allocator's mapping threshold, so it stays cheap per request).
constexpr std::size_t kMostPending = 256 * 1024;
constexpr long kReadBufferSize = 64 * 1024;

bool fail(std::uint32_t code) {
    lastError = code;
    return false;
}

void initialiseCurlOnce() {
    static const bool initialised = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)initialised;
}

std::uint32_t errorOf(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_CONNECT:
            return http_error::kCannotConnect;
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
            return http_error::kConnectionError;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return http_error::kNameNotResolved;
        case CURLE_OPERATION_TIMEDOUT:
            return http_error::kTimeout;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
            return http_error::kSecureFailure;
        case CURLE_TOO_MANY_REDIRECTS:
            return http_error::kRedirectFailed;
        case CURLE_URL_MALFORMAT:
            return http_error::kInvalidUrl;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return http_error::kUnrecognizedScheme;
        case CURLE_WEIRD_SERVER_REPLY:
            return http_error::kInvalidServerResponse;
        case CURLE_ABORTED_BY_CALLBACK:
            return http_error::kOperationCancelled;
        case CURLE_OUT_OF_MEMORY:
            return http_error::kNotEnoughMemory;
        default:
            return http_error::kInternalError;
    }
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// ASCII goes across as it is; only other texts need the converter.
std::string utf8Of(std::u16string_view units) {
    for (char16_t unit : units) {
        if (unit >= 0x80) {
            return wideToUtf8(units);
        }
    }
    return std::string(units.begin(), units.end());
}

std::u16string unitsOf(std::string_view utf8) {
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return utf8ToWide(utf8);
        }
    }
    return std::u16string(utf8.begin(), utf8.end());
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t extra;
        if (lead < 0x80) {
            extra = 0;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

// Header bytes from the wire, line by line: a line that is valid UTF-8 is read as UTF-8, any
// other line byte for byte as Latin-1.
std::u16string widenHeaderBytes(std::string_view bytes) {
    std::u16string wide;
    wide.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t lineEnd = bytes.find('\n');
        const std::string_view line =
            bytes.substr(0, lineEnd == std::string_view::npos ? bytes.size() : lineEnd + 1);
        bytes.remove_prefix(line.size());
        if (isValidUtf8(line)) {
            wide += unitsOf(line);
            continue;
        }
        for (char c : line) {
            wide += static_cast<char16_t>(static_cast<unsigned char>(c));
        }
    }
    return wide;
}

// ---- Abort ----

// Kept for the whole process (never destroyed), so that a worker still inside a transfer at the
// end of the program finds them intact.
std::atomic<std::uint64_t> abortGeneration{0};
std::mutex& liveMultisMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::unordered_set<CURLM*>& liveMultis() {
    static auto* multis = new std::unordered_set<CURLM*>;
    return *multis;
}

// ---- Handle objects ----

struct Session {
    std::string userAgent;  // UTF-8; empty: no agent of the session's own
    int resolveMs = 0;
    int connectMs = 60000;
    int sendMs = 30000;
    int receiveMs = 30000;
    std::uint32_t accessType = kAccessNoProxy;
    std::string proxyList;  // UTF-8
    CURLSH* share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

    Session() {
        share = curl_share_init();
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Session::lock);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Session::unlock);
    }
    ~Session() { curl_share_cleanup(share); }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Session*>(user)->locks[data].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Session*>(user)->locks[data].unlock();
    }
};

struct Connection {
    std::shared_ptr<Session> session;
    std::string host;  // UTF-8
    int port = 0;
    CURLM* multi = nullptr;
    // An easy handle of a finished request, reset and kept for the next one, and the body chunk
    // buffer likewise (so a request allocates neither).
    CURL* spareEasy = nullptr;
    std::string spareChunkBuffer;

    Connection() {
        multi = curl_multi_init();
        std::lock_guard lock(liveMultisMutex());
        liveMultis().insert(multi);
    }
    ~Connection() {
        {
            std::lock_guard lock(liveMultisMutex());
            liveMultis().erase(multi);
        }
        if (spareEasy != nullptr) {
            curl_easy_cleanup(spareEasy);
        }
        curl_multi_cleanup(multi);
    }
};

struct HeaderLine {
    std::string name;
    std::string value;
};

struct Request {
    // Keeps the session's share handle alive while the easy handle uses it.
    std::shared_ptr<Session> session;
    std::shared_ptr<Connection> connection;
    std::string method;
    std::string objectPath;  // UTF-8, escaped
    bool secure = false;
    int connectLimitMs = 0;
    int sendLimitMs = 0;
    int receiveLimitMs = 0;
    std::vector<HeaderLine> headers;
    std::uint32_t disabledFeatures = 0;
    std::uint32_t securityFlags = 0;
    std::optional<std::string> proxyUser;
    std::optional<std::string> proxyPassword;
    struct Credentials {
        std::string user;
        std::string password;
        long scheme = CURLAUTH_BASIC;
    };
    std::optional<Credentials> serverCredentials;
    std::optional<Credentials> proxyCredentials;

    // The transfer.
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    bool inMulti = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    std::uint64_t generation = 0;
    bool followRedirects = true;
    std::size_t bodyLength = 0;
    bool connected = false;
    curl_off_t uploaded = 0;
    Clock::time_point lastProgress;

    // The response: the header block of the response being received, reset at each status line.
    std::string block;
    int status = 0;
    bool blockHasLocation = false;
    bool headersComplete = false;
    std::string finalBlock;

    // The body chunk waiting for the reader.
    std::string pending;
    std::size_t pendingOffset = 0;
    bool paused = false;

    ~Request() { endTransfer(); }

    std::size_t pendingSize() const { return pending.size() - pendingOffset; }

    void endTransfer() {
        if (easy != nullptr) {
            if (inMulti) {
                curl_multi_remove_handle(connection->multi, easy);
            }
            if (done && result == CURLE_OK && connection->spareEasy == nullptr) {
                // A reset alone would drop the handle's cookie-file list without freeing it.
                curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
                curl_easy_reset(easy);
                connection->spareEasy = easy;
            } else {
                curl_easy_cleanup(easy);
            }
            easy = nullptr;
        }
        inMulti = false;
        if (pending.capacity() > connection->spareChunkBuffer.capacity()) {
            pending.clear();
            pendingOffset = 0;
            pending.swap(connection->spareChunkBuffer);
        }
        if (headerList != nullptr) {
            curl_slist_free_all(headerList);
            headerList = nullptr;
        }
    }

    HeaderLine* findHeader(std::string_view name) {
        for (auto& line : headers) {
            if (equalsIgnoreCase(line.name, name)) {
                return &line;
            }
        }
        return nullptr;
    }
};

using Object =
    std::variant<std::shared_ptr<Session>, std::shared_ptr<Connection>, std::shared_ptr<Request>>;

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<HttpHandle, Object> objects;
    HttpHandle next = 1;

    HttpHandle add(Object object) {
        std::lock_guard lock(mutex);
        while (next == 0 || objects.count(next) != 0) {
            ++next;
        }
        const HttpHandle handle = next++;
        objects.emplace(handle, std::move(object));
        return handle;
    }

    template <typename T>
    std::shared_ptr<T> find(HttpHandle handle) {
        std::lock_guard lock(mutex);
        auto it = objects.find(handle);
        if (it == objects.end()) {
            return nullptr;
        }
        if (auto* object = std::get_if<std::shared_ptr<T>>(&it->second)) {
            return *object;
        }
        return nullptr;
    }

    bool exists(HttpHandle handle) {
        std::lock_guard lock(mutex);
        return objects.count(handle) != 0;
    }

    std::optional<Object> remove(HttpHandle handle) {
        std::lock_guard lock(mutex);
        auto it = objects.find(handle);
        if (it == objects.end()) {
            return std::nullopt;
        }
        Object object = std::move(it->second);
        objects.erase(it);
        return object;
    }
};

HandleTable& handles() {
    static auto* table = new HandleTable;
    return *table;
}

template <typename T>
std::shared_ptr<T> lookUp(HttpHandle handle) {
    auto object = handles().find<T>(handle);
    if (!object) {
        lastError = handles().exists(handle) ? http_error::kIncorrectHandleType
                                             : http_error::kInvalidHandle;
    }
    return object;
}

// ---- Callbacks ----

bool curlWillContinue(const Request& request) {
    if (request.status >= 300 && request.status < 400 && request.blockHasLocation &&
        request.followRedirects) {
        return true;  // libcurl follows the Location itself
    }
    const bool serverAuth = request.status == 401 && request.serverCredentials &&
                            request.serverCredentials->scheme != CURLAUTH_BASIC;
    const bool proxyAuth = request.status == 407 && request.proxyCredentials &&
                           request.proxyCredentials->scheme != CURLAUTH_BASIC;
    return serverAuth || proxyAuth;  // a challenge answered with a second request
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& request = *static_cast<Request*>(user);
    const std::size_t length = size * count;
    std::string_view line(data, length);
    request.lastProgress = Clock::now();
    if (request.headersComplete) {
        return length;  // trailers of a chunked body
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (startsWithIgnoreCase(line, "HTTP/")) {
        request.block.clear();
        request.blockHasLocation = false;
        request.status = 0;
        const std::size_t space = line.find(' ');
        if (space != std::string_view::npos) {
            for (std::size_t i = space + 1; i < line.size() && line[i] >= '0' && line[i] <= '9';
                 ++i) {
                request.status = request.status * 10 + (line[i] - '0');
            }
        }
    }
    if (line.empty()) {
        // The end of one response's header block.
        request.block += "\r\n";
        if (request.status >= 100 && request.status < 200) {
            request.block.clear();
        } else if (!curlWillContinue(request)) {
            request.finalBlock = std::move(request.block);
            request.block.clear();
            request.headersComplete = true;
        }
        return length;
    }
    if (startsWithIgnoreCase(line, "location:") && !trimBlanks(line.substr(9)).empty()) {
        request.blockHasLocation = true;
    }
    request.block.append(line);
    request.block += "\r\n";
    return length;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& request = *static_cast<Request*>(user);
    const std::size_t length = size * count;
    request.lastProgress = Clock::now();
    if (!request.headersComplete) {
        // The body of a response whose headers looked like a hop: it is the final one after all.
        request.finalBlock = std::move(request.block);
        request.block.clear();
        request.headersComplete = true;
    }
    if (request.pendingSize() >= kMostPending) {
        request.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (request.pendingOffset > 0) {
        request.pending.erase(0, request.pendingOffset);
        request.pendingOffset = 0;
    }
    request.pending.append(data, length);
    return length;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto& request = *static_cast<Request*>(user);
    if (uploaded != request.uploaded) {
        request.uploaded = uploaded;
        request.lastProgress = Clock::now();
    }
    return abortGeneration.load() != request.generation ? 1 : 0;
}

int onConnected(void* user, char*, char*, int, int) {
    auto& request = *static_cast<Request*>(user);
    request.connected = true;
    request.lastProgress = Clock::now();
    return CURL_PREREQFUNC_OK;
}

// ---- Driving a transfer ----

void collectDone(Request& request) {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(request.connection->multi, &queued)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        Request* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        if (owner != nullptr) {
            owner->done = true;
            owner->result = message->data.result;
            if (owner->result == CURLE_OK && !owner->headersComplete) {
                owner->finalBlock = std::move(owner->block);
                owner->block.clear();
                owner->headersComplete = true;
            }
        }
    }
}

void finishWith(Request& request, CURLcode code) {
    request.done = true;
    request.result = code;
    if (request.inMulti) {
        curl_multi_remove_handle(request.connection->multi, request.easy);
        request.inMulti = false;
    }
}

// Idle limit in force right now, or 0 for none.
int idleLimitMs(const Request& request) {
    if (!request.connected || request.paused) {
        return 0;
    }
    const bool uploading = static_cast<std::size_t>(request.uploaded) < request.bodyLength;
    return uploading ? request.sendLimitMs : request.receiveLimitMs;
}

// Runs the transfer until `ready` holds or it ends; false (with lastError) when it ended with an
// error, ran past an idle limit or was aborted.
template <typename Ready>
bool drive(Request& request, Ready ready) {
    CURLM* multi = request.connection->multi;
    for (;;) {
        if (ready()) {
            return true;
        }
        if (request.done) {
            return request.result == CURLE_OK ? true : fail(errorOf(request.result));
        }
        if (abortGeneration.load() != request.generation) {
            finishWith(request, CURLE_ABORTED_BY_CALLBACK);
            continue;
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        collectDone(request);
        if (ready() || request.done) {
            continue;
        }
        int waitMs = 1000;
        if (const int limit = idleLimitMs(request); limit > 0) {
            const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  Clock::now() - request.lastProgress)
                                  .count();
            if (idle >= limit) {
                finishWith(request, CURLE_OPERATION_TIMEDOUT);
                continue;
            }
            waitMs = static_cast<int>(std::min<long long>(waitMs, limit - idle));
        }
        curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
    }
}

std::string proxyFor(const Session& session, bool secure) {
    if (session.accessType != kAccessNamedProxy) {
        return std::string();
    }
    // Entries separated by ";" or blanks; "scheme=host:port" applies to that scheme only.
    std::string_view list = session.proxyList;
    std::string fallback;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find_first_of("; \t", start);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        std::string_view entry = list.substr(start, end - start);
        start = end + 1;
        if (entry.empty()) {
            continue;
        }
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            if (fallback.empty()) {
                fallback = std::string(entry);
            }
            continue;
        }
        const std::string_view scheme = entry.substr(0, equals);
        if (equalsIgnoreCase(scheme, secure ? "https" : "http")) {
            return std::string(entry.substr(equals + 1));
        }
    }
    return fallback;
}

curl_slist* buildHeaderList(const Request& request, bool sendsBody) {
    curl_slist* list = nullptr;
    bool hasAccept = false;
    bool hasExpect = false;
    bool hasContentType = false;
    for (const auto& line : request.headers) {
        hasAccept = hasAccept || equalsIgnoreCase(line.name, "Accept");
        hasExpect = hasExpect || equalsIgnoreCase(line.name, "Expect");
        hasContentType = hasContentType || equalsIgnoreCase(line.name, "Content-Type");
        // "Name;" is how libcurl sends a header with an empty value ("Name:" would remove it).
        const std::string text =
            line.value.empty() ? line.name + ";" : line.name + ":" + line.value;
        list = curl_slist_append(list, text.c_str());
    }
    // libcurl's own defaults go unless the request carries its own header of that name.
    if (!hasAccept) {
        list = curl_slist_append(list, "Accept:");
    }
    if (!hasExpect) {
        list = curl_slist_append(list, "Expect:");
    }
    if (!hasContentType && sendsBody) {
        list = curl_slist_append(list, "Content-Type:");
    }
    return list;
}

bool startTransfer(Request& request, const void* body, std::size_t length) {
    request.endTransfer();
    request.done = false;
    request.result = CURLE_OK;
    request.connected = false;
    request.uploaded = 0;
    request.bodyLength = length;
    request.block.clear();
    request.finalBlock.clear();
    request.status = 0;
    request.blockHasLocation = false;
    request.headersComplete = false;
    request.pending.clear();
    request.pendingOffset = 0;
    if (request.pending.capacity() < request.connection->spareChunkBuffer.capacity()) {
        request.pending.swap(request.connection->spareChunkBuffer);
    }
    request.paused = false;
    request.generation = abortGeneration.load();
    request.lastProgress = Clock::now();
    request.followRedirects = (request.disabledFeatures & http_option::kDisableRedirects) == 0;

    CURL* easy = request.connection->spareEasy;
    request.connection->spareEasy = nullptr;
    if (easy == nullptr) {
        easy = curl_easy_init();
    }
    if (easy == nullptr) {
        return fail(http_error::kNotEnoughMemory);
    }
    request.easy = easy;
    const Connection& connection = *request.connection;
    const Session& session = *request.session;

    const std::string url = std::string(request.secure ? "https://" : "http://") + connection.host +
                            ":" + std::to_string(connection.port) + request.objectPath;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &request);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &request);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &request);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &request);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &onConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &request);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReadBufferSize);

    // Resolve and connect (TLS included) share libcurl's one connect limit.
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectLimitMs));

    if (!session.userAgent.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERAGENT, session.userAgent.c_str());
    }
    const std::string proxy = proxyFor(session, request.secure);
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());  // "" also ignores the environment
    if (request.proxyUser) {
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyUser->c_str());
    }
    if (request.proxyPassword) {
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyPassword->c_str());
    }
    if (request.proxyCredentials) {
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, request.proxyCredentials->user.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, request.proxyCredentials->password.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYAUTH, request.proxyCredentials->scheme);
    }
    if (request.serverCredentials) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, request.serverCredentials->user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, request.serverCredentials->password.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, request.serverCredentials->scheme);
    }

    // A reused easy handle may still be attached to the share: detach it explicitly.
    if ((request.disabledFeatures & http_option::kDisableCookies) == 0) {
        curl_easy_setopt(easy, CURLOPT_SHARE, session.share);
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    } else {
        curl_easy_setopt(easy, CURLOPT_SHARE, static_cast<CURLSH*>(nullptr));
    }
    if (request.followRedirects) {
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    if ((request.disabledFeatures & http_option::kDisableKeepAlive) != 0) {
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }
    using namespace http_option;
    if ((request.securityFlags & (kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreDateInvalid)) !=
        0) {
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    }
    if ((request.securityFlags & kIgnoreCommonNameInvalid) != 0) {
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    }

    // Method and body. POST goes as POST so that a 301/302/303 turns into GET as browsers do.
    const bool isGet = request.method == "GET";
    const bool isHead = request.method == "HEAD";
    bool sendsBody = false;
    if (isHead && length == 0) {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (isGet && length == 0) {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        sendsBody = true;
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(length));
        curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, length > 0 ? body : "");
        if (request.method != "POST") {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
    }
    request.headerList = buildHeaderList(request, sendsBody);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request.headerList);

    if (curl_multi_add_handle(connection.multi, easy) != CURLM_OK) {
        return fail(http_error::kInternalError);
    }
    request.inMulti = true;
    return true;
}

}  // namespace

std::uint32_t lastHttpError() {
    return lastError;
}

HttpHandle openSession(std::u16string_view userAgent) {
    initialiseCurlOnce();
    auto session = std::make_shared<Session>();
    session->userAgent = utf8Of(userAgent);
    return handles().add(std::move(session));
}

bool setTimeouts(HttpHandle sessionHandle, int resolveMs, int connectMs, int sendMs,
                 int receiveMs) {
    auto session = lookUp<Session>(sessionHandle);
    if (!session) {
        return false;
    }
    if (resolveMs < -1 || connectMs < -1 || sendMs < -1 || receiveMs < -1) {
        return fail(http_error::kInvalidParameter);
    }
    session->resolveMs = resolveMs;
    session->connectMs = connectMs;
    session->sendMs = sendMs;
    session->receiveMs = receiveMs;
    return true;
}

bool setProxy(HttpHandle sessionHandle, std::uint32_t accessType, std::u16string_view proxyList) {
    auto session = lookUp<Session>(sessionHandle);
    if (!session) {
        return false;
    }
    if (accessType == kAccessNoProxy) {
        session->accessType = kAccessNoProxy;
        session->proxyList.clear();
        return true;
    }
    if (accessType != kAccessNamedProxy || proxyList.empty()) {
        return fail(http_error::kInvalidParameter);
    }
    session->accessType = kAccessNamedProxy;
    session->proxyList = utf8Of(proxyList);
    return true;
}

HttpHandle connectTo(HttpHandle sessionHandle, std::u16string_view host, int port) {
    auto session = lookUp<Session>(sessionHandle);
    if (!session) {
        return 0;
    }
    if (host.empty() || port < 1 || port > 65535) {
        fail(http_error::kInvalidParameter);
        return 0;
    }
    auto connection = std::make_shared<Connection>();
    connection->session = session;
    connection->host = utf8Of(host);
    connection->port = port;
    return handles().add(std::move(connection));
}

HttpHandle openRequest(HttpHandle connectionHandle, std::u16string_view method,
                       std::u16string_view objectPath, bool secure) {
    auto connection = lookUp<Connection>(connectionHandle);
    if (!connection) {
        return 0;
    }
    auto request = std::make_shared<Request>();
    request->session = connection->session;
    request->connection = connection;
    request->method = method.empty() ? std::string("GET") : utf8Of(method);
    request->objectPath = escapeUrlBytes(utf8Of(objectPath));
    if (request->objectPath.empty() || request->objectPath.front() != '/') {
        request->objectPath.insert(0, "/");
    }
    request->secure = secure;
    const Session& session = *connection->session;
    // A limit of 0 or -1 means none; resolve and connect add up to libcurl's one connect limit.
    const auto limit = [](int ms) { return ms > 0 ? ms : 0; };
    request->connectLimitMs =
        session.resolveMs > 0 && session.connectMs > 0 ? session.resolveMs + session.connectMs : 0;
    request->sendLimitMs = limit(session.sendMs);
    request->receiveLimitMs = limit(session.receiveMs);
    return handles().add(std::move(request));
}

bool addRequestHeaders(HttpHandle requestHandle, std::u16string_view headers,
                       std::uint32_t modifiers) {
    auto request = lookUp<Request>(requestHandle);
    if (!request) {
        return false;
    }
    using namespace header_flag;
    const std::uint32_t known = kAddIfNew | kAdd | kCoalesceComma | kCoalesceSemicolon | kReplace;
    if ((modifiers & ~known) != 0) {
        return fail(http_error::kInvalidParameter);
    }
    const std::string text = utf8Of(headers);
    bool allApplied = true;
    bool anyLine = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        start = end + 2;
        if (line.empty()) {
            continue;
        }
        anyLine = true;
        const std::size_t colon = line.find(':');
        const std::string_view name = trimBlanks(line.substr(0, colon));
        // A lone CR or LF inside a line would smuggle a header of its own onto the wire.
        if (colon == std::string_view::npos || name.empty() ||
            line.find_first_of("\r\n") != std::string_view::npos) {
            allApplied = fail(http_error::kInvalidParameter);
            continue;
        }
        const std::string value(trimBlanks(line.substr(colon + 1)));
        HeaderLine* existing = request->findHeader(name);

        if ((modifiers & kAddIfNew) != 0) {
            if (existing != nullptr) {
                allApplied = fail(http_error::kHeaderAlreadyExists);
                continue;
            }
            request->headers.push_back({std::string(name), value});
        } else if ((modifiers & kReplace) != 0) {
            if (existing == nullptr) {
                if ((modifiers & kAdd) != 0) {
                    request->headers.push_back({std::string(name), value});
                } else {
                    allApplied = fail(http_error::kHeaderNotFound);
                }
                continue;
            }
            if (value.empty() && (modifiers & kAdd) == 0) {
                // Replacing with nothing removes the header.
                request->headers.erase(request->headers.begin() +
                                       (existing - request->headers.data()));
            } else {
                existing->value = value;
            }
        } else if ((modifiers & (kCoalesceComma | kCoalesceSemicolon)) != 0 &&
                   existing != nullptr) {
            existing->value += (modifiers & kCoalesceComma) != 0 ? ", " : "; ";
            existing->value += value;
        } else {
            request->headers.push_back({std::string(name), value});
        }
    }
    if (!anyLine) {
        return fail(http_error::kInvalidParameter);
    }
    return allApplied;
}

bool setIntegerOption(HttpHandle handle, std::uint32_t option, const void* value,
                      std::uint32_t size) {
    using namespace http_option;
    if (!handles().exists(handle)) {
        return fail(http_error::kInvalidHandle);
    }
    if (option != kDisableFeature && option != kSecurityFlags) {
        return fail(http_error::kInvalidOption);
    }
    if (value == nullptr || size != sizeof(std::uint32_t)) {
        return fail(http_error::kInvalidParameter);
    }
    auto request = lookUp<Request>(handle);
    if (!request) {
        return false;
    }
    std::uint32_t number = 0;
    std::memcpy(&number, value, sizeof number);
    if (option == kDisableFeature) {
        if (number == 0 ||
            (number & ~(kDisableCookies | kDisableRedirects | kDisableKeepAlive)) != 0) {
            return fail(http_error::kInvalidParameter);
        }
        request->disabledFeatures |= number;
        return true;
    }
    const std::uint32_t known =
        kIgnoreUnknownCa | kIgnoreWrongUsage | kIgnoreCommonNameInvalid | kIgnoreDateInvalid;
    if ((number & ~known) != 0) {
        return fail(http_error::kInvalidParameter);
    }
    request->securityFlags = number;
    return true;
}

bool setTextOption(HttpHandle handle, std::uint32_t option, std::u16string_view value) {
    if (!handles().exists(handle)) {
        return fail(http_error::kInvalidHandle);
    }
    if (option != http_option::kProxyUsername && option != http_option::kProxyPassword) {
        return fail(http_error::kInvalidOption);
    }
    auto request = lookUp<Request>(handle);
    if (!request) {
        return false;
    }
    if (option == http_option::kProxyUsername) {
        request->proxyUser = utf8Of(value);
    } else {
        request->proxyPassword = utf8Of(value);
    }
    return true;
}

bool setCredentials(HttpHandle requestHandle, int target, int scheme, std::u16string_view user,
                    std::u16string_view password) {
    auto request = lookUp<Request>(requestHandle);
    if (!request) {
        return false;
    }
    long curlScheme;
    switch (scheme) {
        case 1:
            curlScheme = CURLAUTH_BASIC;
            break;
        case 2:
            curlScheme = CURLAUTH_NTLM;
            break;
        case 8:
            curlScheme = CURLAUTH_DIGEST;
            break;
        case 16:
            curlScheme = CURLAUTH_NEGOTIATE;
            break;
        default:
            return fail(http_error::kInvalidParameter);
    }
    if (target != 0 && target != 1) {
        return fail(http_error::kInvalidParameter);
    }
    Request::Credentials credentials{utf8Of(user), utf8Of(password), curlScheme};
    (target == 0 ? request->serverCredentials : request->proxyCredentials) = std::move(credentials);
    return true;
}

bool sendRequest(HttpHandle requestHandle, const void* body, std::size_t length) {
    auto request = lookUp<Request>(requestHandle);
    if (!request) {
        return false;
    }
    if (!startTransfer(*request, body, length)) {
        request->endTransfer();
        return false;
    }
    Request& r = *request;
    // Sent once connected and the body has gone out (or a response is already here).
    return drive(r, [&r] {
        return r.headersComplete ||
               (r.connected && static_cast<std::size_t>(r.uploaded) >= r.bodyLength);
    });
}

bool receiveResponse(HttpHandle requestHandle) {
    auto request = lookUp<Request>(requestHandle);
    if (!request) {
        return false;
    }
    Request& r = *request;
    if (r.easy == nullptr) {
        return fail(http_error::kIncorrectHandleState);
    }
    if (!drive(r, [&r] { return r.headersComplete; })) {
        return false;
    }
    if (!r.headersComplete) {
        return fail(http_error::kInvalidServerResponse);
    }
    return true;
}

std::optional<std::u16string> queryHeaders(HttpHandle requestHandle, int infoLevel) {
    auto request = lookUp<Request>(requestHandle);
    if (!request) {
        return std::nullopt;
    }
    if (!request->headersComplete) {
        fail(http_error::kIncorrectHandleState);
        return std::nullopt;
    }
    const std::string& block = request->finalBlock;
    const std::size_t lineEnd = std::min(block.find("\r\n"), block.size());
    const std::string_view statusLine(block.data(), lineEnd);
    // "HTTP/1.1 200 OK": the code after the first blank, the reason phrase after the second.
    const std::size_t firstBlank = statusLine.find(' ');
    std::string_view code;
    std::string_view reason;
    if (firstBlank != std::string_view::npos) {
        std::string_view rest = statusLine.substr(firstBlank + 1);
        const std::size_t secondBlank = rest.find(' ');
        code = rest.substr(0, secondBlank);
        if (secondBlank != std::string_view::npos) {
            reason = rest.substr(secondBlank + 1);
        }
    }
    switch (infoLevel) {
        case http_query::kStatusCode:
            if (code.empty()) {
                fail(http_error::kHeaderNotFound);
                return std::nullopt;
            }
            return widenHeaderBytes(code);
        case http_query::kStatusText:
            return widenHeaderBytes(reason);
        case http_query::kRawHeadersCrlf:
            if (block.empty()) {
                fail(http_error::kHeaderNotFound);
                return std::nullopt;
            }
            return widenHeaderBytes(block);
        default:
            fail(http_error::kInvalidParameter);
            return std::nullopt;
    }
}

bool queryDataAvailable(HttpHandle requestHandle, std::size_t& available) {
    available = 0;
    auto request = lookUp<Request>(requestHandle);
    if (!request) {
        return false;
    }
    Request& r = *request;
    if (r.easy == nullptr || !r.headersComplete) {
        return fail(http_error::kIncorrectHandleState);
    }
    if (r.pendingSize() == 0 && r.paused && !r.done) {
        // The reader has drained the last chunk: let the transfer go on. Resuming may hand over
        // the chunk libcurl kept back at once.
        r.pending.clear();
        r.pendingOffset = 0;
        r.paused = false;
        r.lastProgress = Clock::now();
        curl_easy_pause(r.easy, CURLPAUSE_CONT);
    }
    if (!drive(r, [&r] { return r.pendingSize() > 0; })) {
        return false;
    }
    available = r.pendingSize();
    return true;
}

bool readData(HttpHandle requestHandle, void* buffer, std::size_t capacity, std::size_t& read) {
    read = 0;
    std::size_t available = 0;
    if (!queryDataAvailable(requestHandle, available)) {
        return false;
    }
    if (available == 0 || capacity == 0) {
        return true;
    }
    auto request = lookUp<Request>(requestHandle);
    Request& r = *request;
    read = std::min(capacity, available);
    std::memcpy(buffer, r.pending.data() + r.pendingOffset, read);
    r.pendingOffset += read;
    return true;
}

void closeHandle(HttpHandle handle) {
    // The object goes once its last user lets go: a request keeps its connection and session.
    std::optional<Object> object = handles().remove(handle);
    object.reset();
}

void abortAllTransfers() {
    abortGeneration.fetch_add(1);
    std::lock_guard lock(liveMultisMutex());
    for (CURLM* multi : liveMultis()) {
        curl_multi_wakeup(multi);
    }
}

}  // namespace zentara

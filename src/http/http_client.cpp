// HttpClient: the object, its session and the request cycle open -> send -> read.

#include "http/http_client.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "http/header_block.h"
#include "http/wide_text.h"

namespace zentara {

namespace {

constexpr std::size_t kInitialReceiveCapacity = 10240;
constexpr std::size_t kSmallGrowth = 10240;
constexpr std::size_t kLargeGrowth = 1048576;
constexpr std::size_t kFirstCapacityCap = 1048576;
// bytesRead and contentLength are 32-bit: a body never grows past this.
constexpr std::size_t kLargestBody = std::numeric_limits<std::int32_t>::max();

constexpr std::uint32_t kSecurityFlagsIgnored =
    http_option::kIgnoreUnknownCa | http_option::kIgnoreWrongUsage |
    http_option::kIgnoreCommonNameInvalid | http_option::kIgnoreDateInvalid;

bool isRetryable(std::uint32_t error) {
    return error == http_error::kCannotConnect || error == http_error::kConnectionError;
}

void setFeatureOff(HttpHandle request, std::uint32_t feature) {
    setIntegerOption(request, http_option::kDisableFeature, &feature, sizeof feature);
}

}  // namespace

HttpClient::HttpClient() {
    create();
    applyDefaults();
}

HttpClient::~HttpClient() {
    close();
}

void HttpClient::abortAll() {
    abortAllTransfers();
}

void HttpClient::create(const std::optional<Text>& userAgent) {
    if (session_ != 0 || receiveBuffer_ != nullptr) {
        close();  // a second create would otherwise leak the open session and buffer
    }
    const std::u16string agent = wideOf(userAgent ? *userAgent : Text(DEFAULT_USER_AGENT));
    session_ = openSession(agent);
    receiveBuffer_ = static_cast<std::uint8_t*>(std::malloc(kInitialReceiveCapacity));
    receiveCapacity_ = receiveBuffer_ != nullptr ? kInitialReceiveCapacity : 0;
}

void HttpClient::close() {
    for (Handle* handle : {&request_, &connection_, &session_}) {
        if (*handle != 0) {
            closeHandle(*handle);
        }
        *handle = 0;
    }
    std::free(receiveBuffer_);
    receiveBuffer_ = nullptr;
    receiveCapacity_ = 0;
    bytesRead_ = 0;
    contentLength_ = 0;
    port_ = 0;
    redirectsDisabled_ = false;
    proxyCredentialsPending_ = false;
    responseHeaders_.clear();
    proxyUser_.clear();
    proxyPassword_.clear();
    host_.clear();
    url_.clear();
}

void HttpClient::applyDefaults() {
    defaultHeadersEnabled_ = true;
    cookieMode_ = 0;
    ignoreCertErrors_ = true;
    cookieText_ = "; ";
    zentara::setTimeouts(session_, DEFAULT_RESOLVE_TIMEOUT, DEFAULT_CONNECT_TIMEOUT,
                         DEFAULT_SEND_TIMEOUT, DEFAULT_RECEIVE_TIMEOUT);
}

void HttpClient::reset(const std::optional<Text>& userAgent) {
    close();
    create(userAgent);
    applyDefaults();
}

bool HttpClient::setTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
    if (session_ == 0) {
        return false;
    }
    return zentara::setTimeouts(session_, resolveMs, connectMs, sendMs, receiveMs);
}

bool HttpClient::open(const Text& url) {
    return open(Text(), url);
}

bool HttpClient::open(const Text& method, const Text& url) {
    if (session_ == 0) {
        return false;
    }
    url_ = url;
    const Text lowered = toLowerAscii(leftOf(url_, 8));
    if (url_.size() < 8 || (lowered != "https://" && leftOf(lowered, 7) != "http://")) {
        url_ = "http://" + url_;
    }

    const std::optional<UrlParts> parts = crackUrl(wideOf(url_));
    // Dropping the previous request here keeps a later send or read from acting on the previous
    // URL's response while `url` already names the new one.
    bytesRead_ = 0;
    contentLength_ = 0;
    responseHeaders_.clear();
    if (request_ != 0) {
        closeHandle(request_);
        request_ = 0;
    }
    if (!parts) {
        return false;
    }

    const Text hostText = textOf(parts->host);
    if (connection_ == 0 || hostText != host_ || parts->port != port_) {
        if (connection_ != 0) {
            closeHandle(connection_);
        }
        connection_ = connectTo(session_, parts->host, parts->port);
        if (connection_ == 0) {
            return false;
        }
        host_ = hostText;
        port_ = parts->port;
    }

    Text verb = "GET";
    if (!method.empty()) {
        verb = toUpperAscii(method);
        if (defaultHeadersEnabled_) {
            isPost_ = verb == "POST";
        }
    }

    // A URL without a path ("http://host?q=1") asks for "/" and keeps its query.
    const std::u16string objectPath =
        parts->path.empty() ? u"/" + parts->extra : parts->path + parts->extra;
    scheme_ = parts->scheme;
    request_ = openRequest(connection_, wideOf(verb), objectPath, scheme_ == kSchemeHttps);
    return request_ != 0;
}

bool HttpClient::send(const Text& body, bool keepCookies, int retries) {
    return sendBody(body.data(), body.size(), keepCookies, retries);
}

bool HttpClient::sendBytes(const Bytes& body, bool keepCookies, int retries) {
    return sendBody(body.data(), body.size(), keepCookies, retries);
}

bool HttpClient::sendBody(const void* body, std::size_t length, bool keepCookies, int retries) {
    if (request_ == 0) {
        return false;
    }
    applyRequestOptions();
    if (defaultHeadersEnabled_) {
        addDefaultHeaders(length > 0);
    }
    bool received = false;
    for (int attempt = 0; attempt <= retries && !received; ++attempt) {
        if (sendRequest(request_, body, length) && receiveResponse(request_)) {
            received = true;
        } else if (!isRetryable(lastHttpError())) {
            return false;
        }
    }
    if (!received) {
        return false;
    }
    captureResponse(keepCookies);
    followRedirect(keepCookies, retries);
    return true;
}

void HttpClient::applyRequestOptions() {
    if (proxyCredentialsPending_) {
        setTextOption(request_, http_option::kProxyUsername, wideOf(proxyUser_));
        setTextOption(request_, http_option::kProxyPassword, wideOf(proxyPassword_));
        proxyCredentialsPending_ = false;
        proxyUser_.clear();
        proxyPassword_.clear();
    }
    if (redirectsDisabled_ || cookieMode_ > 0) {
        setFeatureOff(request_, http_option::kDisableRedirects);
    }
    if (ignoreCertErrors_) {
        const std::uint32_t flags = kSecurityFlagsIgnored;
        setIntegerOption(request_, http_option::kSecurityFlags, &flags, sizeof flags);
        ignoreCertErrors_ = false;
    }
    if (cookieMode_ != 0) {
        setFeatureOff(request_, http_option::kDisableCookies);
        if (cookieMode_ == 1) {
            addCookieHeaderFromText();
        } else if (cookieMode_ == 2) {
            addCookieHeaderFromStore();
        }
    }
}

void HttpClient::addDefaultHeaders(bool hasBody) {
    addHeaderText("Accept:*/*", ADD_IF_NEW);
    addHeaderText("Accept-Language:zh-cn", ADD_IF_NEW);
    addHeaderText("Cache-Control:no-cache", ADD_IF_NEW);
    if (isPost_ || hasBody) {
        addHeaderText("Content-Type:application/x-www-form-urlencoded", ADD_IF_NEW);
    }
}

bool HttpClient::captureResponse(bool keepCookies) {
    const std::optional<std::u16string> raw = queryHeaders(request_, http_query::kRawHeadersCrlf);
    if (!raw || raw->empty()) {
        contentLength_ = -1;
        return false;
    }
    responseHeaders_ = textOf(*raw);

    // Only a header line counts: "Content-Length:" inside another header is not the length.
    static constexpr std::string_view kContentLength = "Content-Length";
    const int position = findHeaderLine(responseHeaders_, kContentLength);
    contentLength_ =
        position == -1
            ? -1
            : leadingDecimal(headerLineValue(responseHeaders_, position, kContentLength, false));

    if (cookieMode_ == 1) {
        mergeSetCookies(keepCookies);
    } else if (cookieMode_ == 2) {
        storeSetCookies(keepCookies);
    }
    return true;
}

bool HttpClient::resizeReceiveBuffer(std::size_t capacity) {
    void* resized = std::realloc(receiveBuffer_, std::max<std::size_t>(capacity, 1));
    if (resized == nullptr) {
        return false;  // the old block stays as it was
    }
    receiveBuffer_ = static_cast<std::uint8_t*>(resized);
    receiveCapacity_ = capacity;
    return true;
}

void HttpClient::readBody() {
    const bool lengthKnown = contentLength_ != -1;
    const auto contentLength = static_cast<std::size_t>(std::max(contentLength_, 0));
    std::size_t capacity =
        lengthKnown ? std::min(contentLength, kFirstCapacityCap) : kInitialReceiveCapacity;
    if (!resizeReceiveBuffer(capacity)) {
        return;
    }
    std::size_t total = 0;
    for (;;) {
        std::size_t ready = 0;
        if (!queryDataAvailable(request_, ready) || ready == 0) {
            break;
        }
        const std::size_t need = total + ready;
        if (need > capacity) {
            std::size_t grown;
            if (!lengthKnown || need > contentLength) {
                grown = need + kSmallGrowth;
            } else if (contentLength - need > kLargeGrowth) {
                grown = need + kLargeGrowth;
            } else {
                grown = contentLength;
            }
            // A body that would not fit the 32-bit count ends here, with what was read.
            grown = std::min(grown, kLargestBody);
            if (grown <= total || !resizeReceiveBuffer(grown)) {
                break;
            }
            capacity = grown;
        }
        std::size_t got = 0;
        if (!readData(request_, receiveBuffer_ + total, capacity - total, got) || got == 0) {
            break;
        }
        total += got;
    }
    bytesRead_ = static_cast<std::int32_t>(total);
}

Bytes HttpClient::getResponseBytes() {
    if (request_ == 0 || contentLength_ == 0) {
        return Bytes();
    }
    if (bytesRead_ == 0) {
        readBody();
    }
    return Bytes(receiveBuffer_, receiveBuffer_ + bytesRead_);
}

Text HttpClient::getResponseRawText() {
    const Bytes body = getResponseBytes();
    return untilZero(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
}

Text HttpClient::getResponseText() {
    const Bytes body = getResponseBytes();
    return utf8ToText(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
}

bool HttpClient::addHeaderText(const Text& headerText, std::uint32_t modifiers) {
    return addRequestHeaders(request_, wideOf(headerText), modifiers);
}

void HttpClient::disableTransportCookies() {
    setFeatureOff(request_, http_option::kDisableCookies);
}

}  // namespace zentara

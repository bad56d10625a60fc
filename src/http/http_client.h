#pragma once

// HttpClient: the program's stateful HTTP client. One object holds one session, at most one open
// connection (reused while host and port stay the same) and one current request. Every text that
// crosses its interface is Text (code page 936).
//
// A request cycle: open -> optional header, option and cookie calls -> send (or sendBytes) ->
// response accessors (the body is taken from the transport once, at the first body accessor) ->
// the next open. Nothing throws; failures show only in results (false, 0, empty).
//
// One thread at a time uses an object; callers serialise whole cycles themselves.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/http_transport.h"
#include "text/text.h"

namespace zentara {

class HttpClient {
  public:
    using Handle = HttpHandle;

    static constexpr const char* DEFAULT_USER_AGENT =
        "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";
    static constexpr int DEFAULT_RESOLVE_TIMEOUT = 10000;
    static constexpr int DEFAULT_CONNECT_TIMEOUT = 15000;
    static constexpr int DEFAULT_SEND_TIMEOUT = 120000;
    static constexpr int DEFAULT_RECEIVE_TIMEOUT = 300000;

    // Modifier values of setHeader.
    static constexpr std::uint32_t ADD_IF_NEW = header_flag::kAddIfNew;
    static constexpr std::uint32_t ADD_OR_REPLACE = header_flag::kAddOrReplace;
    static constexpr std::uint32_t REPLACE_ONLY = header_flag::kReplace;

    // Opens the session with the default user agent and applies the defaults.
    HttpClient();
    // close, then the texts go.
    ~HttpClient();

    // A copy would close the same handles twice.
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Ends every transfer of every client that is running right now (the program is ending).
    static void abortAll();

    // ---- Object and request cycle ----

    // Opens the session (userAgent left out: DEFAULT_USER_AGENT; given empty: no agent) and the
    // receive buffer. On an object whose session is still open, the old session is closed first.
    void create(const std::optional<Text>& userAgent = std::nullopt);
    // Closes the handles, frees the receive buffer and clears the response state.
    void close();
    // Default headers on, cookie mode 0, the one-shot certificate leniency, empty cookie list,
    // default time-outs.
    void applyDefaults();
    // close, create, applyDefaults.
    void reset(const std::optional<Text>& userAgent = std::nullopt);

    // Session time-outs in milliseconds for requests opened afterwards. false without a session.
    bool setTimeouts(int resolveMs = DEFAULT_RESOLVE_TIMEOUT,
                     int connectMs = DEFAULT_CONNECT_TIMEOUT, int sendMs = DEFAULT_SEND_TIMEOUT,
                     int receiveMs = DEFAULT_RECEIVE_TIMEOUT);

    // Prepares a request. A URL without "http://" or "https://" gets "http://" in front. An empty
    // method means "GET" and leaves isPost as it was.
    bool open(const Text& method, const Text& url);
    bool open(const Text& url);

    // Sends the request with `body` (its bytes as they are) and receives the response headers.
    // `retries` extra attempts follow a refused or broken connection. Any status counts as success.
    bool send(const Text& body = Text(), bool keepCookies = false, int retries = 0);
    bool sendBytes(const Bytes& body = Bytes(), bool keepCookies = false, int retries = 0);

    // Per-request options just before sending: pending proxy credentials, redirects, certificate
    // leniency, cookies.
    void applyRequestOptions();
    // Accept, Accept-Language, Cache-Control and (POST or a body) Content-Type, each only when the
    // request has no header of that name yet.
    void addDefaultHeaders(bool hasBody);
    // Raw response headers, Content-Length, cookie capture of modes 1 and 2.
    bool captureResponse(bool keepCookies = false);

    // The response body (read from the transport once, then kept).
    Bytes getResponseBytes();
    // The body bytes as Text, unchanged (up to the first zero byte).
    Text getResponseRawText();
    // The body decoded from UTF-8 into code page 936.
    Text getResponseText();

    // ---- Response status and headers ----

    int getStatusCode();
    Text getStatusText();
    Text getResponseHeaders() const;
    // The value of the first header of that name (letter case ignored), leading blanks removed.
    Text getResponseHeader(const Text& headerName) const;
    // The Location header, trimmed; with `absolute` made into a full URL against the request.
    Text getLocation(bool absolute = false) const;

    // ---- Request headers and connection settings ----

    // Get, or (when given) set, the platform handles.
    Handle sessionHandle(std::optional<Handle> handle = std::nullopt);
    Handle connectionHandle(std::optional<Handle> handle = std::nullopt);
    Handle requestHandle(std::optional<Handle> handle = std::nullopt);

    void setDefaultHeadersEnabled(bool enabled = true);
    void setFollowRedirects(bool follow = true);

    // "Name:value" on the current request with the modifiers (default: add or replace).
    bool setHeader(const Text& headerName, const Text& headerValue,
                   std::uint32_t modifiers = ADD_OR_REPLACE);
    bool removeHeader(const Text& headerName);

    // One named header each; a left-out value takes the default (setReferer: the current url).
    bool setUserAgent(const std::optional<Text>& headerValue = std::nullopt);
    bool setReferer(const std::optional<Text>& headerValue = std::nullopt);
    bool setAccept(const std::optional<Text>& headerValue = std::nullopt);
    bool setAcceptLanguage(const std::optional<Text>& headerValue = std::nullopt);
    bool setContentType(const std::optional<Text>& headerValue = std::nullopt);
    bool setRequestedWith();
    // X-Forwarded-For, CLIENT_IP, VIA and REMOTE_ADDR, each with `address`.
    bool setClientAddress(const Text& address);

    // A named proxy for requests opened afterwards (credentials on the open request, or kept for
    // the next send when none is open); an empty server goes back to direct connections.
    bool setProxy(const Text& server = Text(), const Text& user = Text(),
                  const Text& password = Text());
    // Credentials of the current request: target 0 server, 1 proxy; scheme 1 basic, 2 NTLM,
    // 8 digest, 16 negotiate.
    bool setCredentials(const Text& user, const Text& password, int target = 0, int scheme = 1);
    // A raw 32-bit option on the session (handleKind 0), connection (1) or request (2).
    bool setOption(int handleKind, std::uint32_t option, std::int32_t value,
                   std::uint32_t size = 4);

    // ---- Cookies and redirects ----

    // 0 transport cookies, 1 the object's own list, 2 the process-wide cookie store. Out of range:
    // 0.
    void setCookieMode(int mode = 1);
    // Left out: the list as "a=1; b=2". Given: replaces the list, returns the given text.
    Text cookies(const std::optional<Text>& cookieList = std::nullopt);
    Text getCookie(const Text& cookieName, bool withName = false) const;
    bool mergeCookies(const Text& cookieList);
    bool deleteCookies(const Text& names);
    bool setRequestCookies(const Text& cookieList);
    bool storeCookies(const Text& cookieList);
    void mergeSetCookies(bool keepCookies = false);
    void storeSetCookies(bool keepCookies = false);
    bool addCookieHeaderFromText();
    bool addCookieHeaderFromStore();
    Text getSetCookies() const;
    Text getSetCookieValue(const Text& cookieName) const;
    // In cookie modes 1 and 2: follows the response's Location by hand, at most 20 hops.
    void followRedirect(bool keepCookies, int retries);

    // ---- Read-only view of the fields ----

    const Text& url() const { return url_; }
    const Text& host() const { return host_; }
    int port() const { return port_; }
    int scheme() const { return scheme_; }
    bool isPost() const { return isPost_; }
    std::int32_t bytesRead() const { return bytesRead_; }
    std::int32_t contentLength() const { return contentLength_; }
    std::size_t receiveCapacity() const { return receiveCapacity_; }
    bool defaultHeadersEnabled() const { return defaultHeadersEnabled_; }
    int cookieMode() const { return cookieMode_; }
    const Text& cookieText() const { return cookieText_; }
    bool redirectsDisabled() const { return redirectsDisabled_; }
    int redirectCount() const { return redirectCount_; }
    bool proxyCredentialsPending() const { return proxyCredentialsPending_; }
    bool ignoreCertErrors() const { return ignoreCertErrors_; }

  private:
    bool sendBody(const void* body, std::size_t length, bool keepCookies, int retries);
    bool resizeReceiveBuffer(std::size_t capacity);
    void readBody();
    bool addHeaderText(const Text& headerText, std::uint32_t modifiers);
    void disableTransportCookies();

    Handle session_ = 0;
    Handle connection_ = 0;
    Handle request_ = 0;
    Text host_;
    int port_ = 0;
    Text url_;
    int scheme_ = 0;
    bool isPost_ = false;
    std::uint8_t* receiveBuffer_ = nullptr;
    std::size_t receiveCapacity_ = 0;
    std::int32_t bytesRead_ = 0;
    std::int32_t contentLength_ = 0;
    Text responseHeaders_;
    bool defaultHeadersEnabled_ = false;
    int cookieMode_ = 0;
    Text cookieText_;
    bool redirectsDisabled_ = false;
    int redirectCount_ = 0;
    bool proxyCredentialsPending_ = false;
    Text proxyUser_;
    Text proxyPassword_;
    bool ignoreCertErrors_ = false;
};

}  // namespace zentara

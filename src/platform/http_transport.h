#pragma once

// The HTTP service under HttpClient, shaped like the Windows HTTP service: a session (user agent,
// proxy, time-outs, cookie engine), connections per host and port that keep their TCP connection
// alive, and requests with their own header list, options, send, receive and a streamed body.
// Handles are opaque 32-bit numbers, 0 meaning none. Texts cross this interface as UTF-16.
//
// Failures are reported by the result; lastHttpError() then tells the error code of the calling
// thread's last failed operation (the Windows HTTP numbers below, so the retry rule of the client
// reads the same on every platform).
//
// A handle is used by one thread at a time. abortAllTransfers() may be called from any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zentara {

using HttpHandle = std::uint32_t;

// Error codes of lastHttpError().
namespace http_error {
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kTimeout = 12002;
inline constexpr std::uint32_t kInternalError = 12004;
inline constexpr std::uint32_t kInvalidUrl = 12005;
inline constexpr std::uint32_t kUnrecognizedScheme = 12006;
inline constexpr std::uint32_t kNameNotResolved = 12007;
inline constexpr std::uint32_t kInvalidOption = 12009;
inline constexpr std::uint32_t kOperationCancelled = 12017;
inline constexpr std::uint32_t kIncorrectHandleType = 12018;
inline constexpr std::uint32_t kIncorrectHandleState = 12019;
inline constexpr std::uint32_t kCannotConnect = 12029;
inline constexpr std::uint32_t kConnectionError = 12030;
inline constexpr std::uint32_t kHeaderNotFound = 12150;
inline constexpr std::uint32_t kInvalidServerResponse = 12152;
inline constexpr std::uint32_t kHeaderAlreadyExists = 12155;
inline constexpr std::uint32_t kRedirectFailed = 12156;
inline constexpr std::uint32_t kSecureFailure = 12175;
}  // namespace http_error

// Modifier flags of addRequestHeaders.
namespace header_flag {
inline constexpr std::uint32_t kAddIfNew = 0x10000000;       // only when no header of that name
inline constexpr std::uint32_t kAdd = 0x20000000;            // append (with kReplace: or replace)
inline constexpr std::uint32_t kCoalesceComma = 0x40000000;  // join to an existing value with ", "
inline constexpr std::uint32_t kCoalesceSemicolon = 0x01000000;  // join with "; "
inline constexpr std::uint32_t kReplace = 0x80000000;            // replace; an empty value removes
inline constexpr std::uint32_t kAddOrReplace = kAdd | kReplace;
}  // namespace header_flag

// Option numbers understood by setIntegerOption and setTextOption.
namespace http_option {
inline constexpr std::uint32_t kSecurityFlags = 31;      // request: certificate errors to ignore
inline constexpr std::uint32_t kProxy = 38;              // session: see setProxy
inline constexpr std::uint32_t kDisableFeature = 63;     // request: kDisable* bits below
inline constexpr std::uint32_t kProxyUsername = 0x1002;  // request, text
inline constexpr std::uint32_t kProxyPassword = 0x1003;  // request, text

inline constexpr std::uint32_t kDisableCookies = 1;
inline constexpr std::uint32_t kDisableRedirects = 2;
inline constexpr std::uint32_t kDisableKeepAlive = 8;

inline constexpr std::uint32_t kIgnoreUnknownCa = 0x100;
inline constexpr std::uint32_t kIgnoreWrongUsage = 0x200;
inline constexpr std::uint32_t kIgnoreCommonNameInvalid = 0x1000;
inline constexpr std::uint32_t kIgnoreDateInvalid = 0x2000;
}  // namespace http_option

// Information levels of queryHeaders.
namespace http_query {
inline constexpr int kStatusCode = 19;
inline constexpr int kStatusText = 20;
inline constexpr int kRawHeadersCrlf = 22;
}  // namespace http_query

inline constexpr int kSchemeHttp = 1;
inline constexpr int kSchemeHttps = 2;

inline constexpr std::uint32_t kAccessNoProxy = 1;
inline constexpr std::uint32_t kAccessNamedProxy = 3;

// The error code of the calling thread's last failed transport operation.
std::uint32_t lastHttpError();

// Opens a session that goes direct (proxy settings of the environment are not used).
// An empty agent sends no User-Agent header of the session's own.
HttpHandle openSession(std::u16string_view userAgent);

// Resolve, connect, send and receive time-outs in milliseconds for requests opened afterwards.
// 0 or -1 means no limit; any other negative value is refused. Send and receive are idle limits:
// how long the transfer may wait for the next byte to go out or to come in.
bool setTimeouts(HttpHandle session, int resolveMs, int connectMs, int sendMs, int receiveMs);

// Named proxy (kAccessNamedProxy with a list such as "host:port" or "http=host:port;https=...")
// or direct connections (kAccessNoProxy), for requests opened afterwards.
bool setProxy(HttpHandle session, std::uint32_t accessType, std::u16string_view proxyList);

// The parts of an http or https URL. Host and path are copies of the URL's text; `extra` is the
// query and fragment directly behind the path; `port` is the explicit port or the scheme's
// default.
struct UrlParts {
    int scheme = 0;  // kSchemeHttp or kSchemeHttps
    std::u16string host;
    int port = 0;
    std::u16string path;
    std::u16string extra;
};
std::optional<UrlParts> crackUrl(std::u16string_view url);

// A connection to host and port. It opens no socket yet; its requests share one kept-alive TCP
// connection (per scheme), closed with the handle.
HttpHandle connectTo(HttpHandle session, std::u16string_view host, int port);

// A request on `connection`: method and object path (path with query) as given. `secure` sends it
// over TLS.
HttpHandle openRequest(HttpHandle connection, std::u16string_view method,
                       std::u16string_view objectPath, bool secure);

// Adds header lines ("Name:value", several separated by CR LF) with the modifier flags.
bool addRequestHeaders(HttpHandle request, std::u16string_view headers, std::uint32_t modifiers);

// A 32-bit option (kDisableFeature, kSecurityFlags on a request). `size` must be 4.
bool setIntegerOption(HttpHandle handle, std::uint32_t option, const void* value,
                      std::uint32_t size);

// A text option (kProxyUsername, kProxyPassword on a request).
bool setTextOption(HttpHandle handle, std::uint32_t option, std::u16string_view value);

// Credentials for the server (target 0) or the proxy (target 1), with scheme 1 basic, 2 NTLM,
// 8 digest or 16 negotiate.
bool setCredentials(HttpHandle request, int target, int scheme, std::u16string_view user,
                    std::u16string_view password);

// Sends the request with `body` (may be empty). Returns once the request has gone out, or fails
// (kCannotConnect when the connection is refused or unreachable, kConnectionError when it is reset
// or closed). Sending the same request again starts a fresh attempt.
bool sendRequest(HttpHandle request, const void* body, std::size_t length);

// Waits until the headers of the final response have arrived (redirects are followed unless
// disabled; 1xx responses are skipped).
bool receiveResponse(HttpHandle request);

// Status code (19), reason phrase (20) or the raw header block of the final response (22): the
// status line and every header line as received, each ended by CR LF, then an empty line.
std::optional<std::u16string> queryHeaders(HttpHandle request, int infoLevel);

// Body bytes ready to be read, waiting for some when none are; 0 at the end of the body.
bool queryDataAvailable(HttpHandle request, std::size_t& available);

// Reads up to `capacity` body bytes, waiting for some when none are; 0 read at the end.
bool readData(HttpHandle request, void* buffer, std::size_t capacity, std::size_t& read);

// Closes a session, connection or request handle. Closing a connection or session does not close
// the handles opened on it.
void closeHandle(HttpHandle handle);

// Ends every transfer that is running or waiting right now, on any thread; their operations fail
// with kOperationCancelled. Transfers started afterwards run normally.
void abortAllTransfers();

}  // namespace zentara

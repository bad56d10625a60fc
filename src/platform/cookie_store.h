#pragma once

// The process-wide cookie store of HttpClient's cookie mode 2: cookies without expiry, kept in
// memory for the life of the process and written under the URL of a request. A URL reads back the
// cookies written under the same host (letter case ignored) whose path is a prefix of its own path
// at a "/" boundary. Texts are passed through unchanged. Safe to use from any thread.

#include <string>
#include <string_view>

namespace zentara {

// Writes (or overwrites) the cookie `name` for the host and directory of `url`. An empty value is
// kept as an empty value.
void storeCookie(std::string_view url, std::string_view name, std::string_view value);

// The Cookie header value for `url`: "name=value" pairs joined by "; ", longer paths first, then
// in the order written; "" when the store holds none for it.
std::string storedCookieHeader(std::string_view url);

// Forgets every cookie (for tests).
void clearCookieStore();

}  // namespace zentara

#include "platform/cookie_store.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace zentara {

namespace {

struct StoredCookie {
    std::string host;
    std::string path;
    std::string name;
    std::string value;
};

struct CookieStore {
    std::mutex mutex;
    std::vector<StoredCookie> cookies;  // in the order first written
};

// Kept for the whole process, so that a late worker never finds it destroyed.
CookieStore& store() {
    static auto* cookieStore = new CookieStore;
    return *cookieStore;
}

struct UrlPlace {
    std::string host;  // lower-case, without user, password and port
    std::string path;  // "/" at least, without query and fragment
};

UrlPlace placeOf(std::string_view url) {
    UrlPlace place;
    std::size_t start = url.find("://");
    start = start == std::string_view::npos ? 0 : start + 3;
    std::size_t authorityEnd = url.find_first_of("/?#", start);
    if (authorityEnd == std::string_view::npos) {
        authorityEnd = url.size();
    }
    std::string_view authority = url.substr(start, authorityEnd - start);
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    const std::size_t portColon = authority.rfind(':');
    if (portColon != std::string_view::npos &&
        authority.find(']', portColon) == std::string_view::npos) {
        authority = authority.substr(0, portColon);
    }
    place.host.assign(authority);
    std::transform(place.host.begin(), place.host.end(), place.host.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    std::string_view rest = url.substr(authorityEnd);
    rest = rest.substr(0, rest.find_first_of("?#"));
    place.path = rest.empty() ? std::string("/") : std::string(rest);
    return place;
}

// The directory a cookie written for `path` belongs to: up to its last "/" (that "/" left out
// unless it is the first).
std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

bool pathMatches(const std::string& requestPath, const std::string& cookiePath) {
    if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) {
        return false;
    }
    return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
           requestPath[cookiePath.size()] == '/';
}

}  // namespace

void storeCookie(std::string_view url, std::string_view name, std::string_view value) {
    UrlPlace place = placeOf(url);
    std::string path = directoryOf(place.path);
    auto& cookieStore = store();
    std::lock_guard lock(cookieStore.mutex);
    for (auto& cookie : cookieStore.cookies) {
        if (cookie.host == place.host && cookie.path == path && cookie.name == name) {
            cookie.value.assign(value);
            return;
        }
    }
    cookieStore.cookies.push_back(
        {std::move(place.host), std::move(path), std::string(name), std::string(value)});
}

std::string storedCookieHeader(std::string_view url) {
    const UrlPlace place = placeOf(url);
    auto& cookieStore = store();
    std::lock_guard lock(cookieStore.mutex);
    std::vector<const StoredCookie*> matching;
    for (const auto& cookie : cookieStore.cookies) {
        if (cookie.host == place.host && pathMatches(place.path, cookie.path)) {
            matching.push_back(&cookie);
        }
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const StoredCookie* a, const StoredCookie* b) {
                         return a->path.size() > b->path.size();
                     });
    std::string header;
    for (const StoredCookie* cookie : matching) {
        if (!header.empty()) {
            header += "; ";
        }
        header += cookie->name;
        header += '=';
        header += cookie->value;
    }
    return header;
}

void clearCookieStore() {
    auto& cookieStore = store();
    std::lock_guard lock(cookieStore.mutex);
    cookieStore.cookies.clear();
}

}  // namespace zentara

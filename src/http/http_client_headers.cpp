// HttpClient: request headers, handles and connection settings of the next request.

#include "http/http_client.h"
#include "http/wide_text.h"

namespace zentara {

HttpClient::Handle HttpClient::sessionHandle(std::optional<Handle> handle) {
    if (handle) {
        session_ = *handle;
    }
    return session_;
}

HttpClient::Handle HttpClient::connectionHandle(std::optional<Handle> handle) {
    if (handle) {
        connection_ = *handle;
    }
    return connection_;
}

HttpClient::Handle HttpClient::requestHandle(std::optional<Handle> handle) {
    if (handle) {
        request_ = *handle;
    }
    return request_;
}

void HttpClient::setDefaultHeadersEnabled(bool enabled) {
    defaultHeadersEnabled_ = enabled;
}

void HttpClient::setFollowRedirects(bool follow) {
    redirectsDisabled_ = !follow;
}

bool HttpClient::setHeader(const Text& headerName, const Text& headerValue,
                           std::uint32_t modifiers) {
    if (request_ == 0 || headerName.empty()) {
        return false;
    }
    if (cookieMode_ == 0 && toLowerAscii(headerName) == "cookie") {
        // The caller's Cookie header is then the only one: the transport adds none of its own.
        disableTransportCookies();
    }
    return addHeaderText(headerName + ":" + headerValue, modifiers);
}

bool HttpClient::removeHeader(const Text& headerName) {
    if (request_ == 0 || headerName.empty()) {
        return false;
    }
    if (cookieMode_ == 0 && toLowerAscii(headerName) == "cookie") {
        disableTransportCookies();
    }
    return addHeaderText(headerName + ":", REPLACE_ONLY);
}

bool HttpClient::setUserAgent(const std::optional<Text>& headerValue) {
    return setHeader("User-Agent", headerValue.value_or(DEFAULT_USER_AGENT));
}

bool HttpClient::setReferer(const std::optional<Text>& headerValue) {
    return setHeader("Referer", headerValue.value_or(url_));
}

bool HttpClient::setAccept(const std::optional<Text>& headerValue) {
    return setHeader("Accept", headerValue.value_or("*/*"));
}

bool HttpClient::setAcceptLanguage(const std::optional<Text>& headerValue) {
    return setHeader("Accept-Language", headerValue.value_or("zh-cn"));
}

bool HttpClient::setContentType(const std::optional<Text>& headerValue) {
    return setHeader("Content-Type", headerValue.value_or("application/x-www-form-urlencoded"));
}

bool HttpClient::setRequestedWith() {
    return setHeader("x-requested-with", "XMLHttpRequest");
}

bool HttpClient::setClientAddress(const Text& address) {
    if (request_ == 0) {
        return false;
    }
    return addHeaderText("X-Forwarded-For:" + address + "\r\nCLIENT_IP:" + address +
                             "\r\nVIA:" + address + "\r\nREMOTE_ADDR:" + address,
                         ADD_OR_REPLACE);
}

bool HttpClient::setProxy(const Text& server, const Text& user, const Text& password) {
    if (session_ == 0) {
        return false;
    }
    if (server.empty()) {
        return zentara::setProxy(session_, kAccessNoProxy, u"");
    }
    if (request_ != 0) {
        setTextOption(request_, http_option::kProxyUsername, wideOf(user));
        setTextOption(request_, http_option::kProxyPassword, wideOf(password));
    } else {
        proxyCredentialsPending_ = true;
        proxyUser_ = user;
        proxyPassword_ = password;
    }
    return zentara::setProxy(session_, kAccessNamedProxy, wideOf(server));
}

bool HttpClient::setCredentials(const Text& user, const Text& password, int target, int scheme) {
    if (request_ == 0) {
        return false;
    }
    return zentara::setCredentials(request_, target, scheme, wideOf(user), wideOf(password));
}

bool HttpClient::setOption(int handleKind, std::uint32_t option, std::int32_t value,
                           std::uint32_t size) {
    const Handle handle = handleKind == 1 ? connection_ : handleKind == 2 ? request_ : session_;
    if (handle == 0) {
        return false;
    }
    return setIntegerOption(handle, option, &value, size);
}

}  // namespace zentara

#include "platform/http_url.h"

#include <cctype>

namespace zentara {

namespace {

bool startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Decimal port of 1..65535; an empty text means the scheme's default (returned as 0).
std::optional<int> parsePort(std::u16string_view digits) {
    if (digits.empty()) {
        return 0;
    }
    if (digits.size() > 5) {
        return std::nullopt;
    }
    int port = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        port = port * 10 + (c - u'0');
    }
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

}  // namespace

std::optional<UrlParts> crackUrl(std::u16string_view url) {
    UrlParts parts;
    std::size_t rest;
    if (startsWithIgnoreCase(url, u"http://")) {
        parts.scheme = kSchemeHttp;
        rest = 7;
    } else if (startsWithIgnoreCase(url, u"https://")) {
        parts.scheme = kSchemeHttps;
        rest = 8;
    } else {
        return std::nullopt;
    }

    // Authority: up to the first "/", "?" or "#".
    std::size_t authorityEnd = url.find_first_of(u"/?#", rest);
    if (authorityEnd == std::u16string_view::npos) {
        authorityEnd = url.size();
    }
    std::u16string_view authority = url.substr(rest, authorityEnd - rest);
    // User name and password in front of the host are not part of the host.
    if (std::size_t at = authority.rfind(u'@'); at != std::u16string_view::npos) {
        authority.remove_prefix(at + 1);
    }

    std::u16string_view hostPart = authority;
    std::u16string_view portText;
    if (!authority.empty() && authority.front() == u'[') {
        // IPv6 literal: the brackets stay part of the host.
        std::size_t close = authority.find(u']');
        if (close == std::u16string_view::npos) {
            return std::nullopt;
        }
        hostPart = authority.substr(0, close + 1);
        std::u16string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != u':') {
                return std::nullopt;
            }
            portText = after.substr(1);
        }
    } else if (std::size_t colon = authority.find(u':'); colon != std::u16string_view::npos) {
        hostPart = authority.substr(0, colon);
        portText = authority.substr(colon + 1);
    }
    if (hostPart.empty()) {
        return std::nullopt;
    }
    std::optional<int> port = parsePort(portText);
    if (!port) {
        return std::nullopt;
    }
    parts.host.assign(hostPart);
    parts.port = *port != 0 ? *port : (parts.scheme == kSchemeHttps ? 443 : 80);

    std::u16string_view tail = url.substr(authorityEnd);
    std::size_t extraStart = tail.find_first_of(u"?#");
    if (extraStart == std::u16string_view::npos) {
        extraStart = tail.size();
    }
    parts.path.assign(tail.substr(0, extraStart));
    parts.extra.assign(tail.substr(extraStart));
    return parts;
}

std::string escapeUrlBytes(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(utf8.size());
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace zentara

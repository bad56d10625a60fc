// HttpClient: the three cookie modes, the object's cookie list and following redirects by hand.
//
// The cookie list is "; " followed by one "name=value; " entry per cookie; the key of a cookie is
// "; " + name + "=". A response's cookie segment is the text behind "Set-Cookie:" through the
// first ";" of its line (leading blanks removed); a line without ";" ends its segment at the line
// end, and the segment is then closed with ";" so that every segment reads alike.

#include <vector>

#include "http/http_client.h"
#include "platform/cookie_store.h"

namespace zentara {

namespace {

constexpr int kMostRedirectHops = 20;

Text withoutLeadingBlanks(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
        ++start;
    }
    return Text(text.substr(start));
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool isDeletionMarker(std::string_view segment) {
    return endsWith(segment, "=deleted;") || endsWith(segment, "=DELETED;") ||
           endsWith(segment, "=Deleted;");
}

// The text from `start` (0-based) through the first ";" of its line, or up to the line end with
// ";" added; nullopt when the block ends first.
std::optional<Text> segmentFrom(std::string_view headers, std::size_t start) {
    const std::size_t semicolon = headers.find(';', start);
    const std::size_t lineEnd = headers.find("\r\n", start);
    if (semicolon != std::string_view::npos &&
        (lineEnd == std::string_view::npos || semicolon < lineEnd)) {
        return Text(headers.substr(start, semicolon + 1 - start));
    }
    if (lineEnd == std::string_view::npos) {
        return std::nullopt;
    }
    return Text(headers.substr(start, lineEnd - start)) + ";";
}

// Every cookie segment of a raw header block, in header order. Only a header line counts.
std::vector<Text> cookieSegments(std::string_view headers) {
    static constexpr std::string_view kSetCookie = "\r\nSet-Cookie:";
    std::vector<Text> segments;
    int position = findText(headers, kSetCookie, 1, true);
    while (position != -1) {
        const std::size_t start = static_cast<std::size_t>(position - 1) + kSetCookie.size();
        std::optional<Text> segment = segmentFrom(headers, start);
        if (!segment) {
            break;
        }
        const std::size_t next = start + segment->size();
        segments.push_back(withoutLeadingBlanks(*segment));
        position = findText(headers, kSetCookie, static_cast<int>(next) + 1, true);
    }
    return segments;
}

}  // namespace

void HttpClient::setCookieMode(int mode) {
    cookieMode_ = (mode >= 0 && mode <= 2) ? mode : 0;
}

Text HttpClient::cookies(const std::optional<Text>& cookieList) {
    if (!cookieList) {
        if (cookieText_.size() <= 4) {
            return Text();
        }
        return cookieText_.substr(2, cookieText_.size() - 4);
    }
    const Text& given = *cookieList;
    Text list = given;
    if (list.substr(0, 2) != "; ") {
        list.insert(0, "; ");
    }
    if (!endsWith(list, "; ")) {
        // A text ending in blanks gets them replaced by the separator, so the closing "; " of
        // its last entry can be found again.
        while (!list.empty() && list.back() == ' ') {
            list.pop_back();
        }
        list += list.back() == ';' ? " " : "; ";
    }
    cookieText_ = list;
    return given;
}

Text HttpClient::getCookie(const Text& cookieName, bool withName) const {
    if (cookieName.empty()) {
        return Text();
    }
    const int key = findText(cookieText_, "; " + cookieName + "=", 1, false);
    if (key == -1) {
        return Text();
    }
    const int start = key + 2;
    const int end = findText(cookieText_, ";", start + static_cast<int>(cookieName.size()), false);
    if (end == -1) {
        return Text();
    }
    if (withName) {
        return midOf(cookieText_, start, end - start);
    }
    const int valueStart = start + static_cast<int>(cookieName.size()) + 1;
    return midOf(cookieText_, valueStart, end - valueStart);
}

bool HttpClient::mergeCookies(const Text& cookieList) {
    if (cookieList.empty()) {
        return false;
    }
    bool changed = false;
    for (const Text& rawPart : splitText(cookieList, ";")) {
        const Text part = withoutLeadingBlanks(rawPart);
        const std::size_t equals = part.find('=');
        if (equals == Text::npos) {
            continue;
        }
        const Text key = "; " + part.substr(0, equals + 1);
        const int position = findText(cookieText_, key, 1, false);
        if (position == -1) {
            cookieText_ += part + "; ";
            changed = true;
            continue;
        }
        const int entryEnd =
            findText(cookieText_, "; ", position + static_cast<int>(key.size()), false);
        if (entryEnd == -1) {
            continue;
        }
        const auto nameStart = static_cast<std::size_t>(position + 1);  // 0-based
        cookieText_.replace(nameStart, static_cast<std::size_t>(entryEnd - 1) - nameStart, part);
        changed = true;
    }
    return changed;
}

bool HttpClient::deleteCookies(const Text& names) {
    if (names.empty()) {
        return false;
    }
    bool removed = false;
    for (const Text& rawPart : splitText(names, ";")) {
        const Text part = withoutLeadingBlanks(rawPart);
        const Text name = part.substr(0, part.find('='));
        const Text key = "; " + name + "=";
        const int position = findText(cookieText_, key, 1, false);
        if (position == -1) {
            continue;
        }
        const int entryEnd =
            findText(cookieText_, "; ", position + static_cast<int>(key.size()), false);
        if (entryEnd == -1) {
            continue;
        }
        cookieText_.erase(static_cast<std::size_t>(position - 1),
                          static_cast<std::size_t>(entryEnd - position));
        removed = true;
    }
    return removed;
}

bool HttpClient::setRequestCookies(const Text& cookieList) {
    if (cookieMode_ == 1) {
        return mergeCookies(cookieList);
    }
    if (cookieMode_ == 2) {
        return storeCookies(cookieList);
    }
    if (request_ == 0) {
        return false;
    }
    disableTransportCookies();
    return setHeader("Cookie", cookieList);
}

bool HttpClient::storeCookies(const Text& cookieList) {
    if (cookieList.empty()) {
        return false;
    }
    bool stored = false;
    for (const Text& rawPart : splitText(cookieList, ";")) {
        const Text part = withoutLeadingBlanks(rawPart);
        const std::size_t equals = part.find('=');
        if (equals == Text::npos) {
            continue;
        }
        storeCookie(url_, part.substr(0, equals), part.substr(equals + 1));
        stored = true;
    }
    return stored;
}

void HttpClient::mergeSetCookies(bool keepCookies) {
    for (const Text& segment : cookieSegments(responseHeaders_)) {
        const std::size_t equals = segment.find('=');
        if (equals == Text::npos) {
            continue;
        }
        const Text nameAndEquals = segment.substr(0, equals + 1);
        const int key = findText(cookieText_, "; " + nameAndEquals, 1, false);
        const bool deletion = isDeletionMarker(segment);
        if (key == -1) {
            if (!deletion) {
                cookieText_ += segment + " ";
            }
            continue;
        }
        if (keepCookies && segment.size() == nameAndEquals.size() + 1) {
            continue;  // an empty value leaves the known cookie as it is
        }
        const int nameStart = key + 2;
        const int entryEnd =
            findText(cookieText_, "; ", nameStart + static_cast<int>(nameAndEquals.size()), false);
        if (entryEnd == -1) {
            continue;
        }
        if (deletion) {
            if (!keepCookies) {
                // From the blank before the name through the entry's ";".
                cookieText_.erase(static_cast<std::size_t>(key),
                                  static_cast<std::size_t>(entryEnd - key));
            }
            continue;
        }
        cookieText_.replace(static_cast<std::size_t>(nameStart - 1),
                            static_cast<std::size_t>(entryEnd - nameStart + 1), segment);
    }
}

void HttpClient::storeSetCookies(bool keepCookies) {
    for (const Text& segment : cookieSegments(responseHeaders_)) {
        const std::size_t equals = segment.find('=');
        if (equals == Text::npos) {
            continue;
        }
        const Text name = segment.substr(0, equals);
        if (isDeletionMarker(segment)) {
            if (!keepCookies) {
                storeCookie(url_, name, "");
            }
            continue;
        }
        const Text value = segment.substr(equals + 1, segment.size() - equals - 2);
        if (keepCookies && withoutLeadingBlanks(value).empty()) {
            continue;
        }
        storeCookie(url_, name, value);
    }
}

bool HttpClient::addCookieHeaderFromText() {
    const Text list =
        cookieText_.size() > 4 ? cookieText_.substr(2, cookieText_.size() - 4) : Text();
    return addHeaderText("Cookie:" + list, ADD_OR_REPLACE);
}

bool HttpClient::addCookieHeaderFromStore() {
    const Text stored = storedCookieHeader(url_);
    if (stored.empty()) {
        return false;
    }
    return addHeaderText("Cookie:" + stored, ADD_OR_REPLACE);
}

Text HttpClient::getSetCookies() const {
    if (responseHeaders_.empty()) {
        return Text();
    }
    Text collected;
    for (const Text& segment : cookieSegments(responseHeaders_)) {
        if (!isDeletionMarker(segment)) {
            collected += segment + " ";
        }
    }
    if (!collected.empty()) {
        collected.resize(collected.size() - 2);
    }
    return collected;
}

Text HttpClient::getSetCookieValue(const Text& cookieName) const {
    if (responseHeaders_.empty()) {
        return Text();
    }
    for (const char* prefix : {"\r\nSet-Cookie: ", "\r\nSet-Cookie:"}) {
        const Text sought = prefix + cookieName + "=";
        const int found = findText(responseHeaders_, sought, 1, true);
        if (found == -1) {
            continue;
        }
        const std::optional<Text> rest =
            segmentFrom(responseHeaders_, static_cast<std::size_t>(found - 1) + sought.size());
        if (rest) {
            return rest->substr(0, rest->size() - 1);
        }
    }
    return Text();
}

void HttpClient::followRedirect(bool keepCookies, int retries) {
    if (cookieMode_ == 0 || redirectsDisabled_) {
        return;
    }
    const Text target = getLocation(true);
    if (target.empty()) {
        redirectCount_ = 0;
        return;
    }
    if (++redirectCount_ > kMostRedirectHops) {
        redirectCount_ = 0;
        return;
    }
    open(target);
    send(Text(), keepCookies, retries);
}

}  // namespace zentara

#include "sample_sites.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "catalogue.h"
#include "detail_page.h"
#include "qr_image.h"
#include "search_answer.h"

namespace zentara::sample {

namespace {

const std::string htmlType = "text/html; charset=utf-8";

std::string pathOf(const std::string& target) {
    return target.substr(0, target.find('?'));
}

std::string escapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

Reply htmlPage(const std::string& title, const std::string& body) {
    return {200, htmlType,
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + escapeHtml(title) +
                "</title></head>\n<body><h1>" + escapeHtml(title) + "</h1>\n" + body +
                "\n</body></html>\n"};
}

Reply notFound() {
    return {404, htmlType, "<html><body>404 Not Found</body></html>\n"};
}

const char* siteName(int site) {
    static const char* const names[] = {"OK资源网",  "33UU资源网", "永久资源网", "极速云资源网",
                                        "131资源网", "最大资源网", "最快资源网", "酷酷资源网"};
    return names[site];
}

// "/?m=vod-detail-id-123.html" -> 123; -1 when the target is no detail page.
long long detailId(const std::string& target) {
    static const std::string prefix = "/?m=vod-detail-id-";
    if (target.rfind(prefix, 0) != 0) {
        return -1;
    }
    std::size_t at = prefix.size();
    long long id = 0;
    bool digits = false;
    while (at < target.size() && std::isdigit(static_cast<unsigned char>(target[at]))) {
        id = id * 10 + (target[at] - '0');
        digits = true;
        ++at;
        if (id > 1'000'000'000'000LL) {
            return -1;
        }
    }
    return digits && target.compare(at, std::string::npos, ".html") == 0 ? id : -1;
}

std::optional<Reply> answerAs(const Service& service, const std::string& origin,
                              const std::string& manifest, const std::string& target) {
    const std::string path = pathOf(target);
    switch (service.role) {
        case Role::manifest:
            if (path == "/video/data.json") {
                return Reply{200, "application/json; charset=utf-8", manifest};
            }
            if (path.rfind("/download/", 0) == 0) {
                return htmlPage("Zentara download", "<p>The sample server has no download.</p>");
            }
            return std::nullopt;
        case Role::qr: {
            if (path != "/api.php") {
                return std::nullopt;
            }
            const std::string png = qrPng(queryValue(target, "text"));
            if (png.empty()) {
                return Reply{400, "text/plain; charset=utf-8", "no text to encode\n"};
            }
            return Reply{200, "image/png", png};
        }
        case Role::search:
            if (path == searchPath(service.index)) {
                return Reply{200, "text/xml; charset=utf-8",
                             searchAnswer(service.index, queryValue(target, "wd"))};
            }
            return std::nullopt;
        case Role::detail: {
            const long long id = detailId(target);
            if (id >= 0) {
                const CatalogueTitle* title = findTitle(id);
                if (title == nullptr) {
                    return notFound();
                }
                return Reply{200, htmlType, detailPage(service.index, *title, origin)};
            }
            if (path.rfind("/share/", 0) == 0) {
                return htmlPage("在线播放", "<p>" + escapeHtml(origin + target) + "</p>");
            }
            if (path.rfind("/m3u8/", 0) == 0) {
                return Reply{200, "application/vnd.apple.mpegurl",
                             "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n"
                             "#EXTINF:10.0,\nsegment0.ts\n#EXT-X-ENDLIST\n"};
            }
            return std::nullopt;
        }
        case Role::home:
            if (path == "/" && target.find("m=") == std::string::npos) {
                return htmlPage(
                    siteName(service.index),
                    "<p>Sample catalogue site " + std::to_string(service.index + 1) + ".</p>");
            }
            return std::nullopt;
        case Role::play: {
            const std::string query =
                target.find('?') == std::string::npos ? "" : target.substr(target.find('?') + 1);
            return htmlPage("M3U8接口" + std::to_string(service.index + 1),
                            "<p>Playing: " + escapeHtml(percentDecode(query)) + "</p>");
        }
    }
    return std::nullopt;
}

}  // namespace

std::string defaultManifest(const std::string& manifestOrigin) {
    return "{\"video\":[{\"ver\":\"1.0\",\"notice\":\"Zentara 1.0 is the current version.<br>"
           "This manifest comes from the sample catalogue server.\",\"download\":\"" +
           manifestOrigin + "/download/zentara-1.0.zip\"}]}\n";
}

Reply SampleSites::answer(const std::string& origin, const std::vector<Service>& services,
                          const std::string& method, const std::string& target) const {
    if (method != "GET" && method != "POST" && method != "HEAD") {
        return {405, "text/plain; charset=utf-8", "method not allowed\n"};
    }
    for (const Service& service : services) {
        if (std::optional<Reply> reply = answerAs(service, origin, manifest_, target)) {
            return *reply;
        }
    }
    return notFound();
}

std::string percentDecode(const std::string& text) {
    auto hexValue = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string queryValue(const std::string& target, const std::string& key) {
    const std::size_t question = target.find('?');
    if (question == std::string::npos) {
        return {};
    }
    const std::string query = target.substr(question + 1);
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string parameter = query.substr(start, end - start);
        if (parameter.rfind(key + "=", 0) == 0) {
            return percentDecode(parameter.substr(key.size() + 1));
        }
        start = end + 1;
    }
    return {};
}

}  // namespace zentara::sample

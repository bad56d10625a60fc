// HttpClient: status and headers of the last response.

#include <algorithm>
#include <string_view>

#include "http/header_block.h"
#include "http/http_client.h"
#include "http/wide_text.h"

namespace zentara {

int HttpClient::getStatusCode() {
    if (request_ == 0) {
        return 0;
    }
    const std::optional<std::u16string> code = queryHeaders(request_, http_query::kStatusCode);
    return code ? leadingDecimal(textOf(*code)) : 0;
}

Text HttpClient::getStatusText() {
    if (request_ == 0) {
        return Text();
    }
    const std::optional<std::u16string> text = queryHeaders(request_, http_query::kStatusText);
    return text ? textOf(*text) : Text();
}

Text HttpClient::getResponseHeaders() const {
    return responseHeaders_;
}

Text HttpClient::getResponseHeader(const Text& headerName) const {
    if (responseHeaders_.empty()) {
        return Text();
    }
    const int position = findHeaderLine(responseHeaders_, headerName);
    if (position == -1) {
        return Text();
    }
    return trimStart(headerLineValue(responseHeaders_, position, headerName, true));
}

Text HttpClient::getLocation(bool absolute) const {
    if (responseHeaders_.empty()) {
        return Text();
    }
    // Only a header line counts: "Content-Location:" ahead of it is another header.
    static constexpr std::string_view kLocation = "Location";
    const int position = findHeaderLine(responseHeaders_, kLocation);
    if (position == -1) {
        return Text();
    }
    Text value = trimBoth(headerLineValue(responseHeaders_, position, kLocation, true));
    if (value.empty() || !absolute) {
        return value;
    }
    if (value.front() == '/') {
        return (scheme_ == kSchemeHttps ? "https://" : "http://") + host_ + ":" + toText(port_) +
               value;
    }
    const Text lowered = toLowerAscii(leftOf(value, 8));
    if (leftOf(lowered, 7) == "http://" || lowered == "https://") {
        return value;
    }
    // Relative: against the directory of the URL's path. The "//" of the scheme and any "/" in
    // the query are not path separators, so a URL without a path gets "/" + value.
    const std::size_t schemeEnd = url_.find("://");
    const std::size_t pathFrom = schemeEnd == Text::npos ? 0 : schemeEnd + 3;
    const std::size_t pathEnd = std::min(url_.find_first_of("?#", pathFrom), url_.size());
    const std::size_t lastSlash = std::string_view(url_).substr(0, pathEnd).rfind('/');
    if (lastSlash == std::string_view::npos || lastSlash < pathFrom) {
        return url_.substr(0, pathEnd) + "/" + value;
    }
    return url_.substr(0, lastSlash + 1) + value;
}

}  // namespace zentara

#include "http/header_block.h"

#include <algorithm>
#include <limits>

namespace zentara {

int findHeaderLine(std::string_view block, std::string_view headerName) {
    if (headerName.empty()) {
        return -1;
    }
    Text sought = "\r\n";
    sought.append(headerName);
    sought += ':';
    const int found = findText(block, sought, 1, true);
    return found == -1 ? -1 : found + 2;
}

Text headerLineValue(std::string_view block, int position, std::string_view headerName,
                     bool openLineIsEmpty) {
    const std::size_t valueStart = static_cast<std::size_t>(position - 1) + headerName.size() + 1;
    if (position < 1 || valueStart > block.size()) {
        return Text();
    }
    std::string_view rest = block.substr(valueStart);
    const std::size_t end = rest.find("\r\n");
    if (end == std::string_view::npos && openLineIsEmpty) {
        return Text();
    }
    return Text(rest.substr(0, end));
}

std::int32_t leadingDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(kLargest, value * 10 + (text[i] - '0'));
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace zentara

#include "text/text.h"

#include "text/character_search.h"

#include <algorithm>
#include <cstring>

namespace zentara {

namespace {

bool isAsciiUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}
bool isAsciiLower(unsigned char c) {
    return c >= 'a' && c <= 'z';
}
unsigned char foldAscii(unsigned char c) {
    return isAsciiUpper(c) ? c + ('a' - 'A') : c;
}

bool isFullWidthSpace(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && static_cast<unsigned char>(text[i]) == 0xA1 &&
           static_cast<unsigned char>(text[i + 1]) == 0xA1;
}

constexpr std::size_t npos = std::string_view::npos;

}  // namespace

std::string_view beforeFirstZero(std::string_view bytes) {
    return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

Text untilZero(std::string_view bytes) {
    return Text(beforeFirstZero(bytes));
}

int findText(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
    std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (from >= text.size()) {
        return -1;
    }
    if (sought.empty()) {
        return 1;
    }
    std::size_t at = findAtCharacterBoundary(text, sought, from, ignoreCase);
    return at == npos ? -1 : static_cast<int>(at) + 1;
}

int findTextFromEnd(std::string_view text, std::string_view sought, std::optional<int> start,
                    bool ignoreCase) {
    if (start && *start <= 1) {
        return -1;
    }
    std::size_t limit = text.size();
    if (start) {
        limit = std::min(limit, static_cast<std::size_t>(*start) - 1);
    }
    if (sought.empty() || sought.size() > limit) {
        return -1;
    }
    // Walk forward over whole characters so that a match never begins on a trail byte.
    std::string_view within = text.substr(0, limit);
    int last = -1;
    for (std::size_t at = findAtCharacterBoundary(within, sought, 0, ignoreCase); at != npos;
         at = findAtCharacterBoundary(within, sought, at + gbkCharLength(within, at), ignoreCase)) {
        last = static_cast<int>(at) + 1;
    }
    return last;
}

Text leftOf(std::string_view text, int n) {
    if (n <= 0) {
        return {};
    }
    return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text rightOf(std::string_view text, int n) {
    if (n <= 0) {
        return {};
    }
    std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
    return Text(text.substr(text.size() - count));
}

Text midOf(std::string_view text, int start, int n) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0) {
        return {};
    }
    return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

TextList splitText(std::string_view text, std::string_view separator, std::optional<int> count) {
    TextList parts;
    std::size_t limit = count ? static_cast<std::size_t>(std::max(*count, 0)) : SIZE_MAX;
    if (text.empty() || limit == 0) {
        return parts;
    }
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    std::size_t begin = 0;
    while (begin < text.size() && parts.size() < limit) {
        std::size_t at = findAtCharacterBoundary(text, separator, begin, false);
        if (at == npos) {
            parts.emplace_back(text.substr(begin));
            break;
        }
        parts.emplace_back(text.substr(begin, at - begin));
        begin = at + separator.size();
    }
    return parts;
}

Text replaceText(std::string_view text, std::string_view sought, std::string_view replacement,
                 int start, std::optional<int> count, bool caseSensitive) {
    std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (text.empty() || sought.empty() || from >= text.size() || (count && *count <= 0)) {
        return Text(text);
    }
    int remaining = count.value_or(-1);
    Text result;
    result.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t at = findAtCharacterBoundary(text, sought, from, !caseSensitive);
         at != npos && remaining != 0;
         at = findAtCharacterBoundary(text, sought, copied, !caseSensitive)) {
        result.append(text.substr(copied, at - copied));
        result.append(replacement);
        copied = at + sought.size();
        if (remaining > 0) {
            --remaining;
        }
    }
    result.append(text.substr(copied));
    return result;
}

namespace {

// Index of the first character that is neither a space nor a full-width space.
std::size_t leadingBlankEnd(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
        } else if (isFullWidthSpace(text, i)) {
            i += 2;
        } else {
            break;
        }
    }
    return i;
}

}  // namespace

Text trimStart(std::string_view text) {
    return Text(text.substr(leadingBlankEnd(text)));
}

Text trimBoth(std::string_view text) {
    std::size_t begin = leadingBlankEnd(text);
    // Walk forward over whole characters: stepping backwards cannot tell a full-width space from
    // the trail byte of another character followed by A1.
    std::size_t end = begin;
    for (std::size_t i = begin; i < text.size();) {
        bool blank = text[i] == ' ' || isFullWidthSpace(text, i);
        std::size_t length = gbkCharLength(text, i);
        i += length;
        if (!blank) {
            end = i;
        }
    }
    return Text(text.substr(begin, end - begin));
}

std::int32_t toInteger(std::string_view text) {
    // Fold full-width ASCII (A3 A1 .. A3 FE) and the full-width space to ASCII first.
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = gbkCharLength(text, i);
        auto lead = static_cast<unsigned char>(text[i]);
        if (length == 2) {
            auto trail = static_cast<unsigned char>(text[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                folded.push_back(static_cast<char>(trail - 0x80));
            } else if (lead == 0xA1 && trail == 0xA1) {
                folded.push_back(' ');
            } else {
                folded.append(text.substr(i, 2));
            }
        } else {
            folded.push_back(text[i]);
        }
        i += length;
    }
    std::size_t i = 0;
    while (i < folded.size() && folded[i] != '\0' && std::strchr(" \t\r\n\v\f", folded[i])) {
        ++i;
    }
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
        negative = folded[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(folded[i] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<std::int32_t>(value);
}

Text toText(long long value) {
    return std::to_string(value);
}

namespace {

// Applies `change` to the single-byte characters only: the trail byte of a double-byte character
// may lie in the ASCII letter range and must stay as it is.
template <typename Change>
Text mapSingleByteCharacters(std::string_view text, Change change) {
    Text result(text);
    for (std::size_t i = 0; i < result.size(); i += gbkCharLength(result, i)) {
        if (static_cast<unsigned char>(result[i]) < 0x80) {
            result[i] = static_cast<char>(change(static_cast<unsigned char>(result[i])));
        }
    }
    return result;
}

}  // namespace

Text toUpperAscii(std::string_view text) {
    return mapSingleByteCharacters(text, [](unsigned char c) {
        return isAsciiLower(c) ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
    });
}

Text toLowerAscii(std::string_view text) {
    return mapSingleByteCharacters(text, foldAscii);
}

Text blankText(int n) {
    return n > 0 ? Text(static_cast<std::size_t>(n), ' ') : Text();
}

Text blankBytes(int n) {
    return n > 0 ? Text(static_cast<std::size_t>(n), '\0') : Text();
}

}  // namespace zentara

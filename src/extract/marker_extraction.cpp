#include "extract/marker_extraction.h"

#include <algorithm>

#include "extract/quote_placeholder.h"
#include "platform/regex_engine.h"
#include "platform/run_time.h"
#include "platform/wide_subject.h"
#include "text/character_search.h"

namespace zentara {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// 0-based index where a 1-based start position begins (0 or 1 both mean the first byte).
std::size_t startIndex(int startPosition) {
    return startPosition <= 1 ? 0 : static_cast<std::size_t>(startPosition) - 1;
}

// A marker made only of literal characters, escaped metacharacters and ".": its pattern fragment
// has a fixed length and no alternation, anchor or group of its own.
bool isPlainMarker(std::string_view marker) {
    return marker.find_first_of("\\|^$") == npos;
}

}  // namespace

Text extractBetween(std::string_view text, std::string_view leftMarker,
                    std::string_view rightMarker, int startPosition, bool ignoreCase) {
    const Text left = convertQuotePlaceholders(leftMarker);
    const Text right = convertQuotePlaceholders(rightMarker);
    std::size_t leftAt = findAtCharacterBoundary(text, left, startIndex(startPosition), ignoreCase);
    if (leftAt == npos) {
        return {};
    }
    std::size_t begin = leftAt + left.size();
    std::size_t rightAt = findAtCharacterBoundary(text, right, begin, ignoreCase);
    if (rightAt == npos) {
        return {};
    }
    return Text(text.substr(begin, rightAt - begin));
}

int extractAllBySearch(std::string_view text, std::string_view leftMarker,
                       std::string_view rightMarker, TextList& results, bool caseSensitive,
                       int maxLength, std::string_view prefix, std::string_view suffix,
                       bool includeLeft, bool includeRight, int startPosition) {
    results.clear();
    // An empty marker would be found again and again at the same place.
    if (leftMarker.empty() || rightMarker.empty()) {
        return 0;
    }
    const bool ignoreCase = !caseSensitive;
    std::size_t from = startIndex(startPosition);
    while (true) {
        std::size_t leftAt = findAtCharacterBoundary(text, leftMarker, from, ignoreCase);
        if (leftAt == npos) {
            break;
        }
        std::size_t begin = leftAt + leftMarker.size();
        std::size_t rightAt = findAtCharacterBoundary(text, rightMarker, begin, ignoreCase);
        if (rightAt == npos) {
            break;
        }
        from = begin;
        Text item;
        item.append(prefix);
        item.append(trimBoth(text.substr(begin, rightAt - begin)));
        item.append(suffix);
        if (!item.empty()) {
            if (includeLeft) {
                item.insert(0, leftMarker);
            }
            if (includeRight) {
                item.append(rightMarker);
            }
            if (maxLength != 0) {
                if (static_cast<long long>(item.size()) < maxLength) {
                    results.push_back(std::move(item));
                }
                processPendingEvents();
            } else {
                results.push_back(std::move(item));
            }
            // The right marker may serve as the next pair's left marker.
            from = rightAt;
        }
        for (int i = 0; i < 3; ++i) {
            processPendingEvents();
        }
    }
    return static_cast<int>(results.size());
}

int extractAllByPattern(std::string_view text, std::string_view leftMarker,
                        std::string_view rightMarker, TextList& results, bool /*caseSensitive*/,
                        int maxLength, std::string_view prefix, std::string_view suffix,
                        bool includeLeft, bool includeRight) {
    results.clear();
    const Text rightPattern = escapePattern(rightMarker);
    const Text pattern = escapePattern(leftMarker) + "([\\s\\S]*?)" + rightPattern;
    RegexOptions options;
    options.ignoreCase = true;
    options.multiline = true;
    auto regex = CompiledRegex::compile(decodeGbk(pattern), options);
    if (!regex || regex->groupCount() < 1) {
        return 0;
    }
    const WideSubject subject(text);
    std::u16string_view units = subject.units();
    // No match can end after the last right marker. Cutting the subject there keeps a page with
    // many left markers and no right marker after them linear: otherwise every one of those left
    // markers would send the lazy group to the end of the page.
    bool cutShort = false;
    if (!rightMarker.empty() && isPlainMarker(leftMarker) && isPlainMarker(rightMarker)) {
        auto right = CompiledRegex::compile(decodeGbk(rightPattern), options);
        if (right) {
            std::size_t end = right->lastMatchEnd(units);
            if (end == npos) {
                return 0;
            }
            cutShort = end < units.size();
            units = units.substr(0, end);
        }
    }
    const RegexMatches matches = regex->search(units, true, 0, cutShort);
    results.reserve(matches.size());
    for (std::size_t m = 0; m < matches.size(); ++m) {
        const UnitSpan& group = matches.span(m, 1);
        std::string_view groupBytes =
            group.matched ? subject.bytesOf(group.begin, group.end) : std::string_view();
        if (maxLength != 0 && static_cast<long long>(groupBytes.size()) > maxLength) {
            continue;
        }
        Text item;
        item.reserve((includeLeft ? leftMarker.size() : 0) + prefix.size() + groupBytes.size() +
                     suffix.size() + (includeRight ? rightMarker.size() : 0));
        if (includeLeft) {
            item.append(leftMarker);
        }
        item.append(prefix);
        item.append(groupBytes);
        item.append(suffix);
        if (includeRight) {
            item.append(rightMarker);
        }
        results.push_back(std::move(item));
    }
    return static_cast<int>(results.size());
}

Text escapePattern(std::string_view marker) {
    Text escaped = replaceMany(marker, std::nullopt, 1, false, "?", "\\?", "*", "\\*", "+", "\\+",
                               "[", "\\[", "]", "\\]");
    escaped = replaceMany(escaped, std::nullopt, 1, false, "(", "\\(", ")", "\\)", "{", "\\{", "}",
                          "\\}", quotePlaceholder(), "\"");
    return replaceText(escaped, "\r\n", "\\n", 1, std::nullopt, true);
}

Text replaceMany(std::string_view text, std::optional<int> count, int startPosition,
                 bool caseSensitive, std::string_view find1, std::string_view replacement1,
                 std::string_view find2, std::string_view replacement2, std::string_view find3,
                 std::string_view replacement3, std::string_view find4,
                 std::string_view replacement4, std::string_view find5,
                 std::string_view replacement5) {
    const int start = startPosition == 0 ? 1 : startPosition;
    const std::string_view finds[] = {find1, find2, find3, find4, find5};
    const std::string_view replacements[] = {replacement1, replacement2, replacement3, replacement4,
                                             replacement5};
    Text result(text);
    for (std::size_t pass = 0; pass < 5; ++pass) {
        if (!finds[pass].empty()) {
            result =
                replaceText(result, finds[pass], replacements[pass], start, count, caseSensitive);
        }
    }
    return result;
}

}  // namespace zentara

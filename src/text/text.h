#pragma once

// Text: a byte string in code page 936 (GBK), and the primitives every subsystem cuts pages with.
// Positions are 1-based byte positions; a failed search gives -1. A GBK character is one byte
// below 0x80, or a lead byte of 0x80 or more together with the byte after it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentara {

using Text = std::string;
using TextList = std::vector<Text>;
using Bytes = std::vector<std::uint8_t>;

// The text up to its first zero byte (a Text ends there wherever it crosses a C boundary).
Text untilZero(std::string_view bytes);
std::string_view beforeFirstZero(std::string_view bytes);

// Byte count of the character starting at index i (0-based): 1, or 2 for a lead byte that has a
// byte after it. A lone lead byte at the very end counts as 1, so no scan reads past the end.
inline std::size_t gbkCharLength(std::string_view text, std::size_t i) {
    return (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
}

// First occurrence of `sought` that begins at or after `start`, at a character boundary.
// start <= 1 searches from the beginning; a start past the end gives -1. An empty `sought` gives
// 1 when the searched part is not empty. `ignoreCase` folds ASCII letters only.
int findText(std::string_view text, std::string_view sought, int start = 1,
             bool ignoreCase = false);

// Last occurrence lying wholly within the first start - 1 bytes (the whole text when start is not
// given); a start of 1 or less gives -1.
int findTextFromEnd(std::string_view text, std::string_view sought,
                    std::optional<int> start = std::nullopt, bool ignoreCase = false);

Text leftOf(std::string_view text, int n);
Text rightOf(std::string_view text, int n);
Text midOf(std::string_view text, int start, int n);

// Parts between separators; a trailing separator adds no part, the empty text gives none.
// An empty separator gives the whole text. `count` caps the parts made (negative counts as 0).
TextList splitText(std::string_view text, std::string_view separator = ",",
                   std::optional<int> count = std::nullopt);

// Replaces occurrences from `start` on, left to right without overlap, at most `count` times
// (all when not given). ASCII letters match regardless of case unless `caseSensitive`.
Text replaceText(std::string_view text, std::string_view sought, std::string_view replacement,
                 int start = 1, std::optional<int> count = std::nullopt,
                 bool caseSensitive = false);

// Remove spaces (0x20) and full-width spaces (A1 A1) only; tabs, CR and LF stay.
Text trimBoth(std::string_view text);
Text trimStart(std::string_view text);

// Full-width ASCII folded first, leading white space skipped, optional sign, digits; wraps in
// 32 bits; no digits give 0.
std::int32_t toInteger(std::string_view text);
Text toText(long long value);

Text toUpperAscii(std::string_view text);
Text toLowerAscii(std::string_view text);

Text blankText(int n);
Text blankBytes(int n);

}  // namespace zentara

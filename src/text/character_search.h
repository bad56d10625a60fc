#pragma once

// Finding a marker in a long page at GBK character boundaries. Same rule as findText (a match
// never begins on the trail byte of a double-byte character; with ignoreCase only single-byte
// ASCII letters fold), but it skips to candidate bytes with memchr and walks ASCII runs eight
// bytes at a time, which keeps cutting a large page close to the speed of a plain byte search.

#include <cstddef>
#include <string_view>

namespace zentara {

// 0-based index of the first occurrence of `sought` at or after `from` (taken as a character
// boundary), or npos. Like findText, an empty `sought` is found at the first byte (index 0)
// whenever any byte remains from `from` on.
std::size_t findMarker(std::string_view text, std::string_view sought, std::size_t from,
                       bool ignoreCase);

}  // namespace zentara

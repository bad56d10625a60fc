#pragma once

// The one search under findText, splitText, replaceText and the marker cutters: a match never
// begins on the trail byte of a double-byte GBK character, and with ignoreCase only single-byte
// ASCII letters fold. It skips to candidate bytes with memchr and walks ASCII runs eight bytes at
// a time, which keeps cutting a large page close to the speed of a plain byte search.

#include <cstddef>
#include <string_view>

namespace zentara {

// 0-based index of the first occurrence of `sought` at or after `from` (taken as a character
// boundary), or npos. An empty `sought` is found at the first byte (index 0) whenever any byte
// remains from `from` on.
std::size_t findAtCharacterBoundary(std::string_view text, std::string_view sought,
                                    std::size_t from, bool ignoreCase);

}  // namespace zentara

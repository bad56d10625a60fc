#pragma once

// Reading a raw response header block (status line, header lines each ended by CR LF, an empty
// line at the end) the way every accessor of HttpClient reads it.

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace zentara {

// 1-based position of the first header line whose name is `headerName` (letter case ignored), or
// -1. Only a line start counts, so a name inside another header's value or name never matches.
int findHeaderLine(std::string_view block, std::string_view headerName);

// The text behind "Name:" of the header at `position` up to the next CR LF. When no CR LF follows,
// the rest of the block, or the empty text when `openLineIsEmpty`.
Text headerLineValue(std::string_view block, int position, std::string_view headerName,
                     bool openLineIsEmpty);

// Leading blanks skipped, then decimal digits up to the first other character; no digits give 0.
// A value too large for 32 bits stays at the largest 32-bit value.
std::int32_t leadingDecimal(std::string_view text);

}  // namespace zentara

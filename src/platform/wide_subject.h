#pragma once

// A GBK text together with its UTF-16 form, for the regular-expression engine. The engine matches
// on UTF-16 units; this type maps every unit offset back to the byte offset of the character it
// came from, so matches are reported as exact byte ranges of the original text (no round trip
// through the code page, which would turn undecodable bytes into "?").
//
// Decoding gives the same units as toWide(): one unit per GBK character, U+FFFD for a byte that
// starts no character (which is then skipped on its own).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace zentara {

class WideSubject {
  public:
    WideSubject() = default;
    explicit WideSubject(std::string_view text);

    std::string_view bytes() const { return bytes_; }
    std::u16string_view units() const { return units_; }

    // Byte offset of the character at `unitOffset`; units().size() maps to bytes().size().
    std::size_t byteOffset(std::size_t unitOffset) const;

    // The original bytes of the units [unitBegin, unitEnd).
    std::string_view bytesOf(std::size_t unitBegin, std::size_t unitEnd) const;

  private:
    Text bytes_;
    std::u16string units_;
    // Byte offset of every 64th unit, so that mapping an offset walks at most 63 characters.
    std::vector<std::size_t> checkpoints_;
};

// The UTF-16 form of a GBK text alone, when no offsets are needed.
std::u16string decodeGbk(std::string_view text);

}  // namespace zentara

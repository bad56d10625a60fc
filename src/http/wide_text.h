#pragma once

// The client's crossings between Text and UTF-16. Texts of plain ASCII (URLs, header lines, most
// header blocks) are the same characters in code page 936 and in UTF-16, so they are widened and
// narrowed directly; anything else goes through the code-page converter.

#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "text/text.h"

namespace zentara {

inline bool isPlainAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

inline std::u16string wideOf(std::string_view text) {
    if (!isPlainAscii(text)) {
        return toWide(text);
    }
    return std::u16string(text.begin(), text.end());
}

inline Text textOf(std::u16string_view units) {
    for (char16_t unit : units) {
        if (unit >= 0x80) {
            return fromWide(units);
        }
    }
    Text text;
    text.reserve(units.size());
    for (char16_t unit : units) {
        if (unit == 0) {
            break;  // a Text ends at the first zero unit
        }
        text += static_cast<char>(unit);
    }
    return text;
}

}  // namespace zentara

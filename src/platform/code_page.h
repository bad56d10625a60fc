#pragma once

// Conversions between Text (code page 936), UTF-16 and UTF-8. Nothing is reported as an error:
// undecodable input becomes U+FFFD, characters code page 936 lacks become "?".

#include <string>
#include <string_view>

#include "text/text.h"

namespace zentara {

// Text -> UTF-16 (code page 936). The unit count is the result's size(); c_str() adds the zero.
std::u16string toWide(std::string_view text);

// UTF-16 -> Text (code page 936); the text ends at the first zero unit.
Text fromWide(std::u16string_view units);

// UTF-8 bytes -> Text. Empty input, or input of which no character decodes, gives "".
Text utf8ToText(std::string_view bytes);

// Text -> UTF-8 (for the window layer and the wire).
std::string textToUtf8(std::string_view text);

// UTF-8 -> UTF-16.
std::u16string utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::u16string_view units);

// A UTF-8 source literal as a GBK Text. Call sites keep the result in a static constant, so each
// literal is converted once: `static const Text kCaption = gbk("在线");`
Text gbk(std::string_view utf8Literal);

}  // namespace zentara

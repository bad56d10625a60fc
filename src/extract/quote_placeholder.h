#pragma once

// The quote placeholder: in marker and pattern texts the four characters "#引号" stand for one
// double-quote character, so that markers containing quotes can be written without quoting
// trouble.

#include <string_view>

#include "text/text.h"

namespace zentara {

// The placeholder as GBK bytes.
const Text& quotePlaceholder();

// Every placeholder (exact comparison) turned into '"'.
Text convertQuotePlaceholders(std::string_view text);

}  // namespace zentara

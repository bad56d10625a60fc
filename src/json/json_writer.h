#pragma once

// Writing a JsonValue as compact JSON text (UTF-8), the way a script language's JSON.stringify
// writes it: no white space, numbers in the script form, control characters and a few invisible
// code points as \u escapes. Characters that code page 936 cannot hold are written as \u escapes
// too, so the text survives the conversion to Text unchanged in meaning.

#include <string>

#include "json/json_root.h"

namespace zentara {

std::string writeJson(const JsonValue& value);

}  // namespace zentara

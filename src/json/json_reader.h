#pragma once

// Reading a JSON text into a JsonValue: exactly one JSON value with optional white space around
// it, nothing else (no comments, no script expressions). All numbers become doubles. A duplicate
// member keeps its first place and takes the last value, as a script engine does.

#include <cstddef>
#include <optional>
#include <string_view>

#include "json/json_root.h"

namespace zentara {

struct ParsedJson {
    JsonValue value;
    std::size_t depth = 0;  // nesting of the value: 0 for a scalar, 1 for [] or {}, ...
};

// Parses UTF-8 JSON. Nesting deeper than `maxDepth` fails like a syntax error.
std::optional<ParsedJson> readJson(std::string_view utf8, std::size_t maxDepth = kMaxJsonDepth);

}  // namespace zentara

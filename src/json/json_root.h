#pragma once

// The value a JsonDocument holds. Internally every string is UTF-8 and every number a double;
// member order is kept. An absent root (after loading the empty text) is an empty optional, which
// differs from a root that holds null.

#include <cstddef>
#include <optional>

#include <nlohmann/json.hpp>

namespace zentara {

using JsonValue = nlohmann::ordered_json;

// Deepest nesting a document accepts, counted from its root. Deeper JSON texts are refused, so
// every walk over a stored value (copy, writing, text forms) stays well within the stack.
inline constexpr std::size_t kMaxJsonDepth = 512;

struct JsonRoot {
    std::optional<JsonValue> value = JsonValue::object();
};

}  // namespace zentara

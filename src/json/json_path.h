#pragma once

// Path texts of a JsonDocument ("video[0].ver"): member names joined by dots and 0-based
// element indexes in brackets, joined to the root in one of three ways.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_root.h"

namespace zentara {

enum class PathJoin {
    Dot,                 // the path must begin with a member name
    BracketAware,        // a path may also begin with "["; the empty path names nothing
    RootWhenEmpty,       // the empty path is the root, otherwise as Dot
    RootOrBracketAware,  // the empty path is the root, otherwise as BracketAware
};

struct PathStep {
    bool isIndex = false;
    std::string name;         // member name in UTF-8 (when not an index)
    std::uint64_t index = 0;  // element index (when an index); saturates on huge digit runs
};

using JsonPath = std::vector<PathStep>;

// Splits a GBK path text into steps. No value when the joined expression is not a path:
// an empty name ("a..b", "a."), a name that begins with a digit, a bracket that does not hold
// decimal digits, a leading "[" where the join wants a name, anything else after a step, or
// more steps than a document can nest.
std::optional<JsonPath> parsePath(std::string_view path, PathJoin join);

// The value the path names, or null when it names nothing (an absent root, a missing member,
// an index outside the array, a step into a value that is neither an object nor an array).
// An index step into an object reads the member of that decimal name, as a script does.
const JsonValue* findValue(const std::optional<JsonValue>& root, const JsonPath& path);
JsonValue* findValue(std::optional<JsonValue>& root, const JsonPath& path);

// Largest run of null elements a write past the end of an array may add before the new one.
inline constexpr std::uint64_t kMaxIndexGap = 1u << 20;

// The place a write to `path` goes: the existing value, or a new null value added where the
// parent can take it (a new member of an object, or an element at or past the end of an array,
// the gap filled with nulls). No place when the parent is missing or holds a scalar, when a name
// steps into an array, or when the index lies too far past the end. The empty path is the root.
JsonValue* placeForWrite(std::optional<JsonValue>& root, const JsonPath& path);

}  // namespace zentara

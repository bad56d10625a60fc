#include "json/json_path.h"

#include <limits>
#include <type_traits>

#include "platform/code_page.h"

namespace zentara {

namespace {

constexpr std::uint64_t kHugeIndex = std::numeric_limits<std::uint64_t>::max() / 16;

bool isNameByte(unsigned char byte, bool first) {
    if (byte >= 0x80) {
        return true;  // a character of the code page: names may hold Chinese
    }
    if (byte == '_' || byte == '$' || (byte >= 'A' && byte <= 'Z') ||
        (byte >= 'a' && byte <= 'z')) {
        return true;
    }
    return !first && byte >= '0' && byte <= '9';
}

std::string nameToUtf8(std::string_view name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return textToUtf8(name);
        }
    }
    return std::string(name);
}

// Reads a name at `pos`, stepping over whole GBK characters so that a trail byte equal to "[",
// "]" or "." never ends it.
bool readName(std::string_view path, std::size_t& pos, JsonPath& steps) {
    std::size_t start = pos;
    while (pos < path.size() && isNameByte(static_cast<unsigned char>(path[pos]), pos == start)) {
        pos += gbkCharLength(path, pos);
    }
    if (pos == start) {
        return false;
    }
    PathStep step;
    step.name = nameToUtf8(path.substr(start, pos - start));
    steps.push_back(std::move(step));
    return true;
}

// Reads "[digits]" at `pos` (which holds the "[").
bool readIndex(std::string_view path, std::size_t& pos, JsonPath& steps) {
    std::size_t digitsStart = ++pos;
    std::uint64_t index = 0;
    while (pos < path.size() && path[pos] >= '0' && path[pos] <= '9') {
        index = index < kHugeIndex ? index * 10 + static_cast<std::uint64_t>(path[pos] - '0')
                                   : kHugeIndex;
        ++pos;
    }
    if (pos == digitsStart || pos >= path.size() || path[pos] != ']') {
        return false;
    }
    ++pos;
    PathStep step;
    step.isIndex = true;
    step.index = index;
    steps.push_back(std::move(step));
    return true;
}

std::string indexName(std::uint64_t index) {
    return std::to_string(index);
}

template <typename Value>
Value* memberOf(Value& object, const std::string& name) {
    auto& members = object.template get_ref<std::conditional_t<
        std::is_const_v<Value>, const JsonValue::object_t&, JsonValue::object_t&>>();
    for (auto& member : members) {
        if (member.first == name) {
            return &member.second;
        }
    }
    return nullptr;
}

template <typename Value>
Value* childOf(Value& parent, const PathStep& step) {
    if (parent.is_object()) {
        return memberOf(parent, step.isIndex ? indexName(step.index) : step.name);
    }
    if (parent.is_array() && step.isIndex && step.index < parent.size()) {
        return &parent[static_cast<std::size_t>(step.index)];
    }
    return nullptr;
}

// The value named by the first `stepCount` steps of `path`.
template <typename Root>
auto findIn(Root& root, const JsonPath& path, std::size_t stepCount) -> decltype(&*root) {
    if (!root) {
        return nullptr;
    }
    auto* current = &*root;
    for (std::size_t i = 0; i < stepCount; ++i) {
        current = childOf(*current, path[i]);
        if (current == nullptr) {
            return nullptr;
        }
    }
    return current;
}

}  // namespace

std::optional<JsonPath> parsePath(std::string_view path, PathJoin join) {
    JsonPath steps;
    if (path.empty()) {
        if (join == PathJoin::RootWhenEmpty || join == PathJoin::RootOrBracketAware) {
            return steps;
        }
        return std::nullopt;
    }
    bool bracketFirst = join == PathJoin::BracketAware || join == PathJoin::RootOrBracketAware;
    std::size_t pos = 0;
    if (path[0] == '[') {
        if (!bracketFirst || !readIndex(path, pos, steps)) {
            return std::nullopt;
        }
    } else if (!readName(path, pos, steps)) {
        return std::nullopt;
    }
    while (pos < path.size()) {
        if (steps.size() > kMaxJsonDepth) {
            return std::nullopt;  // deeper than any document: names nothing, stores nothing
        }
        if (path[pos] == '.') {
            ++pos;
            if (!readName(path, pos, steps)) {
                return std::nullopt;
            }
        } else if (path[pos] == '[') {
            if (!readIndex(path, pos, steps)) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    return steps;
}

const JsonValue* findValue(const std::optional<JsonValue>& root, const JsonPath& path) {
    return findIn(root, path, path.size());
}

JsonValue* findValue(std::optional<JsonValue>& root, const JsonPath& path) {
    return findIn(root, path, path.size());
}

JsonValue* placeForWrite(std::optional<JsonValue>& root, const JsonPath& path) {
    if (path.empty()) {
        if (!root) {
            root.emplace(nullptr);
        }
        return &*root;
    }
    JsonValue* parent = findIn(root, path, path.size() - 1);
    if (parent == nullptr) {
        return nullptr;
    }
    const PathStep& last = path.back();
    if (parent->is_object()) {
        std::string name = last.isIndex ? indexName(last.index) : last.name;
        if (JsonValue* existing = memberOf(*parent, name)) {
            return existing;
        }
        auto& members = parent->get_ref<JsonValue::object_t&>();
        members.JsonValue::object_t::Container::emplace_back(std::move(name), nullptr);
        return &members.back().second;
    }
    if (parent->is_array() && last.isIndex) {
        auto& elements = parent->get_ref<JsonValue::array_t&>();
        if (last.index > elements.size() + kMaxIndexGap) {
            return nullptr;
        }
        if (last.index >= elements.size()) {
            elements.resize(static_cast<std::size_t>(last.index) + 1);
        }
        return &elements[static_cast<std::size_t>(last.index)];
    }
    return nullptr;
}

}  // namespace zentara

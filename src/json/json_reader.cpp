#include "json/json_reader.h"

#include <exception>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zentara {

namespace {

// Builds the value from the parser's events. Unlike the library's own builder it stops at the
// depth limit, stores every number as a double and finds duplicate members of large objects
// through a hash index, so a wide object costs linear time, not quadratic.
class JsonBuilder {
  public:
    using string_t = JsonValue::string_t;
    using binary_t = JsonValue::binary_t;

    explicit JsonBuilder(std::size_t maxDepth) : maxDepth_(maxDepth) {}

    bool null() { return put(JsonValue(nullptr)) != nullptr; }
    bool boolean(bool value) { return put(JsonValue(value)) != nullptr; }
    bool number_integer(JsonValue::number_integer_t value) {
        return put(JsonValue(static_cast<double>(value))) != nullptr;
    }
    bool number_unsigned(JsonValue::number_unsigned_t value) {
        return put(JsonValue(static_cast<double>(value))) != nullptr;
    }
    bool number_float(JsonValue::number_float_t value, const string_t&) {
        return put(JsonValue(value)) != nullptr;
    }
    bool string(string_t& value) { return put(JsonValue(std::move(value))) != nullptr; }
    bool binary(binary_t&) { return false; }  // never produced by the text parser

    bool start_object(std::size_t) { return open(JsonValue::object()); }
    bool start_array(std::size_t) { return open(JsonValue::array()); }
    bool key(string_t& name) {
        frames_.back().key = std::move(name);
        return true;
    }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
        return false;
    }

    JsonValue takeValue() { return std::move(root_); }
    std::size_t depth() const { return deepest_; }

  private:
    struct Frame {
        JsonValue* node;
        string_t key;
        std::unordered_map<string_t, std::size_t> index;  // filled once the object grows
    };

    static constexpr std::size_t kIndexFrom = 16;

    bool open(JsonValue container) {
        if (frames_.size() >= maxDepth_) {
            return false;
        }
        JsonValue* node = put(std::move(container));
        if (node == nullptr) {
            return false;
        }
        frames_.push_back(Frame{node, {}, {}});
        if (frames_.size() > deepest_) {
            deepest_ = frames_.size();
        }
        return true;
    }

    bool close() {
        frames_.pop_back();
        return true;
    }

    JsonValue* put(JsonValue value) {
        if (frames_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Frame& top = frames_.back();
        if (top.node->is_array()) {
            auto& elements = top.node->get_ref<JsonValue::array_t&>();
            elements.push_back(std::move(value));
            return &elements.back();
        }
        return putMember(top, std::move(value));
    }

    JsonValue* putMember(Frame& top, JsonValue value) {
        // The map's own operator[] and emplace search by key; the plain list is used instead.
        JsonValue::object_t::Container& members = top.node->get_ref<JsonValue::object_t&>();
        if (members.size() >= kIndexFrom && top.index.empty()) {
            for (std::size_t i = 0; i < members.size(); ++i) {
                top.index.emplace(members[i].first, i);
            }
        }
        if (!top.index.empty()) {
            auto [slot, added] = top.index.emplace(top.key, members.size());
            if (!added) {
                members[slot->second].second = std::move(value);
                return &members[slot->second].second;
            }
        } else {
            for (auto& member : members) {
                if (member.first == top.key) {
                    member.second = std::move(value);
                    return &member.second;
                }
            }
        }
        members.emplace_back(std::move(top.key), std::move(value));
        return &members.back().second;
    }

    std::size_t maxDepth_;
    std::size_t deepest_ = 0;
    JsonValue root_;
    std::vector<Frame> frames_;
};

}  // namespace

std::optional<ParsedJson> readJson(std::string_view utf8, std::size_t maxDepth) {
    try {
        JsonBuilder builder(maxDepth);
        if (!JsonValue::sax_parse(utf8, &builder)) {
            return std::nullopt;
        }
        return ParsedJson{builder.takeValue(), builder.depth()};
    } catch (const std::exception&) {
        return std::nullopt;  // out of memory, or input the parser rejects by throwing
    }
}

}  // namespace zentara

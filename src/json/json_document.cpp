#include "json/json_document.h"

#include <climits>
#include <cmath>
#include <optional>
#include <utility>

#include "extract/marker_extraction.h"
#include "json/json_path.h"
#include "json/json_reader.h"
#include "json/json_root.h"
#include "json/json_text_form.h"
#include "json/json_writer.h"
#include "platform/code_page.h"

namespace zentara {

namespace {

// Text (GBK, ending at its first zero byte) in, UTF-8 inside.
std::string toUtf8(std::string_view text) {
    return textToUtf8(beforeFirstZero(text));
}

Text toGbk(const std::string& utf8) {
    return utf8ToText(utf8);
}

bool isJsonBlank(std::string_view text) {
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            return false;
        }
    }
    return true;
}

std::optional<ParsedJson> readJsonText(std::string_view text) {
    return readJson(toUtf8(text));
}

ParsedJson stringValue(std::string_view text) {
    return ParsedJson{JsonValue(toUtf8(text)), 0};
}

// The value a write stores: the string itself, or the JSON value of the text when `asJson`.
std::optional<ParsedJson> valueToStore(std::string_view text, bool asJson) {
    return asJson ? readJsonText(text) : std::optional<ParsedJson>(stringValue(text));
}

// Stores `value` at `path`; false (nothing changed) when the path has no place for it or the
// result would nest deeper than a document may.
bool storeAt(std::optional<JsonValue>& root, const JsonPath& path, ParsedJson value) {
    if (path.size() + value.depth > kMaxJsonDepth) {
        return false;
    }
    JsonValue* place = placeForWrite(root, path);
    if (place == nullptr) {
        return false;
    }
    *place = std::move(value.value);
    return true;
}

int clampedCount(std::size_t count) {
    return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

// The path with one more index step, or nothing for a negative index (which names no element).
std::optional<JsonPath> withIndex(std::optional<JsonPath> path, int index) {
    if (!path || index < 0) {
        return std::nullopt;
    }
    PathStep step;
    step.isIndex = true;
    step.index = static_cast<std::uint64_t>(index);
    path->push_back(std::move(step));
    return path;
}

// The index of a removeAtPath path: the text between its first "[" and the next "]", which must
// be decimal digits.
std::optional<std::uint64_t> bracketedIndex(std::string_view path) {
    static const Text kOpen = "[";
    static const Text kClose = "]";
    Text digits = extractBetween(Text(path), kOpen, kClose);
    if (digits.empty() || digits.size() > 18) {
        return std::nullopt;
    }
    std::uint64_t index = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        index = index * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return index;
}

}  // namespace

JsonDocument::JsonDocument() : rootName_("da") {
    create();
}

JsonDocument::~JsonDocument() = default;
JsonDocument::JsonDocument(const JsonDocument& other) = default;
JsonDocument& JsonDocument::operator=(const JsonDocument& other) = default;
JsonDocument::JsonDocument(JsonDocument&& other) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept = default;

void JsonDocument::create() {
    root_ = std::make_shared<JsonRoot>();
}

bool JsonDocument::parse(std::string_view text) {
    if (!root_) {
        return false;  // a moved-from document holds no root and creates none here
    }
    create();
    std::optional<JsonValue>& root = root_->value;
    text = beforeFirstZero(text);
    if (isJsonBlank(text)) {
        root.reset();
        return false;
    }
    std::optional<ParsedJson> parsed = readJsonText(text);
    if (!parsed) {
        root.emplace(nullptr);
        return false;
    }
    root = std::move(parsed->value);
    return !root->is_null();
}

Text JsonDocument::toJson() const {
    if (!root_ || !root_->value) {
        return {};
    }
    return toGbk(writeJson(*root_->value));
}

void JsonDocument::setText(std::string_view path, Text& value, bool asJson) {
    if (asJson && value.empty()) {
        value = "{}";
    }
    setText(path, std::string_view(value), asJson);
}

void JsonDocument::setText(std::string_view path, std::string_view value, bool asJson) {
    if (!root_) {
        return;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::Dot);
    if (!steps) {
        return;
    }
    if (asJson && value.empty()) {
        value = "{}";
    }
    if (std::optional<ParsedJson> stored = valueToStore(value, asJson)) {
        storeAt(root_->value, *steps, std::move(*stored));
    }
}

void JsonDocument::setJson(std::string_view path, std::string_view text) {
    if (!root_) {
        return;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::Dot);
    if (!steps) {
        return;
    }
    if (std::optional<ParsedJson> stored = readJsonText(text)) {
        storeAt(root_->value, *steps, std::move(*stored));
    }
}

void JsonDocument::setNumber(std::string_view path, double number) {
    if (!root_ || !std::isfinite(number)) {
        return;
    }
    if (std::optional<JsonPath> steps = parsePath(path, PathJoin::Dot)) {
        storeAt(root_->value, *steps, ParsedJson{JsonValue(number), 0});
    }
}

double JsonDocument::getNumber(std::string_view path) const {
    if (!root_) {
        return 0;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::Dot);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    return value != nullptr && value->is_number() ? value->get<double>() : 0;
}

Text JsonDocument::getJson(std::string_view path) const {
    if (!root_) {
        return {};
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::Dot);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    return value != nullptr ? toGbk(writeJson(*value)) : Text();
}

Text JsonDocument::getText(std::string_view path, bool asJson) const {
    if (!root_) {
        return {};
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::BracketAware);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    if (value == nullptr) {
        return {};
    }
    if (asJson) {
        return toGbk(writeJson(*value));
    }
    if (value->is_number()) {
        return fixedNumberText(value->get<double>());
    }
    return toGbk(scriptValueText(*value));
}

JsonDocument JsonDocument::getObject(std::string_view path) const {
    JsonDocument copy;
    std::optional<JsonPath> steps = parsePath(path, PathJoin::BracketAware);
    const JsonValue* value = root_ && steps ? findValue(root_->value, *steps) : nullptr;
    if (value != nullptr) {
        copy.root_->value = *value;
    } else {
        copy.root_->value.reset();
    }
    return copy;
}

int JsonDocument::getCount(std::string_view path) const {
    if (!root_) {
        return 0;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::RootOrBracketAware);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    if (value == nullptr || !(value->is_object() || value->is_array())) {
        return 0;
    }
    return clampedCount(value->size());
}

void JsonDocument::append(std::string_view value, std::string_view path, bool raw) {
    if (!root_) {
        return;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::RootWhenEmpty);
    if (!steps) {
        return;
    }
    std::optional<ParsedJson> element = valueToStore(value, raw);
    if (!element || steps->size() + 1 + element->depth > kMaxJsonDepth) {
        return;
    }
    JsonValue* place = placeForWrite(root_->value, *steps);
    if (place == nullptr) {
        return;
    }
    if (!place->is_array()) {
        *place = JsonValue::array();
    }
    place->push_back(std::move(element->value));
}

JsonDocument JsonDocument::getItemObject(int index, std::string_view path) const {
    JsonDocument copy;
    std::optional<JsonPath> steps = withIndex(parsePath(path, PathJoin::RootWhenEmpty), index);
    const JsonValue* value = root_ && steps ? findValue(root_->value, *steps) : nullptr;
    if (value != nullptr) {
        copy.root_->value = *value;
    } else {
        copy.root_->value.reset();
    }
    return copy;
}

Text JsonDocument::getItemText(int index, std::string_view path, bool asJson) const {
    if (!root_) {
        return {};
    }
    std::optional<JsonPath> steps = withIndex(parsePath(path, PathJoin::RootWhenEmpty), index);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    if (value == nullptr) {
        return {};
    }
    return toGbk(asJson ? writeJson(*value) : scriptValueText(*value));
}

void JsonDocument::setItem(int index, std::string_view value, bool raw) {
    if (!root_ || !root_->value || !root_->value->is_array()) {
        return;
    }
    std::optional<JsonPath> steps = withIndex(JsonPath(), index);
    if (!steps) {
        return;
    }
    if (std::optional<ParsedJson> stored = valueToStore(value, raw)) {
        storeAt(root_->value, *steps, std::move(*stored));
    }
}

void JsonDocument::removeItem(int index) {
    if (!root_ || !root_->value || !root_->value->is_array() || index < 0) {
        return;
    }
    auto& elements = root_->value->get_ref<JsonValue::array_t&>();
    if (static_cast<std::size_t>(index) < elements.size()) {
        elements.erase(elements.begin() + index);
    }
}

void JsonDocument::removeAtPath(std::string_view path) {
    if (!root_) {
        return;
    }
    std::size_t bracket = path.find('[');
    if (bracket == std::string_view::npos || bracket == 0 || !parsePath(path, PathJoin::Dot)) {
        return;  // no member name before the index, or not a path at all
    }
    std::optional<std::uint64_t> index = bracketedIndex(path);
    std::optional<JsonPath> steps = parsePath(path.substr(0, bracket), PathJoin::Dot);
    if (!index || !steps) {
        return;
    }
    JsonValue* array = findValue(root_->value, *steps);
    if (array == nullptr || !array->is_array() || *index >= array->size()) {
        return;
    }
    auto& elements = array->get_ref<JsonValue::array_t&>();
    elements.erase(elements.begin() + static_cast<std::ptrdiff_t>(*index));
}

void JsonDocument::resetRoot(JsonType type) {
    if (!root_) {
        return;
    }
    if (type == JsonType::Null || type == JsonType::Object) {
        root_->value = JsonValue::object();
    } else if (type == JsonType::Array) {
        root_->value = JsonValue::array();
    }
}

void JsonDocument::setRoot(std::string_view value, bool raw) {
    if (!root_) {
        return;
    }
    if (std::optional<ParsedJson> stored = valueToStore(value, raw)) {
        root_->value = std::move(stored->value);
    }
}

bool JsonDocument::exists(std::string_view path) const {
    if (!root_) {
        return false;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::Dot);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    return value != nullptr && !value->is_null();
}

int JsonDocument::getMemberNames(TextList& names, std::string_view path) const {
    names.clear();
    if (!root_) {
        return 0;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::RootWhenEmpty);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    if (value == nullptr) {
        return 0;
    }
    if (value->is_object()) {
        for (const auto& member : value->get_ref<const JsonValue::object_t&>()) {
            names.push_back(toGbk(member.first));
        }
    } else if (value->is_array()) {
        for (std::size_t i = 0; i < value->size(); ++i) {
            names.push_back(std::to_string(i));
        }
    }
    return clampedCount(names.size());
}

JsonType JsonDocument::getType(std::string_view path) const {
    if (!root_) {
        return JsonType::Null;
    }
    std::optional<JsonPath> steps = parsePath(path, PathJoin::RootWhenEmpty);
    const JsonValue* value = steps ? findValue(root_->value, *steps) : nullptr;
    if (value == nullptr) {
        return JsonType::Null;
    }
    switch (value->type()) {
        case JsonValue::value_t::boolean:
            return JsonType::Boolean;
        case JsonValue::value_t::number_float:
        case JsonValue::value_t::number_integer:
        case JsonValue::value_t::number_unsigned:
            return JsonType::Number;
        case JsonValue::value_t::object:
            return JsonType::Object;
        case JsonValue::value_t::array:
            return JsonType::Array;
        case JsonValue::value_t::string:
            return JsonType::String;
        case JsonValue::value_t::null:
            return JsonType::Null;
        default:
            return JsonType::Other;
    }
}

void JsonDocument::clear() {
    if (root_) {
        root_->value = JsonValue::object();
    }
}

}  // namespace zentara

#pragma once

// JsonDocument: one JSON value, the root, read and written by path texts such as "video[0].ver".
//
// Paths are member names joined by dots and 0-based element indexes in brackets. Each operation
// joins the root and the path in one of three ways, and the difference is part of its behaviour:
//   dot            the path must begin with a member name (setText, setJson, setNumber,
//                  getNumber, getJson, exists), so exists("[0]") is false;
//   bracket-aware  a path may also begin with "[" (getText, getObject), so getText("[0]") reads
//                  element 0 of a root array; an empty path names nothing;
//   root-when-empty  the empty path is the root, otherwise as the dot join (getType, append,
//                  getItemObject, getItemText, getMemberNames; getCount is bracket-aware when
//                  the path is not empty).
// A path that names nothing, or walks through a missing value, gives the operation's failure
// result (the empty text, 0, false, an empty list) and changes nothing. Nothing throws.
//
// Every JSON text given to the document (parse, setJson, setText with asJson, setRoot and the
// raw forms of append and setItem) is accepted only when it is exactly one JSON value; nothing
// is ever evaluated as code. Texts cross in code page 936: GBK Text in, GBK Text out, while the
// document holds UTF-8 internally. All numbers are doubles, as in a script language.
//
// A copy shares the root value with its original (changes through one are seen through the
// other) until either of them runs create() or parse(), which give it a fresh root.

#include <memory>
#include <string_view>

#include "text/text.h"

namespace zentara {

// Type code of the value at a path. Code 3 is not used.
enum class JsonType : int {
    Null = 0,     // null, or no value at all
    Boolean = 1,  // true or false
    Number = 2,
    Object = 4,
    Array = 5,
    String = 6,
    Other = -1,  // anything else a document can hold (never produced by this implementation)
};

struct JsonRoot;  // the shared root value (json_root.h)

class JsonDocument {
  public:
    // Root name "da", then create(): the root is an empty object.
    JsonDocument();
    ~JsonDocument();
    // A copy shares the root value with the original.
    JsonDocument(const JsonDocument& other);
    JsonDocument& operator=(const JsonDocument& other);
    JsonDocument(JsonDocument&& other) noexcept;
    JsonDocument& operator=(JsonDocument&& other) noexcept;

    // Starts afresh: a new root of its own, an empty object.
    void create();

    // Discards everything stored before, then loads `text` (a JSON text). True when the new root
    // is neither null nor absent; the empty text leaves the root absent, invalid JSON leaves it
    // null.
    bool parse(std::string_view text);

    // Compact JSON text of the root (empty when the root is absent).
    Text toJson() const;

    // Stores `value` at `path` (dot join): as a string, or with `asJson` as the JSON value of
    // the text. With `asJson` an empty value stores an empty object and the caller's variable
    // is set to "{}". Invalid JSON stores nothing.
    void setText(std::string_view path, Text& value, bool asJson = false);
    // The same for a value the caller cannot have rewritten (a literal, a const text).
    void setText(std::string_view path, std::string_view value, bool asJson = false);

    // Stores the JSON value of `text` at `path` (dot join); invalid JSON stores nothing.
    void setJson(std::string_view path, std::string_view text);

    // Stores a number at `path` (dot join); a non-finite number stores nothing.
    void setNumber(std::string_view path, double number);

    // The number at `path` (dot join); 0 when there is none.
    double getNumber(std::string_view path) const;

    // Compact JSON text of the value at `path` (dot join); empty when there is none.
    Text getJson(std::string_view path) const;

    // The value at `path` (bracket-aware join) as text: a string its characters, a number in the
    // "%.13g" form, null or a missing value the empty text, a boolean "true"/"false", an array
    // its elements joined by ","; an object "[object Object]". With `asJson` the compact JSON
    // text of the value.
    Text getText(std::string_view path, bool asJson = false) const;

    // A new, independent document whose root is a copy of the value at `path` (bracket-aware
    // join); its root is absent when the path names nothing.
    JsonDocument getObject(std::string_view path) const;

    // Number of members of an object or of elements of an array at `path` (empty: the root);
    // 0 for anything else.
    int getCount(std::string_view path = {}) const;

    // Turns the value at `path` (empty: the root) into an empty array unless it is one, then
    // adds `value` as its last element: a string, or with `raw` the JSON value of the text.
    // A missing parent, or an invalid raw JSON text, changes nothing.
    void append(std::string_view value, std::string_view path = {}, bool raw = false);

    // A new, independent document whose root is a copy of element `index` (0-based) of the
    // value at `path` (empty: the root); its root is absent when there is no such element.
    JsonDocument getItemObject(int index, std::string_view path = {}) const;

    // Element `index` of the value at `path` (empty: the root) as text, in the script
    // language's own conversion (a number in its shortest form); with `asJson` its JSON text.
    Text getItemText(int index, std::string_view path = {}, bool asJson = false) const;

    // Sets element `index` of the root array to `value` (a string, or with `raw` a JSON text).
    // Nothing changes when the root is not an array or the index is negative.
    void setItem(int index, std::string_view value, bool raw = false);

    // Removes element `index` of the root array; later elements move down. An index outside the
    // array changes nothing.
    void removeItem(int index);

    // Removes one element of the array named by the part of `path` before its first "[", the
    // index being the first bracketed number ("a[1].b[2]" removes element 1 of a). A path
    // without a member name before the bracket, or without a valid index, changes nothing.
    void removeAtPath(std::string_view path);

    // Null or Object: the root becomes an empty object; Array: an empty array; any other code
    // changes nothing.
    void resetRoot(JsonType type);

    // The root becomes the string `value`, or with `raw` the JSON value of the text (an invalid
    // text leaves the root unchanged).
    void setRoot(std::string_view value, bool raw = false);

    // True when a value other than null is at `path` (dot join).
    bool exists(std::string_view path) const;

    // Replaces the contents of `names` with the member names of the object at `path` (empty:
    // the root), in member order, or "0", "1", ... for an array; returns their number.
    int getMemberNames(TextList& names, std::string_view path = {}) const;

    // Type code of the value at `path` (empty: the root); Null when there is none.
    JsonType getType(std::string_view path = {}) const;

    // The root becomes an empty object.
    void clear();

    // Name of the root in path expressions; every document uses "da".
    const Text& rootName() const { return rootName_; }

  private:
    Text rootName_;
    std::shared_ptr<JsonRoot> root_;
};

}  // namespace zentara

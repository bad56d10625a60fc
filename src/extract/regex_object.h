#pragma once

// RegexObject: one call compiles a pattern with its options and runs it over a subject; later
// calls read the matches, their capture groups, the pattern, or a replacement of the matches.
// The syntax is the script-language one (ignore-case, multi-line, global, lazy quantifiers,
// groups, "\n", escaped metacharacters); "." also matches line breaks. Nothing throws or reports
// an error: every read before a successful execute, or past the matches, gives the empty result.
//
// Copies share the last execution (pattern, subject and matches are immutable once made), and a
// later execute on either object replaces only that object's own.

#include <memory>
#include <string_view>

#include "text/text.h"

namespace zentara {

class RegexObject {
  public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject& other);
    RegexObject(RegexObject&& other) noexcept;
    RegexObject& operator=(RegexObject&& other) noexcept;

    // Compiles `pattern` ("#引号" turned into '"' first when `convertQuotes`) and collects its
    // matches in `subject`: all of them when `global`, else the first. True when the pattern was
    // accepted, also when nothing matched; false (and no matches) when it was rejected.
    bool execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                 bool multiline = true, bool global = true, bool convertQuotes = false);

    // The pattern of the last execute as written to the engine; empty before any.
    Text getPattern() const;

    // The subject of the last execute with its matches (all when global, else the first)
    // replaced by `replacement`, which may refer to $1..$99, $& (the match), $` (before it),
    // $' (after it) and $$ (a dollar sign). Empty before any execute.
    Text replace(std::string_view replacement = {}) const;

    int matchCount() const;

    // Match `index` (1-based). With `position`, also stores its 0-based byte offset in the
    // subject (-1 when there is no such match).
    Text matchText(int index) const;
    Text matchText(int index, int& position) const;

    // Capture group `groupIndex` (1-based) of match `matchIndex` (1-based); empty when either is
    // out of range or the group took no part in the match. With `position`, also stores the
    // group's 0-based byte offset (that of its match when the group did not take part, -1 when
    // there is no such match or group).
    Text groupText(int matchIndex, int groupIndex) const;
    Text groupText(int matchIndex, int groupIndex, int& position) const;

    // Number of capture groups of the pattern, read from the first match: 0 without a match.
    int groupCount() const;

  private:
    struct Execution;
    std::shared_ptr<const Execution> last_;
};

}  // namespace zentara

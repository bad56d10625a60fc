#pragma once

// The regular-expression engine: PCRE2 (16-bit code units, UTF mode, JIT-compiled) set up to
// behave like the script-language expressions the program was written against:
// - ignore-case and multi-line ("^"/"$" at line breaks: CR, LF or CR LF) on request;
// - "." matches every character, line breaks included;
// - "$" without multi-line matches only at the very end; "[]" matches nothing, "[^]" anything;
//   a back-reference to a group that took no part matches the empty text; "\uHHHH" is a
//   character code;
// - global search yields matches in order, each search resuming at the end of the previous match;
//   after an empty match it resumes one character later, so it never loops.
// A pattern that backtracks without end is stopped by match and depth limits (the step limit
// grows with the subject, so a lazy group over a long page still completes); hitting a limit
// counts as "no further match". Offsets are 0-based UTF-16 unit offsets.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace zentara {

struct RegexOptions {
    bool ignoreCase = false;
    bool multiline = false;
};

// A span of units; `matched` is false for a group that took no part in the match.
struct UnitSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool matched = false;
};

// The matches of one search, each as spanCount() spans: the whole match, then groups 1..n.
class RegexMatches {
  public:
    explicit RegexMatches(int groupCount = 0) : spansPerMatch_(groupCount + 1) {}

    std::size_t size() const { return spans_.size() / spansPerMatch_; }
    bool empty() const { return spans_.empty(); }
    int groupCount() const { return static_cast<int>(spansPerMatch_) - 1; }

    // Span 0 is the whole match, span k the k-th group; matchIndex is 0-based.
    const UnitSpan& span(std::size_t matchIndex, int spanIndex) const {
        return spans_[matchIndex * spansPerMatch_ + static_cast<std::size_t>(spanIndex)];
    }

    void append(const UnitSpan* spans) {
        spans_.insert(spans_.end(), spans, spans + spansPerMatch_);
    }

  private:
    std::size_t spansPerMatch_;
    std::vector<UnitSpan> spans_;
};

class CompiledRegex {
  public:
    // Null when the pattern is rejected.
    static std::shared_ptr<const CompiledRegex> compile(std::u16string_view pattern,
                                                        const RegexOptions& options);

    ~CompiledRegex();
    CompiledRegex(const CompiledRegex&) = delete;
    CompiledRegex& operator=(const CompiledRegex&) = delete;

    int groupCount() const { return groupCount_; }

    // Matches of the pattern in `subject` from unit `from` on: all of them when `global`, else
    // the first. `endIsNotLineEnd` keeps "$" from matching at the end of `subject` (used when
    // `subject` is a cut-off front part of a longer text).
    RegexMatches search(std::u16string_view subject, bool global, std::size_t from = 0,
                        bool endIsNotLineEnd = false) const;

    // The end of the match that starts last in `subject`, overlapping matches included; npos
    // when there is none. Meant for patterns whose matches all have the same length (a literal
    // text), where the match that starts last also ends last. Searches backwards in growing
    // windows, so its cost follows the distance of that match from the end.
    std::size_t lastMatchEnd(std::u16string_view subject) const;

  private:
    struct Handles;
    CompiledRegex(std::unique_ptr<Handles> handles, int groupCount);

    std::unique_ptr<Handles> handles_;
    int groupCount_;
};

}  // namespace zentara

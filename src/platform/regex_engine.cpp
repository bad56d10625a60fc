#include "platform/regex_engine.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <limits>

namespace zentara {

namespace {

// A lazy group costs about one step per character it spans, so the step limit grows with the
// subject (four steps per unit) and never falls below a floor that lets a runaway pattern give up
// within a fraction of a second on a short subject.
constexpr uint32_t kMatchLimitFloor = 20'000'000;
constexpr std::size_t kMatchStepsPerUnit = 4;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr PCRE2_SIZE kHeapLimitKiB = 256 * 1024;
constexpr PCRE2_SIZE kJitStackStart = 64 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 8 * 1024 * 1024;

PCRE2_SPTR units(std::u16string_view text) {
    return reinterpret_cast<PCRE2_SPTR>(text.data());
}

bool isLeadSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Offset one character after `offset`.
std::size_t nextCharacter(std::u16string_view subject, std::size_t offset) {
    if (offset + 1 < subject.size() && isLeadSurrogate(subject[offset])) {
        return offset + 2;
    }
    return offset + 1;
}

// What one search call needs: match data, limits and a JIT stack. Made per call, so a compiled
// pattern can be shared between objects and threads.
class MatchSession {
  public:
    MatchSession(const pcre2_code* code, bool jit, std::size_t subjectSize)
        : data_(pcre2_match_data_create_from_pattern(code, nullptr)),
          context_(pcre2_match_context_create(nullptr)) {
        if (context_) {
            std::size_t limit =
                std::max<std::size_t>(kMatchLimitFloor, subjectSize * kMatchStepsPerUnit);
            pcre2_set_match_limit(context_, static_cast<uint32_t>(std::min<std::size_t>(
                                                limit, std::numeric_limits<uint32_t>::max())));
            pcre2_set_depth_limit(context_, kDepthLimit);
            pcre2_set_heap_limit(context_, kHeapLimitKiB);
            if (jit) {
                stack_ = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
                if (stack_) {
                    pcre2_jit_stack_assign(context_, nullptr, stack_);
                }
            }
        }
    }
    ~MatchSession() {
        pcre2_jit_stack_free(stack_);
        pcre2_match_context_free(context_);
        pcre2_match_data_free(data_);
    }
    MatchSession(const MatchSession&) = delete;
    MatchSession& operator=(const MatchSession&) = delete;

    bool ready() const { return data_ && context_; }

    // One match from `from`: true with the ovector filled, false for no match or a limit hit.
    bool match(const pcre2_code* code, std::u16string_view subject, std::size_t from,
               uint32_t options) {
        int rc = pcre2_match(code, units(subject), subject.size(), from,
                             options | PCRE2_NO_UTF_CHECK, data_, context_);
        return rc > 0;
    }

    const PCRE2_SIZE* ovector() const { return pcre2_get_ovector_pointer(data_); }

  private:
    pcre2_match_data* data_;
    pcre2_match_context* context_;
    pcre2_jit_stack* stack_ = nullptr;
};

}  // namespace

struct CompiledRegex::Handles {
    pcre2_code* code = nullptr;
    bool jit = false;

    ~Handles() { pcre2_code_free(code); }
};

CompiledRegex::CompiledRegex(std::unique_ptr<Handles> handles, int groupCount)
    : handles_(std::move(handles)), groupCount_(groupCount) {}

CompiledRegex::~CompiledRegex() = default;

std::shared_ptr<const CompiledRegex> CompiledRegex::compile(std::u16string_view pattern,
                                                            const RegexOptions& options) {
    uint32_t flags = PCRE2_UTF | PCRE2_NO_UTF_CHECK | PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY |
                     PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF;
    if (options.ignoreCase) {
        flags |= PCRE2_CASELESS;
    }
    if (options.multiline) {
        flags |= PCRE2_MULTILINE;
    }
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    if (!context) {
        return nullptr;
    }
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    auto handles = std::make_unique<Handles>();
    handles->code =
        pcre2_compile(units(pattern), pattern.size(), flags, &error, &errorOffset, context);
    pcre2_compile_context_free(context);
    if (!handles->code) {
        return nullptr;
    }
    // Always JIT: the interpreter is quadratic on a lazy group that never finds its end.
    handles->jit = pcre2_jit_compile(handles->code, PCRE2_JIT_COMPLETE) == 0;
    uint32_t captures = 0;
    pcre2_pattern_info(handles->code, PCRE2_INFO_CAPTURECOUNT, &captures);
    return std::shared_ptr<const CompiledRegex>(
        new CompiledRegex(std::move(handles), static_cast<int>(captures)));
}

RegexMatches CompiledRegex::search(std::u16string_view subject, bool global, std::size_t from,
                                   bool endIsNotLineEnd) const {
    RegexMatches matches(groupCount_);
    MatchSession session(handles_->code, handles_->jit, subject.size());
    if (!session.ready()) {
        return matches;
    }
    uint32_t options = endIsNotLineEnd ? PCRE2_NOTEOL : 0;
    std::vector<UnitSpan> spans(static_cast<std::size_t>(groupCount_) + 1);
    while (from <= subject.size() && session.match(handles_->code, subject, from, options)) {
        const PCRE2_SIZE* ovector = session.ovector();
        for (std::size_t k = 0; k < spans.size(); ++k) {
            PCRE2_SIZE begin = ovector[2 * k];
            PCRE2_SIZE end = ovector[2 * k + 1];
            spans[k] =
                begin == PCRE2_UNSET ? UnitSpan{} : UnitSpan{begin, std::max(begin, end), true};
        }
        matches.append(spans.data());
        if (!global) {
            break;
        }
        // Resume at the end of the match; after an empty match, one character later.
        std::size_t next = spans[0].end;
        if (next <= from || spans[0].end == spans[0].begin) {
            if (next >= subject.size()) {
                break;
            }
            next = nextCharacter(subject, std::max(next, from));
        }
        from = next;
    }
    return matches;
}

std::size_t CompiledRegex::lastMatchEnd(std::u16string_view subject) const {
    MatchSession session(handles_->code, handles_->jit, subject.size());
    if (!session.ready()) {
        return std::u16string_view::npos;
    }
    // Look for matches starting in the last `window` units; a match starting earlier ends
    // earlier, so the first window holding one decides. Each window is four times the last, so
    // the total work stays linear even when there is no match at all.
    for (std::size_t window = 4096;; window *= 4) {
        std::size_t windowStart = subject.size() > window ? subject.size() - window : 0;
        std::size_t last = std::u16string_view::npos;
        std::size_t from = windowStart;
        while (from <= subject.size() && session.match(handles_->code, subject, from, 0)) {
            const PCRE2_SIZE* ovector = session.ovector();
            last = last == std::u16string_view::npos ? ovector[1] : std::max(last, ovector[1]);
            if (ovector[0] >= subject.size()) {
                break;
            }
            from = nextCharacter(subject, std::max<std::size_t>(ovector[0], from));
        }
        if (last != std::u16string_view::npos || windowStart == 0) {
            return last;
        }
    }
}

}  // namespace zentara

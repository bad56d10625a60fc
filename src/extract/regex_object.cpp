#include "extract/regex_object.h"

#include <optional>

#include "extract/quote_placeholder.h"
#include "platform/regex_engine.h"
#include "platform/wide_subject.h"

namespace zentara {

// Everything one execute produced. Immutable once made, so copies of the object share it.
struct RegexObject::Execution {
    Text pattern;
    WideSubject subject;
    std::shared_ptr<const CompiledRegex> regex;  // null when the pattern was rejected
    RegexMatches matches;
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) = default;
RegexObject& RegexObject::operator=(const RegexObject& other) = default;
RegexObject::RegexObject(RegexObject&& other) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&& other) noexcept = default;

bool RegexObject::execute(std::string_view pattern, std::string_view subject, bool caseSensitive,
                          bool multiline, bool global, bool convertQuotes) {
    auto execution = std::make_shared<Execution>();
    execution->pattern = convertQuotes ? convertQuotePlaceholders(pattern) : Text(pattern);
    execution->subject = WideSubject(subject);
    RegexOptions options;
    options.ignoreCase = !caseSensitive;
    options.multiline = multiline;
    execution->regex = CompiledRegex::compile(decodeGbk(execution->pattern), options);
    if (execution->regex) {
        execution->matches = execution->regex->search(execution->subject.units(), global);
    }
    last_ = std::move(execution);
    return last_->regex != nullptr;
}

Text RegexObject::getPattern() const {
    return last_ ? last_->pattern : Text();
}

int RegexObject::matchCount() const {
    return last_ ? static_cast<int>(last_->matches.size()) : 0;
}

int RegexObject::groupCount() const {
    return matchCount() > 0 ? last_->matches.groupCount() : 0;
}

namespace {

// Span `spanIndex` (0 = the whole match) of match `matchIndex` (1-based) as original bytes, with
// its byte offset in `position`: -1 when there is no such match or span, the match's offset when
// the group took no part.
Text spanText(const WideSubject& subject, const RegexMatches& matches, int matchIndex,
              int spanIndex, int& position) {
    position = -1;
    if (matchIndex < 1 || static_cast<std::size_t>(matchIndex) > matches.size() || spanIndex < 0 ||
        spanIndex > matches.groupCount()) {
        return {};
    }
    const auto match = static_cast<std::size_t>(matchIndex - 1);
    const UnitSpan& span = matches.span(match, spanIndex);
    if (!span.matched) {
        position = static_cast<int>(subject.byteOffset(matches.span(match, 0).begin));
        return {};
    }
    position = static_cast<int>(subject.byteOffset(span.begin));
    return Text(subject.bytesOf(span.begin, span.end));
}

}  // namespace

Text RegexObject::matchText(int index) const {
    int unused = 0;
    return matchText(index, unused);
}

Text RegexObject::matchText(int index, int& position) const {
    if (!last_) {
        position = -1;
        return {};
    }
    return spanText(last_->subject, last_->matches, index, 0, position);
}

Text RegexObject::groupText(int matchIndex, int groupIndex) const {
    int unused = 0;
    return groupText(matchIndex, groupIndex, unused);
}

Text RegexObject::groupText(int matchIndex, int groupIndex, int& position) const {
    if (!last_ || groupIndex < 1) {
        position = -1;
        return {};
    }
    return spanText(last_->subject, last_->matches, matchIndex, groupIndex, position);
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The capture number a "$" reference at `at` (just after the "$") names, preferring two digits
// when both form a group that exists; 0 when none. `length` gets the digits used.
int groupReference(std::string_view replacement, std::size_t at, int groupCount,
                   std::size_t& length) {
    if (at >= replacement.size() || !isDigit(replacement[at])) {
        return 0;
    }
    int one = replacement[at] - '0';
    if (at + 1 < replacement.size() && isDigit(replacement[at + 1])) {
        int two = one * 10 + (replacement[at + 1] - '0');
        if (two >= 1 && two <= groupCount) {
            length = 2;
            return two;
        }
    }
    if (one >= 1 && one <= groupCount) {
        length = 1;
        return one;
    }
    return 0;
}

}  // namespace

Text RegexObject::replace(std::string_view replacement) const {
    if (!last_ || !last_->regex) {
        return {};
    }
    const WideSubject& subject = last_->subject;
    const RegexMatches& matches = last_->matches;
    std::string_view bytes = subject.bytes();
    Text result;
    result.reserve(bytes.size());
    std::size_t copied = 0;
    for (std::size_t m = 0; m < matches.size(); ++m) {
        std::size_t begin = subject.byteOffset(matches.span(m, 0).begin);
        std::size_t end = subject.byteOffset(matches.span(m, 0).end);
        result.append(bytes.substr(copied, begin - copied));
        for (std::size_t i = 0; i < replacement.size();) {
            std::size_t length = gbkCharLength(replacement, i);
            if (replacement[i] != '$' || i + 1 >= replacement.size()) {
                result.append(replacement.substr(i, length));
                i += length;
                continue;
            }
            char kind = replacement[i + 1];
            std::size_t digits = 0;
            if (kind == '$') {
                result.push_back('$');
                i += 2;
            } else if (kind == '&') {
                result.append(bytes.substr(begin, end - begin));
                i += 2;
            } else if (kind == '`') {
                result.append(bytes.substr(0, begin));
                i += 2;
            } else if (kind == '\'') {
                result.append(bytes.substr(end));
                i += 2;
            } else if (int group = groupReference(replacement, i + 1, matches.groupCount(), digits);
                       group > 0) {
                const UnitSpan& span = matches.span(m, group);
                if (span.matched) {
                    result.append(subject.bytesOf(span.begin, span.end));
                }
                i += 1 + digits;
            } else {
                result.push_back('$');
                i += 1;
            }
        }
        copied = end;
    }
    result.append(bytes.substr(copied));
    return result;
}

}  // namespace zentara

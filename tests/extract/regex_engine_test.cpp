#include "platform/regex_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/wide_subject.h"

namespace zentara {
namespace {

// Whole-match spans of every match, as [begin, end) unit pairs.
std::vector<std::pair<std::size_t, std::size_t>> spansOf(const RegexMatches& matches) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t m = 0; m < matches.size(); ++m) {
        spans.emplace_back(matches.span(m, 0).begin, matches.span(m, 0).end);
    }
    return spans;
}

using Spans = std::vector<std::pair<std::size_t, std::size_t>>;

struct SearchCase {
    const char* name;
    std::u16string pattern;
    std::u16string subject;
    RegexOptions options;
    bool global;
    Spans expected;
};

TEST(RegexEngine, SearchBehaviour) {
    const RegexOptions plain{};
    const RegexOptions caseless{true, false};
    const RegexOptions lines{false, true};
    const SearchCase cases[] = {
        {"global matches in order without overlap", u"aa", u"aaaaa", plain, true, {{0, 2}, {2, 4}}},
        {"first match only", u"a", u"aaa", plain, false, {{0, 1}}},
        {"empty matches advance one character",
         u"a*?",
         u"aa",
         plain,
         true,
         {{0, 0}, {1, 1}, {2, 2}}},
        {"empty match after a longer one", u"x*", u"axx", plain, true, {{0, 0}, {1, 3}, {3, 3}}},
        {"ignore case", u"abc", u"xABCx", caseless, true, {{1, 4}}},
        {"case counts without ignore case", u"abc", u"xABCx", plain, true, {}},
        {"ignore case folds beyond ASCII", u"\uFF41", u"\uFF21", caseless, true, {{0, 1}}},
        {"dot matches a line break", u"a.b", u"a\nb", plain, true, {{0, 3}}},
        {"caret at line starts with multi-line",
         u"^b",
         u"b\nb\r\nb",
         lines,
         true,
         {{0, 1}, {2, 3}, {5, 6}}},
        {"caret only at the start otherwise", u"^b", u"b\nb", plain, true, {{0, 1}}},
        {"dollar before CR LF with multi-line", u"a$", u"a\r\na", lines, true, {{0, 1}, {3, 4}}},
        {"dollar only at the very end otherwise", u"a$", u"a\n", plain, true, {}},
        {"lazy group spans line breaks",
         u"<([\\s\\S]*?)>",
         u"<a\nb><c>",
         plain,
         true,
         {{0, 5}, {5, 8}}},
        {"escaped metacharacters", u"\\(1\\+1\\)\\?", u"(1+1)?", plain, true, {{0, 6}}},
        {"\\n is a line feed", u"a\\nb", u"a\nb", plain, true, {{0, 3}}},
        {"\\u escape names a character", u"\\u4E2D", u"x\u4E2D", plain, true, {{1, 2}}},
        {"empty class matches nothing", u"a[]", u"a]", plain, true, {}},
        {"negated empty class matches anything", u"a[^]", u"a\n", plain, true, {{0, 2}}},
    };
    for (const SearchCase& c : cases) {
        auto regex = CompiledRegex::compile(c.pattern, c.options);
        ASSERT_TRUE(regex) << c.name;
        EXPECT_EQ(spansOf(regex->search(c.subject, c.global)), c.expected) << c.name;
    }
}

TEST(RegexEngine, GroupsReportUnsetAndCount) {
    auto regex = CompiledRegex::compile(u"(a)|(b)", {});
    ASSERT_TRUE(regex);
    EXPECT_EQ(regex->groupCount(), 2);
    RegexMatches matches = regex->search(u"ba", true);
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_FALSE(matches.span(0, 1).matched);
    EXPECT_TRUE(matches.span(0, 2).matched);
    EXPECT_EQ(matches.span(1, 1).begin, 1u);
    EXPECT_TRUE(matches.span(1, 1).matched);
}

TEST(RegexEngine, RejectsInvalidPatterns) {
    for (std::u16string pattern : {u"(", u"a)", u"[a", u"*a", u"a{2,1}"}) {
        EXPECT_FALSE(CompiledRegex::compile(pattern, {})) << wideToUtf8(pattern);
    }
}

TEST(RegexEngine, RunawayBacktrackingStopsAndKeepsEarlierMatches) {
    auto regex = CompiledRegex::compile(u"b|(x+x+)+y", {});
    ASSERT_TRUE(regex);
    std::u16string subject = u"b" + std::u16string(40, u'x');
    auto started = std::chrono::steady_clock::now();
    RegexMatches matches = regex->search(subject, true);
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(spansOf(matches), (Spans{{0, 1}}));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

// The step limit must not cut a legitimate lazy group short on a long subject.
TEST(RegexEngine, LazyGroupOverALongSubjectCompletes) {
    auto regex = CompiledRegex::compile(u"<([\\s\\S]*?)>", {});
    ASSERT_TRUE(regex);
    std::u16string subject = u"<" + std::u16string(24'000'000, u'x') + u">";
    RegexMatches matches = regex->search(subject, true);
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches.span(0, 1).end, subject.size() - 1);
}

TEST(RegexEngine, SearchFromAnOffsetAndCutSubject) {
    auto regex = CompiledRegex::compile(u"a$", {false, true});
    ASSERT_TRUE(regex);
    EXPECT_EQ(spansOf(regex->search(u"a a a", true, 1)), (Spans{{4, 5}}));
    // A cut-off front part: its end is not a line end.
    EXPECT_TRUE(regex->search(u"xa", true, 0, true).empty());
    EXPECT_EQ(regex->search(u"a\nxa", true, 0, true).size(), 1u);
}

TEST(RegexEngine, LastMatchEnd) {
    auto regex = CompiledRegex::compile(u"aa", {});
    ASSERT_TRUE(regex);
    EXPECT_EQ(regex->lastMatchEnd(u"xaaa"), 4u);  // the overlapping match counts
    EXPECT_EQ(regex->lastMatchEnd(u"xyz"), std::u16string_view::npos);
    EXPECT_EQ(regex->lastMatchEnd(u""), std::u16string_view::npos);
    // Far from the end: found through the growing windows.
    std::u16string longSubject = u"aa" + std::u16string(100'000, u'b');
    EXPECT_EQ(regex->lastMatchEnd(longSubject), 2u);
    longSubject += u"aa";
    EXPECT_EQ(regex->lastMatchEnd(longSubject), longSubject.size());
}

// The engine's subject must hold exactly the units the code-page layer gives, so that offsets
// mean the same characters everywhere.
TEST(WideSubject, DecodesLikeTheCodePageLayer) {
    for (int lead = 0; lead < 256; ++lead) {
        Text single(1, static_cast<char>(lead));
        ASSERT_EQ(decodeGbk(single), toWide(single)) << lead;
        if (lead < 0x80) {
            continue;
        }
        for (int trail = 0; trail < 256; ++trail) {
            Text pair{static_cast<char>(lead), static_cast<char>(trail)};
            ASSERT_EQ(decodeGbk(pair), toWide(pair)) << lead << " " << trail;
        }
    }
}

TEST(WideSubject, MapsEveryUnitBackToItsBytes) {
    std::mt19937 random(7);
    const char alphabet[] = {'a',    '$',    '\n',   '\x80', '\x81', '\x41', '\xB0',
                             '\x5D', '\xD6', '\xD0', '\xFF', '\xA1', '\x7F', '\0'};
    for (int round = 0; round < 200; ++round) {
        Text text;
        std::size_t length = random() % 300;
        for (std::size_t i = 0; i < length; ++i) {
            text.push_back(alphabet[random() % sizeof alphabet]);
        }
        WideSubject subject(text);
        ASSERT_EQ(subject.units(), toWide(text));
        EXPECT_EQ(subject.byteOffset(subject.units().size()), text.size());
        std::size_t previous = 0;
        for (std::size_t u = 0; u <= subject.units().size(); ++u) {
            std::size_t offset = subject.byteOffset(u);
            // The bytes before the offset decode to exactly u units.
            ASSERT_EQ(decodeGbk(std::string_view(text).substr(0, offset)).size(), u);
            ASSERT_TRUE(u == 0 || offset > previous);
            previous = offset;
        }
        std::size_t half = subject.units().size() / 2;
        EXPECT_EQ(
            Text(subject.bytesOf(0, half)) + Text(subject.bytesOf(half, subject.units().size())),
            text);
    }
}

}  // namespace
}  // namespace zentara

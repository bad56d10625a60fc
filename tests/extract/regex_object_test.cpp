#include "extract/regex_object.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace zentara {
namespace {

TEST(RegexObject, MatchesGroupsAndCounts) {
    RegexObject regex;
    ASSERT_TRUE(regex.execute("a(b)c", "xabcx abcx"));
    EXPECT_EQ(regex.matchCount(), 2);
    EXPECT_EQ(regex.matchText(2), "abc");
    EXPECT_EQ(regex.groupText(1, 1), "b");
    EXPECT_EQ(regex.groupCount(), 1);
}

struct ExecuteCase {
    const char* name;
    Text pattern;
    Text subject;
    bool caseSensitive;
    bool multiline;
    bool global;
    bool convertQuotes;
    bool accepted;
    int matches;
};

TEST(RegexObject, ExecuteOptions) {
    static const Text kPlaceholderPattern = gbk("x#引号y");
    const ExecuteCase cases[] = {
        {"letter case ignored by default", "ABC", "xabc", false, true, true, false, true, 1},
        {"case-sensitive finds nothing, still accepted", "ABC", "xabc", true, true, true, false,
         true, 0},
        {"invalid pattern", "(", "(((", false, true, true, false, false, 0},
        {"not global: first match only", "a", "aaa", false, true, false, false, true, 1},
        {"global: every match", "a", "aaa", false, true, true, false, true, 3},
        {"multi-line caret", "^b", "a\nb\nb", false, true, true, false, true, 2},
        {"single-line caret", "^b", "a\nb\nb", false, false, true, false, true, 0},
        {"placeholder converted", kPlaceholderPattern, "x\"y " + kPlaceholderPattern, false, true,
         true, true, true, 1},
        {"placeholder kept", kPlaceholderPattern, "x\"y " + kPlaceholderPattern, false, true, true,
         false, true, 1},
    };
    for (const ExecuteCase& c : cases) {
        RegexObject regex;
        EXPECT_EQ(regex.execute(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global,
                                c.convertQuotes),
                  c.accepted)
            << c.name;
        EXPECT_EQ(regex.matchCount(), c.matches) << c.name;
    }
    RegexObject converted;
    converted.execute(kPlaceholderPattern, "x\"y " + kPlaceholderPattern, false, true, true, true);
    EXPECT_EQ(converted.matchText(1), "x\"y");
    EXPECT_EQ(converted.getPattern(), "x\"y");
    RegexObject literal;
    literal.execute(kPlaceholderPattern, "x\"y " + kPlaceholderPattern);
    EXPECT_EQ(literal.matchText(1), kPlaceholderPattern);
    EXPECT_EQ(literal.getPattern(), kPlaceholderPattern);
}

TEST(RegexObject, ReadsBeforeExecuteAndPastTheEndAreEmpty) {
    RegexObject regex;
    int position = 99;
    EXPECT_EQ(regex.getPattern(), "");
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.groupCount(), 0);
    EXPECT_EQ(regex.matchText(1, position), "");
    EXPECT_EQ(position, -1);
    EXPECT_EQ(regex.replace("x"), "");

    ASSERT_TRUE(regex.execute("a(b)?", "a ab"));
    EXPECT_EQ(regex.matchText(0), "");
    EXPECT_EQ(regex.matchText(3), "");
    EXPECT_EQ(regex.groupText(1, 0), "");
    EXPECT_EQ(regex.groupText(1, 2), "");
    EXPECT_EQ(regex.groupText(3, 1), "");
    // A group that took no part is empty; its position is that of its match.
    EXPECT_EQ(regex.groupText(1, 1, position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(regex.groupText(2, 1, position), "b");
    EXPECT_EQ(position, 3);

    // A rejected pattern leaves no matches from the run before, and the object stays usable.
    EXPECT_FALSE(regex.execute("[", "a"));
    EXPECT_EQ(regex.getPattern(), "[");
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.replace("x"), "");
    EXPECT_TRUE(regex.execute("a", "a"));
    EXPECT_EQ(regex.matchCount(), 1);
}

TEST(RegexObject, PositionsAreByteOffsets) {
    static const Text kTwoWide = gbk("中文");
    RegexObject regex;
    ASSERT_TRUE(regex.execute("b(c)", kTwoWide + "abc"));
    int position = 0;
    EXPECT_EQ(regex.matchText(1, position), "bc");
    EXPECT_EQ(position, 5);  // character offset 3, two double-byte characters before it
    EXPECT_EQ(regex.groupText(1, 1, position), "c");
    EXPECT_EQ(position, 6);

    // The same text earlier in the subject must not be mistaken for the match.
    ASSERT_TRUE(regex.execute("ab", kTwoWide + "abab"));
    EXPECT_EQ(regex.matchText(2, position), "ab");
    EXPECT_EQ(position, 6);
}

TEST(RegexObject, MatchTextsKeepTheSubjectBytes) {
    // 0xFF starts no GBK character: a round trip through UTF-16 would turn it into "?".
    RegexObject regex;
    ASSERT_TRUE(regex.execute("<([\\s\\S]*?)>",
                              "<a\xFF"
                              "b>"));
    EXPECT_EQ(regex.groupText(1, 1),
              "a\xFF"
              "b");
    EXPECT_EQ(regex.replace("[$1]"),
              "[a\xFF"
              "b]");
}

struct ReplaceCase {
    const char* name;
    Text pattern;
    Text subject;
    bool global;
    Text replacement;
    Text expected;
};

TEST(RegexObject, Replace) {
    const ReplaceCase cases[] = {
        {"all matches", "b", "abcb", true, "-", "a-c-"},
        {"first match only", "b", "abcb", false, "-", "a-cb"},
        {"omitted replacement deletes", "b", "abcb", true, "", "ac"},
        {"groups", "(\\w)(\\d)", "a1 b2", true, "$2$1", "1a 2b"},
        {"whole match, before and after", "b", "abc", true, "[$`|$&|$']", "a[a|b|c]c"},
        {"dollar sign", "b", "abc", true, "$$", "a$c"},
        {"no such group stays literal", "(b)", "abc", true, "$2$0", "a$2$0c"},
        {"two digits when that group exists", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk",
         true, "$11", "k"},
        {"one digit and a literal when only that group exists", "(a)", "a", true, "$10", "a0"},
        {"group that took no part is empty", "a(x)?", "a", true, "[$1]", "[]"},
        {"lone dollar at the end", "b", "abc", true, "$", "a$c"},
        {"empty matches", "x*", "ab", true, "-", "-a-b-"},
        {"letter case follows the execute", "B", "abcb", true, "-", "a-c-"},
    };
    for (const ReplaceCase& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.execute(c.pattern, c.subject, false, true, c.global)) << c.name;
        EXPECT_EQ(regex.replace(c.replacement), c.expected) << c.name;
    }
    static const Text kWide = gbk("中");
    RegexObject regex;
    ASSERT_TRUE(regex.execute("b", kWide + "b"));
    EXPECT_EQ(regex.replace(kWide + "$&"), kWide + kWide + "b");
}

TEST(RegexObject, CopiesShareTheLastRunAndExecuteSeparately) {
    RegexObject original;
    ASSERT_TRUE(original.execute("a(b)", "ab ab"));
    RegexObject copy(original);
    EXPECT_EQ(copy.matchCount(), 2);
    EXPECT_EQ(copy.groupText(2, 1), "b");
    EXPECT_EQ(copy.getPattern(), "a(b)");

    ASSERT_TRUE(copy.execute("x", "xxx"));
    EXPECT_EQ(copy.matchCount(), 3);
    EXPECT_EQ(original.matchCount(), 2);
    EXPECT_EQ(original.replace("-"), "- -");

    RegexObject assigned;
    assigned = copy;
    EXPECT_EQ(assigned.matchCount(), 3);
    RegexObject moved(std::move(assigned));
    EXPECT_EQ(moved.matchText(3), "x");
}

}  // namespace
}  // namespace zentara

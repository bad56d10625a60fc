#include "text/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace zentara {
namespace {

// GBK bytes used below. "\x81\x41" is a double-byte character whose trail byte is the ASCII 'A';
// "\xA1\xA1" is the full-width space; "\xA3\xB1" is the full-width digit one.
const Text kTrailA = "\x81\x41";
const Text kWideSpace = "\xA1\xA1";

struct FindCase {
    const char* name;
    Text text;
    Text sought;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(Text, Find) {
    const FindCase cases[] = {
        {"first occurrence", "abcabc", "bc", 1, false, 2},
        {"from a later start", "abcabc", "bc", 3, false, 5},
        {"start below 1 searches from the beginning", "abc", "a", -5, false, 1},
        {"start past the end", "abc", "a", 4, false, -1},
        {"not found", "abc", "x", 1, false, -1},
        {"case counts by default", "ABC", "b", 1, false, -1},
        {"ignore case folds ASCII", "ABC", "b", 1, true, 2},
        {"never begins on a trail byte", kTrailA + "A", "A", 1, false, 3},
        {"trail byte never folds", kTrailA, "a", 1, true, -1},
        {"double-byte sought", "x" + kTrailA, kTrailA, 1, true, 2},
        {"empty sought in a non-empty part", "abc", "", 2, false, 1},
        {"empty sought in the empty text", "", "", 1, false, -1},
        {"lone lead byte at the end", "ab\x81", "\x81", 1, false, 3},
        {"sought longer than the rest", "ab\x81", "\x81\x41", 1, false, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(findText(c.text, c.sought, c.start, c.ignoreCase), c.expected) << c.name;
    }
}

TEST(Text, FindFromEnd) {
    struct Case {
        const char* name;
        Text text;
        Text sought;
        std::optional<int> start;
        bool ignoreCase;
        int expected;
    };
    const Case cases[] = {
        {"whole text when no start", "abcabc", "bc", std::nullopt, false, 5},
        {"only within the first start-1 bytes", "abcabc", "bc", 6, false, 2},
        {"a match reaching past the limit is out", "abcabc", "bc", 5, false, 2},
        {"start of 1 gives -1", "abc", "a", 1, false, -1},
        {"start past the end is the whole text", "abcabc", "c", 100, false, 6},
        {"ignore case", "aXbx", "X", std::nullopt, true, 4},
        {"never on a trail byte", "A" + kTrailA, "A", std::nullopt, false, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(findTextFromEnd(c.text, c.sought, c.start, c.ignoreCase), c.expected) << c.name;
    }
}

TEST(Text, LeftRightMid) {
    EXPECT_EQ(leftOf("abcdef", 2), "ab");
    EXPECT_EQ(leftOf("ab", 5), "ab");
    EXPECT_EQ(leftOf("ab", 0), "");
    EXPECT_EQ(leftOf("ab", -1), "");
    EXPECT_EQ(rightOf("abcdef", 2), "ef");
    EXPECT_EQ(rightOf("ab", 5), "ab");
    EXPECT_EQ(rightOf("ab", -3), "");
    EXPECT_EQ(midOf("abcdef", 2, 3), "bcd");
    EXPECT_EQ(midOf("abcdef", 5, 10), "ef");
    EXPECT_EQ(midOf("abcdef", 0, 2), "");
    EXPECT_EQ(midOf("abcdef", 7, 1), "");
    EXPECT_EQ(midOf("abcdef", 2, 0), "");
    EXPECT_EQ(midOf(kTrailA, 2, 1), "A");  // plain bytes
}

TEST(Text, Split) {
    struct Case {
        const char* name;
        Text text;
        Text separator;
        std::optional<int> count;
        TextList expected;
    };
    const Case cases[] = {
        {"plain", "a,b,c", ",", std::nullopt, {"a", "b", "c"}},
        {"leading and adjacent separators give empty parts",
         ",a,,b",
         ",",
         std::nullopt,
         {"", "a", "", "b"}},
        {"trailing separator adds no part", "a,b,", ",", std::nullopt, {"a", "b"}},
        {"empty text gives no parts", "", ",", std::nullopt, {}},
        {"empty separator gives the whole text", "a,b", "", std::nullopt, {"a,b"}},
        {"multi-byte separator", "a<>b<>c", "<>", std::nullopt, {"a", "b", "c"}},
        {"count caps the parts", "a,b,c", ",", 2, {"a", "b"}},
        {"negative count counts as 0", "a,b,c", ",", -1, {}},
        {"separator never matched on a trail byte",
         kTrailA + "A" + "b",
         "A",
         std::nullopt,
         {kTrailA, "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitText(c.text, c.separator, c.count), c.expected) << c.name;
    }
    EXPECT_EQ(splitText("a,b"), (TextList{"a", "b"})) << "default separator is a comma";
}

TEST(Text, Replace) {
    struct Case {
        const char* name;
        Text text;
        Text sought;
        Text replacement;
        int start;
        std::optional<int> count;
        bool caseSensitive;
        Text expected;
    };
    const Case cases[] = {
        {"all occurrences", "a.b.c", ".", "--", 1, std::nullopt, false, "a--b--c"},
        {"no overlap", "aaaa", "aa", "b", 1, std::nullopt, false, "bb"},
        {"from start on, earlier bytes copied", "x.x.x", "x", "y", 2, std::nullopt, false, "x.y.y"},
        {"count limits", "x.x.x", "x", "y", 1, 2, false, "y.y.x"},
        {"count 0 changes nothing", "x.x", "x", "y", 1, 0, false, "x.x"},
        {"letters match regardless of case", "a<BR>b<br>", "<br>", "\r\n", 1, std::nullopt, false,
         "a\r\nb\r\n"},
        {"case-sensitive", "a<BR>b<br>", "<br>", "|", 1, std::nullopt, true, "a<BR>b|"},
        {"empty sought changes nothing", "abc", "", "x", 1, std::nullopt, false, "abc"},
        {"start past the end changes nothing", "abc", "a", "x", 9, std::nullopt, false, "abc"},
        {"never on a trail byte", kTrailA + "A", "A", "z", 1, std::nullopt, true, kTrailA + "z"},
        {"replacement may contain the sought text", "ab", "a", "aa", 1, std::nullopt, false, "aab"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(replaceText(c.text, c.sought, c.replacement, c.start, c.count, c.caseSensitive),
                  c.expected)
            << c.name;
    }
}

TEST(Text, Trim) {
    struct Case {
        Text text;
        Text both;
        Text start;
    };
    const Case cases[] = {
        {"  a b  ", "a b", "a b  "},
        {kWideSpace + " a" + kWideSpace, "a", "a" + kWideSpace},
        {"\ta\r\n", "\ta\r\n", "\ta\r\n"},  // tabs, CR and LF stay
        {"   ", "", ""},
        {"", "", ""},
        // "\xB0\xA1" is a character whose trail byte is A1; the A1 after it is not a space.
        {"\xB0\xA1\xA1", "\xB0\xA1\xA1", "\xB0\xA1\xA1"},
        {"a\x81", "a\x81", "a\x81"},  // lone lead byte at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimBoth(c.text), c.both) << c.text;
        EXPECT_EQ(trimStart(c.text), c.start) << c.text;
    }
}

TEST(Text, ToInteger) {
    struct Case {
        Text text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"  \t\r\n\v\f-17x", -17},
        {"+8", 8},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"12 34", 12},
        {"\xA3\xB1\xA3\xB2", 12},  // full-width digits
        {kWideSpace + "\xA3\xAD"
                      "5",
         -5},  // full-width space and minus
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MIN},  // wraps in 32 bits
        {"4294967297", 1},
        {"-2147483648", INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toInteger(c.text), c.expected) << c.text;
    }
    EXPECT_EQ(toText(-12), "-12");
    EXPECT_EQ(toText(0), "0");
    EXPECT_EQ(toText(2147483647), "2147483647");
}

TEST(Text, CaseAndBlanks) {
    EXPECT_EQ(toUpperAscii("aZ1\xD6\xD0"), "AZ1\xD6\xD0");
    EXPECT_EQ(toLowerAscii("AbC"), "abc");
    // Only single-byte characters change: the trail byte 'A' of "\x81\x41" stays.
    EXPECT_EQ(toLowerAscii(kTrailA + "B"), kTrailA + "b");
    EXPECT_EQ(toUpperAscii("\x81\x61"
                           "b"),
              "\x81\x61"
              "B");
    EXPECT_EQ(blankText(3), "   ");
    EXPECT_EQ(blankText(-1), "");
    EXPECT_EQ(blankBytes(2), std::string(2, '\0'));
    EXPECT_EQ(untilZero(std::string("ab\0c", 4)), "ab");
}

}  // namespace
}  // namespace zentara

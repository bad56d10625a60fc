#include "extract/marker_extraction.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/code_page.h"
#include "platform/run_time.h"

namespace zentara {
namespace {

// GBK characters whose trail byte is an ASCII marker byte: "\xB0\x5D" ends in ']',
// "\x81\x40" ends in '@', "\x81\x41" ends in 'A'.
const Text kTrailBracket = "\xB0\x5D";
const Text kTrailAt = "\x81\x40";
const Text kTrailA = "\x81\x41";

const Text& placeholder() {
    static const Text text = gbk("#引号");
    return text;
}

struct BetweenCase {
    const char* name;
    Text text;
    Text left;
    Text right;
    int start;
    bool ignoreCase;
    Text expected;
};

TEST(ExtractBetween, Cases) {
    const BetweenCase cases[] = {
        {"first text between markers", "abcXYdefZ", "XY", "Z", 0, false, "def"},
        {"case counts by default", "abcXYdefZ", "xy", "Z", 0, false, ""},
        {"ignore case", "abcXYdefZ", "xy", "z", 0, true, "def"},
        {"placeholder in the left marker", "xa\"bcZ", "a" + placeholder(), "Z", 0, false, "bc"},
        {"placeholder in the right marker", "<a href=\"u\">", "href=\"", placeholder(), 0, false,
         "u"},
        {"adjacent markers", "abZ", "b", "Z", 0, false, ""},
        {"right marker only before the left", "Zab", "a", "Z", 0, false, ""},
        {"left marker missing", "abc", "x", "c", 0, false, ""},
        {"start position skips an earlier pair", "[1][2]", "[", "]", 2, false, "2"},
        {"start past the end", "[1]", "[", "]", 9, false, ""},
        {"right marker never on a trail byte", "[" + kTrailBracket + "x]", "[", "]", 0, false,
         kTrailBracket + "x"},
        {"left marker never on a trail byte", kTrailAt + "a@b@", "@", "@", 0, false, "b"},
        {"folding never touches a trail byte", kTrailA + "aXa", "a", "a", 0, true, "X"},
        {"lone lead byte at the end", "[ab\xB0", "[", "]", 0, false, ""},
        {"right marker spends a lone lead byte's neighbour", "[a\xB0]b]", "[", "]", 0, false,
         "a\xB0]b"},
    };
    for (const BetweenCase& c : cases) {
        EXPECT_EQ(extractBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected)
            << c.name;
    }
}

struct SearchCase {
    const char* name;
    Text text;
    Text left;
    Text right;
    bool caseSensitive;
    int maxLength;
    Text prefix;
    Text suffix;
    bool includeLeft;
    bool includeRight;
    int start;
    TextList expected;
};

TEST(ExtractAllBySearch, Cases) {
    static const Text kWideSpace = "\xA1\xA1";
    const SearchCase cases[] = {
        {"right marker serves as the next left marker",
         "$a$b$c$",
         "$",
         "$",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {"a", "b", "c"}},
        {"blank pairs yield nothing",
         "[ x ][][ y ]",
         "[",
         "]",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {"x", "y"}},
        {"a prefix keeps blank pairs",
         "[ x ][][ y ]",
         "[",
         "]",
         false,
         0,
         "#",
         "",
         false,
         false,
         0,
         {"#x", "#", "#y"}},
        {"only spaces and full-width spaces are trimmed",
         "[ \t" + kWideSpace + "a\r\n " + kWideSpace + "]",
         "[",
         "]",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {"\t" + kWideSpace + "a\r\n"}},
        {"maxLength drops texts not shorter than it",
         "[abc][ab]",
         "[",
         "]",
         false,
         3,
         "",
         "",
         false,
         false,
         0,
         {"ab"}},
        {"maxLength is measured after decoration",
         "[a][]",
         "[",
         "]",
         false,
         3,
         "<",
         ">",
         false,
         false,
         0,
         {"<>"}},
        {"markers added around kept texts",
         "[a]",
         "[",
         "]",
         false,
         0,
         "",
         "",
         true,
         true,
         0,
         {"[a]"}},
        {"maxLength counts added markers",
         "[ab][a]",
         "[",
         "]",
         false,
         4,
         "",
         "",
         true,
         true,
         0,
         {"[a]"}},
        {"letter case ignored by default",
         "<ID>7</ID>",
         "<id>",
         "</id>",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {"7"}},
        {"case-sensitive", "<ID>7</ID>", "<id>", "</id>", true, 0, "", "", false, false, 0, {}},
        {"start position", "[1][2][3]", "[", "]", false, 0, "", "", false, false, 4, {"2", "3"}},
        {"markers used unchanged",
         "\"a\"",
         placeholder(),
         placeholder(),
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {}},
        {"no right marker after the last left",
         "[1][2",
         "[",
         "]",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {"1"}},
        {"empty left marker", "abc", "", "c", false, 0, "#", "", false, false, 0, {}},
        {"empty right marker", "abc", "a", "", false, 0, "#", "", false, false, 0, {}},
        {"marker bytes inside double-byte characters",
         "$" + kTrailA + "$" + kTrailAt + "$",
         "$",
         "$",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {kTrailA, kTrailAt}},
        {"trail byte never taken for a marker",
         "a" + kTrailA + "Xa",
         "a",
         "a",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {kTrailA + "X"}},
        {"lone lead byte at the end",
         "$a$\xB0",
         "$",
         "$",
         false,
         0,
         "",
         "",
         false,
         false,
         0,
         {"a"}},
    };
    for (const SearchCase& c : cases) {
        TextList results{"stale"};
        int count =
            extractAllBySearch(c.text, c.left, c.right, results, c.caseSensitive, c.maxLength,
                               c.prefix, c.suffix, c.includeLeft, c.includeRight, c.start);
        EXPECT_EQ(results, c.expected) << c.name;
        EXPECT_EQ(count, static_cast<int>(results.size())) << c.name;
    }
}

int pumpCalls = 0;

TEST(ExtractAllBySearch, LetsTheThreadProcessItsEvents) {
    pumpCalls = 0;
    setEventPump([] { ++pumpCalls; });
    TextList results;
    // Three times per pair, once more for a pair checked against maxLength.
    extractAllBySearch("[a][b]", "[", "]", results);
    EXPECT_EQ(pumpCalls, 6);
    pumpCalls = 0;
    extractAllBySearch("[a][bcd]", "[", "]", results, false, 2);
    EXPECT_EQ(pumpCalls, 8);
    EXPECT_EQ(results, TextList{"a"});
    setEventPump(nullptr);
}

struct PatternCase {
    const char* name;
    Text text;
    Text left;
    Text right;
    int maxLength;
    Text prefix;
    Text suffix;
    bool includeLeft;
    bool includeRight;
    TextList expected;
};

TEST(ExtractAllByPattern, Cases) {
    static const Text kWide = gbk("名称");
    const PatternCase cases[] = {
        {"letter case ignored",
         "<a>1</a><A>2</A>",
         "<a>",
         "</a>",
         0,
         "",
         "",
         false,
         false,
         {"1", "2"}},
        {"upper-case tags",
         "<NAME><![CDATA[" + kWide + "]]></NAME>",
         "<name><![CDATA[",
         "]]></name>",
         0,
         "",
         "",
         false,
         false,
         {kWide}},
        {"maxLength keeps texts of at most its length",
         "<a>abc</a><a>abcd</a>",
         "<a>",
         "</a>",
         3,
         "",
         "",
         false,
         false,
         {"abc"}},
        {"maxLength is measured before decoration",
         "<a>abc</a>",
         "<a>",
         "</a>",
         3,
         "#",
         "#",
         true,
         true,
         {"<a>#abc#</a>"}},
        {"empty texts are kept",
         "<a></a><a> </a>",
         "<a>",
         "</a>",
         0,
         "",
         "",
         false,
         false,
         {"", " "}},
        {"an unescaped dot matches any character",
         "axb1c ayb2c",
         "a.b",
         "c",
         0,
         "",
         "",
         false,
         false,
         {"1", "2"}},
        {"metacharacters in markers match literally",
         "(1+1)?=2;",
         "(1+1)?=",
         ";",
         0,
         "",
         "",
         false,
         false,
         {"2"}},
        {"placeholder converted in the pattern, kept in decoration",
         "v=\"x\"",
         "v=" + placeholder(),
         placeholder(),
         0,
         "",
         "",
         true,
         false,
         {"v=" + placeholder() + "x"}},
        {"CR LF marker matches a bare LF",
         "<p>\nabc</p>",
         "<p>\r\n",
         "</p>",
         0,
         "",
         "",
         false,
         false,
         {"abc"}},
        {"CR LF marker does not match CR LF",
         "<p>\r\nabc</p>",
         "<p>\r\n",
         "</p>",
         0,
         "",
         "",
         false,
         false,
         {}},
        {"texts span line breaks, matches do not overlap",
         "[a\nb][c]",
         "[",
         "]",
         0,
         "",
         "",
         false,
         false,
         {"a\nb", "c"}},
        {"no right marker", "<a>1<a>2", "<a>", "</a>", 0, "", "", false, false, {}},
        {"marker bytes inside double-byte characters",
         "[" + kTrailBracket + "x]",
         "[",
         "]",
         0,
         "",
         "",
         false,
         false,
         {kTrailBracket + "x"}},
        {"trail byte never folds to a marker letter",
         "a" + kTrailA + "Xa",
         "a",
         "a",
         0,
         "",
         "",
         false,
         false,
         {kTrailA + "X"}},
        {"lone lead byte at the end",
         "<a>1</a>\xB0",
         "<a>",
         "</a>",
         0,
         "",
         "",
         false,
         false,
         {"1"}},
        {"a right marker overlapping an earlier one",
         "Laaa",
         "La",
         "aa",
         0,
         "",
         "",
         false,
         false,
         {""}},
        {"invalid pattern finds nothing", "a\\b", "\\", "b", 0, "", "", false, false, {}},
    };
    for (const PatternCase& c : cases) {
        TextList results{"stale"};
        int count = extractAllByPattern(c.text, c.left, c.right, results, false, c.maxLength,
                                        c.prefix, c.suffix, c.includeLeft, c.includeRight);
        EXPECT_EQ(results, c.expected) << c.name;
        EXPECT_EQ(count, static_cast<int>(results.size())) << c.name;
    }
}

// Markers that are not plain literals take the full pattern over the whole text.
TEST(ExtractAllByPattern, AnchoredAndAlternativeMarkers) {
    TextList results;
    EXPECT_EQ(extractAllByPattern("x=1\nx=2;", "^x=", "$", results), 2);
    EXPECT_EQ(results, (TextList{"1", "2;"}));
    EXPECT_EQ(extractAllByPattern("ab1c", "a|b", "c", results), 2);
    EXPECT_EQ(results, (TextList{"", "1"}));
}

TEST(ExtractAllByPattern, ManyLeftMarkersWithoutRightMarkerStayFast) {
    // Right-marker look-alikes everywhere, the right marker itself only in the first title.
    Text text;
    for (int i = 0; i < 5000; ++i) {
        text += "<name><![CDATA[t]]></nam><note><![CDATA[n]]></note>" + Text(150, 'x');
    }
    text = "<name><![CDATA[first]]></name>" + text;
    TextList results;
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(extractAllByPattern(text, "<name><![CDATA[", "]]></name>", results), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(results, TextList{"first"});
}

TEST(EscapePattern, Cases) {
    const std::pair<Text, Text> cases[] = {
        {"<![CDATA[", "<!\\[CDATA\\["},  {"(1+1)?", "\\(1\\+1\\)\\?"},
        {"*{2}]", "\\*\\{2\\}\\]"},      {"a" + placeholder() + "b", "a\"b"},
        {"a\r\nb\rc\nd", "a\\nb\rc\nd"}, {".^$|/\\", ".^$|/\\"},
    };
    for (const auto& [marker, expected] : cases) {
        EXPECT_EQ(escapePattern(marker), expected) << marker;
    }
}

struct ReplaceManyCase {
    const char* name;
    Text text;
    std::optional<int> count;
    int start;
    bool caseSensitive;
    Text expected;
};

TEST(ReplaceMany, Cases) {
    const ReplaceManyCase cases[] = {
        {"letter case ignored by default", "a<br>b<BR>c", std::nullopt, 0, false, "a\r\nb\r\nc"},
        {"case-sensitive", "a<br>b<BR>c", std::nullopt, 0, true, "a\r\nb<BR>c"},
        {"count limits each pass", "<br><br>", 1, 0, false, "\r\n<br>"},
        {"count 0 changes nothing", "<br>", 0, 0, false, "<br>"},
        {"start position keeps the bytes before it", "<br><br>", std::nullopt, 3, false,
         "<br>\r\n"},
    };
    for (const ReplaceManyCase& c : cases) {
        EXPECT_EQ(replaceMany(c.text, c.count, c.start, c.caseSensitive, "<br>", "\r\n"),
                  c.expected)
            << c.name;
    }
    // Each pass works on the result of the one before and counts on its own.
    EXPECT_EQ(replaceMany("aab", 1, 1, false, "a", "b", "b", "c", "", "z", "c", "d"), "dab");
    EXPECT_EQ(replaceMany("abc", std::nullopt, 0, false, "", "x"), "abc");
}

}  // namespace
}  // namespace zentara

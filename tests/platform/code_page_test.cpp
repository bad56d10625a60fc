#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace zentara {
namespace {

// "中文" in GBK and UTF-8.
const std::string kZhongWenGbk = "\xD6\xD0\xCE\xC4";
const std::string kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

TEST(CodePage, ToWideDecodesGbk) {
    EXPECT_EQ(toWide(""), u"");
    EXPECT_EQ(toWide("abc"), u"abc");
    EXPECT_EQ(toWide(kZhongWenGbk), u"中文");
    EXPECT_EQ(toWide("\x80"), u"\u20AC");  // code page 936 has the euro sign at 0x80
}

TEST(CodePage, ToWideReplacesUndecodableBytes) {
    // A lone lead byte at the end, and a byte that no GBK character starts with.
    EXPECT_EQ(toWide("a\xD6"), u"a\uFFFD");
    EXPECT_EQ(toWide("\xFF"
                     "b"),
              u"\uFFFD"
              "b");
}

TEST(CodePage, FromWideEncodesAndStopsAtZero) {
    EXPECT_EQ(fromWide(u""), "");
    EXPECT_EQ(fromWide(u"中文"), kZhongWenGbk);
    EXPECT_EQ(fromWide(std::u16string(u"ab\0cd", 5)), "ab");
}

TEST(CodePage, FromWideMarksMissingCharactersWithQuestionMark) {
    EXPECT_EQ(fromWide(u"a\u0E01b"), "a?b");      // Thai letter: not in GBK
    EXPECT_EQ(fromWide(u"x\U0001F600y"), "x?y");  // surrogate pair: one character
    EXPECT_EQ(fromWide(std::u16string(1, char16_t(0xD800)) + u"z"), "?z");  // lone surrogate
}

TEST(CodePage, Utf8ToText) {
    EXPECT_EQ(utf8ToText(""), "");
    EXPECT_EQ(utf8ToText("plain"), "plain");
    EXPECT_EQ(utf8ToText(kZhongWenUtf8), kZhongWenGbk);
    // An invalid byte becomes the replacement character, which code page 936 lacks.
    EXPECT_EQ(utf8ToText("a\xFF"
                         "b"),
              "a?b");
    // Nothing decodable at all gives the empty text.
    EXPECT_EQ(utf8ToText("\xFF\xFE"), "");
    // The result is a Text: it ends at the first zero.
    EXPECT_EQ(utf8ToText(std::string("ab\0cd", 5)), "ab");
    // A character code page 936 lacks is one "?", however many bytes it takes in UTF-8.
    EXPECT_EQ(utf8ToText("x\xF0\x9F\x98\x80y"), "x?y");
    EXPECT_EQ(utf8ToText("\xE0\xB8\x81"), "?");
    // A leading byte-order mark is dropped, not turned into "?".
    EXPECT_EQ(utf8ToText("\xEF\xBB\xBF{}"), "{}");
}

TEST(CodePage, RoundTripsAndLiterals) {
    EXPECT_EQ(textToUtf8(kZhongWenGbk), kZhongWenUtf8);
    EXPECT_EQ(textToUtf8("a\xFF"), "a\xEF\xBF\xBD");
    EXPECT_EQ(wideToUtf8(u"中文"), kZhongWenUtf8);
    EXPECT_EQ(utf8ToWide(kZhongWenUtf8), u"中文");
    EXPECT_EQ(gbk("中文"), kZhongWenGbk);
    EXPECT_EQ(gbk("#引号").size(), 5u);  // '#' plus two double-byte characters
    std::string big(1 << 20, 'x');
    big += kZhongWenUtf8;
    EXPECT_EQ(utf8ToText(big).size(), (1u << 20) + 4u);
}

}  // namespace
}  // namespace zentara

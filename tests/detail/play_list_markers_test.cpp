#include "detail/play_list_markers.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"

namespace zentara {
namespace {

struct MarkerLengths {
    int site;
    int onlineStart, m3u8Start, sectionEnd, itemLeft, itemRight;
};

// GBK byte lengths of every marker; the full-width colon and the Chinese characters count two
// bytes each, every blank, CR and LF one.
TEST(PlayListMarkers, GbkByteLengthsOfEverySite) {
    const MarkerLengths expected[] = {
        {0, 79, 80, 12, 13, 5}, {1, 38, 40, 12, 13, 5}, {2, 14, 15, 6, 7, 10},
        {3, 14, 15, 6, 7, 10},  {4, 40, 42, 13, 13, 6}, {5, 81, 83, 12, 13, 5},
        {6, 14, 15, 6, 7, 10},  {7, 0, 0, 13, 16, 10},
    };
    for (const MarkerLengths& row : expected) {
        SCOPED_TRACE("site " + std::to_string(row.site));
        const PlayListMarkers& m = playListMarkers(row.site);
        EXPECT_EQ(static_cast<int>(m.onlineStart.size()), row.onlineStart);
        EXPECT_EQ(static_cast<int>(m.m3u8Start.size()), row.m3u8Start);
        EXPECT_EQ(static_cast<int>(m.sectionEnd.size()), row.sectionEnd);
        EXPECT_EQ(static_cast<int>(m.itemLeft.size()), row.itemLeft);
        EXPECT_EQ(static_cast<int>(m.itemRight.size()), row.itemRight);
    }
}

TEST(PlayListMarkers, WhitespaceLayoutOfTheStartMarkers) {
    // Sites 0 and 5: LF only, "</h3>" 1 blank LF, 6 blanks "<ul>" LF, 9 blanks LF, 7 blanks.
    const Text tail = " \n      <ul>\n         \n       ";
    for (int site : {0, 5}) {
        const PlayListMarkers& m = playListMarkers(site);
        for (const Text& start : {m.onlineStart, m.m3u8Start}) {
            ASSERT_GE(start.size(), tail.size());
            EXPECT_EQ(start.substr(start.size() - tail.size()), tail) << "site " << site;
            EXPECT_EQ(start.find('\r'), Text::npos);
        }
    }
    EXPECT_EQ(playListMarkers(0).onlineStart,
              gbk("<h3>播放类型：<span class=\"suf\">kuyun</span></h3>") + tail);
    EXPECT_EQ(playListMarkers(5).m3u8Start,
              gbk("<h3>播放类型：<span class=\"suf\">zuidam3u8</span></h3>") + tail);

    EXPECT_EQ(playListMarkers(1).onlineStart,
              "      " + gbk("<h3>来源：33uu</h3>") + " \r\n      <ul>");
    EXPECT_EQ(playListMarkers(4).m3u8Start,
              "      " + gbk("<h3>来源：131m3u8</h3>") + " \r\n      <ul>\r");
    EXPECT_EQ(playListMarkers(4).sectionEnd, "      </ul> \r");
    EXPECT_EQ(playListMarkers(2).onlineStart, gbk("<!--前yjyun-->"));
    EXPECT_EQ(playListMarkers(6).sectionEnd, gbk("<!--后"));
    EXPECT_EQ(playListMarkers(3).itemRight, "\" checked=");
}

TEST(PlayListMarkers, FullWidthColonIsGbkA3Ba) {
    const Text probe = probeText("youku");
    EXPECT_EQ(probe, Text("<h3>") + gbk("来源") + "\xA3\xBA" + "youku</h3>");
}

TEST(PlayListMarkers, ProbeOrderAndLengthsOfSiteSeven) {
    const std::string_view online[] = {"youku", "kkyun", "605yun", "pptv", "qiyi", "letv", "mgtv"};
    ASSERT_EQ(std::size(online), kOnlineProbeSources.size());
    for (std::size_t i = 0; i < kOnlineProbeSources.size(); ++i) {
        EXPECT_EQ(kOnlineProbeSources[i], online[i]);
    }
    ASSERT_EQ(kM3u8ProbeSources.size(), 2u);
    EXPECT_EQ(kM3u8ProbeSources[0], "605m3u8");
    EXPECT_EQ(kM3u8ProbeSources[1], "kkm3u8");

    const struct {
        std::string_view source;
        int probe, sectionStart;
    } lengths[] = {{"youku", 20, 40}, {"kkyun", 20, 40},   {"605yun", 21, 41},
                   {"pptv", 19, 39},  {"qiyi", 19, 39},    {"letv", 19, 39},
                   {"mgtv", 19, 39},  {"605m3u8", 22, 42}, {"kkm3u8", 21, 41}};
    for (const auto& row : lengths) {
        SCOPED_TRACE(std::string(row.source));
        EXPECT_EQ(static_cast<int>(probeText(row.source).size()), row.probe);
        const Text start = probeSectionStart(row.source);
        EXPECT_EQ(static_cast<int>(start.size()), row.sectionStart);
        EXPECT_EQ(start, "      " + probeText(row.source) + " \r\n      <ul>\r");
    }
}

}  // namespace
}  // namespace zentara

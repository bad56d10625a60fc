#pragma once

// The marker texts that cut the two episode lists out of a title's detail page, one record per
// site (the site index is the entry of the source list, 0 to 7).
//
// The texts are written here once, in UTF-8, exactly as the pages carry them (every blank, CR and
// LF counts). The program compares them with pages that have been decoded into GBK, so it uses the
// GBK forms from playListMarkers(); the UTF-8 forms are what a page generator writes.
//
// Site 7 has no fixed start markers: its sections are found by probing for the heading of each
// known source name in turn (onlineProbeSources, then m3u8ProbeSources).

#include <array>
#include <string>
#include <string_view>

#include "text/text.h"

namespace zentara {

inline constexpr int kPlayListSiteCount = 8;
inline constexpr int kProbedSite = 7;

struct PlayListMarkerSource {
    std::string_view onlineStart;  // directly precedes the online-player list (empty for site 7)
    std::string_view m3u8Start;    // directly precedes the M3U8 list (empty for site 7)
    std::string_view sectionEnd;   // ends either list; searched after the start marker
    std::string_view itemLeft;     // directly precedes each "label$link" entry
    std::string_view itemRight;    // directly follows each entry
};

// Sites 0 and 5 end their headings with LF only; sites 1 and 4 use CR LF, and site 4 (like the
// probed sections of site 7) has one more CR after "<ul>" and after "</ul> ".
inline constexpr std::array<PlayListMarkerSource, kPlayListSiteCount> kPlayListMarkerSource = {{
    // 0 "OK资源网"
    {"<h3>播放类型：<span class=\"suf\">kuyun</span></h3> \n"
     "      <ul>\n"
     "         \n"
     "       ",
     "<h3>播放类型：<span class=\"suf\">ckm3u8</span></h3> \n"
     "      <ul>\n"
     "         \n"
     "       ",
     "      </ul> ", "checked=\"\" />", "</li>"},
    // 1 "33UU资源网"
    {"      <h3>来源：33uu</h3> \r\n"
     "      <ul>",
     "      <h3>来源：33uuck</h3> \r\n"
     "      <ul>",
     "      </ul> ", "checked=\"\" />", "</li>"},
    // 2 "永久资源网"
    {"<!--前yjyun-->", "<!--前yjm3u8-->", "<!--后", "value=\"", "\" checked="},
    // 3 "极速云资源网"
    {"<!--前jsyun-->", "<!--前jsm3u8-->", "<!--后", "value=\"", "\" checked="},
    // 4 "131资源网"
    {"      <h3>来源：131zy</h3> \r\n"
     "      <ul>\r",
     "      <h3>来源：131m3u8</h3> \r\n"
     "      <ul>\r",
     "      </ul> \r", "checked=\"\" />", "</li> "},
    // 5 "最大资源网"
    {"<h3>播放类型：<span class=\"suf\">zuidall</span></h3> \n"
     "      <ul>\n"
     "         \n"
     "       ",
     "<h3>播放类型：<span class=\"suf\">zuidam3u8</span></h3> \n"
     "      <ul>\n"
     "         \n"
     "       ",
     "      </ul> ", "checked=\"\" />", "</li>"},
    // 6 "最快资源网"
    {"<!--前zkyun-->", "<!--前zkm3u8-->", "<!--后", "value=\"", "\" checked="},
    // 7 "酷酷资源网": start markers come from probing
    {"", "", "      </ul> \r", "target=\"_blank\">", "</a></li> "},
}};

// Site 7's source names, in the order they are probed; the first one found wins.
inline constexpr std::array<std::string_view, 7> kOnlineProbeSources = {
    "youku", "kkyun", "605yun", "pptv", "qiyi", "letv", "mgtv"};
inline constexpr std::array<std::string_view, 2> kM3u8ProbeSources = {"605m3u8", "kkm3u8"};

// "<h3>来源：" + source + "</h3>" (UTF-8).
inline std::string probeTextUtf8(std::string_view source) {
    std::string text = "<h3>来源：";
    text += source;
    text += "</h3>";
    return text;
}

// 6 spaces, the probe text, 1 space, CR, LF, 6 spaces, "<ul>", CR (UTF-8).
inline std::string probeSectionStartUtf8(std::string_view source) {
    return "      " + probeTextUtf8(source) + " \r\n      <ul>\r";
}

// The same texts in GBK, as the program compares them with a page.
struct PlayListMarkers {
    Text onlineStart;
    Text m3u8Start;
    Text sectionEnd;
    Text itemLeft;
    Text itemRight;
};

// The record of a site 0 to 7; converted once, on first use.
const PlayListMarkers& playListMarkers(int site);

Text probeText(std::string_view source);
Text probeSectionStart(std::string_view source);

}  // namespace zentara

#include "detail/play_list_cut.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detail/play_list_markers.h"
#include "platform/code_page.h"

namespace zentara {
namespace {

// Detail pages shaped like each site's, built around the marker table. `nl` is the line end the
// site uses; the markers carry their own CR and LF bytes.

const TextList kOnline = {gbk("第01集$https://v.example/play/1"),
                          gbk("第02集$https://v.example/play/2"),
                          gbk("第03集$https://v.example/play/3")};
const TextList kM3u8 = {gbk("第01集$https://v.example/1/index.m3u8"),
                        gbk("第02集$https://v.example/2/index.m3u8")};

// One episode item in the site's own markup; only itemLeft and itemRight matter to the cut.
Text item(int site, const Text& entry) {
    switch (site) {
        case 2:
        case 3:
        case 6:
            return "<li><input type=\"checkbox\" name=\"copy_sel\" value=\"" + entry +
                   "\" checked=\"\" />" + entry + "</li>";
        case 7:
            return "<li><a title=\"" + entry + "\" href=\"#\" target=\"_blank\">" + entry +
                   "</a></li> ";
        default:  // 0, 1, 4, 5
            return "<li><input type=\"checkbox\" name=\"copy_sel\" value=\"" + entry +
                   "\" checked=\"\" />" + entry + (site == 4 ? "</li> " : "</li>");
    }
}

Text lineEnd(int site) {
    return (site == 0 || site == 5) ? "\n" : "\r\n";
}

Text section(int site, const Text& start, const TextList& entries) {
    const PlayListMarkers& m = playListMarkers(site);
    Text text = start + lineEnd(site);
    for (const Text& entry : entries) {
        text += "        " + item(site, entry) + lineEnd(site);
    }
    return text + m.sectionEnd + lineEnd(site);
}

Text page(int site, const TextList& online, const TextList& m3u8) {
    const PlayListMarkers& m = playListMarkers(site);
    const Text nl = lineEnd(site);
    Text text = "<html><head><title>" + gbk("标题") + "</title></head>" + nl + "<body>" + nl;
    text += "<div class=\"vodinfo\">" + gbk("主演：某某") + "</div>" + nl;
    if (site == kProbedSite) {
        text += section(site, probeSectionStart("kkyun"), online);
        text += section(site, probeSectionStart("605m3u8"), m3u8);
    } else {
        text += section(site, m.onlineStart, online);
        if (!m3u8.empty()) {
            text += section(site, m.m3u8Start, m3u8);
        }
    }
    return text + "</body></html>" + nl;
}

Text withoutCr(Text text) {
    std::erase(text, '\r');
    return text;
}

Text withCrLf(const Text& text) {
    Text out;
    for (char c : withoutCr(text)) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

TEST(CutPlayLists, EverySiteCutsBothListsOfItsOwnPageLayout) {
    for (int site = 0; site < kPlayListSiteCount; ++site) {
        SCOPED_TRACE("site " + std::to_string(site));
        const PlayLists lists = cutPlayLists(page(site, kOnline, kM3u8), site);
        EXPECT_EQ(lists.online, kOnline);
        EXPECT_EQ(lists.m3u8, kM3u8);
    }
}

TEST(CutPlayLists, ASiteFindsNothingInAnotherSitesPage) {
    // 2, 3 and 6 differ only in their section names, 0 and 5 in their source names.
    const struct {
        int pageSite, cutSite;
    } cases[] = {{2, 3}, {3, 6}, {0, 5}, {1, 4}, {4, 7}, {7, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pageSite) + " cut as " + std::to_string(c.cutSite));
        const PlayLists lists = cutPlayLists(page(c.pageSite, kOnline, kM3u8), c.cutSite);
        EXPECT_TRUE(lists.online.empty());
        EXPECT_TRUE(lists.m3u8.empty());
    }
}

TEST(CutPlayLists, LineEndsMustBeTheSitesOwn) {
    // Site 4's markers end in CR: its page with LF only yields nothing. Sites 0 and 5 expect a
    // bare LF after "</h3> ": their page with CR LF yields nothing, the LF page both lists.
    EXPECT_TRUE(cutPlayLists(withoutCr(page(4, kOnline, kM3u8)), 4).online.empty());
    EXPECT_TRUE(cutPlayLists(withoutCr(page(4, kOnline, kM3u8)), 4).m3u8.empty());
    EXPECT_TRUE(cutPlayLists(withoutCr(page(1, kOnline, kM3u8)), 1).online.empty());
    for (int site : {0, 5}) {
        SCOPED_TRACE(site);
        const Text lfPage = page(site, kOnline, kM3u8);
        ASSERT_EQ(lfPage.find('\r'), Text::npos);
        EXPECT_EQ(cutPlayLists(lfPage, site).online, kOnline);
        EXPECT_TRUE(cutPlayLists(withCrLf(lfPage), site).online.empty());
        EXPECT_TRUE(cutPlayLists(withCrLf(lfPage), site).m3u8.empty());
    }
}

TEST(CutPlayLists, OnlineSectionWithoutAnM3u8Section) {
    for (int site : {0, 2, 4}) {
        SCOPED_TRACE(site);
        const PlayLists lists = cutPlayLists(page(site, kOnline, {}), site);
        EXPECT_EQ(lists.online, kOnline);
        EXPECT_TRUE(lists.m3u8.empty());
    }
}

TEST(CutPlayLists, MissingSectionEndLeavesOnlyThatListEmpty) {
    // Site 2: the online list runs to "<!--后"; without any, neither list has an end.
    Text text = page(2, kOnline, kM3u8);
    const Text end = playListMarkers(2).sectionEnd;
    const auto lastEnd = text.rfind(end);
    ASSERT_NE(lastEnd, Text::npos);
    text.erase(lastEnd, end.size());
    const PlayLists lists = cutPlayLists(text, 2);
    EXPECT_EQ(lists.online, kOnline);
    EXPECT_TRUE(lists.m3u8.empty());
}

TEST(CutPlayLists, ItemMarkersIgnoreCaseSectionMarkersDoNot) {
    Text upper = page(2, kOnline, kM3u8);
    upper = replaceText(upper, "value=\"", "VALUE=\"", 1, std::nullopt, true);
    EXPECT_EQ(cutPlayLists(upper, 2).online, kOnline);

    Text renamed = replaceText(page(2, kOnline, kM3u8), "yjyun", "YJYUN", 1, std::nullopt, true);
    EXPECT_TRUE(cutPlayLists(renamed, 2).online.empty());
    EXPECT_EQ(cutPlayLists(renamed, 2).m3u8, kM3u8);
}

TEST(CutPlayLists, EntriesAreTrimmedOfBlanksOnlyAndBlankOnesDropped) {
    const Text fullWidthSpace = "\xA1\xA1";
    const Text text = playListMarkers(2).onlineStart + "value=\"  a$http://x/1 " + fullWidthSpace +
                      "\" checked=value=\"   \" checked=value=\"\tb$http://x/2\" checked=" +
                      playListMarkers(2).sectionEnd;
    const PlayLists lists = cutPlayLists(text, 2);
    EXPECT_EQ(lists.online, (TextList{"a$http://x/1", "\tb$http://x/2"}));
}

// Site 7: the first source name of the probe order whose heading the page holds decides.
Text siteSevenPage(const std::vector<std::pair<std::string_view, TextList>>& sections,
                   bool crLf = true) {
    Text text = "<html>\r\n";
    for (const auto& [source, entries] : sections) {
        text += section(7, probeSectionStart(source), entries);
    }
    text += "</html>\r\n";
    return crLf ? text : withoutCr(text);
}

TEST(CutPlayLists, SiteSevenProbesSourcesInTheirFixedOrder) {
    const TextList youku = {gbk("第1集$http://youku/1")};
    const TextList kkyun = {gbk("第1集$http://kkyun/1"), gbk("第2集$http://kkyun/2")};
    const TextList kk = {gbk("第1集$http://kk/1.m3u8")};
    const TextList six = {gbk("第1集$http://605/1.m3u8")};

    // youku comes first in the probe order even though kkyun comes first in the page.
    PlayLists lists = cutPlayLists(siteSevenPage({{"kkyun", kkyun}, {"youku", youku}}), 7);
    EXPECT_EQ(lists.online, youku);
    EXPECT_TRUE(lists.m3u8.empty());

    lists = cutPlayLists(siteSevenPage({{"kkm3u8", kk}, {"605m3u8", six}, {"mgtv", kkyun}}), 7);
    EXPECT_EQ(lists.m3u8, six);
    EXPECT_EQ(lists.online, kkyun);

    lists = cutPlayLists(siteSevenPage({{"kkm3u8", kk}, {"letv", youku}}), 7);
    EXPECT_EQ(lists.m3u8, kk);
    EXPECT_EQ(lists.online, youku);
}

TEST(CutPlayLists, SiteSevenFirstProbeFoundWinsEvenWhenItsSectionYieldsNothing) {
    const TextList kkyun = {gbk("第1集$http://kkyun/1")};
    // The youku heading without its section start (line end LF instead of CR LF after it),
    // then a proper kkyun section: the online list stays empty.
    Text text = "      " + probeText("youku") + " \n      <ul>\n" + gbk("无") + "\n";
    text += section(7, probeSectionStart("kkyun"), kkyun);
    EXPECT_TRUE(cutPlayLists(text, 7).online.empty());

    // A youku section without items behaves the same.
    EXPECT_TRUE(cutPlayLists(siteSevenPage({{"youku", {}}, {"kkyun", kkyun}}), 7).online.empty());
    // With LF line ends no probed section start matches at all.
    EXPECT_TRUE(cutPlayLists(siteSevenPage({{"kkyun", kkyun}}, false), 7).online.empty());
}

TEST(CutPlayLists, NoSiteOrNoPageGivesTwoEmptyLists) {
    for (int site : {-1, 8, 100}) {
        SCOPED_TRACE(site);
        const PlayLists lists = cutPlayLists(page(0, kOnline, kM3u8), site);
        EXPECT_TRUE(lists.online.empty());
        EXPECT_TRUE(lists.m3u8.empty());
    }
    for (int site = 0; site < kPlayListSiteCount; ++site) {
        const PlayLists lists = cutPlayLists(Text(), site);
        EXPECT_TRUE(lists.online.empty() && lists.m3u8.empty()) << site;
    }
}

}  // namespace
}  // namespace zentara

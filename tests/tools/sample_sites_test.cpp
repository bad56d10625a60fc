// The sample catalogue server's answers, cut by the program's own cutters: every site's search
// answer gives the catalogue's titles, every detail page gives exactly its episode entries.

#include "sample_sites.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

#include "catalogue.h"
#include "detail/play_list_cut.h"
#include "platform/code_page.h"
#include "qr_image.h"
#include "search/search_hits.h"
#include "search_answer.h"

namespace zentara::sample {
namespace {

const std::string origin = "http://127.0.0.1:18411";

std::vector<Service> allRolesOf(int site) {
    return {{Role::search, site}, {Role::detail, site}, {Role::home, site}};
}

Reply ask(int site, const std::string& target, const std::string& method = "POST") {
    return SampleSites(defaultManifest("http://127.0.0.1:18400"))
        .answer(origin, allRolesOf(site), method, target);
}

std::vector<std::string> names(const std::vector<SearchHit>& hits) {
    std::vector<std::string> result;
    for (const SearchHit& hit : hits) {
        result.push_back(textToUtf8(hit.name));
    }
    return result;
}

TEST(SampleSearchAnswer, EverySiteAnswersAKeywordInTheFormTheProgramCuts) {
    struct Case {
        std::string keyword;  // as it arrives on the wire
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"Star", {"Star Harbour", "Starlight Express"}},
        {"sTaR", {"Star Harbour", "Starlight Express"}},
        {"%E9%95%BF%E5%AE%89", {"长安夜话"}},  // percent-encoded UTF-8
        {"Star+Harbour", {"Star Harbour"}},
        {"nothing-like-this", {}},
    };
    for (int site = 0; site < 8; ++site) {
        for (const Case& c : cases) {
            const Reply reply = ask(site, searchPath(site) + "?wd=" + c.keyword);
            ASSERT_EQ(reply.status, 200);
            EXPECT_EQ(names(cutSearchHits(utf8ToText(reply.body))), c.names)
                << "site " << site << " keyword " << c.keyword;
        }
    }
}

TEST(SampleSearchAnswer, TheEmptyKeywordListsTheWholeCatalogueWithItsAwkwardTitles) {
    for (int site = 0; site < 8; ++site) {
        const std::vector<SearchHit> hits =
            cutSearchHits(utf8ToText(ask(site, searchPath(site) + "?wd=").body));
        ASSERT_EQ(hits.size(), catalogue().size()) << "site " << site;
        int excluded = 0;
        for (std::size_t i = 0; i < hits.size(); ++i) {
            const CatalogueTitle& title = catalogue()[i];
            EXPECT_EQ(hits[i].name, utf8ToText(title.name));
            EXPECT_EQ(hits[i].type, utf8ToText(title.type));
            EXPECT_EQ(hits[i].note, utf8ToText(title.note));
            EXPECT_EQ(hits[i].last, utf8ToText(title.last));
            EXPECT_EQ(hits[i].id, utf8ToText(title.id));
            excluded += isExcludedType(hits[i].type) ? 1 : 0;
        }
        EXPECT_EQ(excluded, 2) << "one title of each excluded type";
    }
    // The catalogue holds the cases a search must handle.
    auto has = [](auto predicate) {
        for (const CatalogueTitle& title : catalogue()) {
            if (predicate(title)) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(has([](const CatalogueTitle& t) { return t.name.empty(); }));
    EXPECT_TRUE(has([](const CatalogueTitle& t) { return t.type == "VIP视频秀 "; }));
    EXPECT_TRUE(has([](const CatalogueTitle& t) { return t.id == "0123"; }));
    EXPECT_TRUE(has([](const CatalogueTitle& t) { return t.id == "abc"; }));
    EXPECT_NE(ask(1, searchPath(1) + "?wd=").body.find("<NAME><![CDATA["), std::string::npos)
        << "site 1 writes capital tags";
}

TEST(SampleDetailPage, EachSitesPageIsCutIntoExactlyTheTitlesEntries) {
    for (int site = 0; site < 8; ++site) {
        for (const CatalogueTitle& title : catalogue()) {
            if (title.online.empty() && title.m3u8.empty()) {
                continue;
            }
            const Reply reply = ask(site, "/?m=vod-detail-id-" + title.id + ".html", "POST");
            ASSERT_EQ(reply.status, 200) << "site " << site << " id " << title.id;
            const PlayLists lists = cutPlayLists(utf8ToText(reply.body), site);
            TextList online, m3u8;
            for (const std::string& entry : title.online) {
                online.push_back(utf8ToText(entryFor(entry, origin)));
            }
            for (const std::string& entry : title.m3u8) {
                m3u8.push_back(utf8ToText(entryFor(entry, origin)));
            }
            // Site 7 lists a spare kkyun section first; the program takes youku, probed first.
            EXPECT_EQ(lists.online, online) << "site " << site << " id " << title.id;
            EXPECT_EQ(lists.m3u8, m3u8) << "site " << site << " id " << title.id;
        }
    }
}

TEST(SampleDetailPage, SitesWithOwnLineEndsKeepThem) {
    // Sites 0 and 5 are LF-only pages, sites 1 and 4 CR LF: the markers depend on it.
    for (int site : {0, 5}) {
        EXPECT_EQ(ask(site, "/?m=vod-detail-id-101.html").body.find('\r'), std::string::npos);
    }
    for (int site : {1, 4, 7}) {
        const std::string page = ask(site, "/?m=vod-detail-id-101.html").body;
        std::size_t bareLf = 0;
        for (std::size_t i = 0; i < page.size(); ++i) {
            bareLf += page[i] == '\n' && (i == 0 || page[i - 1] != '\r') ? 1 : 0;
        }
        EXPECT_EQ(bareLf, 0u) << "site " << site;
    }
}

TEST(SampleSites, RoutesByRoleAndTarget) {
    struct Case {
        std::vector<Service> services;
        std::string method;
        std::string target;
        int status;
        std::string contentType;
    };
    const std::vector<Service> site0 = allRolesOf(0);
    const std::vector<Case> cases = {
        {{{Role::manifest, 0}}, "POST", "/video/data.json", 200, "application/json"},
        {{{Role::manifest, 0}}, "GET", "/download/zentara-1.0.zip", 200, "text/html"},
        {{{Role::manifest, 0}}, "POST", "/other.json", 404, "text/html"},
        {site0, "POST", "/inc/ldg_sea.php?wd=x", 200, "text/xml"},
        {site0, "POST", "/inc/seacmsapi.php?wd=x", 404, "text/html"},     // another site's path
        {site0, "POST", "/?m=vod-detail-id-123.html", 200, "text/html"},  // id "0123"
        {site0, "POST", "/?m=vod-detail-id-999.html", 404, "text/html"},
        {site0, "POST", "/?m=vod-detail-id-0.html", 404, "text/html"},  // "abc" has no number
        {site0, "POST", "/?m=vod-detail-id-12x.html", 404, "text/html"},
        {site0, "GET", "/", 200, "text/html"},
        {site0, "GET", "/m3u8/101-01/index.m3u8", 200, "application/vnd.apple.mpegurl"},
        {site0, "PUT", "/", 405, "text/plain"},
        {{{Role::qr, 0}}, "GET", "/api.php?text=http://x/a.m3u8", 200, "image/png"},
        {{{Role::qr, 0}}, "GET", "/api.php?text=", 400, "text/plain"},
        {{{Role::play, 1}}, "GET", "/m3u8/play.html?id=%20http://x/a.m3u8", 200, "text/html"},
    };
    const SampleSites sites("{}");
    for (const Case& c : cases) {
        const Reply reply = sites.answer(origin, c.services, c.method, c.target);
        EXPECT_EQ(reply.status, c.status) << c.method << " " << c.target;
        EXPECT_EQ(reply.contentType.rfind(c.contentType, 0), 0u) << c.target;
    }
    EXPECT_EQ(sites.answer(origin, {{Role::manifest, 0}}, "GET", "/video/data.json").body, "{}");
    const std::string player =
        sites.answer(origin, {{Role::play, 1}}, "GET", "/m3u8/play.html?id=%20http://x/a.m3u8")
            .body;
    EXPECT_NE(player.find("Playing: id= http://x/a.m3u8"), std::string::npos) << player;
}

TEST(SampleSites, QueryValuesAreReadAsAPhpPageReadsThem) {
    struct Case {
        std::string target;
        std::string key;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"/api.php?text=abc", "text", "abc"},
        {"/api.php?text=a%20b+c", "text", "a b c"},
        {"/api.php?text=%E7%AC%AC01", "text", "第01"},
        {"/api.php?text=http://p/v.php?url=http://x/a.m3u8", "text",
         "http://p/v.php?url=http://x/a.m3u8"},  // a second "?" belongs to the value
        {"/api.php?text=http://x/a?b=1&c=2", "text", "http://x/a?b=1"},  // "&" ends it
        {"/api.php?mytext=1&text=2", "text", "2"},
        {"/api.php?text=%zz%4", "text", "%zz%4"},
        {"/api.php?text=", "text", ""},
        {"/api.php", "text", ""},
        {"/api.php?other=1", "text", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(queryValue(c.target, c.key), c.value) << c.target;
    }
}

TEST(SampleQrImage, IsA200PixelPngWithTheCodeInTheMiddle) {
    const std::string png = qrPng("http://127.0.0.1:18431/video.php?url=http://x/a.m3u8");
    QImage image;
    ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(png.data()),
                                   static_cast<int>(png.size()), "PNG"));
    EXPECT_EQ(image.size(), QSize(qrImageSize, qrImageSize));
    // White quiet zone at the corners, the black edge of the top-left finder pattern after it.
    EXPECT_EQ(qGray(image.pixel(0, 0)), 255);
    EXPECT_EQ(qGray(image.pixel(199, 199)), 255);
    int firstBlack = -1;
    for (int x = 0; x < qrImageSize && firstBlack < 0; ++x) {
        if (qGray(image.pixel(x, x)) == 0) {
            firstBlack = x;
        }
    }
    EXPECT_GT(firstBlack, 0);
    EXPECT_LT(firstBlack, 40);

    EXPECT_NE(qrPng("a"), qrPng("b"));
    EXPECT_TRUE(qrPng("").empty());
    EXPECT_TRUE(qrPng(std::string(8000, 'x')).empty());  // beyond what a QR code holds
}

}  // namespace
}  // namespace zentara::sample

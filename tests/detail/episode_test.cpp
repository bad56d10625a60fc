#include <gtest/gtest.h>

#include "detail/episode_address.h"
#include "detail/episode_entry.h"
#include "platform/code_page.h"
#include "service_hosts.h"

namespace zentara {
namespace {

TEST(SplitEpisodeEntry, LabelBeforeTheFirstDollarAndLinkUpToTheSecond) {
    const struct {
        const char* entry;
        const char* label;
        const char* link;
    } cases[] = {
        {"第01集$x.m3u8", "第01集", "x.m3u8"},
        {"第02集$a$b", "第02集", "a"},  // text after a second "$" is dropped
        {"$a", "", "a"},
        {"第03集$$b", "第03集", ""},
        {"第04集", "第04集", ""},   // no "$": a row with an empty link
        {"第05集$", "第05集", ""},  // "$" as the last byte: the same
        {"HD$http://h/1.m3u8", "HD", "http://h/1.m3u8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const EpisodeRow row = splitEpisodeEntry(gbk(c.entry));
        EXPECT_EQ(row.label, gbk(c.label));
        EXPECT_EQ(row.link, gbk(c.link));
    }
}

TEST(EpisodeBrowserAddress, OnlyLinksContainingAnHttpSchemeAreOpened) {
    const Text prefix = "https://play.example/video.php?url=";
    const struct {
        const char* link;
        bool opens;
    } cases[] = {
        {"http://a/b.m3u8", true},   {"https://a/b.m3u8", true},    {"a.m3u8", false}, {"", false},
        {"HTTP://a/b.m3u8", false},  // the scheme test is case-sensitive
        {"Https://a/b.m3u8", false}, {"ep1 http://a/b.html", true},  // contained anywhere is enough
        {"http:/a", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        const auto online = episodeBrowserAddress(EpisodeList::online, c.link, prefix);
        const auto m3u8 = episodeBrowserAddress(EpisodeList::m3u8, c.link, prefix);
        ASSERT_EQ(online.has_value(), c.opens);
        ASSERT_EQ(m3u8.has_value(), c.opens);
        if (c.opens) {
            EXPECT_EQ(*online, c.link);
            EXPECT_EQ(*m3u8, prefix + c.link);
        }
    }
}

TEST(EpisodeBrowserAddress, M3u8LinkFollowsThePrefixDirectly) {
    // Play interface 2 ends its prefix with a blank; the test looks at the bare link only.
    const Text blankPrefix = "http://play2.example/m3u8/play.html?id= ";
    EXPECT_EQ(episodeBrowserAddress(EpisodeList::m3u8, "http://v/1.m3u8", blankPrefix),
              Text("http://play2.example/m3u8/play.html?id= http://v/1.m3u8"));
    // A prefix with a scheme does not rescue a link without one.
    EXPECT_FALSE(episodeBrowserAddress(EpisodeList::m3u8, "v/1.m3u8", blankPrefix));
}

TEST(QrRequestUrl, ConcatenationPerList) {
    const Text endpoint = Text(hosts::qr) + "/api.php?text=";
    EXPECT_EQ(qrImageEndpoint(), endpoint);
    const Text link = gbk("http://v.example/a.m3u8?第1集");
    const Text prefix = "https://p.example/m3u8.html?url=";
    EXPECT_EQ(qrRequestUrl(1, link, prefix), endpoint + link);
    EXPECT_EQ(qrRequestUrl(2, link, prefix), endpoint + prefix + link);
    EXPECT_EQ(qrRequestUrl(1, "", prefix), endpoint);
    EXPECT_EQ(qrRequestUrl(2, "", prefix), endpoint + prefix);
    for (int other : {0, 3, -1}) {
        EXPECT_EQ(qrRequestUrl(other, link, prefix), "") << other;
    }
}

// The link must reach the service whole: characters that would end or reshape the "text" value
// are escaped, in the prefix as well as in the link.
TEST(QrRequestUrl, CharactersThatWouldCutTheValueAreEscaped) {
    const Text endpoint = qrImageEndpoint();
    EXPECT_EQ(qrRequestUrl(1, "http://v/a.m3u8?x=1&y=2#t", ""),
              endpoint + "http://v/a.m3u8?x=1%26y=2%23t");
    EXPECT_EQ(qrRequestUrl(1, "http://v/a+b%20c", ""), endpoint + "http://v/a%2Bb%2520c");
    EXPECT_EQ(qrRequestUrl(2, "http://v/1.m3u8", "https://p/?a=1&url="),
              endpoint + "https://p/?a=1%26url=http://v/1.m3u8");
}

}  // namespace
}  // namespace zentara

// Cutting a search answer into titles, and the types that are never listed.

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "search/search_hits.h"

namespace zentara {
namespace {

struct HitCase {
    const char* what;
    std::string answer;                              // UTF-8, converted to Text as the client does
    std::vector<std::vector<std::string>> expected;  // name, type, note, last, id (UTF-8)
};

std::vector<std::vector<std::string>> asUtf8(const std::vector<SearchHit>& hits) {
    std::vector<std::vector<std::string>> rows;
    for (const SearchHit& hit : hits) {
        rows.push_back({textToUtf8(hit.name), textToUtf8(hit.type), textToUtf8(hit.note),
                        textToUtf8(hit.last), textToUtf8(hit.id)});
    }
    return rows;
}

TEST(SearchHitsTest, FieldListsArePairedByPosition) {
    const HitCase cases[] = {
        {"two titles, fields in the sites' order",
         "<rss><list><video><last>2024-01-02 10:00:00</last><id>123</id><tid>5</tid>"
         "<name><![CDATA[三体]]></name><type>科幻片</type><dt>x</dt>"
         "<note><![CDATA[第30集]]></note></video>"
         "<video><last>2023-12-31</last><id>7</id><name><![CDATA[Blue Sky]]></name>"
         "<type>动作片</type><note><![CDATA[HD]]></note></video></list></rss>",
         {{"三体", "科幻片", "第30集", "2024-01-02 10:00:00", "123"},
          {"Blue Sky", "动作片", "HD", "2023-12-31", "7"}}},
        {"tags in capital letters",
         "<VIDEO><LAST>t</LAST><ID>9</ID><NAME><![CDATA[Up]]></NAME><Type>a</Type>"
         "<NOTE><![CDATA[n]]></NOTE></VIDEO>",
         {{"Up", "a", "n", "t", "9"}}},
        {"an empty name and untrimmed texts",
         "<name><![CDATA[]]></name><type> 剧情片 </type><note><![CDATA[]]></note>"
         "<last></last><id> 12</id>",
         {{"", " 剧情片 ", "", "", " 12"}}},
        {"fields across lines",
         "<name><![CDATA[a\r\nb]]></name>\n<type>t</type>\n<note><![CDATA[n]]></note>\n"
         "<last>l</last>\n<id>1</id>",
         {{"a\r\nb", "t", "n", "l", "1"}}},
        {"an id list shorter than the name list keeps only complete titles",
         "<name><![CDATA[A]]></name><type>t</type><note><![CDATA[1]]></note><last>l</last>"
         "<id>1</id><name><![CDATA[B]]></name><type>t</type><note><![CDATA[2]]></note>"
         "<last>l</last><name><![CDATA[C]]></name><type>t</type>",
         {{"A", "t", "1", "l", "1"}}},
        {"more ids than names: one title per name",
         "<name><![CDATA[A]]></name><type>t</type><note><![CDATA[1]]></note><last>l</last>"
         "<id>1</id><id>2</id><id>3</id>",
         {{"A", "t", "1", "l", "1"}}},
        {"no titles", "<rss><list page=\"1\" recordcount=\"0\"></list></rss>", {}},
        {"an empty answer", "", {}},
        {"an error page", "<html><body>502 Bad Gateway</body></html>", {}},
    };
    for (const HitCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(asUtf8(cutSearchHits(utf8ToText(c.answer))), c.expected);
    }
}

TEST(SearchHitsTest, OnlyTheTwoExactTypesAreExcluded) {
    const std::pair<const char*, bool> cases[] = {
        {"美女热舞写真", true}, {"VIP视频秀", true}, {"VIP视频秀 ", false}, {" VIP视频秀", false},
        {"vip视频秀", false},   {"美女热舞", false}, {"动作片", false},     {"", false},
    };
    for (const auto& [type, excluded] : cases) {
        EXPECT_EQ(isExcludedType(gbk(type)), excluded) << type;
    }
}

}  // namespace
}  // namespace zentara

// Cutting speed of the extraction operations on page sizes the program meets, each next to a
// floor: one std::string_view::find pass counting a marker over the same page.
//
//   answer  : a 1 MiB GBK search answer of 5,000 titles in the sites' XML format
//   five    : the keyword search's five extractAllByPattern calls (name, type, note, last, id)
//   detail  : a 300 KiB detail page with 2,000 episode entries, cut with extractAllBySearch
//   hostile : the answer with every "]]></name>" broken, so 5,000 left markers find no right one

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "extract/marker_extraction.h"
#include "platform/code_page.h"

namespace zentara {
namespace {

constexpr std::size_t kAnswerSize = 1 << 20;
constexpr int kTitles = 5000;
constexpr std::size_t kDetailSize = 300 * 1024;
constexpr int kEpisodes = 2000;

const Text kNameLeft = "<name><![CDATA[";
const Text kEpisodeLeft = "checked=\"\" />";

Text makeAnswer() {
    static const Text kName = gbk("某某电影之");
    static const Text kType = gbk("动作片");
    static const Text kNote = gbk("高清国语");
    static const Text kDescription = gbk("一部关于勇气与友谊的故事。");
    Text answer =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"5.1\"><list page=\"1\" "
        "pagecount=\"1\" pagesize=\"5000\" recordcount=\"5000\">\n";
    const std::size_t perTitle = kAnswerSize / kTitles;
    for (int i = 0; i < kTitles; ++i) {
        Text title = "<video><last>2024-05-01 12:" + std::to_string(10 + i % 50) +
                     ":00</last><id>" + std::to_string(10000 + i) +
                     "</id><tid>5</tid><name><![CDATA[" + kName + std::to_string(i) +
                     "]]></name><type>" + kType + "</type><dt>kuyun,ckm3u8</dt><note><![CDATA[" +
                     kNote + "]]></note><des><![CDATA[";
        while (title.size() + kDescription.size() + 24 < perTitle) {
            title += kDescription;
        }
        title += "]]></des></video>\n";
        answer += title;
    }
    answer += "</list></rss>";
    return answer;
}

Text makeDetailPage() {
    static const Text kEpisode = gbk("第");
    static const Text kEpisodeEnd = gbk("集");
    static const Text kHeading =
        gbk("<h3>播放类型：<span class=\"suf\">kuyun</span></h3> \n      <ul>\n         \n       ");
    Text page = "<html><head><title>detail</title></head><body>\n" + kHeading;
    Text entries;
    for (int i = 0; i < kEpisodes; ++i) {
        Text label = kEpisode + std::to_string(i + 1) + kEpisodeEnd;
        Text link = "http://v.example.com/share/" + std::to_string(1000000 + i) + "/index.m3u8";
        entries += "<li><input type=\"checkbox\" name=\"copy_sel\" value=\"" + link +
                   "\" checked=\"\" />" + label + "$" + link + "</li>\n";
    }
    page += entries + "      </ul> \n";
    while (page.size() < kDetailSize) {
        page += "<div class=\"info\"><p>filler text for the rest of the page</p></div>\n";
    }
    return page + "</body></html>\n";
}

Text makeHostileAnswer() {
    return replaceText(makeAnswer(), "]]></name>", "]]></nam>", 1, std::nullopt, true);
}

const Text& answer() {
    static const Text text = makeAnswer();
    return text;
}
const Text& detailPage() {
    static const Text text = makeDetailPage();
    return text;
}
const Text& hostileAnswer() {
    static const Text text = makeHostileAnswer();
    return text;
}

int countFind(std::string_view text, std::string_view marker) {
    int count = 0;
    for (std::size_t at = text.find(marker); at != std::string_view::npos;
         at = text.find(marker, at + marker.size())) {
        ++count;
    }
    return count;
}

void BM_AnswerFindFloor(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(countFind(answer(), kNameLeft));
    }
    state.counters["bytes"] = static_cast<double>(answer().size());
}

void BM_AnswerFiveFieldCut(benchmark::State& state) {
    static const std::pair<Text, Text> kFields[] = {{"<name><![CDATA[", "]]></name>"},
                                                    {"<type>", "</type>"},
                                                    {"<note><![CDATA[", "]]></note>"},
                                                    {"<last>", "</last>"},
                                                    {"<id>", "</id>"}};
    TextList lists[5];
    for (auto _ : state) {
        for (int f = 0; f < 5; ++f) {
            extractAllByPattern(answer(), kFields[f].first, kFields[f].second, lists[f]);
        }
    }
    for (const TextList& list : lists) {
        if (list.size() != kTitles) {
            state.SkipWithError("a field list lacks titles");
        }
    }
}

void BM_DetailFindFloor(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(countFind(detailPage(), kEpisodeLeft));
    }
    state.counters["bytes"] = static_cast<double>(detailPage().size());
}

void BM_DetailEpisodeCut(benchmark::State& state) {
    TextList episodes;
    for (auto _ : state) {
        extractAllBySearch(detailPage(), kEpisodeLeft, "</li>", episodes);
    }
    if (episodes.size() != kEpisodes) {
        state.SkipWithError("episodes missing");
    }
}

void BM_HostileFindFloor(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(countFind(hostileAnswer(), kNameLeft));
    }
}

void BM_HostileNameCut(benchmark::State& state) {
    TextList names;
    for (auto _ : state) {
        extractAllByPattern(hostileAnswer(), kNameLeft, "]]></name>", names);
    }
    if (!names.empty()) {
        state.SkipWithError("the hostile answer has no complete name");
    }
}

BENCHMARK(BM_AnswerFindFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnswerFiveFieldCut)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DetailFindFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DetailEpisodeCut)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HostileFindFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HostileNameCut)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zentara

BENCHMARK_MAIN();

// JsonDocument: the version check's reads, and loading a 1 MiB JSON text.

#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "json/json_document.h"
#include "platform/code_page.h"

namespace {

using zentara::JsonDocument;
using zentara::Text;

const Text& manifest() {
    static const Text text = zentara::gbk(
        R"({"video":[{"ver":"1.0","notice":"发现新版本<br>请下载","download":"http://example.invalid/z.zip"}]})");
    return text;
}

// About 1 MiB: a catalogue of titles with a few small members and tags each.
const Text& mebibyteText() {
    static const Text text = [] {
        static const Text kName = zentara::gbk("电视剧");
        Text out = R"({"video":[{"ver":"1.0"}],"list":[)";
        for (int i = 0; out.size() < 1024 * 1024; ++i) {
            out += (i ? "," : "") + std::string(R"({"id":)") + std::to_string(i) + R"(,"name":")" +
                   kName + std::to_string(i) +
                   R"(","score":7.5,"tags":["a","b"],"last":"2024-01-01 12:00:00"})";
        }
        return out + "]}";
    }();
    return text;
}

void BM_ManifestParseAndThreeReads(benchmark::State& state) {
    JsonDocument doc;
    for (auto _ : state) {
        bool parsed = doc.parse(manifest());
        Text ver = doc.getText("video[0].ver");
        Text notice = doc.getText("video[0].notice");
        Text download = doc.getText("video[0].download");
        benchmark::DoNotOptimize(parsed);
        benchmark::DoNotOptimize(ver.size() + notice.size() + download.size());
    }
}
BENCHMARK(BM_ManifestParseAndThreeReads);

void BM_MebibyteParseAndCount(benchmark::State& state) {
    const Text& text = mebibyteText();
    JsonDocument doc;
    for (auto _ : state) {
        bool parsed = doc.parse(text);
        int count = doc.getCount("list");
        benchmark::DoNotOptimize(parsed);
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MebibyteParseAndCount)->Unit(benchmark::kMillisecond);

// Baseline for the figure above: the library's own parser on the same text, already in UTF-8
// (no code-page conversion, no depth limit, integers kept as integers).
void BM_MebibyteLibraryParseOnly(benchmark::State& state) {
    const std::string utf8 = zentara::textToUtf8(mebibyteText());
    for (auto _ : state) {
        nlohmann::ordered_json value = nlohmann::ordered_json::parse(utf8, nullptr, false);
        benchmark::DoNotOptimize(value["list"].size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(BM_MebibyteLibraryParseOnly)->Unit(benchmark::kMillisecond);

void BM_MebibyteToJson(benchmark::State& state) {
    JsonDocument doc;
    doc.parse(mebibyteText());
    for (auto _ : state) {
        Text json = doc.toJson();
        benchmark::DoNotOptimize(json.size());
    }
}
BENCHMARK(BM_MebibyteToJson)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

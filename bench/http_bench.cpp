// HttpClient's request cycle (open, send, getResponseBytes) against one bare, reused libcurl easy
// handle making the same POSTs, on loopback: a 100-byte page and a 1 MiB page. fetchPage (the
// same cycle plus the UTF-8 to GBK decoding) runs beside them when the shell is built. The first
// benchmark reads a 64 MiB body once and reports the process's peak resident memory against the
// limit of 2.3 times the body plus 40 MiB.
//
// Each iteration is one request cycle: 200 iterations for the small page, 20 for the large one,
// repeated 5 times; compare the medians. The InTurn benchmarks run the kinds of cycle alternately
// and report the median cycle times and their ratios, which holds up better on a busy machine.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "loopback_server.h"

#ifdef ZENTARA_BENCH_FETCH_PAGE
#include "shell/fetch_page.h"
#include "shell/shared_state.h"
#endif

namespace {

using zentara::HttpClient;
using zentara::testing::LoopbackServer;
using zentara::testing::Reply;

constexpr std::size_t kLargePage = 1048576;
constexpr std::size_t kHugeBody = 64 * 1048576;

// 100 bytes of UTF-8 with Chinese characters, as a search answer would carry.
std::string smallPage() {
    std::string page = "<list><name>\xE4\xB8\xAD\xE6\x96\x87\xE7\x89\x87\xE5\x90\x8D</name>";
    page.resize(100, 'x');
    return page;
}

// One server for the whole run: /small, /large and /huge.
LoopbackServer& server() {
    static auto* loopback = [] {
        auto* created = new LoopbackServer;
        created->setResponder([](const zentara::testing::RecordedRequest& request, std::size_t) {
            static const std::string small = smallPage();
            const std::string& bytes = request.bytes;
            Reply reply;
            if (bytes.find(" /small ") != std::string::npos) {
                reply.bytes = zentara::testing::rawResponse(200, "OK", "", small);
            } else {
                const std::size_t size =
                    bytes.find(" /huge ") != std::string::npos ? kHugeBody : kLargePage;
                reply.bytes =
                    "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n";
                reply.generatedBody = size;
            }
            return reply;
        });
        return created;
    }();
    return *loopback;
}

std::string urlOf(const char* path) {
    return server().origin() + path;
}

void runClient(benchmark::State& state, const char* path, std::size_t expected) {
    HttpClient client;
    const std::string url = urlOf(path);
    for (auto _ : state) {
        client.open("POST", url);
        client.send();
        const zentara::Bytes body = client.getResponseBytes();
        if (body.size() != expected) {
            state.SkipWithError("short body");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected));
}

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The same POST as the client sends, byte for byte on the wire, from one reused easy handle.
curl_slist* sameHeaders() {
    static curl_slist* headers = [] {
        curl_slist* list = nullptr;
        for (const char* line : {"Accept:*/*", "Accept-Language:zh-cn", "Cache-Control:no-cache",
                                 "Content-Type:application/x-www-form-urlencoded", "Expect:"}) {
            list = curl_slist_append(list, line);
        }
        return list;
    }();
    return headers;
}

CURL* bareHandle(const std::string& url, std::string& body) {
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, HttpClient::DEFAULT_USER_AGENT);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, sameHeaders());
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, "");
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, 0L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    return easy;
}

void runBareCurl(benchmark::State& state, const char* path, std::size_t expected) {
    const std::string url = urlOf(path);
    std::string body;
    CURL* easy = bareHandle(url, body);
    for (auto _ : state) {
        body.clear();
        if (curl_easy_perform(easy) != CURLE_OK || body.size() != expected) {
            state.SkipWithError("bare transfer failed");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    curl_easy_cleanup(easy);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected));
}

void BM_PeakRss_64MiB(benchmark::State& state) {
    HttpClient client;
    for (auto _ : state) {
        client.open("POST", urlOf("/huge"));
        client.send();
        const zentara::Bytes body = client.getResponseBytes();
        if (body.size() != kHugeBody) {
            state.SkipWithError("short body");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["limit_MiB"] = 2.3 * 64 + 40;
}
// Registered first: the peak resident memory of the process is read right after it.
BENCHMARK(BM_PeakRss_64MiB)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_HttpClient_100B(benchmark::State& state) {
    runClient(state, "/small", 100);
}
void BM_BareCurl_100B(benchmark::State& state) {
    runBareCurl(state, "/small", 100);
}
void BM_HttpClient_1MiB(benchmark::State& state) {
    runClient(state, "/large", kLargePage);
}
void BM_BareCurl_1MiB(benchmark::State& state) {
    runBareCurl(state, "/large", kLargePage);
}

BENCHMARK(BM_HttpClient_100B)->Iterations(200)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareCurl_100B)->Iterations(200)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HttpClient_1MiB)->Iterations(20)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareCurl_1MiB)->Iterations(20)->Repetitions(5)->Unit(benchmark::kMicrosecond);

#ifdef ZENTARA_BENCH_FETCH_PAGE
void runFetchPage(benchmark::State& state, const char* path, std::size_t expected) {
    if (!zentara::httpClient) {
        zentara::createSharedObjects();
    }
    const std::string url = urlOf(path);
    for (auto _ : state) {
        const zentara::Text text = zentara::fetchPage(url);
        if (text.empty()) {
            state.SkipWithError("empty page");
            break;
        }
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected));
}
void BM_FetchPage_100B(benchmark::State& state) {
    runFetchPage(state, "/small", 100);
}
void BM_FetchPage_1MiB(benchmark::State& state) {
    runFetchPage(state, "/large", kLargePage);
}
BENCHMARK(BM_FetchPage_100B)->Iterations(200)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FetchPage_1MiB)->Iterations(20)->Repetitions(5)->Unit(benchmark::kMicrosecond);
#endif

// The three kinds of cycle taken in turn, so that each meets the same load of the machine; the
// counters are the median cycle times and their ratios to the bare handle.
double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

void runInTurn(benchmark::State& state, const char* path, std::size_t expected) {
    using Clock = std::chrono::steady_clock;
    HttpClient client;
    const std::string url = urlOf(path);
    std::string bareBody;
    CURL* easy = bareHandle(url, bareBody);

    std::vector<std::function<bool()>> cycles = {
        [&] {
            client.open("POST", url);
            client.send();
            return client.getResponseBytes().size() == expected;
        },
        [&] {
            bareBody.clear();
            return curl_easy_perform(easy) == CURLE_OK && bareBody.size() == expected;
        },
    };
#ifdef ZENTARA_BENCH_FETCH_PAGE
    if (!zentara::httpClient) {
        zentara::createSharedObjects();
    }
    cycles.push_back([&] { return !zentara::fetchPage(url).empty(); });
#endif
    std::vector<std::vector<double>> times(cycles.size());
    std::vector<std::vector<double>> cpuTimes(cycles.size());
    for (auto _ : state) {
        for (std::size_t kind = 0; kind < cycles.size(); ++kind) {
            const double cpuStart = threadCpuMicroseconds();
            const auto start = Clock::now();
            if (!cycles[kind]()) {
                state.SkipWithError("cycle failed");
                break;
            }
            times[kind].push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            cpuTimes[kind].push_back(threadCpuMicroseconds() - cpuStart);
        }
    }
    curl_easy_cleanup(easy);
    const double bare = medianOf(times[1]);
    state.counters["client_us"] = medianOf(times[0]);
    state.counters["bare_us"] = bare;
    state.counters["client_ratio"] = bare > 0 ? medianOf(times[0]) / bare : 0;
    // CPU time of the calling thread alone: the client's own work, without the server's.
    state.counters["client_cpu_us"] = medianOf(cpuTimes[0]);
    state.counters["bare_cpu_us"] = medianOf(cpuTimes[1]);
    if (times.size() > 2) {
        state.counters["fetchPage_us"] = medianOf(times[2]);
        state.counters["fetchPage_ratio"] = bare > 0 ? medianOf(times[2]) / bare : 0;
    }
}

void BM_InTurn_100B(benchmark::State& state) {
    runInTurn(state, "/small", 100);
}
void BM_InTurn_1MiB(benchmark::State& state) {
    runInTurn(state, "/large", kLargePage);
}
BENCHMARK(BM_InTurn_100B)->Iterations(200)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InTurn_1MiB)->Iterations(20)->Repetitions(5)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// The shared objects and fetchPage: what a fetch sends, that fetches never overlap, and that the
// end of the program never destroys the client under a running transfer.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "http/http_client.h"
#include "json/json_document.h"
#include "platform/code_page.h"
#include "program_test_support.h"
#include "shell/fetch_page.h"
#include "shell/shared_state.h"

namespace zentara {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackSite;

class SharedStateTest : public ::testing::Test {
  protected:
    void TearDown() override { releaseSharedObjects(); }
    LoopbackSite site;
};

TEST_F(SharedStateTest, CreateMakesBothObjectsAndReleaseClearsEverything) {
    createSharedObjects();
    ASSERT_NE(httpClient, nullptr);
    ASSERT_NE(jsonDoc, nullptr);
    EXPECT_EQ(jsonDoc->toJson(), "{}");

    searchEndpoint = "http://a/?wd=";
    playPrefix = "http://p/?url=";
    detailUrl = "http://d/1.html";
    menuList = 2;
    releaseSharedObjects();
    EXPECT_EQ(httpClient, nullptr);
    EXPECT_EQ(jsonDoc, nullptr);
    EXPECT_TRUE(searchEndpoint.empty());
    EXPECT_TRUE(playPrefix.empty());
    EXPECT_TRUE(detailUrl.empty());
    EXPECT_EQ(menuList, 0);

    releaseSharedObjects();  // a second end does no harm
    EXPECT_EQ(fetchPage(site.origin() + "/x"), "");
    EXPECT_TRUE(site.requests().empty());
}

TEST_F(SharedStateTest, FetchPagePostsAnEmptyBodyAndDecodesUtf8) {
    site.answer("/page", {"标题 <b>ok</b>", "text/html; charset=utf-8"});
    createSharedObjects();

    EXPECT_EQ(fetchPage(site.origin() + "/page?wd=a"), gbk("标题 <b>ok</b>"));
    // An error status gives its body like any answer; here the body is empty.
    EXPECT_EQ(fetchPage(site.origin() + "/missing"), "");
    // Nothing listening: the empty text, no error.
    EXPECT_EQ(fetchPage("http://127.0.0.1:1/"), "");

    const auto requests = site.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/page?wd=a");
    EXPECT_EQ(requests[0].body, "");
    EXPECT_EQ(requests[1].target, "/missing");
}

TEST_F(SharedStateTest, FetchesFromSeveralThreadsNeverOverlap) {
    site.answer("/slow", {"done", "text/plain", 150ms});
    createSharedObjects();

    std::atomic<int> finished{0};
    std::vector<Text> bodies(3);
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back([&, i] {
            bodies[i] = fetchPage(site.origin() + "/slow?n=" + std::to_string(i));
            ++finished;
        });
    }
    // While one request is held by the server, no second request reaches it.
    ASSERT_TRUE(site.waitForRequests(1));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(site.requests().size(), 1u);
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(finished, 3);
    for (const Text& body : bodies) {
        EXPECT_EQ(body, "done");
    }
    EXPECT_EQ(site.requests().size(), 3u);
}

TEST_F(SharedStateTest, EndingDuringAFetchIsQuickAndTheFetchComesBackEmpty) {
    site.answer("/hang", {"late", "text/plain", 5s});
    createSharedObjects();

    Text body = "unset";
    std::thread worker([&] { body = fetchPage(site.origin() + "/hang"); });
    ASSERT_TRUE(site.waitForRequests(1));

    const auto started = std::chrono::steady_clock::now();
    releaseSharedObjects();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, 1s);

    worker.join();
    EXPECT_EQ(body, "");
    EXPECT_EQ(httpClient, nullptr);
    // Later fetches (a worker that wakes up after the end) come back empty at once.
    EXPECT_EQ(fetchPage(site.origin() + "/hang"), "");
    EXPECT_EQ(site.requests().size(), 1u);
}

}  // namespace
}  // namespace zentara

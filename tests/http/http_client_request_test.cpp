// HttpClient's request cycle (open -> send -> read) on the wire against the loopback server.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "http/http_client.h"
#include "loopback_server.h"
#include "platform/code_page.h"
#include "wire_helpers.h"

namespace zentara {
namespace {

using testing::LoopbackServer;
using testing::okReply;
using testing::rawReply;
using testing::rawResponse;
using testing::Reply;

Reply closingReply(std::string_view headers, std::string_view body) {
    return testing::rawReply(rawResponse(200, "OK", headers, body, false), true);
}

class HttpClientRequestTest : public ::testing::Test {
  protected:
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(server.port()); }

    LoopbackServer server;
    HttpClient client;
};

TEST_F(HttpClientRequestTest, PostWithoutBodyCarriesExactlyTheDefaultHeaders) {
    ASSERT_TRUE(client.open("POST", server.origin() + "/list"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(bodyOf(client.getResponseBytes()), "ok");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "POST /list HTTP/1.1\r\n"
              "Host: " +
                  hostPort() +
                  "\r\n"
                  "User-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)\r\n"
                  "Accept:*/*\r\n"
                  "Accept-Language:zh-cn\r\n"
                  "Cache-Control:no-cache\r\n"
                  "Content-Type:application/x-www-form-urlencoded\r\n"
                  "Content-Length: 0\r\n"
                  "\r\n");
}

TEST_F(HttpClientRequestTest, BodyTextGoesOutUnchangedAndGetCarriesNoContentType) {
    const Text body = gbk("wd=中文&x=1");
    ASSERT_TRUE(client.open("POST", server.origin() + "/p"));
    ASSERT_TRUE(client.send(body));
    ASSERT_TRUE(client.open("get", server.origin() + "/g"));
    ASSERT_TRUE(client.send());
    ASSERT_EQ(server.requests().size(), 2u);
    const std::string post = server.requests()[0];
    EXPECT_TRUE(hasHeaderLine(post, "Content-Length: " + std::to_string(body.size())));
    EXPECT_EQ(post.substr(post.size() - body.size()), body);
    const std::string get = server.requests()[1];
    EXPECT_EQ(requestLine(get), "GET /g HTTP/1.1");
    EXPECT_FALSE(client.isPost());
    EXPECT_EQ(get.find("Content-Type"), std::string::npos);
    EXPECT_EQ(get.find("Content-Length"), std::string::npos);

    // A byte body with zero bytes goes out whole; a body on a GET brings the form type with it.
    const Bytes bytes = {'a', 0, 0xFF, 'b'};
    ASSERT_TRUE(client.open("GET", server.origin() + "/bytes"));
    ASSERT_TRUE(client.sendBytes(bytes));
    const std::string withBytes = server.requests().at(2);
    EXPECT_EQ(requestLine(withBytes), "GET /bytes HTTP/1.1");
    EXPECT_TRUE(hasHeaderLine(withBytes, "Content-Length: 4"));
    EXPECT_TRUE(hasHeaderLine(withBytes, "Content-Type:application/x-www-form-urlencoded"));
    EXPECT_EQ(withBytes.substr(withBytes.size() - 4), std::string("a\0\xFF"
                                                                  "b",
                                                                  4));
}

TEST_F(HttpClientRequestTest, SchemeRuleAndObjectPath) {
    struct Case {
        std::string method;
        std::string url;  // "$" stands for 127.0.0.1:<port>
        std::string storedUrl;
        std::string wireLine;
    };
    const Case cases[] = {
        {"POST", "$/search?wd=abc", "http://$/search?wd=abc", "POST /search?wd=abc HTTP/1.1"},
        {"post", "HTTP://$/Path", "HTTP://$/Path", "POST /Path HTTP/1.1"},
        {"GeT", "http://$", "http://$", "GET / HTTP/1.1"},
        // Without a path the query is kept behind "/".
        {"GET", "http://$?wd=1", "http://$?wd=1", "GET /?wd=1 HTTP/1.1"},
        {"", "$/a/b.html", "http://$/a/b.html", "GET /a/b.html HTTP/1.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + " " + c.url);
        auto expand = [&](std::string text) {
            if (const auto at = text.find('$'); at != std::string::npos) {
                text.replace(at, 1, hostPort());
            }
            return text;
        };
        const std::size_t before = server.requests().size();
        ASSERT_TRUE(client.open(c.method, expand(c.url)));
        EXPECT_EQ(client.url(), expand(c.storedUrl));
        EXPECT_EQ(client.scheme(), 1);
        ASSERT_TRUE(client.send());
        ASSERT_EQ(server.requests().size(), before + 1);
        EXPECT_EQ(requestLine(server.requests().back()), c.wireLine);
    }
}

TEST_F(HttpClientRequestTest, OpenWithoutSending) {
    // A secure URL with the scheme in capitals: kept as given, secure scheme, default port 443.
    ASSERT_TRUE(client.open("post", "HTTPS://example.test"));
    EXPECT_EQ(client.url(), "HTTPS://example.test");
    EXPECT_EQ(client.scheme(), 2);
    EXPECT_EQ(client.port(), 443);
    EXPECT_EQ(client.host(), "example.test");
    EXPECT_TRUE(client.isPost());

    // A plain URL naming port 443 of that host keeps the connection; the scheme takes no part.
    const HttpClient::Handle secureConnection = client.connectionHandle();
    ASSERT_TRUE(client.open("GET", "http://example.test:443/plain"));
    EXPECT_EQ(client.connectionHandle(), secureConnection);
    EXPECT_EQ(client.scheme(), 1);

    // Shorter than 8 bytes: "http://" goes in front even of "http://" itself.
    client.open("GET", "a.b");
    EXPECT_EQ(client.url(), "http://a.b");
    EXPECT_EQ(client.port(), 80);
    client.open("GET", "http://");
    EXPECT_EQ(client.url(), "http://http://");
    EXPECT_FALSE(client.isPost());
}

TEST_F(HttpClientRequestTest, UrlThatCannotBeSplitDropsThePreviousResponse) {
    ASSERT_TRUE(client.open("POST", server.origin() + "/first"));
    ASSERT_TRUE(client.send());
    EXPECT_FALSE(client.open("POST", "http://127.0.0.1:99999/x"));
    EXPECT_EQ(client.url(), "http://127.0.0.1:99999/x");
    EXPECT_EQ(client.requestHandle(), 0u);
    EXPECT_FALSE(client.send());
    EXPECT_TRUE(client.getResponseBytes().empty());
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpClientRequestTest, GetAfterPostKeepsIsPostAndItsContentType) {
    ASSERT_TRUE(client.open("POST", server.origin() + "/a"));
    ASSERT_TRUE(client.send());
    ASSERT_TRUE(client.open(server.origin() + "/b"));
    EXPECT_TRUE(client.isPost());
    ASSERT_TRUE(client.send());
    const std::string get = server.requests().at(1);
    EXPECT_EQ(requestLine(get), "GET /b HTTP/1.1");
    EXPECT_TRUE(hasHeaderLine(get, "Content-Type:application/x-www-form-urlencoded"));
}

TEST_F(HttpClientRequestTest, NonAsciiAndBlanksInPathAndQueryArePercentEncodedAsUtf8) {
    ASSERT_TRUE(client.open("GET", server.origin() + gbk("/搜 索?wd=中文&k=a%20b\"")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(requestLine(server.requests().at(0)),
              "GET /%E6%90%9C%20%E7%B4%A2?wd=%E4%B8%AD%E6%96%87&k=a%20b\" HTTP/1.1");
}

TEST_F(HttpClientRequestTest, ConnectionIsReusedForTheSameHostAndPortOnly) {
    LoopbackServer other;
    const std::string local = "http://localhost:" + std::to_string(server.port());
    const std::string upper = "http://LOCALHOST:" + std::to_string(server.port());
    const auto fetch = [&](const std::string& url) {
        ASSERT_TRUE(client.open("POST", url));
        ASSERT_TRUE(client.send());
        EXPECT_EQ(bodyOf(client.getResponseBytes()), "ok");
    };
    fetch(local + "/1");
    fetch(local + "/2");
    EXPECT_EQ(server.connectionCount(), 1);
    fetch("http://localhost:" + std::to_string(other.port()) + "/3");  // another port
    EXPECT_EQ(other.connectionCount(), 1);
    fetch(local + "/4");  // back again: the connection was replaced
    EXPECT_EQ(server.connectionCount(), 2);
    fetch(upper + "/5");  // the same host in capitals counts as another host
    EXPECT_EQ(server.connectionCount(), 3);
    fetch(upper + "/6");
    EXPECT_EQ(server.connectionCount(), 3);
}

TEST_F(HttpClientRequestTest, RetriesFollowOnlyBrokenConnections) {
    // The server closes two connections without answering; retries 2 reaches the third attempt.
    server.enqueue(testing::dropReply());
    server.enqueue(testing::dropReply());
    server.enqueue(rawReply(rawResponse(200, "OK", "", "third"), true));
    ASSERT_TRUE(client.open("POST", server.origin() + "/r"));
    ASSERT_TRUE(client.send(Text(), false, 2));
    EXPECT_EQ(bodyOf(client.getResponseBytes()), "third");
    EXPECT_EQ(server.requests().size(), 3u);

    // Three drops with retries 2: three attempts, then failure.
    for (int i = 0; i < 3; ++i) {
        server.enqueue(testing::dropReply());
    }
    ASSERT_TRUE(client.open("POST", server.origin() + "/r"));
    EXPECT_FALSE(client.send(Text(), false, 2));
    EXPECT_EQ(lastHttpError(), http_error::kConnectionError);
    EXPECT_EQ(server.requests().size(), 6u);
    EXPECT_TRUE(client.getResponseBytes().empty());

    // No retries given: one attempt.
    server.enqueue(testing::dropReply());
    ASSERT_TRUE(client.open("POST", server.origin() + "/r"));
    EXPECT_FALSE(client.send());
    EXPECT_EQ(server.requests().size(), 7u);

    // Negative retries: no attempt at all.
    ASSERT_TRUE(client.open("POST", server.origin() + "/r"));
    EXPECT_FALSE(client.send(Text(), false, -1));
    EXPECT_EQ(server.requests().size(), 7u);
}

TEST_F(HttpClientRequestTest, RefusedPortAndUnresolvableHostFail) {
    ASSERT_TRUE(client.open("POST", "127.0.0.1:" + std::to_string(testing::refusedPort())));
    EXPECT_FALSE(client.send(Text(), false, 2));
    EXPECT_EQ(lastHttpError(), http_error::kCannotConnect);

    // A label longer than 63 bytes is refused by the resolver without asking any server.
    const std::string unresolvable = std::string(70, 'a') + ".invalid";
    ASSERT_TRUE(client.open("POST", unresolvable + "/x"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.send(Text(), false, 2));
    EXPECT_EQ(lastHttpError(), http_error::kNameNotResolved);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(client.getResponseText().empty());
}

TEST_F(HttpClientRequestTest, ContentLengthReading) {
    struct Case {
        const char* name;
        Reply reply;
        int contentLength;
        std::string body;
    };
    const std::string longBody(30000, 'b');
    const Case cases[] = {
        {"none, body up to the close", closingReply("", longBody), -1, longBody},
        {"chunked",
         closingReply("Transfer-Encoding: chunked\r\n", "3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"), -1,
         "abcde"},
        {"zero", rawReply(rawResponse(200, "OK", "Content-Length: 0\r\n", "", false)), 0, ""},
        {"small letters and blanks",
         rawReply(rawResponse(200, "OK", "content-length:     5\r\n", "hello", false)), 5, "hello"},
        {"trailing letters", closingReply("Content-Length: 5abc\r\n", "hello"), 5, "hello"},
        {"only at a line start",
         rawReply(rawResponse(200, "OK", "X-Original-Content-Length: 99\r\nContent-Length: 2\r\n",
                              "hi", false)),
         2, "hi"},
        {"error status", rawReply(rawResponse(404, "Not Found", "", "gone")), 4, "gone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.enqueue(c.reply);
        ASSERT_TRUE(client.open("POST", server.origin() + "/c"));
        ASSERT_TRUE(client.send());
        EXPECT_EQ(client.contentLength(), c.contentLength);
        EXPECT_EQ(bodyOf(client.getResponseBytes()), c.body);
    }
}

TEST_F(HttpClientRequestTest, ReceiveBufferGrowth) {
    // Without Content-Length the buffer starts at 10240 bytes and grows by what is needed.
    server.enqueue(closingReply("", std::string(50000, 'n')));
    ASSERT_TRUE(client.open("POST", server.origin() + "/n"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseBytes().size(), 50000u);
    EXPECT_EQ(client.bytesRead(), 50000);
    EXPECT_GE(client.receiveCapacity(), 50000u);
    EXPECT_LE(client.receiveCapacity(), 50000u + 10240u + 128u * 1024u);

    // With a correct Content-Length the buffer ends exactly at that size.
    const std::size_t large = 3 * 1048576 + 123;
    server.enqueue(okReply(std::string(large, 'L')));
    ASSERT_TRUE(client.open("POST", server.origin() + "/l"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseBytes().size(), large);
    EXPECT_EQ(client.receiveCapacity(), large);
}

TEST_F(HttpClientRequestTest, LyingContentLengthKeepsWhatArrived) {
    struct Case {
        const char* lengthHeader;
        int contentLength;
    };
    const Case cases[] = {
        {"Content-Length: 99999999999999999999\r\n", 2147483647},
        {"Content-Length: 1000\r\n", 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lengthHeader);
        Reply reply = rawReply(rawResponse(200, "OK", c.lengthHeader, "short body", false));
        reply.close = true;
        server.enqueue(reply);
        ASSERT_TRUE(client.open("POST", server.origin() + "/lie"));
        ASSERT_TRUE(client.send());
        EXPECT_EQ(client.contentLength(), c.contentLength);
        EXPECT_EQ(bodyOf(client.getResponseBytes()), "short body");
        EXPECT_EQ(client.bytesRead(), 10);
    }
}

TEST_F(HttpClientRequestTest, BodyTextDecoding) {
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 ok";  // 中文 ok
    server.enqueue(okReply(utf8));
    ASSERT_TRUE(client.open("POST", server.origin() + "/u"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseText(), gbk("中文 ok"));
    EXPECT_EQ(client.getResponseRawText(), utf8);

    const Text gbkBody = gbk("中文");
    server.enqueue(okReply(gbkBody));
    ASSERT_TRUE(client.open("POST", server.origin() + "/g"));
    ASSERT_TRUE(client.send());
    EXPECT_NE(client.getResponseText(), gbkBody);
    EXPECT_EQ(client.getResponseRawText(), gbkBody);

    // The raw text ends at the first zero byte; the bytes keep it.
    server.enqueue(okReply(std::string("ab\0cd", 5)));
    ASSERT_TRUE(client.open("POST", server.origin() + "/z"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseBytes().size(), 5u);
    EXPECT_EQ(client.getResponseRawText(), "ab");
}

TEST_F(HttpClientRequestTest, BodyIsTakenOnceAndClearedByTheNextOpen) {
    server.enqueue(okReply("first body"));
    ASSERT_TRUE(client.open("POST", server.origin() + "/once"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(bodyOf(client.getResponseBytes()), "first body");
    EXPECT_EQ(bodyOf(client.getResponseBytes()), "first body");
    EXPECT_EQ(client.getResponseText(), "first body");
    ASSERT_TRUE(client.open("POST", server.origin() + "/next"));
    EXPECT_TRUE(client.getResponseBytes().empty());
    EXPECT_EQ(client.contentLength(), 0);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpClientRequestTest, ServerThatNeverAnswersGivesUpAfterTheReceiveTimeOut) {
    Reply silent;
    silent.silent = true;
    server.enqueue(silent);
    ASSERT_TRUE(client.setTimeouts(1000, 1000, 1000, 300));
    ASSERT_TRUE(client.open("POST", server.origin() + "/silent"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.send());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(lastHttpError(), http_error::kTimeout);
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(2));
}

TEST_F(HttpClientRequestTest, ServerThatStopsReadingGivesUpAfterTheSendTimeOut) {
    server.setReadsBodies(false);
    ASSERT_TRUE(client.setTimeouts(1000, 1000, 300, 60000));
    ASSERT_TRUE(client.open("POST", server.origin() + "/upload"));
    const Bytes body(64u << 20, 'u');  // far more than the socket buffers hold
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.sendBytes(body));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(lastHttpError(), http_error::kTimeout);
    EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST_F(HttpClientRequestTest, ReceiveTimeOutIsAnIdleLimitNotACapOnTheDownload) {
    // The answer starts late and the body comes in pieces: every pause stays under the limit,
    // their sum does not.
    Reply slow = rawReply(rawResponse(200, "OK", "Content-Length: 10\r\n", "", false));
    slow.delay = std::chrono::milliseconds(250);
    slow.laterPieces = {"ab", "cd", "ef", "gh", "ij"};
    slow.pieceDelay = std::chrono::milliseconds(200);
    server.enqueue(slow);
    ASSERT_TRUE(client.setTimeouts(1000, 1000, 1000, 800));
    ASSERT_TRUE(client.open("POST", server.origin() + "/slow"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseText(), "abcdefghij");

    // A pause longer than the limit in the middle of the body ends the reading there.
    Reply stalled = rawReply(rawResponse(200, "OK", "Content-Length: 4\r\n", "ab", false));
    stalled.laterPieces = {"cd"};
    stalled.pieceDelay = std::chrono::milliseconds(2000);
    server.enqueue(stalled);
    ASSERT_TRUE(client.open("POST", server.origin() + "/stalled"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseText(), "ab");
}

TEST_F(HttpClientRequestTest, CloseLeavesTheObjectWithoutSessionUntilReset) {
    client.close();
    EXPECT_EQ(client.sessionHandle(), 0u);
    EXPECT_FALSE(client.setTimeouts());
    EXPECT_FALSE(client.open("POST", server.origin() + "/x"));
    EXPECT_FALSE(client.send());
    EXPECT_TRUE(client.getResponseBytes().empty());

    client.reset();
    EXPECT_NE(client.sessionHandle(), 0u);
    ASSERT_TRUE(client.open("POST", server.origin() + "/after-reset"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseText(), "ok");
}

TEST_F(HttpClientRequestTest, UserAgentOfCreate) {
    struct Case {
        std::optional<Text> agent;
        std::string expected;  // "" means no User-Agent line at all
    };
    const Case cases[] = {
        {std::nullopt, "User-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)"},
        {Text("Zentara-Test/1"), "User-Agent: Zentara-Test/1"},
        {Text(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        client.reset(c.agent);
        ASSERT_TRUE(client.open("POST", server.origin() + "/agent"));
        ASSERT_TRUE(client.send());
        const std::string request = server.requests().back();
        if (c.expected.empty()) {
            EXPECT_EQ(request.find("User-Agent"), std::string::npos);
        } else {
            EXPECT_TRUE(hasHeaderLine(request, c.expected));
        }
    }
}

TEST_F(HttpClientRequestTest, CreateOnAnOpenSessionReplacesIt) {
    const HttpClient::Handle first = client.sessionHandle();
    client.create();
    EXPECT_NE(client.sessionHandle(), first);
    ASSERT_TRUE(client.open("POST", server.origin() + "/x"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseText(), "ok");
}

TEST_F(HttpClientRequestTest, AbortAllEndsAWaitingSendAtOnce) {
    Reply silent;
    silent.silent = true;
    server.enqueue(silent);
    ASSERT_TRUE(client.open("POST", server.origin() + "/hang"));
    std::thread aborter([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        HttpClient::abortAll();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.send());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    aborter.join();

    // Requests started afterwards run normally.
    ASSERT_TRUE(client.open("POST", server.origin() + "/after"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseText(), "ok");
}

}  // namespace
}  // namespace zentara

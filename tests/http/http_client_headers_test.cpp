// HttpClient's request headers and connection settings, on the wire.

#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "loopback_server.h"
#include "wire_helpers.h"

namespace zentara {
namespace {

using testing::LoopbackServer;
using testing::okReply;
using testing::rawReply;
using testing::rawResponse;

class HttpClientHeadersTest : public ::testing::Test {
  protected:
    std::string sendAndRecord() {
        EXPECT_TRUE(client.send());
        client.getResponseBytes();
        return server.requests().empty() ? std::string() : server.requests().back();
    }

    LoopbackServer server;
    HttpClient client;
};

TEST_F(HttpClientHeadersTest, SetHeaderNeedsARequestAndAName) {
    EXPECT_FALSE(client.setHeader("X-A", "1"));
    EXPECT_FALSE(client.setAccept());
    EXPECT_FALSE(client.setClientAddress("1.2.3.4"));
    ASSERT_TRUE(client.open("POST", server.origin() + "/h"));
    EXPECT_FALSE(client.setHeader("", "1"));
    EXPECT_TRUE(client.setHeader("X-A", "1"));
}

TEST_F(HttpClientHeadersTest, NamedHeaderSetters) {
    struct Case {
        const char* name;
        bool (*apply)(HttpClient&);
        std::string expectedLine;  // "$" stands for the URL of the open
        std::string absentLine;    // a default that must not appear
    };
    const Case cases[] = {
        {"accept of the caller wins over the default",
         [](HttpClient& c) { return c.setAccept(Text("text/html")); }, "Accept:text/html",
         "Accept:*/*"},
        {"accept default", [](HttpClient& c) { return c.setAccept(); }, "Accept:*/*", ""},
        {"user agent default replaces the session's",
         [](HttpClient& c) { return c.setUserAgent(); },
         "User-Agent:Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)",
         "User-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)"},
        {"user agent given empty", [](HttpClient& c) { return c.setUserAgent(Text()); },
         "User-Agent:", "User-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)"},
        {"referer defaults to the URL with its scheme",
         [](HttpClient& c) { return c.setReferer(); }, "Referer:$", ""},
        {"accept language", [](HttpClient& c) { return c.setAcceptLanguage(Text("en")); },
         "Accept-Language:en", "Accept-Language:zh-cn"},
        {"content type default", [](HttpClient& c) { return c.setContentType(); },
         "Content-Type:application/x-www-form-urlencoded", ""},
        {"requested with", [](HttpClient& c) { return c.setRequestedWith(); },
         "x-requested-with:XMLHttpRequest", ""},
        {"several lines in one value",
         [](HttpClient& c) { return c.setHeader("X-A", "1\r\nX-B:2"); }, "X-A:1\r\nX-B:2", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // No scheme: the stored URL (and so the default Referer) gets "http://".
        const std::string given = "127.0.0.1:" + std::to_string(server.port()) + "/page?q=1";
        ASSERT_TRUE(client.open("POST", given));
        ASSERT_TRUE(c.apply(client));
        const std::string request = sendAndRecord();
        std::string expected = c.expectedLine;
        if (const auto at = expected.find('$'); at != std::string::npos) {
            expected.replace(at, 1, "http://" + given);
        }
        EXPECT_TRUE(hasHeaderLine(request, expected)) << request;
        if (!c.absentLine.empty()) {
            EXPECT_FALSE(hasHeaderLine(request, c.absentLine)) << request;
        }
    }
}

TEST_F(HttpClientHeadersTest, ClientAddressSendsFourHeadersInOrder) {
    for (const std::string address : {"10.1.2.3", ""}) {
        SCOPED_TRACE(address);
        ASSERT_TRUE(client.open("POST", server.origin() + "/a"));
        ASSERT_TRUE(client.setClientAddress(address));
        const std::string request = sendAndRecord();
        EXPECT_NE(request.find("\r\nX-Forwarded-For:" + address + "\r\nCLIENT_IP:" + address +
                               "\r\nVIA:" + address + "\r\nREMOTE_ADDR:" + address + "\r\n"),
                  std::string::npos)
            << request;
    }
}

TEST_F(HttpClientHeadersTest, RemoveHeader) {
    ASSERT_TRUE(client.open("POST", server.origin() + "/r"));
    EXPECT_FALSE(client.removeHeader("X-Missing"));
    ASSERT_TRUE(client.setHeader("X-Gone", "1"));
    EXPECT_TRUE(client.removeHeader("x-gone"));
    const std::string request = sendAndRecord();
    EXPECT_EQ(request.find("X-Gone"), std::string::npos);
}

TEST_F(HttpClientHeadersTest, CookieHeaderOfTheCallerReplacesTheTransportCookies) {
    server.enqueue(okReply("", "Set-Cookie: sid=session; Path=/\r\n"));
    ASSERT_TRUE(client.open("POST", server.origin() + "/login"));
    sendAndRecord();
    ASSERT_TRUE(client.open("POST", server.origin() + "/page"));
    EXPECT_TRUE(hasHeaderLine(sendAndRecord(), "Cookie: sid=session"));

    ASSERT_TRUE(client.open("POST", server.origin() + "/own"));
    ASSERT_TRUE(client.setHeader("COOKIE", "mine=1"));
    const std::string own = sendAndRecord();
    EXPECT_TRUE(hasHeaderLine(own, "COOKIE:mine=1"));
    EXPECT_EQ(countOf(toLowerAscii(own), "cookie"), 1) << own;

    ASSERT_TRUE(client.open("POST", server.origin() + "/by-list"));
    ASSERT_TRUE(client.setRequestCookies("a=1; b=2"));
    const std::string listed = sendAndRecord();
    EXPECT_TRUE(hasHeaderLine(listed, "Cookie:a=1; b=2"));
    EXPECT_EQ(countOf(toLowerAscii(listed), "cookie"), 1) << listed;
}

TEST_F(HttpClientHeadersTest, DefaultHeadersCanBeSwitchedOff) {
    client.setDefaultHeadersEnabled(false);
    ASSERT_TRUE(client.open("GET", server.origin() + "/a"));
    ASSERT_TRUE(client.open("POST", server.origin() + "/b"));
    EXPECT_FALSE(client.isPost());  // not tracked while switched off
    const std::string request = sendAndRecord();
    EXPECT_EQ(requestLine(request), "POST /b HTTP/1.1");
    EXPECT_EQ(request.find("Accept"), std::string::npos);
    EXPECT_EQ(request.find("Cache-Control"), std::string::npos);
    EXPECT_EQ(request.find("Content-Type"), std::string::npos);
    client.setDefaultHeadersEnabled();
    EXPECT_TRUE(client.defaultHeadersEnabled());
}

TEST_F(HttpClientHeadersTest, FollowRedirectsSwitch) {
    const auto redirect = [&] {
        server.enqueue(rawReply(rawResponse(302, "Found", "Location: /target\r\n", "")));
        server.enqueue(okReply("target"));
    };
    redirect();
    ASSERT_TRUE(client.open("POST", server.origin() + "/start"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getStatusCode(), 200);
    EXPECT_EQ(client.getResponseText(), "target");

    client.setFollowRedirects(false);
    EXPECT_TRUE(client.redirectsDisabled());
    redirect();
    ASSERT_TRUE(client.open("POST", server.origin() + "/start"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getStatusCode(), 302);
    EXPECT_EQ(client.getLocation(), "/target");
    client.getResponseBytes();
    client.setFollowRedirects();
    EXPECT_FALSE(client.redirectsDisabled());
}

TEST_F(HttpClientHeadersTest, ProxyWithCredentialsPendingUntilTheNextSend) {
    LoopbackServer proxy;
    const std::string proxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
    const std::string basic = "Proxy-Authorization: Basic dXNlcjpwYXNz";  // user:pass

    // No request open: the credentials wait for the next send.
    ASSERT_TRUE(client.open("POST", server.origin() + "/x"));
    sendAndRecord();
    EXPECT_FALSE(client.open("POST", "http://127.0.0.1:99999/"));  // leaves no request open
    ASSERT_EQ(client.requestHandle(), 0u);
    ASSERT_TRUE(client.setProxy(proxyAddress, "user", "pass"));
    EXPECT_TRUE(client.proxyCredentialsPending());
    ASSERT_TRUE(client.open("POST", "http://example.test/via?proxy=1"));
    ASSERT_TRUE(client.send());
    EXPECT_FALSE(client.proxyCredentialsPending());
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_EQ(requestLine(proxy.requests()[0]), "POST http://example.test/via?proxy=1 HTTP/1.1");
    EXPECT_EQ(countOf(proxy.requests()[0], basic), 1);

    // The request after the next open goes through the proxy without them.
    ASSERT_TRUE(client.open("POST", "http://example.test/again"));
    ASSERT_TRUE(client.send());
    ASSERT_EQ(proxy.requests().size(), 2u);
    EXPECT_EQ(proxy.requests()[1].find("Proxy-Authorization"), std::string::npos);

    // Given while a request is open: set on that request only.
    ASSERT_TRUE(client.open("POST", "http://example.test/open"));
    ASSERT_TRUE(client.setProxy(proxyAddress, "user", "pass"));
    EXPECT_FALSE(client.proxyCredentialsPending());
    ASSERT_TRUE(client.send());
    EXPECT_EQ(countOf(proxy.requests().at(2), basic), 1);

    // An empty server goes back to direct connections.
    ASSERT_TRUE(client.setProxy());
    ASSERT_TRUE(client.open("POST", server.origin() + "/direct"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(proxy.requests().size(), 3u);
    EXPECT_EQ(requestLine(server.requests().back()), "POST /direct HTTP/1.1");
}

TEST_F(HttpClientHeadersTest, CredentialsAndOptions) {
    ASSERT_TRUE(client.open("POST", server.origin() + "/auth"));
    EXPECT_FALSE(client.setCredentials("u", "p", 0, 4));  // a scheme the transport lacks
    ASSERT_TRUE(client.setCredentials("u", "p"));
    EXPECT_TRUE(hasHeaderLine(sendAndRecord(), "Authorization: Basic dTpw"));

    EXPECT_FALSE(client.setOption(1, 63, 1));  // the connection takes no such option
    EXPECT_TRUE(client.setOption(2, 63, 1));   // cookies off for the request
    EXPECT_FALSE(client.setOption(2, 12345, 1));
    EXPECT_FALSE(client.setOption(2, 63, 1, 8));
    EXPECT_FALSE(client.setOption(0, 63, 1));
    client.close();
    EXPECT_FALSE(client.setOption(1, 63, 1));
    EXPECT_FALSE(client.setOption(2, 63, 1));
    EXPECT_FALSE(client.setProxy("127.0.0.1:1"));
}

TEST_F(HttpClientHeadersTest, HandlesCanBeReadAndReplaced) {
    const HttpClient::Handle session = client.sessionHandle();
    EXPECT_NE(session, 0u);
    EXPECT_EQ(client.connectionHandle(), 0u);
    ASSERT_TRUE(client.open("POST", server.origin() + "/x"));
    const HttpClient::Handle request = client.requestHandle();
    EXPECT_NE(request, 0u);
    EXPECT_EQ(client.requestHandle(0), 0u);
    EXPECT_FALSE(client.send());
    EXPECT_EQ(client.requestHandle(request), request);
    EXPECT_TRUE(client.send());
}

}  // namespace
}  // namespace zentara

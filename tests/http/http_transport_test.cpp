// The WinHTTP-shaped transport: URL splitting, the request header rules, redirects, 1xx answers,
// the session's cookie engine and the header queries, on the wire against the loopback server.

#include <gtest/gtest.h>

#include <string>

#include "loopback_server.h"
#include "platform/code_page.h"
#include "platform/http_transport.h"

namespace zentara {
namespace {

using testing::LoopbackServer;
using testing::rawReply;
using testing::rawResponse;

TEST(CrackUrlTest, SplitsSchemeHostPortPathAndExtra) {
    struct Case {
        std::u16string url;
        int scheme;
        std::u16string host;
        int port;
        std::u16string path;
        std::u16string extra;
    };
    const Case cases[] = {
        {u"http://a.b/c/d.html?x=1#f", 1, u"a.b", 80, u"/c/d.html", u"?x=1#f"},
        {u"HTTPS://Host.Name", 2, u"Host.Name", 443, u"", u""},
        {u"https://h:8443/p", 2, u"h", 8443, u"/p", u""},
        {u"http://h:443", 1, u"h", 443, u"", u""},
        {u"http://h?q", 1, u"h", 80, u"", u"?q"},
        {u"http://user:pw@h:81/p", 1, u"h", 81, u"/p", u""},
        {u"http://[::1]:8080/v6", 1, u"[::1]", 8080, u"/v6", u""},
        {u"http://h:/p", 1, u"h", 80, u"/p", u""},
        {u"http://\u4E2D\u6587.cn/\u641C?wd=\u4E2D", 1, u"\u4E2D\u6587.cn", 80, u"/\u641C",
         u"?wd=\u4E2D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(wideToUtf8(c.url));
        const auto parts = crackUrl(c.url);
        ASSERT_TRUE(parts.has_value());
        EXPECT_EQ(parts->scheme, c.scheme);
        EXPECT_EQ(parts->host, c.host);
        EXPECT_EQ(parts->port, c.port);
        EXPECT_EQ(parts->path, c.path);
        EXPECT_EQ(parts->extra, c.extra);
    }
}

TEST(CrackUrlTest, RefusesWhatCannotBeSplit) {
    for (const char16_t* url : {u"ftp://h/p", u"h/p", u"http:///p", u"http://h:99999/",
                                u"http://h:8a/", u"http://:80/", u"http://[::1/"}) {
        SCOPED_TRACE(wideToUtf8(url));
        EXPECT_FALSE(crackUrl(url).has_value());
    }
}

// One session, connection and request per test, on the loopback server.
class TransportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session = openSession(u"agent/1");
        connection = connectTo(session, u"127.0.0.1", server.port());
    }
    void TearDown() override {
        for (HttpHandle handle : {request, connection, session}) {
            if (handle != 0) {
                closeHandle(handle);
            }
        }
    }

    HttpHandle openGet(std::u16string_view path, std::u16string_view method = u"GET") {
        if (request != 0) {
            closeHandle(request);
        }
        request = openRequest(connection, method, path, false);
        return request;
    }

    bool exchange(std::string_view body = {}) {
        return sendRequest(request, body.data(), body.size()) && receiveResponse(request);
    }

    std::string readAll() {
        std::string body;
        char buffer[4096];
        std::size_t got = 0;
        while (readData(request, buffer, sizeof buffer, got) && got > 0) {
            body.append(buffer, got);
        }
        return body;
    }

    std::string rawHeaders() { return wideToUtf8(queryHeaders(request, 22).value_or(u"")); }

    LoopbackServer server;
    HttpHandle session = 0;
    HttpHandle connection = 0;
    HttpHandle request = 0;
};

TEST_F(TransportTest, HeaderModifierRules) {
    using namespace header_flag;
    struct Step {
        const char16_t* text;
        std::uint32_t modifiers;
        bool succeeds;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::string expectedHeaders;  // custom lines as they reach the wire, in order
    };
    const Case cases[] = {
        {"add if new keeps the first",
         {{u"Accept:a", kAddIfNew, true}, {u"accept:b", kAddIfNew, false}},
         "Accept:a\r\n"},
        {"add or replace replaces in place",
         {{u"X-A:1", kAddOrReplace, true},
          {u"X-B:2", kAddOrReplace, true},
          {u"x-a:3", kAddOrReplace, true}},
         "X-A:3\r\nX-B:2\r\n"},
        {"replace with an empty value removes",
         {{u"X-A:1", kAddOrReplace, true}, {u"X-A:", kReplace, true}},
         ""},
        {"replace of a missing header fails", {{u"X-A:", kReplace, false}}, ""},
        {"empty value is sent empty", {{u"Referer:", kAddOrReplace, true}}, "Referer:\r\n"},
        {"several lines in one text",
         {{u"X-A:1\r\nX-B:2\r\n", kAddOrReplace, true}},
         "X-A:1\r\nX-B:2\r\n"},
        {"a line without colon or with a bare LF is refused",
         {{u"NoColon", kAddOrReplace, false}, {u"X-A:1\nX-Evil:2", kAddOrReplace, false}},
         ""},
        {"coalesce joins values",
         {{u"X-A:1", kAdd, true}, {u"X-A:2", kCoalesceComma, true}},
         "X-A:1, 2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(openGet(u"/h"), 0u);
        for (const Step& step : c.steps) {
            EXPECT_EQ(addRequestHeaders(request, step.text, step.modifiers), step.succeeds)
                << wideToUtf8(step.text);
        }
        ASSERT_TRUE(exchange());
        readAll();
        const std::string wire = server.requests().back();
        // Between User-Agent and the end of the head.
        const std::string agentLine = "User-Agent: agent/1\r\n";
        const std::size_t from = wire.find(agentLine);
        ASSERT_NE(from, std::string::npos) << wire;
        EXPECT_EQ(wire.substr(from + agentLine.size()), c.expectedHeaders + "\r\n");
    }
}

TEST_F(TransportTest, RedirectsAreFollowedAndOnlyTheLastResponseIsSeen) {
    server.enqueue(rawReply(rawResponse(100, "Continue", "", "", false) +
                            rawResponse(302, "Found", "Location: /second\r\nX-Hop: 1\r\n", "")));
    server.enqueue(rawReply(rawResponse(200, "OK", "X-Final: yes\r\n", "final body")));
    ASSERT_NE(openGet(u"/first", u"POST"), 0u);
    ASSERT_TRUE(exchange("data"));
    EXPECT_EQ(rawHeaders(), "HTTP/1.1 200 OK\r\nX-Final: yes\r\nContent-Length: 10\r\n\r\n");
    EXPECT_EQ(readAll(), "final body");
    ASSERT_EQ(server.requests().size(), 2u);
    // The 302 turns the POST into a GET.
    EXPECT_EQ(server.requests()[1].substr(0, 16), "GET /second HTTP");
}

TEST_F(TransportTest, RedirectsDisabledHandTheRedirectOver) {
    server.enqueue(rawReply(rawResponse(302, "Found", "Location: /elsewhere\r\n", "moved")));
    ASSERT_NE(openGet(u"/start"), 0u);
    const std::uint32_t off = http_option::kDisableRedirects;
    ASSERT_TRUE(setIntegerOption(request, http_option::kDisableFeature, &off, sizeof off));
    ASSERT_TRUE(exchange());
    EXPECT_EQ(wideToUtf8(queryHeaders(request, 19).value_or(u"")), "302");
    EXPECT_EQ(wideToUtf8(queryHeaders(request, 20).value_or(u"")), "Found");
    EXPECT_EQ(readAll(), "moved");
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(TransportTest, SessionKeepsCookiesUnlessARequestSwitchesThemOff) {
    server.enqueue(rawReply(rawResponse(200, "OK", "Set-Cookie: sid=abc; Path=/\r\n", "")));
    ASSERT_NE(openGet(u"/login"), 0u);
    ASSERT_TRUE(exchange());
    ASSERT_NE(openGet(u"/page"), 0u);
    ASSERT_TRUE(exchange());
    EXPECT_NE(server.requests()[1].find("\r\nCookie: sid=abc\r\n"), std::string::npos);

    ASSERT_NE(openGet(u"/private"), 0u);
    const std::uint32_t off = http_option::kDisableCookies;
    ASSERT_TRUE(setIntegerOption(request, http_option::kDisableFeature, &off, sizeof off));
    ASSERT_TRUE(exchange());
    EXPECT_EQ(server.requests()[2].find("Cookie"), std::string::npos);
}

TEST_F(TransportTest, HeaderBytesAreReadAsUtf8WhenTheyAreUtf8) {
    server.enqueue(
        rawReply(rawResponse(200, "OK", "X-Name: \xE4\xB8\xAD\r\nX-Latin: caf\xE9\r\n", "")));
    ASSERT_NE(openGet(u"/h"), 0u);
    ASSERT_TRUE(exchange());
    const std::u16string block = queryHeaders(request, 22).value_or(u"");
    EXPECT_NE(block.find(u"X-Name: \u4E2D\r\n"), std::u16string::npos);
    EXPECT_NE(block.find(u"X-Latin: caf\u00E9\r\n"), std::u16string::npos);
}

TEST_F(TransportTest, OptionsTheTransportDoesNotKnowAreRefused) {
    ASSERT_NE(openGet(u"/o"), 0u);
    const std::uint32_t value = 1;
    EXPECT_FALSE(setIntegerOption(request, 12345, &value, sizeof value));
    EXPECT_EQ(lastHttpError(), http_error::kInvalidOption);
    EXPECT_FALSE(setIntegerOption(request, http_option::kDisableFeature, &value, 8));
    EXPECT_FALSE(setIntegerOption(session, http_option::kDisableFeature, &value, sizeof value));
    EXPECT_EQ(lastHttpError(), http_error::kIncorrectHandleType);
    EXPECT_FALSE(setIntegerOption(0xFFFF, http_option::kDisableFeature, &value, sizeof value));
    EXPECT_EQ(lastHttpError(), http_error::kInvalidHandle);
    EXPECT_FALSE(setTimeouts(session, 1, 1, -2, 1));
}

}  // namespace
}  // namespace zentara

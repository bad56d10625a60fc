// HttpClient's cookie list, the three cookie modes and redirects followed by hand.

#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "loopback_server.h"
#include "platform/cookie_store.h"
#include "wire_helpers.h"

namespace zentara {
namespace {

using testing::LoopbackServer;
using testing::okReply;
using testing::rawReply;
using testing::rawResponse;
using testing::Reply;

// ---- The cookie list on its own ----

TEST(CookieListTest, CookiesReadAndReplace) {
    struct Case {
        std::string given;
        std::string list;  // cookieText afterwards
        std::string read;  // cookies() afterwards
    };
    const Case cases[] = {
        {"", "; ", ""},
        {"a=1", "; a=1; ", "a=1"},
        {"; a=1;", "; a=1; ", "a=1"},
        {"; a=1; b=2; ", "; a=1; b=2; ", "a=1; b=2"},
        {"a=1 ", "; a=1; ", "a=1"},  // a trailing blank becomes the separator
        {"a=1;  ", "; a=1; ", "a=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("[" + c.given + "]");
        HttpClient client;
        EXPECT_EQ(client.cookies(), "");
        EXPECT_EQ(client.cookies(c.given), c.given);
        EXPECT_EQ(client.cookieText(), c.list);
        EXPECT_EQ(client.cookies(), c.read);
    }
}

TEST(CookieListTest, MergeDeleteAndGet) {
    HttpClient client;
    EXPECT_FALSE(client.mergeCookies(""));
    EXPECT_FALSE(client.mergeCookies("no equals sign"));
    EXPECT_TRUE(client.mergeCookies("ab=1; a=2"));
    EXPECT_EQ(client.cookieText(), "; ab=1; a=2; ");
    EXPECT_TRUE(client.mergeCookies("a=3"));
    EXPECT_EQ(client.cookieText(), "; ab=1; a=3; ");

    // "a" is the beginning of "ab", which stands earlier.
    EXPECT_EQ(client.getCookie("a"), "3");
    EXPECT_EQ(client.getCookie("a", true), "a=3");
    EXPECT_EQ(client.getCookie("ab"), "1");
    EXPECT_EQ(client.getCookie("A"), "");
    EXPECT_EQ(client.getCookie(""), "");

    EXPECT_FALSE(client.deleteCookies("missing"));
    EXPECT_TRUE(client.deleteCookies("ab=anything"));
    EXPECT_EQ(client.cookieText(), "; a=3; ");
    EXPECT_TRUE(client.deleteCookies(" a"));
    EXPECT_EQ(client.cookieText(), "; ");
    EXPECT_FALSE(client.deleteCookies(""));
}

TEST(CookieListTest, CookieModeIsClamped) {
    HttpClient client;
    const std::pair<std::optional<int>, int> cases[] = {
        {std::nullopt, 1}, {2, 2}, {0, 0}, {3, 0}, {-1, 0}};
    for (const auto& [given, mode] : cases) {
        if (given) {
            client.setCookieMode(*given);
        } else {
            client.setCookieMode();
        }
        EXPECT_EQ(client.cookieMode(), mode);
    }
}

// ---- Modes on the wire ----

class HttpClientCookiesTest : public ::testing::Test {
  protected:
    void SetUp() override { clearCookieStore(); }

    // POSTs to `path`, answered with a 200 carrying `headers`; returns the request as sent.
    std::string exchange(const std::string& headers, bool keepCookies = false,
                         const std::string& path = "/c") {
        server.enqueue(okReply("", headers));
        EXPECT_TRUE(client.open("POST", server.origin() + path));
        EXPECT_TRUE(client.send(Text(), keepCookies));
        return server.requests().back();
    }

    LoopbackServer server;
    HttpClient client;
};

TEST_F(HttpClientCookiesTest, ModeOneLifeCycle) {
    client.setCookieMode(1);
    const std::string first =
        exchange("Set-Cookie: sid=abc; path=/; expires=Wed, 01 Jan 2031 00:00:00 GMT\r\n");
    EXPECT_TRUE(hasHeaderLine(first, "Cookie:"));  // the empty list is sent empty
    EXPECT_EQ(client.cookieText(), "; sid=abc; ");

    const std::string second =
        exchange("Set-Cookie: other=1; path=/\r\nSet-Cookie: sid=new; HttpOnly\r\n");
    EXPECT_TRUE(hasHeaderLine(second, "Cookie:sid=abc"));
    EXPECT_EQ(client.cookieText(), "; sid=new; other=1; ");

    const std::string third = exchange("");
    EXPECT_TRUE(hasHeaderLine(third, "Cookie:sid=new; other=1"));
    // The transport's own cookie engine is off in this mode: exactly one Cookie line.
    EXPECT_EQ(countOf(third, "Cookie"), 1);
}

TEST_F(HttpClientCookiesTest, ModeOneDeletionAndEmptyValues) {
    struct Case {
        const char* name;
        std::string setCookie;
        bool keepCookies;
        std::string list;
    };
    const Case cases[] = {
        {"deleted", "a=deleted; path=/", false, "; b=2; "},
        {"DELETED", "a=DELETED; path=/", false, "; b=2; "},
        {"Deleted", "a=Deleted; path=/", false, "; b=2; "},
        {"deleted but kept", "a=deleted; path=/", true, "; a=1; b=2; "},
        {"other letter case is a value", "a=DeLeTeD; path=/", false, "; a=DeLeTeD; b=2; "},
        {"deleting an unknown cookie adds nothing", "z=deleted; path=/", false, "; a=1; b=2; "},
        {"empty value", "a=; path=/", false, "; a=; b=2; "},
        {"empty value kept", "a=; path=/", true, "; a=1; b=2; "},
        {"unknown empty value is appended", "z=; path=/", true, "; a=1; b=2; z=; "},
        {"last entry deleted", "b=deleted", false, "; a=1; "},
    };
    client.setCookieMode(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client.cookies("a=1; b=2");
        exchange("Set-Cookie: " + c.setCookie + "\r\n", c.keepCookies);
        EXPECT_EQ(client.cookieText(), c.list);
    }
}

TEST_F(HttpClientCookiesTest, SetCookieReading) {
    client.setCookieMode(1);
    // A line without ";" ends at its line end; a name in another header's value is no cookie.
    exchange(
        "Set-Cookie: plain=1\r\n"
        "X-Note: Set-Cookie: fake=1;\r\n"
        "set-cookie:tight=2;path=/\r\n"
        "Set-Cookie: gone=deleted; path=/\r\n"
        "Set-Cookie: noequals; path=/\r\n");
    EXPECT_EQ(client.cookieText(), "; plain=1; tight=2; ");
    EXPECT_EQ(client.getSetCookies(), "plain=1; tight=2; noequals");
    EXPECT_EQ(client.getSetCookieValue("PLAIN"), "1");
    EXPECT_EQ(client.getSetCookieValue("Tight"), "2");
    EXPECT_EQ(client.getSetCookieValue("fake"), "");
    EXPECT_EQ(client.getSetCookieValue("missing"), "");

    exchange("X-None: 1\r\n");
    EXPECT_EQ(client.getSetCookies(), "");
}

TEST_F(HttpClientCookiesTest, ModeOneRedirectIsFollowedByHandAfterItsCookies) {
    client.setCookieMode(1);
    server.enqueue(rawReply(
        rawResponse(302, "Found", "Set-Cookie: r=1; path=/\r\nLocation: /landing\r\n", "")));
    server.enqueue(okReply("landed"));
    ASSERT_TRUE(client.open("POST", server.origin() + "/form"));
    ASSERT_TRUE(client.send("field=value"));
    EXPECT_EQ(client.getResponseText(), "landed");
    EXPECT_EQ(client.url(), "http://127.0.0.1:" + std::to_string(server.port()) + "/landing");
    EXPECT_EQ(client.redirectCount(), 0);
    ASSERT_EQ(server.requests().size(), 2u);
    const std::string hop = server.requests()[1];
    EXPECT_EQ(requestLine(hop), "GET /landing HTTP/1.1");
    EXPECT_TRUE(hasHeaderLine(hop, "Cookie:r=1"));
    EXPECT_EQ(hop.find("field=value"), std::string::npos);  // the body is not sent again
}

TEST_F(HttpClientCookiesTest, RedirectChainStopsAfterTwentyHops) {
    client.setCookieMode(1);
    server.setResponder([](const testing::RecordedRequest&, std::size_t index) {
        return rawReply(rawResponse(302, "Found",
                                    "Location: /hop" + std::to_string(index + 1) + "\r\n",
                                    "hop " + std::to_string(index)));
    });
    ASSERT_TRUE(client.open("POST", server.origin() + "/start"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(server.requests().size(), 21u);
    EXPECT_EQ(client.getStatusCode(), 302);
    EXPECT_EQ(client.getLocation(), "/hop21");
    EXPECT_EQ(client.getResponseText(), "hop 20");
    EXPECT_EQ(client.redirectCount(), 0);
}

TEST_F(HttpClientCookiesTest, RedirectsDisabledAreNotFollowedByHandEither) {
    client.setCookieMode(1);
    client.setFollowRedirects(false);
    server.enqueue(rawReply(rawResponse(302, "Found", "Location: /x\r\n", "")));
    ASSERT_TRUE(client.open("POST", server.origin() + "/s"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getStatusCode(), 302);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpClientCookiesTest, ModeZeroLeavesRedirectsToTheTransport) {
    server.enqueue(rawReply(rawResponse(302, "Found", "Location: /final\r\n", "")));
    server.enqueue(okReply("final"));
    ASSERT_TRUE(client.open("POST", server.origin() + "/s"));
    ASSERT_TRUE(client.send());
    client.followRedirect(false, 0);  // does nothing in mode 0
    EXPECT_EQ(client.getStatusCode(), 200);
    EXPECT_EQ(client.getResponseText(), "final");
    EXPECT_EQ(client.url(), server.origin() + "/s");
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(HttpClientCookiesTest, ModeTwoUsesTheProcessWideStore) {
    client.setCookieMode(2);
    const std::string first = exchange("Set-Cookie: sid=s1; path=/\r\n", false, "/app/login");
    EXPECT_EQ(first.find("Cookie"), std::string::npos);  // the store had nothing for the URL

    // Written under the directory of the URL that set it.
    const std::string inside = exchange("", false, "/app/page");
    EXPECT_TRUE(hasHeaderLine(inside, "Cookie:sid=s1"));
    const std::string outside = exchange("", false, "/elsewhere");
    EXPECT_EQ(outside.find("Cookie"), std::string::npos);

    // Another client of the process sees the store too.
    HttpClient other;
    other.setCookieMode(2);
    ASSERT_TRUE(other.open("POST", server.origin() + "/app/x"));
    ASSERT_TRUE(other.setRequestCookies("extra=2; bad"));
    ASSERT_TRUE(other.send());
    EXPECT_TRUE(hasHeaderLine(server.requests().back(), "Cookie:sid=s1; extra=2"));

    // A deletion marker empties the stored value; with keepCookies it is ignored.
    exchange("Set-Cookie: sid=deleted; path=/\r\n", true, "/app/a");
    EXPECT_EQ(storedCookieHeader(server.origin() + "/app/b"), "sid=s1; extra=2");
    exchange("Set-Cookie: sid=deleted; path=/\r\n", false, "/app/a");
    EXPECT_EQ(storedCookieHeader(server.origin() + "/app/b"), "sid=; extra=2");
    EXPECT_FALSE(client.storeCookies(""));
    EXPECT_FALSE(client.storeCookies("novalue"));
}

TEST_F(HttpClientCookiesTest, ApplyDefaultsEmptiesTheListAndCloseKeepsIt) {
    client.setCookieMode(1);
    client.cookies("a=1");
    client.close();
    EXPECT_EQ(client.cookieText(), "; a=1; ");
    EXPECT_EQ(client.cookieMode(), 1);
    client.reset();
    EXPECT_EQ(client.cookieText(), "; ");
    EXPECT_EQ(client.cookieMode(), 0);
}

}  // namespace
}  // namespace zentara

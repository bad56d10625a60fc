// HttpClient's status and header accessors of the last response, on the wire.

#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "loopback_server.h"
#include "wire_helpers.h"

namespace zentara {
namespace {

using testing::LoopbackServer;
using testing::rawReply;
using testing::rawResponse;

class HttpClientStatusTest : public ::testing::Test {
  protected:
    // Redirect answers are wanted as they are, not followed by the transport.
    void SetUp() override { client.setFollowRedirects(false); }

    // Sends a POST to `path` answered with `status`, `reason` and `headers`.
    void answer(int status, const std::string& reason, const std::string& headers,
                const std::string& path = "/dir/page.php?x=1") {
        server.enqueue(rawReply(rawResponse(status, reason, headers, "body")));
        ASSERT_TRUE(client.open("POST", server.origin() + path));
        ASSERT_TRUE(client.send());
    }

    std::string origin() const { return server.origin(); }

    LoopbackServer server;
    HttpClient client;
};

TEST_F(HttpClientStatusTest, StatusCodeAndText) {
    answer(404, "Not Found", "");
    EXPECT_EQ(client.getStatusCode(), 404);
    EXPECT_EQ(client.getStatusText(), "Not Found");
    answer(201, "Created For You", "");
    EXPECT_EQ(client.getStatusCode(), 201);
    EXPECT_EQ(client.getStatusText(), "Created For You");
    EXPECT_EQ(client.getResponseHeaders(),
              "HTTP/1.1 201 Created For You\r\nContent-Length: 4\r\n\r\n");
}

TEST_F(HttpClientStatusTest, ResponseHeaderByName) {
    answer(200, "OK",
           "X-Custom:   spaced value  \r\n"
           "X-Note: mentions X-Hidden: inside\r\n"
           "X-Custom: second\r\n"
           "X-Empty:\r\n");
    struct Case {
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"x-custom", "spaced value  "},  // first of the name; leading blanks go, trailing stay
        {"X-CUSTOM", "spaced value  "},
        {"X-Hidden", ""},  // only inside another header's value
        {"X-Empty", ""},
        {"Custom", ""},  // the end of another header's name
        {"Content-Length", "4"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(client.getResponseHeader(c.name), c.value);
    }
}

TEST_F(HttpClientStatusTest, LocationInEveryForm) {
    const std::string port = std::to_string(server.port());
    const std::string base = "http://127.0.0.1:" + port;
    struct Case {
        std::string location;
        std::string requestPath;
        std::string plain;
        std::string absolute;
    };
    const Case cases[] = {
        {"/next/page?a=1", "/dir/page.php?x=1", "/next/page?a=1", base + "/next/page?a=1"},
        {"file.html", "/dir/page.php?x=1", "file.html", base + "/dir/file.html"},
        {"file.html", "/dir/page.php?r=a/b", "file.html", base + "/dir/file.html"},
        {"file.html", "", "file.html", base + "/file.html"},
        {"HTTPS://Other.Example/x", "/p", "HTTPS://Other.Example/x", "HTTPS://Other.Example/x"},
        {"   /padded   ", "/p", "/padded", base + "/padded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location + " after " + c.requestPath);
        answer(302, "Found", "Location: " + c.location + "\r\n", c.requestPath);
        EXPECT_EQ(client.getLocation(), c.plain);
        EXPECT_EQ(client.getLocation(true), c.absolute);
    }
}

TEST_F(HttpClientStatusTest, LocationIsAHeaderLineNotAPartOfAnotherHeader) {
    answer(302, "Found", "Content-Location: /wrong\r\nLocation: /right\r\n");
    EXPECT_EQ(client.getLocation(), "/right");
    answer(200, "OK", "Content-Location: /only-content\r\n");
    EXPECT_EQ(client.getLocation(), "");
}

TEST_F(HttpClientStatusTest, RootRelativeLocationAlwaysWritesThePort) {
    // Port 80 is written too; the host is the connection's host as given to open.
    server.enqueue(rawReply(rawResponse(302, "Found", "Location: /x\r\n", "")));
    ASSERT_TRUE(client.open("POST", server.origin() + "/p"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getLocation(true), "http://127.0.0.1:" + std::to_string(server.port()) + "/x");
    ASSERT_TRUE(client.open("GET", "http://example.test/"));
    EXPECT_EQ(client.port(), 80);
}

TEST_F(HttpClientStatusTest, EveryAccessorIsEmptyAfterAnOpenWithoutSend) {
    answer(302, "Found", "Location: /x\r\nX-A: 1\r\n");
    ASSERT_TRUE(client.open("POST", server.origin() + "/again"));
    EXPECT_EQ(client.getStatusCode(), 0);
    EXPECT_EQ(client.getStatusText(), "");
    EXPECT_EQ(client.getResponseHeaders(), "");
    EXPECT_EQ(client.getResponseHeader("X-A"), "");
    EXPECT_EQ(client.getLocation(true), "");
    EXPECT_EQ(client.getSetCookies(), "");

    // A failed send leaves them empty as well.
    ASSERT_TRUE(client.open("POST", "127.0.0.1:" + std::to_string(testing::refusedPort())));
    EXPECT_FALSE(client.send());
    EXPECT_EQ(client.getStatusCode(), 0);
    EXPECT_EQ(client.getResponseHeaders(), "");
}

}  // namespace
}  // namespace zentara

// HttpClient over TLS against a loopback server whose certificate no one trusts: only the first
// request after construction, reset or applyDefaults accepts it.

#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "loopback_server.h"
#include "tls_loopback_server.h"

namespace zentara {
namespace {

using testing::rawResponse;
using testing::TlsLoopbackServer;

TEST(HttpClientTlsTest, OnlyTheFirstRequestIgnoresCertificateErrors) {
    TlsLoopbackServer server(rawResponse(200, "OK", "Connection: close\r\n", "secret"));
    HttpClient client;
    EXPECT_TRUE(client.ignoreCertErrors());
    ASSERT_TRUE(client.open("GET", server.origin() + "/one"));
    ASSERT_TRUE(client.send());
    EXPECT_FALSE(client.ignoreCertErrors());
    EXPECT_EQ(client.getStatusCode(), 200);
    EXPECT_EQ(client.getResponseText(), "secret");

    ASSERT_TRUE(client.open("GET", server.origin() + "/two"));
    EXPECT_FALSE(client.send());
    EXPECT_EQ(lastHttpError(), http_error::kSecureFailure);
    EXPECT_TRUE(client.getResponseText().empty());
    EXPECT_EQ(server.answered(), 1);

    client.applyDefaults();
    ASSERT_TRUE(client.open("GET", server.origin() + "/three"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getResponseText(), "secret");
    EXPECT_EQ(server.answered(), 2);
}

TEST(HttpClientTlsTest, RootRelativeLocationAfterASecureUrlKeepsTheSecureScheme) {
    TlsLoopbackServer server(
        rawResponse(302, "Found", "Location: /next?a=1\r\nConnection: close\r\n", ""));
    HttpClient client;
    client.setFollowRedirects(false);
    ASSERT_TRUE(client.open("GET", server.origin() + "/dir/"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.getLocation(true),
              "https://127.0.0.1:" + std::to_string(server.port()) + "/next?a=1");
}

}  // namespace
}  // namespace zentara

// Reading a URL into bytes, on the wire against a loopback server.

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loopback_server.h"
#include "platform/code_page.h"
#include "platform/window_layer.h"

namespace zentara {
namespace {

class UrlReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_.set_socket_options([](socket_t sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
            setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        });
        server_.set_pre_routing_handler(
            [this](const httplib::Request& request, httplib::Response&) {
                std::lock_guard lock(mutex_);
                targets_.push_back(request.method + " " + request.target);
                return httplib::Server::HandlerResponse::Unhandled;
            });
        server_.Get("/image", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string("\x89PNG\r\n\x1a\n\0\0\xff", 11), "image/png");
        });
        server_.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("not here", "text/plain");
        });
        server_.Get("/moved", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/image");
        });
        server_.Get("/api.php", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("qr", "image/png");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port_, 0);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::yield();
        }
    }

    void TearDown() override {
        setReadUrlHook(nullptr);
        server_.stop();
        thread_.join();
    }

    Text origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

    std::vector<std::string> targets() {
        std::lock_guard lock(mutex_);
        return targets_;
    }

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::vector<std::string> targets_;
};

TEST_F(UrlReaderTest, GivesTheBodyByteForByte) {
    const Bytes body = readUrl(origin() + "/image");
    const std::string expected("\x89PNG\r\n\x1a\n\0\0\xff", 11);
    EXPECT_EQ(std::string(body.begin(), body.end()), expected);
    EXPECT_EQ(targets(), std::vector<std::string>{"GET /image"});
}

TEST_F(UrlReaderTest, FailuresGiveNoBytes) {
    EXPECT_TRUE(readUrl(origin() + "/missing").empty());  // an error page is no image
    EXPECT_TRUE(readUrl("").empty());
    EXPECT_TRUE(readUrl("file:///etc/hostname").empty());  // only http and https are read

    EXPECT_TRUE(
        readUrl("http://127.0.0.1:" + std::to_string(testing::refusedPort()) + "/x").empty());
}

TEST_F(UrlReaderTest, AServerThatNeverAnswersIsGivenUpOnInBoundedTime) {
    // Listening, so the connection is made, but nothing is ever read or answered.
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(sock, 4), 0);
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);

    const auto start = std::chrono::steady_clock::now();
    const Bytes body = readUrl("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ::close(sock);
    EXPECT_TRUE(body.empty());
    EXPECT_LT(elapsed, std::chrono::milliseconds(readUrlTimeoutMs + 3000));
}

TEST_F(UrlReaderTest, FollowsARedirect) {
    EXPECT_EQ(readUrl(origin() + "/moved").size(), 11u);
    EXPECT_EQ(targets(), (std::vector<std::string>{"GET /moved", "GET /image"}));
}

TEST_F(UrlReaderTest, SendsTheAddressAsItStandsSaveBlanksAndNonAscii) {
    struct Case {
        Text query;
        std::string onTheWire;
    };
    const std::vector<Case> cases = {
        {"http://x/a.m3u8", "http://x/a.m3u8"},
        {"id= http://x/a.m3u8&b=c=d#", "id=%20http://x/a.m3u8&b=c=d"},  // no fragment is sent
        {gbk("http://x/第01集.m3u8"), "http://x/%E7%AC%AC01%E9%9B%86.m3u8"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readUrl(origin() + "/api.php?text=" + c.query).size(), 2u) << c.query;
    }
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        expected.push_back("GET /api.php?text=" + c.onTheWire);
    }
    EXPECT_EQ(targets(), expected);
}

TEST_F(UrlReaderTest, AHookAnswersInsteadOfTheNetwork) {
    std::vector<Text> asked;
    setReadUrlHook([&](const Text& address) {
        asked.push_back(address);
        return Bytes{1, 2, 3};
    });
    EXPECT_EQ(readUrl(origin() + "/image"), (Bytes{1, 2, 3}));
    EXPECT_EQ(asked, std::vector<Text>{origin() + "/image"});
    EXPECT_TRUE(targets().empty());
}

}  // namespace
}  // namespace zentara

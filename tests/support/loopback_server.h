#pragma once

// A loopback HTTP test server that answers with scripted raw bytes and records every request
// exactly as it arrived. It listens on 127.0.0.1 on a free port, serves each TCP connection on its
// own thread (keep-alive: several requests per connection), turns Nagle off and writes each answer
// in one piece. Use it for tests on the wire:
//
//     LoopbackServer server;
//     server.enqueue(okReply("hello"));                    // answers are served in order
//     client.open("POST", server.origin() + "/page");
//     ...
//     EXPECT_EQ(server.requests().at(0), "POST /page HTTP/1.1\r\nHost: ...");
//
// When no scripted answer is left (and no responder is set), the server answers "200 OK" with the
// body "ok". The server also works as a stand-in HTTP proxy: it records the absolute-form request
// line the client sends it and answers from the script.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zentara::testing {

// One scripted answer.
struct Reply {
    std::string bytes;                     // written in one piece (may be empty)
    std::chrono::milliseconds delay{0};    // wait before answering
    bool close = false;                    // close the connection after `bytes`
    bool silent = false;                   // answer nothing and hold the connection open
    std::size_t generatedBody = 0;         // after `bytes`, this many filler bytes ('x'), streamed
    std::vector<std::string> laterPieces;  // then each of these, `pieceDelay` after the last
    std::chrono::milliseconds pieceDelay{0};
};

// "HTTP/1.1 <status> <reason>\r\n" + `headers` (each line ended by CR LF by the caller) +
// "Content-Length: <n>\r\n" unless `withLength` is false + "\r\n" + body.
std::string rawResponse(int status, std::string_view reason, std::string_view headers,
                        std::string_view body, bool withLength = true);

// An answer of exactly these bytes, closing the connection afterwards when `close`.
Reply rawReply(std::string bytes, bool close = false);

// 200 OK with Content-Length and `body`.
Reply okReply(std::string_view body, std::string_view headers = {});

// A reply that closes the connection without answering.
Reply dropReply();

struct RecordedRequest {
    std::string bytes;  // request line, headers and body, byte for byte
    int connection;     // 0-based number of the TCP connection it came on
};

class LoopbackServer {
  public:
    using Responder = std::function<Reply(const RecordedRequest& request, std::size_t index)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string origin() const;

    // Answers served in order of arrival, before the responder and the default answer.
    void enqueue(Reply reply);
    // Computes the answer for every request that finds the queue empty.
    void setResponder(Responder responder);

    // When false, the server reads each request head but never its body, and holds the
    // connection: a client sending a large body then stalls (for send time-outs).
    void setReadsBodies(bool reads);

    std::vector<std::string> requests() const;
    std::vector<RecordedRequest> recordedRequests() const;
    // TCP connections accepted so far.
    int connectionCount() const;
    // Waits until `count` requests have arrived (or `timeout` passes); returns whether they did.
    bool waitForRequests(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

  private:
    void acceptLoop();
    void serve(int socket, int connection);
    Reply replyFor(const RecordedRequest& request, std::size_t index);
    bool waitUnlessStopping(std::chrono::milliseconds delay);

    int listener_ = -1;
    int port_ = 0;
    std::thread acceptor_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    std::deque<Reply> script_;
    Responder responder_;
    std::vector<RecordedRequest> requests_;
    std::vector<int> openSockets_;
    std::vector<std::thread> workers_;
    int connections_ = 0;
    bool readsBodies_ = true;
};

// A loopback port on which nothing listens (connections are refused).
int refusedPort();

}  // namespace zentara::testing

#pragma once

// A loopback HTTPS test server with a freshly made self-signed certificate (an authority no
// client trusts). Every connection gets one TLS handshake, one request answered with the given
// raw reply, and is closed. Use it for the certificate rules of the HTTP client.

#include <atomic>
#include <string>
#include <thread>

namespace zentara::testing {

class TlsLoopbackServer {
  public:
    // `reply`: the raw HTTP answer to every request (it should carry "Connection: close").
    explicit TlsLoopbackServer(std::string reply);
    ~TlsLoopbackServer();
    TlsLoopbackServer(const TlsLoopbackServer&) = delete;
    TlsLoopbackServer& operator=(const TlsLoopbackServer&) = delete;

    int port() const { return port_; }
    // "https://127.0.0.1:<port>"
    std::string origin() const;
    // Requests answered so far (each after a completed handshake).
    int answered() const { return answered_.load(); }

  private:
    void serve();

    std::string reply_;
    void* context_ = nullptr;  // SSL_CTX
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> answered_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace zentara::testing

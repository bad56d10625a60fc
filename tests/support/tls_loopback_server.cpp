#include "tls_loopback_server.h"

#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace zentara::testing {

namespace {

// A server context with a new key and a certificate for 127.0.0.1 signed by that key itself.
SSL_CTX* selfSignedContext() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -60);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    X509_sign(certificate, key, EVP_sha256());

    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate(context, certificate);
    SSL_CTX_use_PrivateKey(context, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
    return context;
}

}  // namespace

TlsLoopbackServer::TlsLoopbackServer(std::string reply) : reply_(std::move(reply)) {
    context_ = selfSignedContext();
    const LoopbackListener listener = listenOnLoopback(16);
    listener_ = listener.socket;
    port_ = listener.port;
    thread_ = std::thread([this] { serve(); });
}

TlsLoopbackServer::~TlsLoopbackServer() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
    SSL_CTX_free(static_cast<SSL_CTX*>(context_));
}

std::string TlsLoopbackServer::origin() const {
    return "https://127.0.0.1:" + std::to_string(port_);
}

void TlsLoopbackServer::serve() {
    while (!stopping_) {
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            if (stopping_) {
                return;
            }
            continue;
        }
        int yes = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        timeval limit{5, 0};  // a client that stops talking does not hold the server
        ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        SSL* ssl = SSL_new(static_cast<SSL_CTX*>(context_));
        SSL_set_fd(ssl, socket);
        if (SSL_accept(ssl) == 1) {
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int got = SSL_read(ssl, buffer, sizeof buffer);
                if (got <= 0) {
                    break;
                }
                request.append(buffer, static_cast<std::size_t>(got));
            }
            if (request.find("\r\n\r\n") != std::string::npos) {
                SSL_write(ssl, reply_.data(), static_cast<int>(reply_.size()));
                ++answered_;
            }
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        ::close(socket);
    }
}

}  // namespace zentara::testing

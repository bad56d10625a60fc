#include "loopback_server.h"

#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace zentara::testing {

namespace {

bool writeAll(int socket, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::send(socket, data, length, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

// Content-Length of a request head, 0 when it has none.
std::size_t requestBodyLength(std::string_view head) {
    const std::string lowered = lowerCase(head);
    const std::size_t found = lowered.find("\r\ncontent-length:");
    if (found == std::string::npos) {
        return 0;
    }
    std::size_t i = found + 17;
    while (i < lowered.size() && lowered[i] == ' ') {
        ++i;
    }
    std::size_t length = 0;
    while (i < lowered.size() && std::isdigit(static_cast<unsigned char>(lowered[i]))) {
        length = length * 10 + static_cast<std::size_t>(lowered[i] - '0');
        ++i;
    }
    return length;
}

}  // namespace

std::string rawResponse(int status, std::string_view reason, std::string_view headers,
                        std::string_view body, bool withLength) {
    std::string response =
        "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
    response += headers;
    if (withLength) {
        response += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    response += "\r\n";
    response += body;
    return response;
}

Reply rawReply(std::string bytes, bool close) {
    Reply reply;
    reply.bytes = std::move(bytes);
    reply.close = close;
    return reply;
}

Reply okReply(std::string_view body, std::string_view headers) {
    Reply reply;
    reply.bytes = rawResponse(200, "OK", headers, body);
    return reply;
}

Reply dropReply() {
    Reply reply;
    reply.close = true;
    return reply;
}

LoopbackServer::LoopbackServer() {
    const LoopbackListener listener = listenOnLoopback(64);
    listener_ = listener.socket;
    port_ = listener.port;
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int socket : openSockets_) {
            ::shutdown(socket, SHUT_RDWR);
        }
    }
    changed_.notify_all();
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    ::close(listener_);
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& worker : workers) {
        worker.join();
    }
}

std::string LoopbackServer::origin() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void LoopbackServer::enqueue(Reply reply) {
    std::lock_guard lock(mutex_);
    script_.push_back(std::move(reply));
}

void LoopbackServer::setResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void LoopbackServer::setReadsBodies(bool reads) {
    std::lock_guard lock(mutex_);
    readsBodies_ = reads;
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const auto& request : requests_) {
        texts.push_back(request.bytes);
    }
    return texts;
}

std::vector<RecordedRequest> LoopbackServer::recordedRequests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int LoopbackServer::connectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool LoopbackServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void LoopbackServer::acceptLoop() {
    for (;;) {
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;  // the listener was shut down
        }
        int yes = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(socket);
            return;
        }
        const int connection = connections_++;
        openSockets_.push_back(socket);
        workers_.emplace_back([this, socket, connection] { serve(socket, connection); });
    }
}

bool LoopbackServer::waitUnlessStopping(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, delay, [this] { return stopping_; });
}

Reply LoopbackServer::replyFor(const RecordedRequest& request, std::size_t index) {
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        if (!script_.empty()) {
            Reply reply = std::move(script_.front());
            script_.pop_front();
            return reply;
        }
        responder = responder_;
    }
    return responder ? responder(request, index) : okReply("ok");
}

void LoopbackServer::serve(int socket, int connection) {
    std::string received;
    char chunk[65536];
    bool open = true;
    while (open) {
        // One request: the head up to the empty line, then Content-Length bytes of body.
        std::size_t headEnd;
        while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
            if (got <= 0) {
                open = false;
                break;
            }
            received.append(chunk, static_cast<std::size_t>(got));
        }
        if (!open) {
            break;
        }
        bool readsBodies;
        {
            std::lock_guard lock(mutex_);
            readsBodies = readsBodies_;
        }
        if (!readsBodies) {
            {
                std::lock_guard lock(mutex_);
                requests_.push_back({received.substr(0, headEnd + 4), connection});
            }
            changed_.notify_all();
            waitUnlessStopping(std::chrono::hours(1));
            break;
        }
        const std::size_t total = headEnd + 4 + requestBodyLength(received.substr(0, headEnd + 2));
        while (received.size() < total) {
            const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
            if (got <= 0) {
                open = false;
                break;
            }
            received.append(chunk, static_cast<std::size_t>(got));
        }
        if (!open) {
            break;
        }
        RecordedRequest request{received.substr(0, total), connection};
        received.erase(0, total);
        std::size_t index;
        {
            std::lock_guard lock(mutex_);
            index = requests_.size();
            requests_.push_back(request);
        }
        changed_.notify_all();

        const Reply reply = replyFor(request, index);
        if (reply.delay.count() > 0 && !waitUnlessStopping(reply.delay)) {
            break;
        }
        if (reply.silent) {
            waitUnlessStopping(std::chrono::hours(1));
            break;
        }
        if (!writeAll(socket, reply.bytes.data(), reply.bytes.size())) {
            break;
        }
        if (reply.generatedBody > 0) {
            const std::string filler(256 * 1024, 'x');
            std::size_t left = reply.generatedBody;
            while (left > 0 && open) {
                const std::size_t piece = std::min(left, filler.size());
                open = writeAll(socket, filler.data(), piece);
                left -= piece;
            }
        }
        for (const std::string& piece : reply.laterPieces) {
            if (!open || !waitUnlessStopping(reply.pieceDelay)) {
                open = false;
                break;
            }
            open = writeAll(socket, piece.data(), piece.size());
        }
        if (!open || reply.close) {
            break;
        }
    }
    ::shutdown(socket, SHUT_RDWR);
    std::lock_guard lock(mutex_);
    openSockets_.erase(std::remove(openSockets_.begin(), openSockets_.end(), socket),
                       openSockets_.end());
    ::close(socket);
}

int refusedPort() {
    // The socket stays bound, without listening, for the life of the process: connections to it
    // are refused, and no other test running beside this one can be handed the port meanwhile.
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace zentara::testing

#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace zentara::testing {

LoopbackListener listenOnLoopback(int backlog) {
    LoopbackListener listener;
    listener.socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(listener.socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener.socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener.socket, reinterpret_cast<sockaddr*>(&address), &length);
    listener.port = ntohs(address.sin_port);
    ::listen(listener.socket, backlog);
    return listener;
}

}  // namespace zentara::testing

#pragma once

// A listening TCP socket on 127.0.0.1 with a port the system picks, for the loopback test servers.

namespace zentara::testing {

struct LoopbackListener {
    int socket = -1;
    int port = 0;
};

LoopbackListener listenOnLoopback(int backlog);

}  // namespace zentara::testing

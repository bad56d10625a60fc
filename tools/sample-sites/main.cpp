// zentara-sample-sites: serves, on the loopback origins of the build's service hosts, everything
// Zentara talks to (manifest, eight sites' search answers and detail pages, the QR image service,
// the play interfaces) from a small made-up catalogue, and logs every request to stdout.
//
//   zentara-sample-sites [--manifest FILE] [--port-offset N]
//
// --manifest FILE   serve FILE's bytes as the update manifest instead of the built-in one
// --port-offset N   listen on every port plus N (for tests that must not meet a running server)
// Stops on SIGINT or SIGTERM.

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sample_sites.h"
#include "service_hosts.h"

namespace {

using zentara::sample::Role;
using zentara::sample::SampleSites;
using zentara::sample::Service;

std::mutex outputMutex;

void say(const std::string& line) {
    std::lock_guard lock(outputMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Origin {
    std::string scheme;
    std::string host;
    int port = 0;
};

bool parseOrigin(std::string_view text, Origin& origin) {
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos) {
        return false;
    }
    origin.scheme = std::string(text.substr(0, schemeEnd));
    const std::string_view rest = text.substr(schemeEnd + 3);
    const std::size_t colon = rest.rfind(':');
    origin.host = std::string(rest.substr(0, colon));
    origin.port = origin.scheme == "https" ? 443 : 80;
    if (colon != std::string_view::npos) {
        origin.port = std::atoi(std::string(rest.substr(colon + 1)).c_str());
    }
    return true;
}

bool isLoopback(const std::string& host) {
    return host == "localhost" || host.rfind("127.", 0) == 0;
}

// Every origin of the hosts file with the roles it plays, in a stable order.
std::map<std::string, std::vector<Service>> servicesByOrigin() {
    namespace hosts = zentara::hosts;
    std::map<std::string, std::vector<Service>> byOrigin;
    byOrigin[std::string(hosts::manifest)].push_back({Role::manifest, 0});
    byOrigin[std::string(hosts::qr)].push_back({Role::qr, 0});
    for (int i = 0; i < 8; ++i) {
        byOrigin[std::string(hosts::siteSearch[i])].push_back({Role::search, i});
        byOrigin[std::string(hosts::siteDetail[i])].push_back({Role::detail, i});
        byOrigin[std::string(hosts::siteHome[i])].push_back({Role::home, i});
        byOrigin[std::string(hosts::play[i])].push_back({Role::play, i});
    }
    return byOrigin;
}

std::string roleNames(const std::vector<Service>& services) {
    static const char* const names[] = {"manifest", "qr", "search", "detail", "home", "play"};
    std::string text;
    for (const Service& service : services) {
        if (!text.empty()) {
            text += ", ";
        }
        text += names[static_cast<int>(service.role)];
        if (service.role != Role::manifest && service.role != Role::qr) {
            text += std::to_string(service.index + 1);
        }
    }
    return text;
}

void configure(httplib::Server& server, const SampleSites& sites, const std::string& origin,
               const std::vector<Service>& services) {
    // One request per connection: a request whose target httplib cannot parse (a second "?",
    // as a QR request for a play-interface address has) leaves its header lines unread.
    server.set_keep_alive_max_count(1);
    server.new_task_queue = [] { return new httplib::ThreadPool(2); };
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    });
    auto handle = [&sites, origin, services](const httplib::Request& request,
                                             httplib::Response& response) {
        const zentara::sample::Reply reply =
            sites.answer(origin, services, request.method, request.target);
        response.status = reply.status;
        response.set_content(reply.body, reply.contentType.c_str());
    };
    server.Get(".*", handle);
    server.Post(".*", handle);
    // httplib refuses a target with more than one "?" before routing; such a request is still
    // answered from its raw target, as a PHP page would.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [handle](const httplib::Request& request, httplib::Response& response) {
            if (response.status != 400 || !response.body.empty() || request.target.empty() ||
                request.target[0] != '/') {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            handle(request, response);
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_logger([origin](const httplib::Request& request, const httplib::Response& response) {
        say(request.method + " " + origin + request.target + " body=" +
            std::to_string(request.body.size()) + " -> " + std::to_string(response.status));
    });
}

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--manifest FILE] [--port-offset N]\n", program);
    return 2;
}

// Binds, retrying for a few seconds: a port can be held for a moment by a server that has just
// stopped or by a passing connection; a server that keeps running there keeps it.
bool bindSoon(httplib::Server& server, const std::string& host, int port) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!server.bind_to_port(host, port)) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string manifestFile;
    int portOffset = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--manifest" && i + 1 < argc) {
            manifestFile = argv[++i];
        } else if (argument == "--port-offset" && i + 1 < argc) {
            portOffset = std::atoi(argv[++i]);
        } else {
            return usage(argv[0]);
        }
    }

    // Signals go to the main thread's sigwait only; the server threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::vector<std::pair<Origin, std::vector<Service>>> listening;
    for (const auto& [text, services] : servicesByOrigin()) {
        Origin origin;
        if (!parseOrigin(text, origin) || origin.scheme != "http" || !isLoopback(origin.host)) {
            say("skipped " + text + " (" + roleNames(services) +
                "): only plain http on loopback is served");
            continue;
        }
        origin.port += portOffset;
        listening.emplace_back(origin, services);
    }

    Origin manifestOrigin;
    parseOrigin(zentara::hosts::manifest, manifestOrigin);
    std::string manifest = zentara::sample::defaultManifest(
        "http://" + manifestOrigin.host + ":" + std::to_string(manifestOrigin.port + portOffset));
    if (!manifestFile.empty()) {
        std::ifstream in(manifestFile, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read manifest file %s\n", manifestFile.c_str());
            return 1;
        }
        std::ostringstream bytes;
        bytes << in.rdbuf();
        manifest = bytes.str();
    }
    const SampleSites sites(manifest);

    std::vector<std::unique_ptr<httplib::Server>> servers;
    for (const auto& [origin, services] : listening) {
        const std::string name = "http://" + origin.host + ":" + std::to_string(origin.port);
        auto server = std::make_unique<httplib::Server>();
        configure(*server, sites, name, services);
        if (!bindSoon(*server, origin.host, origin.port)) {
            std::fprintf(stderr, "cannot listen on %s (%s): is another server running?\n",
                         name.c_str(), roleNames(services).c_str());
            return 1;
        }
        say("listening on " + name + " (" + roleNames(services) + ")");
        servers.push_back(std::move(server));
    }

    std::vector<std::thread> threads;
    for (auto& server : servers) {
        threads.emplace_back([&server] { server->listen_after_bind(); });
    }
    say("ready");

    int signal = 0;
    sigwait(&stopSignals, &signal);
    for (auto& server : servers) {
        while (!server->is_running()) {
            std::this_thread::yield();
        }
        server->stop();
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    say("stopped");
    return 0;
}

// Start-up to first rows: the time from spawning a fresh program process until the first title of
// the first search stands in resultList, against the sample catalogue server on loopback.
//
// Each iteration spawns this program again with --child, which runs the real start-up (window
// layer on the offscreen platform, shared objects, MainWindow, version check, first search) and
// prints the monotonic clock at the moment the first row is in the table. The parent took the
// same clock just before spawning, so the figure includes loading the program and Qt.
//
// The sample server is started here unless one already answers on the manifest's port.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/window_layer.h"
#include "search/search.h"
#include "service_hosts.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "shell/version_check.h"

extern char** environ;

namespace {

std::string selfPath;

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

int manifestPort() {
    const std::string_view origin = zentara::hosts::manifest;
    return std::atoi(std::string(origin.substr(origin.rfind(':') + 1)).c_str());
}

bool portAnswers(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

// The child: the program's own start-up, reporting the first row.
int runChild(int argc, char** argv) {
    zentara::startWindowLayer(argc, argv);
    zentara::MainWindow* window =
        zentara::startMainWindow(zentara::bindSearch, zentara::manifestEndpoint());
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, [window] {
        if (window->resultRowCount() > 0) {
            std::printf("%lld\n", monotonicNanoseconds());
            std::fflush(stdout);
            std::_Exit(0);
        }
    });
    poll->start(1);
    QTimer::singleShot(20000, [] {
        std::printf("-1\n");
        std::fflush(stdout);
        std::_Exit(1);
    });
    return zentara::runEventLoop();
}

// Spawns the child and gives the seconds from spawn to its first row, or a negative value.
double spawnOnce() {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    char childFlag[] = "--child";
    char* childArgv[] = {selfPath.data(), childFlag, nullptr};

    const long long started = monotonicNanoseconds();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, selfPath.c_str(), &actions, nullptr, childArgv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return -1;
    }
    std::string output;
    char buffer[64];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const long long firstRow = std::atoll(output.c_str());
    return firstRow > 0 ? (firstRow - started) / 1e9 : -1;
}

void BM_StartUpToFirstRows(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = spawnOnce();
        if (seconds < 0) {
            state.SkipWithError("no first row (is the sample server reachable?)");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_StartUpToFirstRows)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        return runChild(argc, argv);
    }
    selfPath = argv[0];
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    pid_t serverPid = 0;
    if (!portAnswers(manifestPort())) {
        char serverPath[] = ZENTARA_SAMPLE_SERVER;
        char* serverArgv[] = {serverPath, nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn(&serverPid, serverPath, &quiet, nullptr, serverArgv, environ);
        posix_spawn_file_actions_destroy(&quiet);
        for (int i = 0; i < 200 && !portAnswers(manifestPort()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (serverPid > 0) {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
    }
    return 0;
}

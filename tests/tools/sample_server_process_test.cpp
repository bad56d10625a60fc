// The sample server as a process: it listens on every origin of the hosts file (shifted by a
// port offset so that a running server is not disturbed), logs each request, serves a manifest
// given on the command line, answers a QR request with a second "?", and stops on SIGTERM.

#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service_hosts.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Spawns the server with its stdout on a pipe and collects the lines it prints.
class ServerProcess {
  public:
    explicit ServerProcess(std::vector<std::string> arguments) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        arguments.insert(arguments.begin(), ZENTARA_SAMPLE_SITES_BINARY);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        reader_ = std::thread([this, fd = fds[0]] { readLines(fd); });
    }

    ~ServerProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            waitForExit();
        }
        if (reader_.joinable()) {
            reader_.join();
        }
    }

    // Waits up to 10 s for a line that contains `text`.
    bool waitForLine(const std::string& text) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            for (const std::string& line : lines_) {
                if (line.find(text) != std::string::npos) {
                    return true;
                }
            }
            return closed_;
        }) && hasLineLocked(text);
    }

    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

    int stop() {
        ::kill(pid_, SIGTERM);
        return waitForExit();
    }

    int waitForExit() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    bool started() const { return pid_ > 0; }

  private:
    bool hasLineLocked(const std::string& text) const {
        for (const std::string& line : lines_) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    void readLines(int fd) {
        std::string pending;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::lock_guard lock(mutex_);
                lines_.push_back(pending.substr(0, end));
                pending.erase(0, end + 1);
                changed_.notify_all();
            }
        }
        ::close(fd);
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    pid_t pid_ = -1;
    bool exited_ = false;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    bool closed_ = false;
};

int portOf(std::string_view origin) {
    return std::stoi(std::string(origin.substr(origin.rfind(':') + 1)));
}

// Shifts the hosts file's ports (18400 and up) to a place of their own for each concurrent test
// process, still below the range the system hands out to outgoing connections (32768 and up).
int portOffset() {
    return 1000 + static_cast<int>(::getpid() % 40) * 250;
}

TEST(SampleServerProcess, ServesLogsAndStops) {
    const fs::path manifest =
        fs::temp_directory_path() / ("zentara-manifest-" + std::to_string(::getpid()) + ".json");
    const std::string manifestBytes = "{\"video\":[{\"ver\":\"1.00\"}]}";
    std::ofstream(manifest, std::ios::binary) << manifestBytes;

    const int offset = portOffset();
    ServerProcess server(
        {"--manifest", manifest.string(), "--port-offset", std::to_string(offset)});
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(server.waitForLine("ready"));

    httplib::Client manifestHost("127.0.0.1", portOf(zentara::hosts::manifest) + offset);
    auto answer = manifestHost.Post("/video/data.json", "", "");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, manifestBytes);

    const std::string site1 =
        "http://127.0.0.1:" + std::to_string(portOf(zentara::hosts::siteSearch[0]) + offset);
    httplib::Client searchHost("127.0.0.1", portOf(zentara::hosts::siteSearch[0]) + offset);
    answer = searchHost.Post("/inc/ldg_sea.php?wd=Star", "", "");
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->body.find("Starlight Express"), std::string::npos);

    // A QR request for a play-interface address carries a second "?".
    httplib::Client qrHost("127.0.0.1", portOf(zentara::hosts::qr) + offset);
    answer = qrHost.Get("/api.php?text=http://p/video.php?url=http://x/a.m3u8");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body.substr(0, 4), "\x89PNG");

    EXPECT_TRUE(server.waitForLine("POST " + site1 + "/inc/ldg_sea.php?wd=Star body=0 -> 200"));
    EXPECT_TRUE(
        server.waitForLine("/api.php?text=http://p/video.php?url=http://x/a.m3u8 body=0 "
                           "-> 200"));

    // A second server on the same ports says which one is taken and gives up.
    ServerProcess second({"--port-offset", std::to_string(offset)});
    EXPECT_EQ(second.waitForExit(), 1);

    EXPECT_EQ(server.stop(), 0);
    EXPECT_TRUE(server.waitForLine("stopped"));
    fs::remove(manifest);
}

TEST(SampleServerProcess, RejectsUnknownArgumentsAndAMissingManifest) {
    ServerProcess unknown({"--verbose"});
    EXPECT_EQ(unknown.waitForExit(), 2);
    ServerProcess missing({"--manifest", "/nonexistent/manifest.json", "--port-offset",
                           std::to_string(portOffset() + 250)});
    EXPECT_EQ(missing.waitForExit(), 1);
}

}  // namespace

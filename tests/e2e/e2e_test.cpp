// End to end: the real program (its end-to-end build, whose desktop services write to a log)
// on Xvfb against the sample catalogue server, driven with xdotool like a user. What the server
// saw and what the program handed to the desktop are checked; screenshots are kept as artifacts.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "service_hosts.h"
#include "x11_display.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Window-relative click points (pixels), measured on Xvfb with Qt's default style.
struct Point {
    int x;
    int y;
};
constexpr Point keywordEditPoint{108, 70};
constexpr Point firstResultRowPoint{80, 125};
constexpr Point m3u8TabPoint{78, 11};
constexpr Point firstEpisodeRowPoint{60, 51};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// A child process; killed when the object goes, unless it has ended.
class Child {
  public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { terminate(); }

    // Starts argv[0] with `extraEnvironment` added, stdout and stderr to `outputFile`.
    bool start(std::vector<std::string> argv, const std::vector<std::string>& extraEnvironment,
               const fs::path& outputFile) {
        ended_ = false;
        exitCode_ = -1;
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            environment.emplace_back(*entry);
        }
        for (const std::string& added : extraEnvironment) {
            const std::string key = added.substr(0, added.find('=') + 1);
            std::erase_if(environment, [&](const std::string& e) { return e.rfind(key, 0) == 0; });
            environment.push_back(added);
        }
        std::vector<char*> argvPointers, environmentPointers;
        for (std::string& a : argv) {
            argvPointers.push_back(a.data());
        }
        argvPointers.push_back(nullptr);
        for (std::string& e : environment) {
            environmentPointers.push_back(e.data());
        }
        environmentPointers.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int failed = posix_spawn(&pid_, argvPointers[0], &actions, nullptr,
                                       argvPointers.data(), environmentPointers.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            pid_ = -1;
        }
        return pid_ > 0;
    }

    bool running() {
        if (pid_ <= 0 || ended_) {
            return false;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            ended_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return false;
        }
        return true;
    }

    void terminate() {
        if (running()) {
            ::kill(pid_, SIGTERM);
            if (!waitUntil([this] { return !running(); }, 3s)) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                ended_ = true;
            }
        }
    }

    // Waits up to `limit` for the process to end by itself.
    bool endsWithin(std::chrono::milliseconds limit) {
        return waitUntil([this] { return !running(); }, limit);
    }

    int exitCode() const { return exitCode_; }

  private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int exitCode_ = -1;
};

class EndToEndTest : public testing::Test {
  protected:
    void SetUp() override {
        // The sample server listens on the fixed ports of the hosts file: one session at a time.
        lockFd_ = ::open((fs::temp_directory_path() / "zentara-e2e.lock").c_str(), O_CREAT | O_RDWR,
                         0644);
        ASSERT_GE(lockFd_, 0);
        ASSERT_EQ(::flock(lockFd_, LOCK_EX), 0);

        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        work_ = fs::path(ZENTARA_E2E_ARTIFACTS) / name;
        fs::remove_all(work_);
        fs::create_directories(work_);
        desktopLog_ = work_ / "desktop.log";
        serverLog_ = work_ / "sample-sites.log";

        startXvfb();
        ASSERT_FALSE(display_.empty()) << readFile(work_ / "xvfb.log");
        ASSERT_TRUE(server_.start({ZENTARA_SAMPLE_SITES_BINARY}, {}, serverLog_));
        // The server says "ready" once every port listens; it ends at once when one cannot.
        waitUntil([&] {
            return !server_.running() ||
                   readFile(serverLog_).find("\nready\n") != std::string::npos;
        });
        ASSERT_NE(readFile(serverLog_).find("\nready\n"), std::string::npos)
            << readFile(serverLog_);
        ASSERT_TRUE(program_.start({ZENTARA_E2E_PROGRAM},
                                   {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb",
                                    "ZENTARA_E2E_LOG=" + desktopLog_.string()},
                                   work_ / "program.log"));
        mainWindow_ = findWindow("^Zentara  ver:1\\.0$");
        ASSERT_FALSE(mainWindow_.empty())
            << readFile(work_ / "program.log") << "Xvfb on " << display_
            << (xvfb_.running() ? " running" : " ended")
            << ", display answers: " << displayAccepts(display_, 0) << "\n"
            << readFile(work_ / "xvfb.log");
    }

    void TearDown() override {
        program_.terminate();
        server_.terminate();
        xvfb_.terminate();
        if (lockFd_ >= 0) {
            ::close(lockFd_);
        }
    }

    // Starts Xvfb on a display number of its own. Numbers are drawn from a high range rather than
    // scanned from :0, where other X servers on the machine (whose abstract sockets may be
    // visible here even when their lock files are not) would be met first.
    void startXvfb() {
        for (int attempt = 0; attempt < 8; ++attempt) {
            const std::string display =
                ":" + std::to_string(200 + (::getpid() * 13 + attempt * 97) % 700);
            if (displayAccepts(display, 0)) {
                continue;  // some other server answers there
            }
            if (!xvfb_.start(
                    {"/usr/bin/Xvfb", display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                    {}, work_ / "xvfb.log")) {
                return;
            }
            if (displayAccepts(display, 5000) && xvfb_.running()) {
                display_ = display;
                return;
            }
            xvfb_.terminate();
        }
    }

    // Runs a command on the test's display; gives its standard output without the last newline.
    std::string onDisplay(const std::string& command) {
        const std::string line = "DISPLAY=" + display_ + " " + command + " 2>/dev/null";
        std::string output;
        if (FILE* pipe = ::popen(line.c_str(), "r")) {
            char buffer[1024];
            while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
                output.append(buffer, n);
            }
            ::pclose(pipe);
        }
        while (!output.empty() && output.back() == '\n') {
            output.pop_back();
        }
        return output;
    }

    // The id of the first window whose name matches `pattern` (a regular expression), waiting
    // up to 15 s for it; empty when none appears.
    std::string findWindow(const std::string& pattern) {
        std::string window;
        waitUntil([&] {
            const std::string found =
                onDisplay("xdotool search --onlyvisible --name '" + pattern + "'");
            window = found.substr(0, found.find('\n'));
            return !window.empty();
        });
        return window;
    }

    void click(const std::string& window, Point point, int button = 1, int repeat = 1) {
        onDisplay("xdotool mousemove --window " + window + " " + std::to_string(point.x) + " " +
                  std::to_string(point.y) + " sleep 0.2 click --repeat " + std::to_string(repeat) +
                  " --delay 80 " + std::to_string(button));
        std::this_thread::sleep_for(300ms);
    }

    // Asks a window to close as a window manager does when the user clicks its close button.
    void closeWindow(const std::string& window) {
        EXPECT_TRUE(askWindowToClose(display_, std::stoul(window)));
    }

    void keys(const std::string& keySequence) {
        onDisplay("xdotool key --delay 120 " + keySequence);
        std::this_thread::sleep_for(300ms);
    }

    void screenshot(const std::string& window, const std::string& fileName) {
        onDisplay("import -window " + window + " '" + (work_ / fileName).string() + "'");
        EXPECT_TRUE(fs::exists(work_ / fileName)) << fileName;
    }

    // Repeats a user action (at most three times) until `done` holds within 5 s of it: on a
    // loaded machine a control may still be disabled, or a list still empty, when first used.
    bool untilDone(const std::function<void()>& action, const std::function<bool()>& done) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            action();
            if (waitUntil(done, 5s)) {
                return true;
            }
        }
        return false;
    }

    bool serverSaw(const std::string& line) {
        return waitUntil([&] { return hasLine(serverLog_, line); });
    }

    bool desktopGot(const std::string& line) {
        return waitUntil([&] { return hasLine(desktopLog_, line); });
    }

    static bool hasLine(const fs::path& file, const std::string& line) {
        std::istringstream lines(readFile(file));
        for (std::string l; std::getline(lines, l);) {
            if (l == line) {
                return true;
            }
        }
        return false;
    }

    // The request lines of the server's log, in order.
    std::vector<std::string> requests() {
        std::vector<std::string> result;
        std::istringstream lines(readFile(serverLog_));
        for (std::string l; std::getline(lines, l);) {
            if (l.rfind("GET ", 0) == 0 || l.rfind("POST ", 0) == 0) {
                result.push_back(l);
            }
        }
        return result;
    }

    const std::string manifest{zentara::hosts::manifest};
    const std::string site1{zentara::hosts::siteSearch[0]};
    const std::string detail1{zentara::hosts::siteDetail[0]};
    const std::string qr{zentara::hosts::qr};
    const std::string play1{zentara::hosts::play[0]};

    int lockFd_ = -1;
    fs::path work_, desktopLog_, serverLog_;
    std::string display_;
    std::string mainWindow_;
    Child xvfb_, server_, program_;
};

TEST_F(EndToEndTest, AKeywordTypedIntoTheMainWindowIsSearchedOnTheFirstSite) {
    // Start-up: the manifest, then the first search with the empty keyword, each a POST with an
    // empty body.
    ASSERT_TRUE(serverSaw("POST " + site1 + "/inc/ldg_sea.php?wd= body=0 -> 200"))
        << readFile(serverLog_);
    std::this_thread::sleep_for(1500ms);  // rows follow 20 ms apart

    const std::string starSearch = "POST " + site1 + "/inc/ldg_sea.php?wd=Star body=0 -> 200";
    ASSERT_TRUE(untilDone(
        [&] {
            click(mainWindow_, keywordEditPoint);
            keys("ctrl+a BackSpace");
            onDisplay("xdotool type --delay 80 Star");
            keys("Return");
        },
        [&] { return hasLine(serverLog_, starSearch); }))
        << readFile(serverLog_);
    std::this_thread::sleep_for(1500ms);
    screenshot(mainWindow_, "main-window-search.png");

    EXPECT_EQ(requests(), (std::vector<std::string>{
                              "POST " + manifest + "/video/data.json body=0 -> 200",
                              "POST " + site1 + "/inc/ldg_sea.php?wd= body=0 -> 200",
                              "POST " + site1 + "/inc/ldg_sea.php?wd=Star body=0 -> 200",
                          }));

    // A search of every title takes some 200 ms to list; closing the main window as soon as its
    // answer has gone out ends the program at once, rows still being added or not.
    ASSERT_TRUE(untilDone(
        [&] {
            click(mainWindow_, keywordEditPoint);
            keys("ctrl+a BackSpace Return");
        },
        [&] { return requests().size() >= 4; }))
        << readFile(serverLog_);
    closeWindow(mainWindow_);
    EXPECT_TRUE(program_.endsWithin(3s));
    EXPECT_EQ(program_.exitCode(), 0) << readFile(work_ / "program.log");
    EXPECT_EQ(readFile(desktopLog_), "") << "nothing was shown or opened";
}

TEST_F(EndToEndTest, AnEpisodeOfATitleIsOpenedCopiedAndShownAsAQrCode) {
    ASSERT_TRUE(serverSaw("POST " + site1 + "/inc/ldg_sea.php?wd= body=0 -> 200"))
        << readFile(serverLog_);
    std::this_thread::sleep_for(1500ms);

    // The first row is "Star Harbour" (id 101).
    const std::string detailRequest =
        "POST " + detail1 + "/?m=vod-detail-id-101.html body=0 -> 200";
    ASSERT_TRUE(untilDone([&] { click(mainWindow_, firstResultRowPoint, 1, 2); },
                          [&] { return hasLine(serverLog_, detailRequest); }))
        << readFile(serverLog_);
    const std::string detailWindow = findWindow("^Star Harbour \\[");
    ASSERT_FALSE(detailWindow.empty());
    EXPECT_EQ(onDisplay("xdotool getwindowname " + detailWindow), "Star Harbour [更新至12集]");
    std::this_thread::sleep_for(2000ms);  // 24 rows, 20 ms apart
    screenshot(detailWindow, "detail-window.png");

    const std::string onlineLink = detail1 + "/share/101-01.html";
    const std::string m3u8Link = detail1 + "/m3u8/101-01/index.m3u8";

    // An online episode opens as it stands; an M3U8 one through the first play interface.
    ASSERT_TRUE(untilDone([&] { click(detailWindow, firstEpisodeRowPoint, 1, 2); },
                          [&] { return hasLine(desktopLog_, "open " + onlineLink); }))
        << readFile(desktopLog_);
    click(detailWindow, m3u8TabPoint);
    click(detailWindow, firstEpisodeRowPoint, 1, 2);
    EXPECT_TRUE(desktopGot("open " + play1 + "/video.php?url=" + m3u8Link))
        << readFile(desktopLog_);

    // "复制链接" puts the bare link on the clipboard and says so.
    click(detailWindow, firstEpisodeRowPoint, 3);
    keys("Down Return");
    EXPECT_TRUE(desktopGot("clipboard " + m3u8Link)) << readFile(desktopLog_);
    EXPECT_TRUE(desktopGot("message 提示|已复制链接")) << readFile(desktopLog_);

    // "生成二维码" asks the QR service for the address the double-click opened.
    click(detailWindow, firstEpisodeRowPoint, 3);
    keys("Down Down Return");
    const std::string qrWindow = findWindow("^二维码$");
    ASSERT_FALSE(qrWindow.empty());
    EXPECT_TRUE(serverSaw("GET " + qr + "/api.php?text=" + play1 + "/video.php?url=" + m3u8Link +
                          " body=0 -> 200"))
        << readFile(serverLog_);
    std::this_thread::sleep_for(500ms);
    screenshot(qrWindow, "qr-window.png");
}

}  // namespace
